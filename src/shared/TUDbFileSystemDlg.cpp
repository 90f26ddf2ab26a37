#include "TUDbFileSystemDlg.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSelect.h"
#include "oswRemapPath.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>

namespace {
QString firstSelected(const QListWidget *list)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}
} // namespace

TUDbFileSystemDlg::TUDbFileSystemDlg(QWidget *parent, TUDbSelect *selector, TUDbAccess *access,
                                     const QString &sceneName)
    : QDialog(parent)
    , m_selector(selector)
    , m_access(access)
    , m_sceneName(sceneName)
    , m_environments(new QListWidget(this))
    , m_jobs(new QListWidget(this))
    , m_fileSystems(new QListWidget(this))
    , m_other(new QLineEdit(this))
{
    setWindowTitle(tr("File System Selector"));
    m_environments->setObjectName(QStringLiteral("environments"));
    m_jobs->setObjectName(QStringLiteral("jobs"));
    m_fileSystems->setObjectName(QStringLiteral("fileSystems"));
    m_other->setObjectName(QStringLiteral("other"));
    m_other->setMinimumWidth(200);

    auto *columns = new QHBoxLayout;
    const std::pair<QString, QListWidget *> lists[] = {
        {tr("Environments"), m_environments}, {tr("Jobs"), m_jobs}, {tr("File System"), m_fileSystems}};
    for (const auto &[label, list] : lists) {
        auto *column = new QVBoxLayout;
        column->addWidget(new QLabel(label, this));
        column->addWidget(list);
        columns->addLayout(column);
    }
    auto *browse = new QPushButton(style()->standardIcon(QStyle::SP_DirIcon), QString(), this);
    auto *otherRow = new QHBoxLayout;
    otherRow->addWidget(new QLabel(tr("Other"), this));
    otherRow->addWidget(m_other, 1);
    otherRow->addWidget(browse);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Plain buttons, as in the program's other dialogs.
    for (QAbstractButton *button : buttons->buttons())
        button->setIcon(QIcon());
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(7);
    layout->addLayout(columns);
    layout->addLayout(otherRow);
    layout->addWidget(buttons);

    connect(m_environments, &QListWidget::itemClicked, this, QOverload<QListWidgetItem *>::of(&TUDbFileSystemDlg::environmentSelected));
    connect(m_environments, &QListWidget::itemSelectionChanged, this, QOverload<>::of(&TUDbFileSystemDlg::environmentSelected));
    connect(m_jobs, &QListWidget::itemClicked, this, QOverload<QListWidgetItem *>::of(&TUDbFileSystemDlg::jobSelected));
    connect(m_jobs, &QListWidget::itemSelectionChanged, this, QOverload<>::of(&TUDbFileSystemDlg::jobSelected));
    connect(m_fileSystems, &QListWidget::itemClicked, this, QOverload<QListWidgetItem *>::of(&TUDbFileSystemDlg::systemSelected));
    connect(m_fileSystems, &QListWidget::itemSelectionChanged, this, QOverload<>::of(&TUDbFileSystemDlg::systemSelected));
    connect(m_other, &QLineEdit::textChanged, this, &TUDbFileSystemDlg::pathChanged);
    connect(browse, &QPushButton::clicked, this, &TUDbFileSystemDlg::otherFileSelect);
    connect(buttons, &QDialogButtonBox::accepted, this, &TUDbFileSystemDlg::apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &TUDbFileSystemDlg::reject);

    m_environments->addItems(m_selector->environmentList());
    fillFileSystems();
}

QString TUDbFileSystemDlg::environment() const
{
    return m_environments->currentItem() ? m_environments->currentItem()->text() : QString();
}

QString TUDbFileSystemDlg::job() const
{
    return m_jobs->currentItem() ? m_jobs->currentItem()->text() : QString();
}

QString TUDbFileSystemDlg::fileSystem() const
{
    return firstSelected(m_fileSystems);
}

void TUDbFileSystemDlg::fillFileSystems()
{
    m_fileSystems->clear();
    m_fileSystems->addItems(m_access->sceneDirPatternList());
}

void TUDbFileSystemDlg::environmentSelected(QListWidgetItem *item)
{
    m_jobs->clear();
    if (!item)
        return;
    QStringList jobs = m_selector->createJobsList(item->text());
    jobs.sort();
    m_jobs->addItems(jobs);
}

void TUDbFileSystemDlg::environmentSelected()
{
    const QList<QListWidgetItem *> items = m_environments->selectedItems();
    environmentSelected(items.isEmpty() ? nullptr : items.first());
}

void TUDbFileSystemDlg::jobSelected(QListWidgetItem *item)
{
    if (!item)
        return;
    if (m_sceneName.isEmpty()) {
        fillFileSystems();
    } else {
        for (const SceneInfo &scene : m_selector->createScenesList(item->text())) {
            if (scene.first != m_sceneName)
                continue;
            const QList<QListWidgetItem *> holding = m_fileSystems->findItems(scene.second, Qt::MatchExactly);
            if (!holding.isEmpty())
                m_fileSystems->setCurrentItem(holding.first());
        }
    }
    updatePath();
}

void TUDbFileSystemDlg::jobSelected()
{
    const QList<QListWidgetItem *> items = m_jobs->selectedItems();
    jobSelected(items.isEmpty() ? nullptr : items.first());
}

void TUDbFileSystemDlg::systemSelected(QListWidgetItem *)
{
    updatePath();
}

void TUDbFileSystemDlg::systemSelected()
{
    updatePath();
}

QString TUDbFileSystemDlg::standardPattern() const
{
    const QString system = fileSystem();
    const QString chosenJob = job();
    if (system.isEmpty() || chosenJob.isEmpty())
        return QString();
    return QStringLiteral("%1/%2/scene-%3").arg(system, chosenJob, QStringLiteral("{sceneName}"));
}

void TUDbFileSystemDlg::updatePath()
{
    const QString pattern = standardPattern();
    if (!pattern.isEmpty() && m_other->text() != pattern)
        m_other->setText(pattern);
}

void TUDbFileSystemDlg::pathChanged()
{
    // A folder typed by hand is "Other": no listed file system holds it.
    const QString pattern = standardPattern();
    if (!pattern.isEmpty() && m_other->text() != pattern)
        m_fileSystems->clearSelection();
}

void TUDbFileSystemDlg::otherFileSelect()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Other Filesystem"), m_other->text());
    if (!folder.isEmpty())
        m_other->setText(folder);
}

void TUDbFileSystemDlg::apply()
{
    static const QRegularExpression trailing(QStringLiteral("[/ ]+$"));
    m_destination = m_other->text();
    m_destination.remove(trailing);
    if (environment().isEmpty() || job().isEmpty() || m_destination.isEmpty()) {
        MSG_Scope("TUDbFileSystemDlg",
                  QT_TRANSLATE_NOOP("TUDbFileSystemDlg", "You must select an Environment, a Job and a File System."));
        return;
    }
    const QString system = fileSystem();
    if (!system.isEmpty() && !QFileInfo(oswRemapPath::RemapPath2(system)).isDir()) {
        MSG_Scope("TUDbFileSystemDlg", QT_TRANSLATE_NOOP("TUDbFileSystemDlg", "File System %1, Not Found.")).arg(system);
        return;
    }
    accept();
}

void TUDbFileSystemDlg::reject()
{
    QDialog::reject();
}
