#include "TUCopyXsheetScene.h"

#include "MSG_Scope.h"
#include "TUCopySceneProgressDlg.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"
#include "TUSceneCopyRun.h"
#include "TUTYSceneCopySummary.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSplitter>

namespace {
const char *const kContext = "TUCopyXsheetScene";
const char kNamePattern[] = "([a-zA-Z0-9])([a-zA-Z0-9_\\.\\-*]{0,22})";
const char kPartPattern[] = "([a-zA-Z0-9_\\.\\-*]{0,23})";
// dba_scene_add_pos of each position choice, in the combo's order.
const int kPositions[] = {2, 1, 3, 4, 5};

QListWidget *makeList(QWidget *parent, const QString &name, bool multiple)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(name);
    if (multiple)
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return list;
}

QStringList selectedTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->isSelected())
            texts << list->item(row)->text();
    }
    return texts;
}

QString currentText(const QListWidget *list)
{
    const QStringList selected = selectedTexts(list);
    return selected.size() == 1 ? selected.first() : QString();
}

void selectTexts(QListWidget *list, const QStringList &texts, bool scrollToLast)
{
    const QSignalBlocker blocker(list);
    QListWidgetItem *scrollTo = nullptr;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        item->setSelected(texts.contains(item->text()));
        if (item->isSelected() && (scrollToLast || !scrollTo))
            scrollTo = item;
    }
    if (scrollTo)
        list->scrollToItem(scrollTo);
}
} // namespace

TUCopyXsheetScene::TUCopyXsheetScene(QWidget *parent, TUDbAccess *access, const QString &environment,
                                     const QString &job, const QVector<SceneCopyEntry> &sources)
    : QDialog(parent)
    , m_access(access)
    , m_newName(new QLineEdit(this))
    , m_newNameLabel(new QLabel(tr("New Scene Name"), this))
    , m_prefix(new QLineEdit(this))
    , m_replace(new QLineEdit(this))
    , m_by(new QLineEdit(this))
    , m_suffix(new QLineEdit(QStringLiteral("tk"), this))
    , m_problem(new QLabel(this))
    , m_summary(new TUTYSceneCopySummary(m_entries, this))
    , m_copyAll(new QCheckBox(tr("Copy All Data Files"), this))
    , m_ok(new QPushButton(tr("OK"), this))
    , m_apply(new QPushButton(tr("Apply"), this))
    , m_close(new QPushButton(tr("Close"), this))
    , m_progress(new TUCopySceneProgressDlg(this))
{
    setWindowTitle(tr("Copy Scene"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 600);
    m_copyAll->setChecked(true);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_apply->setObjectName(QStringLiteral("apply"));
    m_close->setObjectName(QStringLiteral("close"));
    connect(m_ok, &QPushButton::clicked, this, &TUCopyXsheetScene::ok);
    connect(m_apply, &QPushButton::clicked, this, &TUCopyXsheetScene::apply);
    connect(m_close, &QPushButton::clicked, this, &TUCopyXsheetScene::closeWindow);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setHandleWidth(5);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(makeCopyControl());
    splitter->addWidget(makeSummary());
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *button : {m_ok, m_apply, m_close})
        buttons->addWidget(button);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setSpacing(5);
    grid->addWidget(makeBrowser(tr("Sources"), m_from), 0, 0, 1, 3);
    grid->addWidget(splitter, 1, 0, 1, 3);
    grid->setRowMinimumHeight(1, 80);
    grid->addWidget(makeBrowser(tr("Targets"), m_to), 2, 0, 1, 3);
    grid->addWidget(m_copyAll, 3, 0, 1, 3);
    grid->addLayout(buttons, 4, 0, 1, 3);

    QStringList names;
    for (const SceneCopyEntry &source : sources)
        names << source.sourceName;
    fillBrowsers(Both, environment, job, names);
    if (sources.size() > 1)
        m_to.scenes->setEnabled(false);
    m_to.scenes->clearSelection();
    updateTOSceneLB();
}

TUCopyXsheetScene::~TUCopyXsheetScene()
{
    closeJobs();
}

QGroupBox *TUCopyXsheetScene::makeBrowser(const QString &title, Side &side)
{
    const QString prefix = &side == &m_from ? QStringLiteral("from") : QStringLiteral("to");
    auto *group = new QGroupBox(title, this);
    side.environments = makeList(group, prefix + QStringLiteral("Environments"), false);
    side.jobs = makeList(group, prefix + QStringLiteral("Jobs"), false);
    side.scenes = makeList(group, prefix + QStringLiteral("Scenes"), true);
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(5, 5, 5, 5);
    grid->setSpacing(5);
    const QString labels[] = {tr("Environment"), tr("Job"), tr("Scene")};
    QListWidget *const lists[] = {side.environments, side.jobs, side.scenes};
    for (int column = 0; column < 3; ++column) {
        grid->addWidget(new QLabel(labels[column], group), 0, column);
        grid->addWidget(lists[column], 1, column);
    }
    const bool source = &side == &m_from;
    connect(side.environments, &QListWidget::itemSelectionChanged, this,
            source ? &TUCopyXsheetScene::fromEnvChange : &TUCopyXsheetScene::toEnvChange);
    connect(side.jobs, &QListWidget::itemSelectionChanged, this,
            source ? &TUCopyXsheetScene::fromJobChange : &TUCopyXsheetScene::toJobChange);
    connect(side.scenes, &QListWidget::itemSelectionChanged, this,
            source ? &TUCopyXsheetScene::updateTOSceneLB : &TUCopyXsheetScene::updateCopyControlSection);
    return group;
}

QGroupBox *TUCopyXsheetScene::makeCopyControl()
{
    m_copyControl = new QGroupBox(tr("Copy Control"), this);
    const QRegularExpression name{QLatin1String(kNamePattern)}, part{QLatin1String(kPartPattern)};
    m_newName->setValidator(new QRegularExpressionValidator(name, m_newName));
    m_prefix->setValidator(new QRegularExpressionValidator(name, m_prefix));
    for (QLineEdit *field : {m_replace, m_by, m_suffix})
        field->setValidator(new QRegularExpressionValidator(part, field));
    m_by->setPlaceholderText(tr("replacing string"));
    auto *position = new QComboBox(m_copyControl);
    position->addItems({tr("At Top"), tr("At Bottom"), tr("Before Selected"), tr("After Selected"), tr("Name Sort")});
    connect(position, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TUCopyXsheetScene::setSceneCopyPos);
    const struct
    {
        QLineEdit *field;
        const char *objectName;
    } fields[] = {{m_newName, "newName"}, {m_prefix, "prefix"}, {m_replace, "replace"}, {m_by, "by"}, {m_suffix, "suffix"}};
    for (const auto &field : fields) {
        field.field->setObjectName(QLatin1String(field.objectName));
        connect(field.field, &QLineEdit::editingFinished, this, &TUCopyXsheetScene::nameEditingFinished);
    }

    auto *grid = new QGridLayout(m_copyControl);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setSpacing(5);
    grid->addWidget(m_newNameLabel, 0, 0);
    grid->addWidget(m_newName, 0, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Prefix"), m_copyControl), 1, 0);
    grid->addWidget(m_prefix, 1, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Replace"), m_copyControl), 2, 0);
    grid->addWidget(m_replace, 2, 1);
    grid->addWidget(new QLabel(tr("by"), m_copyControl), 2, 2);
    grid->addWidget(m_by, 2, 3);
    grid->addWidget(new QLabel(tr("Suffix"), m_copyControl), 3, 0);
    grid->addWidget(m_suffix, 3, 1, 1, 3);
    grid->addWidget(new QLabel(tr("Copy Scenes"), m_copyControl), 4, 0);
    grid->addWidget(position, 4, 1, 1, 3);
    grid->setRowStretch(5, 1);
    return m_copyControl;
}

QGroupBox *TUCopyXsheetScene::makeSummary()
{
    auto *group = new QGroupBox(tr("Copy Summary"), this);
    m_problem->setObjectName(QStringLiteral("nameProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #b22222"));
    m_problem->setWordWrap(true);
    m_problem->hide();
    connect(m_summary, &TUTYSceneCopySummary::clearSelection_ToSceneLB, this,
            &TUCopyXsheetScene::clearSelectionToSceneLB);
    auto *layout = new QVBoxLayout(group);
    layout->addWidget(m_summary);
    layout->addWidget(m_problem);
    return group;
}

// The browsers

void TUCopyXsheetScene::fillBrowsers(Fill mode, const QString &environment, const QString &job,
                                     const QStringList &scenes)
{
    QStringList environments;
    if (m_access->dba_GetEnvironments(environments) == -1) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUCopyXsheetScene", "Cannot get environments list"));
        return;
    }
    for (Side *side : {&m_from, &m_to}) {
        if ((side == &m_from && mode == Targets) || (side == &m_to && mode == Sources))
            continue;
        {
            const QSignalBlocker blocker(side->environments);
            side->environments->clear();
            side->environments->addItems(environments);
            selectTexts(side->environments, {environment}, false);
        }
        fillJobs(*side, job);
        fillScenes(*side, scenes);
    }
}

void TUCopyXsheetScene::fillJobs(Side &side, const QString &select)
{
    QVector<dba_job_struct> jobs;
    const QString environment = currentText(side.environments);
    const QSignalBlocker blocker(side.jobs);
    side.jobs->clear();
    if (!environment.isEmpty() && m_access->dba_GetEnvironmentJobs(environment, jobs, 0) != -1) {
        for (const dba_job_struct &job : qAsConst(jobs))
            side.jobs->addItem(job.name);
    }
    selectTexts(side.jobs, {select}, false);
}

void TUCopyXsheetScene::fillScenes(Side &side, const QStringList &select)
{
    const QString job = currentText(side.jobs);
    {
        const QSignalBlocker blocker(side.scenes);
        side.scenes->clear();
    }
    side.job = job.isEmpty() ? nullptr : openJob(job, &side == &m_from ? m_to : m_from);
    if (side.job) {
        const QSignalBlocker blocker(side.scenes);
        DBC_Table &table = side.job->scene();
        for (bool row = table.first(); row; row = table.next())
            side.scenes->addItem(table.data(DBC_Table::Name).toString());
        if (side.scenes->isEnabled())
            selectTexts(side.scenes, select, false);
    }
}

std::shared_ptr<dba_job_struct> TUCopyXsheetScene::openJob(const QString &name, const Side &other)
{
    // Both sides on one job share its record, so that each sees the scenes
    // the copy makes.
    if (other.job && other.job->name == name)
        return other.job;
    TUDbAccess *access = m_access;
    std::shared_ptr<dba_job_struct> job(new dba_job_struct, [access](dba_job_struct *open) {
        access->dba_CloseJob(*open);
        delete open;
    });
    if (m_access->dba_OpenJob(name, *job) == -1) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUCopyXsheetScene", "Error opening job: %1.")).arg(name);
        return nullptr;
    }
    return job;
}

void TUCopyXsheetScene::closeJobs()
{
    m_from.job.reset();
    m_to.job.reset();
}

void TUCopyXsheetScene::fromEnvChange()
{
    fillJobs(m_from, QString());
    fillScenes(m_from, {});
    updateTOSceneLB();
}

void TUCopyXsheetScene::fromJobChange()
{
    fillScenes(m_from, {});
    updateTOSceneLB();
}

void TUCopyXsheetScene::toEnvChange()
{
    fillJobs(m_to, QString());
    fillScenes(m_to, {});
    nameEditingFinished();
}

void TUCopyXsheetScene::toJobChange()
{
    fillScenes(m_to, {});
    nameEditingFinished();
}

// The names

void TUCopyXsheetScene::updateTOSceneLB()
{
    const QStringList sources = selectedTexts(m_from.scenes);
    const bool single = sources.size() < 2;
    m_to.scenes->setEnabled(single);
    m_newNameLabel->setEnabled(single);
    m_newName->setEnabled(single);
    {
        const QSignalBlocker blocker(m_to.scenes);
        m_to.scenes->clearSelection();
    }
    m_copyControl->setEnabled(true);
    m_entries.clear();
    if (m_from.job) {
        DBC_Table &table = m_from.job->scene();
        for (int row = 0; row < m_from.scenes->count(); ++row) {
            if (!m_from.scenes->item(row)->isSelected())
                continue;
            SceneCopyEntry entry;
            entry.sourceName = m_from.scenes->item(row)->text();
            entry.sourceRow = row;
            for (bool found = table.first(); found; found = table.next()) {
                if (table.data(DBC_Table::Name).toString() == entry.sourceName) {
                    entry.sourceFileSystem = table.data(DBC_Table::FileSystem).toString();
                    break;
                }
            }
            m_entries.append(entry);
        }
    }
    showComputation(!m_entries.isEmpty() && computeNames());
}

void TUCopyXsheetScene::readRules()
{
    m_rules.newName = m_newName->isEnabled() ? m_newName->text() : QString();
    m_rules.prefix = m_prefix->text();
    m_rules.replace = m_replace->text();
    m_rules.by = m_by->text().trimmed();
    m_rules.suffix = m_suffix->text();
}

bool TUCopyXsheetScene::computeNames()
{
    readRules();
    m_nameProblem.clear();
    if (!m_to.job) {
        m_nameProblem = tr("Choose the target job.");
        return false;
    }
    const QStringList targets = selectedTexts(m_to.scenes);
    const QString existing = m_to.scenes->isEnabled() && targets.size() == 1 ? targets.first() : QString();
    return TUSceneCopyNames::compute(m_entries, m_access->buildScenesList(*m_to.job), m_rules, existing,
                                     m_nameProblem)
        == TUSceneCopyNames::Computed;
}

void TUCopyXsheetScene::showComputation(bool computed)
{
    m_summary->refresh();
    m_problem->setText(m_nameProblem);
    m_problem->setVisible(!m_entries.isEmpty() && !m_nameProblem.isEmpty());
    m_ok->setEnabled(computed);
    m_apply->setEnabled(computed);
}

QString TUCopyXsheetScene::nameProblem() const
{
    return m_nameProblem;
}

void TUCopyXsheetScene::nameEditingFinished()
{
    showComputation(!m_entries.isEmpty() && computeNames());
}

void TUCopyXsheetScene::updateCopyControlSection()
{
    const bool ontoOne = m_to.scenes->isEnabled() && selectedTexts(m_to.scenes).size() == 1;
    m_copyControl->setEnabled(!ontoOne);
    nameEditingFinished();
}

void TUCopyXsheetScene::clearSelectionToSceneLB()
{
    // The entries keep their names: the summary may just have set one.
    const QSignalBlocker blocker(m_to.scenes);
    m_to.scenes->clearSelection();
    m_copyControl->setEnabled(true);
}

void TUCopyXsheetScene::setSceneCopyPos(int itemIndex)
{
    if (itemIndex >= 0 && itemIndex < int(sizeof kPositions / sizeof *kPositions))
        m_position = kPositions[itemIndex];
}

void TUCopyXsheetScene::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_to.scenes->isEnabled()
        && !m_to.scenes->geometry().contains(m_to.scenes->parentWidget()->mapFrom(this, event->pos())))
        clearSelectionToSceneLB();
    QDialog::mousePressEvent(event);
}

// The run

void TUCopyXsheetScene::apply()
{
    m_written.clear();
    m_summary->closeColEditor();
    if (m_entries.isEmpty() || !m_from.job || !m_to.job)
        return;
    m_progress->resetCancel();
    m_progress->setRange(GUI_DoubleProgressDlg::Upper, 0, m_entries.size());
    m_progress->setLabelText(GUI_DoubleProgressDlg::Upper, tr("Collecting Scenes Information..."));
    m_progress->setValue(GUI_DoubleProgressDlg::Upper, 0);
    m_progress->setBarVisible(GUI_DoubleProgressDlg::Lower, true);
    m_progress->setLabelText(GUI_DoubleProgressDlg::Lower, tr("Collecting scenes Information..."));
    m_progress->show();
    TUSceneCopyRun run(*m_access, *m_from.job, *m_to.job, *m_progress);
    run.setCopyAllDataFiles(m_copyAll->isChecked());
    run.setPosition(m_position);
    run.setOverwriteQuestion([this](const QString &target) {
        return TUDialogLayout::ask(m_progress, tr("Confirm"),
                                   tr("Destination scene (%1) already has an Xsheet.\n\nOverwrite Xsheet?").arg(target),
                                   {tr("Yes"), tr("No")}, 1)
            == 0;
    });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool completed = run.run(m_entries);
    QApplication::restoreOverrideCursor();
    if (!run.failures().isEmpty())
        MSG_Scope(kContext, run.failures());
    finishRun(completed, run.written());
}

void TUCopyXsheetScene::finishRun(bool completed, const QStringList &written)
{
    m_written = written;
    m_entries.clear();
    m_progress->done(completed ? 1 : 0);
    // The target job's record already holds the new scenes (or no longer).
    fillScenes(m_to, {});
    if (completed) {
        const QSignalBlocker blocker(m_from.scenes);
        m_from.scenes->clearSelection();
    }
    // A cancelled run leaves the sources chosen, to be copied again.
    updateTOSceneLB();
    if (completed) {
        m_to.scenes->setEnabled(true);
        selectTexts(m_to.scenes, m_written, true);
    }
}

void TUCopyXsheetScene::ok()
{
    apply();
    closeWindow();
}

void TUCopyXsheetScene::closeWindow()
{
    m_entries.clear();
    closeJobs();
    done(1);
}
