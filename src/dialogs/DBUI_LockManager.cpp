#include "DBUI_LockManager.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace {
const char *const kContext = "DBUI_LockManager";
constexpr int kLockRole = Qt::UserRole;
constexpr int kStaleRole = Qt::UserRole + 1;

QString age(qint64 seconds)
{
    if (seconds < 120)
        return DBUI_LockManager::tr("%1 s").arg(seconds);
    if (seconds < 2 * 3600)
        return DBUI_LockManager::tr("%1 min").arg(seconds / 60);
    if (seconds < 2 * 86400)
        return DBUI_LockManager::tr("%1 h").arg(seconds / 3600);
    return DBUI_LockManager::tr("%1 days").arg(seconds / 86400);
}

QString keysOf(const QList<QTreeWidgetItem *> &rows)
{
    QStringList keys;
    for (const QTreeWidgetItem *row : rows)
        keys << row->text(DBUI_LockManager::Version) + QLatin1Char(' ') + row->text(DBUI_LockManager::Key);
    return keys.join(QStringLiteral("\n "));
}

QTreeWidget *createLockTree(QWidget *parent, const char *name)
{
    auto *tree = new QTreeWidget(parent);
    tree->setObjectName(QLatin1String(name));
    tree->setAllColumnsShowFocus(true);
    tree->setRootIsDecorated(false);
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree->setHeaderLabels({DBUI_LockManager::tr("Version"), DBUI_LockManager::tr("Key"), DBUI_LockManager::tr("Mode"),
                           DBUI_LockManager::tr("User"), DBUI_LockManager::tr("Application"),
                           DBUI_LockManager::tr("Workstation"), DBUI_LockManager::tr("Age"),
                           DBUI_LockManager::tr("Session")});
    const int widths[] = {60, 200, 60, 90, 100, 110, 70, 70};
    for (int column = 0; column < int(std::size(widths)); ++column)
        tree->setColumnWidth(column, widths[column]);
    return tree;
}
} // namespace

DBUI_LockManager::DBUI_LockManager(QWidget *parent, TUDbAccess *access)
    : QDialog(parent)
    , m_access(access)
    , m_locks(createLockTree(this, "locks"))
    , m_filtered(createLockTree(this, "filteredLocks"))
    , m_environments(createList("environments"))
    , m_jobs(createList("jobs"))
    , m_scenes(createList("scenes"))
    , m_scope(createList("scope"))
{
    setModal(true);
    m_locks->setMinimumHeight(500);
    m_locks->setMinimumWidth(820);
    auto *tabs = new QTabWidget(this);
    tabs->addTab(createLockListPage(), tr("Lock List"));
    tabs->addTab(createSelectorPage(), tr("Database Selector"));
    connect(tabs, &QTabWidget::currentChanged, this, &DBUI_LockManager::resetFilterLockList);
    auto *layout = new TUDialogLayout(this, tr("Database Lock Manager"));
    layout->addWidget(tabs);
    QStringList environments;
    m_access->dba_GetEnvironments(environments);
    m_environments->addItems(environments);
    refresh();
}

QListWidget *DBUI_LockManager::createList(const char *name)
{
    auto *list = new QListWidget(this);
    list->setObjectName(QLatin1String(name));
    return list;
}

QWidget *DBUI_LockManager::createLockListPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_locks);
    auto *buttons = new QHBoxLayout;
    const auto addButton = [&](const QString &text, auto slot) {
        auto *button = new QPushButton(text, page);
        connect(button, &QPushButton::clicked, this, slot);
        buttons->addWidget(button);
    };
    addButton(tr("Select Dead Sessions' Locks"), &DBUI_LockManager::selectDeadSessionLocks);
    buttons->addStretch();
    addButton(tr("Refresh"), &DBUI_LockManager::refresh);
    addButton(tr("Force Unlock"), &DBUI_LockManager::unlockSelectedLocks);
    addButton(tr("Close"), &QWidget::close);
    layout->addLayout(buttons);
    return page;
}

QWidget *DBUI_LockManager::createSelectorPage()
{
    auto *page = new QWidget;
    m_scenes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_scope->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_environments, &QListWidget::itemClicked, this, &DBUI_LockManager::environmentSelected);
    connect(m_jobs, &QListWidget::itemClicked, this, &DBUI_LockManager::jobSelected);

    auto *grid = new QGridLayout;
    const QString titles[] = {tr("Environments"), tr("Jobs"), tr("Scenes"), tr("Listed")};
    QListWidget *lists[] = {m_environments, m_jobs, m_scenes, m_scope};
    for (int column = 0; column < 4; ++column) {
        grid->addWidget(new QLabel(titles[column], page), 0, column);
        grid->addWidget(lists[column], 1, column);
    }
    auto *add = new QPushButton(tr("Add to List"), page);
    auto *remove = new QPushButton(tr("Delete from List"), page);
    connect(add, &QPushButton::clicked, this, &DBUI_LockManager::addToList);
    connect(remove, &QPushButton::clicked, this, &DBUI_LockManager::deleteFromList);
    grid->addWidget(add, 2, 2);
    grid->addWidget(remove, 2, 3);

    auto *filters = new QGroupBox(tr("Filter"), page);
    auto *filterRow = new QHBoxLayout(filters);
    const QString names[] = {tr("All Locks"), tr("Library"), tr("Scenes"), tr("Assets"), tr("Drawings"), tr("Palette")};
    for (int id = AllLocks; id <= Palette; ++id) {
        auto *button = new QRadioButton(names[id], filters);
        m_filter.addButton(button, id);
        filterRow->addWidget(button);
    }
    m_filter.button(AllLocks)->setChecked(true);
    connect(&m_filter, &QButtonGroup::idClicked, this, &DBUI_LockManager::resetFilterLockList);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *unlock = new QPushButton(tr("Force Unlock"), page);
    auto *close = new QPushButton(tr("Close"), page);
    connect(unlock, &QPushButton::clicked, this, &DBUI_LockManager::unlockFilteredLocks);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(unlock);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(filters);
    layout->addWidget(m_filtered, 1);
    layout->addLayout(buttons);
    return page;
}

void DBUI_LockManager::refresh()
{
    m_rows.clear();
    const QVector<dba_lock_struct> locks = m_access->dba_GetLocks();
    if (m_access->lastErrorCode() != 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "DB ERROR: Could not connect to the database.\n"));
        return;
    }
    QVector<qint64> sceneIds;
    for (const dba_lock_struct &lock : locks) {
        if (const qint64 id = TUDbAccess::sceneIdOfLock(lock))
            sceneIds << id;
    }
    QHash<qint64, QString> scenes;
    m_access->dba_GetSceneTitles(sceneIds, scenes);
    for (const dba_lock_struct &lock : locks) {
        const qint64 sceneId = TUDbAccess::sceneIdOfLock(lock);
        const int colon = lock.key.indexOf(QLatin1Char(':'));
        // A version lock's key ends in ":<version>"; keep that after the scene.
        const QString subject = scenes.contains(sceneId)
            ? scenes.value(sceneId) + (colon < 0 ? QString() : lock.key.mid(colon))
            : lock.key;
        m_rows.append({lock, subject});
    }
    fill(m_locks, false);
    fill(m_filtered, true);
}

void DBUI_LockManager::fill(QTreeWidget *tree, bool filtered) const
{
    tree->clear();
    const qint64 now = DBA_Context::now();
    QList<QTreeWidgetItem *> items;
    for (const Row &row : m_rows) {
        if (filtered && !passesFilter(row))
            continue;
        const dba_lock_struct &lock = row.lock;
        auto *item = new QTreeWidgetItem({lock.kind, row.subject, lock.mode, lock.user, lock.application,
                                          lock.workstation, age(qMax<qint64>(0, now - lock.taken)),
                                          lock.stale ? tr("dead") : tr("alive")});
        item->setData(0, kLockRole, lock.id);
        item->setData(0, kStaleRole, lock.stale);
        if (lock.stale) {
            // A dead session's lock blocks everyone, and nobody will release it.
            QFont font = item->font(0);
            font.setItalic(true);
            for (int column = 0; column <= Session; ++column) {
                item->setForeground(column, QColor(0xd0, 0x40, 0x40));
                item->setFont(column, font);
            }
        }
        items << item;
    }
    tree->addTopLevelItems(items);
}

bool DBUI_LockManager::passesFilter(const Row &row) const
{
    bool inScope = false;
    for (int i = 0; i < m_scope->count() && !inScope; ++i) {
        const QString entry = m_scope->item(i)->text();
        inScope = row.subject == entry || row.subject.startsWith(entry + QLatin1Char('/'))
            || row.subject.startsWith(entry + QLatin1Char(':')) || row.lock.key.contains(entry);
    }
    const bool sceneKind = TUDbAccess::sceneIdOfLock(row.lock) != 0;
    switch (m_filter.checkedId()) {
    case Scenes:
        return inScope && sceneKind;
    case Library:
        return inScope && row.lock.key.contains(QLatin1String("library"));
    case Assets:
        return inScope && row.lock.key.contains(QLatin1String("asset"));
    case Drawings:
        return inScope && row.lock.key.contains(QLatin1String("drawing"));
    case Palette:
        return inScope && row.lock.key.contains(QLatin1String("palette"));
    default:
        return inScope;
    }
}

void DBUI_LockManager::environmentSelected(QListWidgetItem *item)
{
    m_jobs->clear();
    m_scenes->clear();
    QVector<dba_job_struct> jobs;
    m_access->dba_GetEnvironmentJobs(item->text(), jobs, 0);
    for (const dba_job_struct &job : qAsConst(jobs))
        m_jobs->addItem(job.name);
}

void DBUI_LockManager::jobSelected(QListWidgetItem *item)
{
    m_scenes->clear();
    if (!item) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "Cannot find which job is selected."));
        return;
    }
    dba_job_struct job;
    if (m_access->dba_OpenJob(item->text(), job) == -1) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "Error opening job: %1.")).arg(item->text());
        return;
    }
    m_scenes->addItems(m_access->buildScenesList(job));
    m_access->dba_CloseJob(job);
}

void DBUI_LockManager::addToList()
{
    const QListWidgetItem *job = m_jobs->currentItem();
    if (!job) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "Cannot find which job is selected."));
        return;
    }
    // The chosen scenes, or the whole job when none is chosen.
    QStringList entries;
    for (const QListWidgetItem *scene : m_scenes->selectedItems())
        entries << job->text() + QLatin1Char('/') + scene->text();
    if (entries.isEmpty())
        entries << job->text();
    for (const QString &entry : qAsConst(entries)) {
        if (m_scope->findItems(entry, Qt::MatchExactly).isEmpty())
            m_scope->addItem(entry);
    }
    resetFilterLockList();
}

void DBUI_LockManager::deleteFromList()
{
    qDeleteAll(m_scope->selectedItems());
    resetFilterLockList();
}

void DBUI_LockManager::setFilterAllLocks()
{
    m_filter.button(AllLocks)->setChecked(true);
    resetFilterLockList();
}

void DBUI_LockManager::setFilterAssetLocks()
{
    m_filter.button(Assets)->setChecked(true);
    resetFilterLockList();
}

void DBUI_LockManager::resetFilterLockList()
{
    fill(m_filtered, true);
}

void DBUI_LockManager::selectDeadSessionLocks()
{
    m_locks->clearSelection();
    for (int row = 0; row < m_locks->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_locks->topLevelItem(row);
        item->setSelected(item->data(0, kStaleRole).toBool());
    }
}

QList<QTreeWidgetItem *> DBUI_LockManager::locksToRelease(QTreeWidget *tree)
{
    if (tree->topLevelItemCount() == 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "No listed locks need to be released.\n"));
        return {};
    }
    QList<QTreeWidgetItem *> rows = tree->selectedItems();
    if (rows.isEmpty()) {
        if (TUDialogLayout::ask(this, tr("Lock Manager"),
                                tr("No selected locks.\n  Do you want to release all the listed locks?"),
                                {tr("&Yes"), tr("&No")}, 1)
            != 0) {
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "No selected locks to release. \n"));
            return {};
        }
        for (int row = 0; row < tree->topLevelItemCount(); ++row)
            rows << tree->topLevelItem(row);
    }
    QList<QTreeWidgetItem *> serial;
    for (QTreeWidgetItem *row : qAsConst(rows)) {
        if (TUDbAccess::isSerialNumberLock(row->text(Key)))
            serial << row;
    }
    if (!serial.isEmpty()
        && TUDialogLayout::ask(this, tr("Lock Manager"),
                               tr("The following is serial number file lock(s).\n  Do you really want to release them? "
                                  "\n")
                                   + QStringLiteral("\n ") + keysOf(serial),
                               {tr("&Yes"), tr("&No")}, 1)
            != 0) {
        for (QTreeWidgetItem *row : qAsConst(serial))
            rows.removeAll(row);
    }
    return rows;
}

void DBUI_LockManager::unlockSelectedLocks()
{
    unlock(m_locks);
}

void DBUI_LockManager::unlockFilteredLocks()
{
    unlock(m_filtered);
}

void DBUI_LockManager::unlock(QTreeWidget *tree)
{
    const QList<QTreeWidgetItem *> rows = locksToRelease(tree);
    if (!rows.isEmpty())
        release(rows);
    refresh();
}

void DBUI_LockManager::release(const QList<QTreeWidgetItem *> &rows)
{
    QList<QTreeWidgetItem *> gone, registers, failed;
    for (QTreeWidgetItem *row : rows) {
        if (TUDbAccess::isRegisterLock(row->text(Key)))
            registers << row;
        else if (!m_access->dba_ForceReleaseLockId(row->data(0, kLockRole).toLongLong()))
            (m_access->lastErrorCode() == DBA_Context::NotFound ? gone : failed) << row;
    }
    if (!gone.isEmpty())
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager",
                                              "You may need refresh the lock list.  The following lock(s) do(es) not "
                                              "exist: \n %1 \n"))
            .arg(keysOf(gone));
    if (!registers.isEmpty())
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "Register locks cannot be unlocked: \n %1 \n"))
            .arg(keysOf(registers));
    if (!failed.isEmpty())
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "Failed to realese lock(s): \n %1 \n"))
            .arg(keysOf(failed));
}
