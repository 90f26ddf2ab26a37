#include "TYRunScriptDialog.h"

#include <QFileDialog>
#include <QPushButton>
#include <QRegularExpression>

TYRunScriptDialog::TYRunScriptDialog(QWidget *parent)
    : QDialog(parent)
{
    m_ui.setupUi(this);
    connect(m_ui.buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui.buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_ui.openScriptButton, &QToolButton::clicked, this, &TYRunScriptDialog::selectScriptFile);
    connect(m_ui.scriptFileEdit, &QLineEdit::textChanged, this, &TYRunScriptDialog::validateOkButton);
    connect(m_ui.scriptEvalEdit, &QLineEdit::textChanged, this, &TYRunScriptDialog::validateOkButton);
    validateOkButton();
}

QString TYRunScriptDialog::scriptFile() const
{
    return m_ui.scriptFileEdit->text();
}

QString TYRunScriptDialog::evalCode() const
{
    return m_ui.scriptEvalEdit->text();
}

QString TYRunScriptDialog::argumentsText() const
{
    return m_ui.argumentsEdit->text();
}

QStringList TYRunScriptDialog::arguments() const
{
    return splitArguments(argumentsText());
}

QStringList TYRunScriptDialog::splitArguments(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("\\s?(\"([^\"\\\\]|\\\\\"|\\\\(?!\"))*\"|[^\\s\"]*)\\s?"));
    QStringList words;
    int position = 0;
    while (position < text.size()) {
        const QRegularExpressionMatch match = word.match(text, position);
        if (!match.hasMatch())
            break;
        QString found = match.captured(1);
        // An empty match (at a quote that never closes) would find itself
        // again: step over one character.
        position = qMax(match.capturedEnd(), position + 1);
        if (found.isEmpty())
            continue;
        if (found.startsWith(QLatin1Char('"')))
            found.remove(0, 1);
        if (found.endsWith(QLatin1Char('"')))
            found.chop(1);
        words << found;
    }
    return words;
}

void TYRunScriptDialog::selectScriptFile()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Select a Script File"), QString(),
                                                      tr("JavaScript Files (*.js)"));
    if (!file.isEmpty())
        m_ui.scriptFileEdit->setText(file);
}

void TYRunScriptDialog::validateOkButton()
{
    m_ui.buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!scriptFile().isEmpty() && !evalCode().isEmpty());
}
