#include "TYExecuteScriptScenesDialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

TYExecuteScriptScenesDialog::TYExecuteScriptScenesDialog(QWidget *parent, const Run &run)
    : QDialog(parent)
    , m_run(run)
    , m_executionLabel(new QLabel(tr("Executing script on selected scenes..."), this))
    , m_argumentsLabel(new QLabel(this))
    , m_progressBar(new QProgressBar(this))
    , m_tabWidget(new QTabWidget(this))
    , m_buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(tr("Running"));
    resize(700, 500);
    auto *layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("verticalLayout"));
    m_executionLabel->setObjectName(QStringLiteral("executionLabel"));
    m_argumentsLabel->setObjectName(QStringLiteral("argumentsLabel"));
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_tabWidget->setObjectName(QStringLiteral("tabWidget"));
    m_buttonBox->setObjectName(QStringLiteral("buttonBox"));
    m_progressBar->setFormat(QStringLiteral("%v/%m"));
    for (QWidget *widget : {static_cast<QWidget *>(m_executionLabel), static_cast<QWidget *>(m_argumentsLabel),
                            static_cast<QWidget *>(m_progressBar), static_cast<QWidget *>(m_tabWidget),
                            static_cast<QWidget *>(m_buttonBox)})
        layout->addWidget(widget);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    setWindowTitle(tr("Running %1").arg(run.scriptFile));
    m_executionLabel->setText(tr("Evaluating: %1").arg(run.evalCode));
    m_argumentsLabel->setText(tr("Additional Arguments: %1").arg(run.argumentsText));
    m_argumentsLabel->setVisible(!run.argumentsText.isEmpty());
}

TYExecuteScriptScenesDialog::~TYExecuteScriptScenesDialog()
{
    if (m_process) {
        // Its end no longer concerns a dialog that is going.
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished();
    }
}

void TYExecuteScriptScenesDialog::start()
{
    m_tabWidget->clear();
    m_progressBar->setMaximum(m_run.scenes.size());
    m_progressBar->setValue(0);
    m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
    startNextRun();
}

void TYExecuteScriptScenesDialog::startNextRun()
{
    const int next = m_tabWidget->count();
    if (next >= m_run.scenes.size()) {
        m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(true);
        return;
    }
    const QString scene = m_run.scenes[next];
    auto *output = new QTextBrowser(m_tabWidget);
    output->setObjectName(QStringLiteral("output"));
    m_tabWidget->addTab(output, scene);
    m_tabWidget->setCurrentWidget(output);

    // The process that just ended is still delivering its last signal.
    if (m_process)
        m_process->deleteLater();
    m_process = new QProcess(this);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &TYExecuteScriptScenesDialog::onStandardOutputReady);
    connect(m_process, &QProcess::readyReadStandardError, this, &TYExecuteScriptScenesDialog::onStandardErrorReady);
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &TYExecuteScriptScenesDialog::onProcessExited);
    m_process->start(m_run.program, m_run.baseArguments + QStringList{scene}, QIODevice::ReadWrite);
    if (!m_process->waitForStarted(-1))
        appendToLastTab(tr("Couldn't load Scene ") + scene, true);
}

void TYExecuteScriptScenesDialog::onStandardOutputReady()
{
    const QString text = QString::fromUtf8(m_process->readAllStandardOutput());
    if (!text.isEmpty())
        appendToLastTab(text, false);
}

void TYExecuteScriptScenesDialog::onStandardErrorReady()
{
    const QString text = QString::fromUtf8(m_process->readAllStandardError());
    if (!text.isEmpty())
        appendToLastTab(text, true);
}

void TYExecuteScriptScenesDialog::onProcessExited()
{
    // What the editor wrote last may not have been read yet.
    onStandardOutputReady();
    onStandardErrorReady();
    m_progressBar->setValue(m_tabWidget->count());
    startNextRun();
}

void TYExecuteScriptScenesDialog::appendToLastTab(const QString &text, bool error)
{
    // As typed, line breaks included, in a fixed-width font; errors in dark red.
    QTextCharFormat format;
    format.setFontFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    if (error)
        format.setForeground(QColor(0xb2, 0x22, 0x22));
    auto *output = static_cast<QTextBrowser *>(m_tabWidget->widget(m_tabWidget->count() - 1));
    QTextCursor end(output->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text, format);
}
