#include "TUReorderScene.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"
#include "TUReorderListView.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

namespace {
// Numbers and dates sort by value, the rest by text.
class SceneItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, Qt::UserRole), theirs = other.data(column, Qt::UserRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toLongLong() < theirs.toLongLong();
        return text(column) < other.text(column);
    }
};
} // namespace

TUReorderScene::TUReorderScene(QWidget *parent, TUDbAccess *access, dba_job_struct *job)
    : QDialog(parent)
    , m_access(access)
    , m_job(job)
    , m_list(new TUReorderListView(this))
{
    setMinimumWidth(620);
    m_list->setObjectName(QStringLiteral("scenes"));
    m_list->setHeaderLabels(
        {tr("Name"), tr("File System"), tr("Frames"), tr("Priority"), tr("TD"), tr("ATD"), tr("Create Date")});
    const int widths[] = {100, 150, 50, 50, 75, 75, 100};
    for (int column = 0; column < int(std::size(widths)); ++column)
        m_list->setColumnWidth(column, widths[column]);
    m_list->header()->setSectionsClickable(true);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &TUReorderScene::clickHeader);

    auto *layout = new TUDialogLayout(this, tr("Reorder Scenes"));
    layout->addWidget(new QLabel(tr("Scenes"), this));
    layout->addWidget(m_list);
    QPushButton *okButton = layout->addOkCancelRow(tr("OK"), tr("Cancel"));
    connect(okButton, &QPushButton::clicked, this, &TUReorderScene::ok);
    fill();
}

void TUReorderScene::fill()
{
    DBC_Table &table = m_job->scene();
    for (bool row = table.first(); row; row = table.next()) {
        auto *item = new SceneItem(m_list);
        item->setText(Name, table.data(DBC_Table::Name).toString());
        item->setText(FileSystem, table.data(DBC_Table::FileSystem).toString());
        for (const auto &[column, field] : {std::pair<int, int>{Frames, DBC_Table::Frames}, {Priority, DBC_Table::Priority}}) {
            item->setText(column, QString::number(table.data(field).toInt()));
            item->setData(column, Qt::UserRole, table.data(field).toInt());
        }
        item->setText(Td, table.data(DBC_Table::Td).toString());
        item->setText(Atd, table.data(DBC_Table::Atd).toString());
        const qint64 created = table.data(DBC_Table::Created).toLongLong();
        item->setText(CreateDate, TUDbAccess::dba_TimeStamp(created, "%x %X"));
        item->setData(CreateDate, Qt::UserRole, created);
    }
    m_list->clearSelection();
    // Dates are wider than their column in most locales: show them whole.
    m_list->resizeColumnToContents(CreateDate);
    setMinimumWidth(qMax(620, m_list->header()->length() + 40));
}

void TUReorderScene::clickHeader(int column)
{
    if (column == m_sortColumn || m_sortColumn == -1)
        m_ascending = !m_ascending;
    m_sortColumn = column;
    m_list->sortItems(column, m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_list->header()->setSortIndicatorShown(true);
}

void TUReorderScene::ok()
{
    QStringList names;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const QString name = m_list->topLevelItem(row)->text(Name);
        if (!name.isEmpty())
            names << name;
    }
    if (!m_access->dba_setSceneOrder(*m_job, names)) {
        MSG_Scope(staticMetaObject.className(), MSG_Text(m_access->lastErrorText()));
        return;
    }
    accept();
}

void TUReorderScene::cancel()
{
    close();
}
