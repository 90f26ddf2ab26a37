#include "DBUI_LockManager.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"

#include <QHeaderView>
#include <QPushButton>
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
} // namespace

DBUI_LockManager::DBUI_LockManager(QWidget *parent, TUDbAccess *access)
    : QDialog(parent)
    , m_access(access)
    , m_locks(new QTreeWidget(this))
{
    setModal(true);
    m_locks->setObjectName(QStringLiteral("locks"));
    m_locks->setMinimumHeight(500);
    m_locks->setMinimumWidth(820);
    m_locks->setAllColumnsShowFocus(true);
    m_locks->setRootIsDecorated(false);
    m_locks->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_locks->setHeaderLabels({tr("Version"), tr("Key"), tr("Mode"), tr("User"), tr("Application"), tr("Workstation"),
                              tr("Age"), tr("Session")});
    const int widths[] = {60, 200, 60, 90, 100, 110, 70, 70};
    for (int column = 0; column < int(std::size(widths)); ++column)
        m_locks->setColumnWidth(column, widths[column]);

    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(m_locks);
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
    pageLayout->addLayout(buttons);

    auto *tabs = new QTabWidget(this);
    tabs->addTab(page, tr("Lock List"));
    auto *layout = new TUDialogLayout(this, tr("Database Lock Manager"));
    layout->addWidget(tabs);
    refresh();
}

void DBUI_LockManager::refresh()
{
    m_locks->clear();
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
    const qint64 now = DBA_Context::now();
    QList<QTreeWidgetItem *> rows;
    for (const dba_lock_struct &lock : locks) {
        const qint64 sceneId = TUDbAccess::sceneIdOfLock(lock);
        QString key = lock.key;
        if (sceneId != 0 && scenes.contains(sceneId))
            key = scenes.value(sceneId) + lock.key.mid(lock.key.indexOf(QLatin1Char(':')) < 0 ? lock.key.size()
                                                                                               : lock.key.indexOf(QLatin1Char(':')));
        auto *row = new QTreeWidgetItem({lock.kind, key, lock.mode, lock.user, lock.application,
                                         lock.workstation, age(qMax<qint64>(0, now - lock.taken)),
                                         lock.stale ? tr("dead") : tr("alive")});
        row->setData(0, kLockRole, lock.id);
        row->setData(0, kStaleRole, lock.stale);
        if (lock.stale) {
            // A dead session's lock blocks everyone and nobody will release it.
            QFont font = row->font(0);
            font.setItalic(true);
            for (int column = 0; column <= Session; ++column) {
                row->setForeground(column, QColor(0xc0, 0x30, 0x30));
                row->setFont(column, font);
            }
        }
        rows << row;
    }
    m_locks->addTopLevelItems(rows);
}

void DBUI_LockManager::selectDeadSessionLocks()
{
    m_locks->clearSelection();
    for (int row = 0; row < m_locks->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_locks->topLevelItem(row);
        item->setSelected(item->data(0, kStaleRole).toBool());
    }
}

QList<QTreeWidgetItem *> DBUI_LockManager::locksToRelease()
{
    if (m_locks->topLevelItemCount() == 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "No listed locks need to be released.\n"));
        return {};
    }
    QList<QTreeWidgetItem *> rows = m_locks->selectedItems();
    if (rows.isEmpty()) {
        if (TUDialogLayout::ask(this, tr("Lock Manager"),
                                tr("No selected locks.\n  Do you want to release all the listed locks?"),
                                {tr("&Yes"), tr("&No")}, 1)
            != 0) {
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("DBUI_LockManager", "No selected locks to release. \n"));
            return {};
        }
        for (int row = 0; row < m_locks->topLevelItemCount(); ++row)
            rows << m_locks->topLevelItem(row);
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
    const QList<QTreeWidgetItem *> rows = locksToRelease();
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
        else if (m_access->dba_ForceReleaseLockId(row->data(0, kLockRole).toLongLong()))
            continue;
        else
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
