#include "DBUI_SceneSelector.h"

#include "TUDbSelect.h"
#include "TUDialogLayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {
QString currentText(const QListWidget *list)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}
} // namespace

DBUI_SceneSelector::DBUI_SceneSelector(QWidget *parent, TUDbSelect *selector, const QString &title)
    : QDialog(parent)
    , m_selector(selector)
    , m_environments(new QListWidget(this))
    , m_jobs(new QListWidget(this))
    , m_scenes(new QListWidget(this))
{
    m_environments->setObjectName(QStringLiteral("environments"));
    m_jobs->setObjectName(QStringLiteral("jobs"));
    m_scenes->setObjectName(QStringLiteral("scenes"));
    m_scenes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto *columns = new QHBoxLayout;
    const std::pair<QString, QListWidget *> lists[] = {
        {tr("Environments"), m_environments}, {tr("Jobs"), m_jobs}, {tr("Scenes"), m_scenes}};
    for (const auto &[label, list] : lists) {
        auto *column = new QVBoxLayout;
        column->addWidget(new QLabel(label, this));
        column->addWidget(list);
        columns->addLayout(column);
    }
    auto *layout = new TUDialogLayout(this, title);
    // The caller reads the choice after exec().
    setAttribute(Qt::WA_DeleteOnClose, false);
    layout->addLayout(columns);
    QPushButton *ok = layout->addOkCancelRow(tr("OK"), tr("Cancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_environments, &QListWidget::itemSelectionChanged, this, &DBUI_SceneSelector::environmentSelected);
    connect(m_jobs, &QListWidget::itemSelectionChanged, this, &DBUI_SceneSelector::jobSelected);
    m_environments->addItems(m_selector->environmentList());
}

void DBUI_SceneSelector::environmentSelected()
{
    m_jobs->clear();
    m_scenes->clear();
    const QString environment = currentText(m_environments);
    if (environment.isEmpty())
        return;
    QStringList jobs = m_selector->createJobsList(environment);
    jobs.sort();
    m_jobs->addItems(jobs);
}

void DBUI_SceneSelector::jobSelected()
{
    m_scenes->clear();
    const QString job = currentText(m_jobs);
    if (job.isEmpty())
        return;
    for (const SceneInfo &scene : m_selector->createScenesList(job))
        m_scenes->addItem(scene.first);
}

QString DBUI_SceneSelector::environment() const
{
    return currentText(m_environments);
}

QString DBUI_SceneSelector::job() const
{
    return currentText(m_jobs);
}

QStringList DBUI_SceneSelector::scenes() const
{
    QStringList names;
    for (int row = 0; row < m_scenes->count(); ++row) {
        if (m_scenes->item(row)->isSelected())
            names << m_scenes->item(row)->text();
    }
    return names;
}
