#include "TUExportDlg.h"

#include "DBUI_SceneSelector.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSelect.h"
#include "TUIEOptionWidgets.h"
#include "TUMessage.h"
#include "TUTYProgressDlg.h"
#include "UT_ExportUtil.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStyle>

namespace {
const QStringList kExportWords = UT_ExportUtil::DataWords + QStringList{QStringLiteral("outside_drawings")};

// What an offline export always takes and always leaves.
const char *const kOfflineOn[] = {"audio", "element", "timing", "other", "annotation",
                                  "palette", "scene_palette", "backup_palette", "stage"};
const char *const kOfflineOff[] = {"database", "outside_drawings", "group", "library"};
const char *const kOfflineFixed[] = {"audio", "database", "element", "timing", "stage",
                                     "other", "annotation", "scene_palette", "group"};
} // namespace

TUExportDlg::TUExportDlg(QWidget *parent, TUDbAccess *access, TUDbSelect *selector, WHO_AppInfo *appInfo,
                         const QString &environment, const QString &job, const QStringList &scenes,
                         bool useCurrentWorkingDir)
    : TUIEDialog(parent, access, selector, useCurrentWorkingDir, "TUExportDlg")
    , m_exporter(std::make_unique<TUExport>(access, selector, appInfo))
{
    m_ui.setupUi(this);
    setUpForm();
    m_ui.pathButton->setIcon(style()->standardIcon(QStyle::SP_DirIcon));
    m_ui.sceneList->header()->setStretchLastSection(true);
    connect(m_ui.pathButton, &QToolButton::clicked, this, &TUExportDlg::dir);
    connect(m_ui.addButton, &QPushButton::clicked, this, &TUExportDlg::addScene);
    connect(m_ui.removeButton, &QPushButton::clicked, this, &TUExportDlg::removeScene);
    connect(m_ui.exportButton, &QPushButton::clicked, this, &TUExportDlg::interactiveExport);
    connect(m_ui.calculateButton, &QPushButton::clicked, this, &TUExportDlg::calculate);
    connect(m_ui.sceneList, &QTreeWidget::itemSelectionChanged, this, &TUExportDlg::sceneSelectionChanged);
    connect(m_ui.pathEdit, &QLineEdit::textChanged, this, &TUExportDlg::enableApply);
    connect(m_ui.offlineCB, &QCheckBox::toggled, this, QOverload<bool>::of(&TUExportDlg::brixCBToggled));
    connect(m_ui.stageBox, &QGroupBox::toggled, this, &TUExportDlg::stageCBToggled);
    for (const QString &word : m_options->words()) {
        if (auto *box = qobject_cast<QCheckBox *>(m_options->widget(word)))
            connect(box, &QCheckBox::toggled, this, &TUExportDlg::enableApply);
    }
    m_ui.checkoutCB->setVisible(false);
    dataDefaultValue();
    addScenes(environment, job, scenes);
    sceneSelectionChanged();
}

TUExportDlg::~TUExportDlg() = default;

void TUExportDlg::setPath(const QString &path)
{
    m_ui.pathEdit->setText(path.isEmpty() ? path : QDir::cleanPath(path));
}

// The scene list

void TUExportDlg::addScenes(const QString &environment, const QString &job, const QStringList &scenes)
{
    if (environment.isEmpty() || job.isEmpty())
        return;
    QStringList names = scenes;
    if (names.isEmpty()) {
        // A job without chosen scenes stands for all of them.
        for (const SceneInfo &scene : m_selector->createScenesList(job))
            names << scene.first;
    }
    for (const QString &scene : names) {
        const QStringList row{environment, job, scene};
        bool listed = false;
        for (int i = 0; i < m_ui.sceneList->topLevelItemCount() && !listed; ++i) {
            const QTreeWidgetItem *item = m_ui.sceneList->topLevelItem(i);
            listed = QStringList{item->text(0), item->text(1), item->text(2)} == row;
        }
        if (!listed)
            new QTreeWidgetItem(m_ui.sceneList, row);
    }
    enableApply();
}

QVector<TUExport::SceneEntry> TUExportDlg::listedScenes() const
{
    QVector<TUExport::SceneEntry> scenes;
    for (int row = 0; row < m_ui.sceneList->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = m_ui.sceneList->topLevelItem(row);
        scenes.append({item->text(0), item->text(1), item->text(2), false});
    }
    return scenes;
}

void TUExportDlg::addScene()
{
    DBUI_SceneSelector selector(this, m_selector, tr("Add Scenes to Export"));
    if (selector.exec() == QDialog::Accepted)
        addScenes(selector.environment(), selector.job(), selector.scenes());
}

void TUExportDlg::removeScene()
{
    qDeleteAll(m_ui.sceneList->selectedItems());
    enableApply();
}

void TUExportDlg::sceneSelectionChanged()
{
    m_ui.removeButton->setEnabled(!m_ui.sceneList->selectedItems().isEmpty());
}

void TUExportDlg::dir()
{
    QString start = m_ui.pathEdit->text();
    if (start.isEmpty())
        start = defaultFolder();
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Export path"), start);
    if (!folder.isEmpty())
        m_ui.pathEdit->setText(folder);
}

void TUExportDlg::enableApply()
{
    m_ui.exportButton->setEnabled(!m_ui.pathEdit->text().trimmed().isEmpty() && m_ui.sceneList->topLevelItemCount() > 0
                                  && m_options->anyOn());
}

// The data options

void TUExportDlg::dataDefaultValue()
{
    m_options->setDefaults();
    if (m_ui.offlineCB->isChecked())
        brixCBToggled(true, false);
    enableApply();
}

void TUExportDlg::set()
{
    m_options->setAll(true);
    if (m_ui.offlineCB->isChecked())
        brixCBToggled(true, true);
    enableApply();
}

void TUExportDlg::clear()
{
    m_options->setAll(false);
    // What offline fixes stays as offline wants it.
    if (m_ui.offlineCB->isChecked())
        brixCBToggled(true, false);
    enableApply();
}

QList<QWidget *> TUExportDlg::offlineFixed() const
{
    QList<QWidget *> widgets;
    for (const char *word : kOfflineFixed)
        widgets << m_options->widget(QLatin1String(word));
    return widgets;
}

void TUExportDlg::brixCBToggled(bool on, bool isSetAll)
{
    for (QWidget *widget : offlineFixed())
        widget->setEnabled(!on);
    m_ui.tabs->setTabEnabled(m_ui.tabs->indexOf(m_ui.filesTab), !on);
    m_ui.checkoutCB->setVisible(on && m_access->hasUserPermissionCheckoutScene());
    if (!on) {
        m_options->setDefaults();
        m_options->setLinkMode(TUIECopier::HardOrCopy);
        enableApply();
        return;
    }
    for (const char *word : kOfflineOn)
        m_options->setOn(QLatin1String(word), true);
    for (const char *word : kOfflineOff)
        m_options->setOn(QLatin1String(word), false);
    for (const char *word : {"final", "env_palette", "job_palette"})
        m_options->setOn(QLatin1String(word), isSetAll);
    m_options->setLinkMode(TUIECopier::CopyFiles);
    enableApply();
}

void TUExportDlg::brixCBToggled(bool on)
{
    brixCBToggled(on, false);
}

void TUExportDlg::stageCBToggled(bool) { enableApply(); }
void TUExportDlg::calculate()
{
    QVector<TUExport::SceneEntry> scenes = listedScenes();
    configureExporter();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TUMessage::instance().suspendReport(true);
    const double megabytes = scenes.isEmpty() ? 0 : double(m_exporter->measure(scenes)) / (1024.0 * 1024.0);
    TUMessage::instance().suspendReport(false);
    QApplication::restoreOverrideCursor();
    if (megabytes <= 0)
        m_ui.sizeEdit->setText(QStringLiteral("         0 Mb"));
    else if (megabytes < 1)
        m_ui.sizeEdit->setText(QStringLiteral("       < 1 Mb"));
    else
        m_ui.sizeEdit->setText(QString::asprintf("%10.0f Mb", megabytes));
}

// The run

void TUExportDlg::configureExporter()
{
    m_exporter->setPath(m_ui.pathEdit->text().trimmed());
    m_exporter->setOffline(m_ui.offlineCB->isChecked());
    m_options->applyTo(*m_exporter, kExportWords);
}

void TUExportDlg::interactiveExport()
{
    QVector<TUExport::SceneEntry> scenes = listedScenes();
    runDisabled(
        [&] {
            const bool exported = runExport(scenes);
            if (m_ui.offlineCB->isChecked() && m_ui.checkoutCB->isVisible() && m_ui.checkoutCB->isChecked())
                checkOutExported(scenes);
            return exported;
        },
        [](bool succeeded) { return succeeded ? tr("Successful Export") : tr("Error(s) detected, see log for details."); });
    sceneSelectionChanged();
    enableApply();
}

bool TUExportDlg::runExport(QVector<TUExport::SceneEntry> &scenes)
{
    configureExporter();
    log(tr("Export: counting files."));
    m_exporter->setWrite(false);
    m_exporter->setFileCounter(0);
    const bool counted = m_exporter->run(&scenes);
    m_exporter->setWrite(true);
    if (!counted)
        return false;
    const int files = m_exporter->fileCounter();
    log(tr("Export: found %1 files to export.").arg(files));
    const std::unique_ptr<TUTYProgressDlg> progress = showProgress(tr("Export Progress"), files);
    return m_exporter->run(&scenes, progress.get());
}

void TUExportDlg::progressCancel()
{
    m_exporter->cancel();
}

void TUExportDlg::checkOutExported(const QVector<TUExport::SceneEntry> &scenes)
{
    for (const TUExport::SceneEntry &entry : scenes) {
        if (!entry.exported)
            continue;
        dba_job_struct job;
        if (m_access->dba_OpenJob(entry.job, job) == -1) {
            log(tr("Error opening job: %1.").arg(entry.job), true);
            continue;
        }
        dba_scene_struct scene;
        if (m_access->dba_OpenScene(entry.scene, job, scene) != 0) {
            log(tr("Could not open scene %1.").arg(entry.scene), true);
        } else {
            if (!m_access->dba_GetSceneCheckoutLock(scene)
                && !m_access->dba_CheckoutScene(job, entry.scene, m_selector->userName()))
                log(m_access->lastErrorText(), true);
            m_access->dba_CloseScene(scene);
        }
        m_access->dba_CloseJob(job);
    }
}
