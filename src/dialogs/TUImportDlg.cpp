#include "TUImportDlg.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbFileSystemDlg.h"
#include "TUDbSelect.h"
#include "TUDialogLayout.h"
#include "TUIEOptionWidgets.h"
#include "TUPackageContents.h"
#include "TUTYImportRemap.h"
#include "TUTYProgressDlg.h"
#include "UT_ExportUtil.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QStyle>

namespace {
const QStringList kImportWords = UT_ExportUtil::DataWords + QStringList{QStringLiteral("group"), QStringLiteral("library")};
constexpr int kMaxSceneName = 24;

// Who exported a regular package and when, from its contents file's header.
QPair<QString, QString> exportedByAt(const QString &package)
{
    QFile file(package + QLatin1Char('/') + UT_ExportUtil::ContentsFileName);
    QPair<QString, QString> byAt;
    if (!file.open(QIODevice::ReadOnly))
        return byAt;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1String("ExportBy : ")))
            byAt.first = line.section(QLatin1String(" : "), 1);
        else if (line.startsWith(QLatin1String("ExportStartTime : ")))
            byAt.second = line.section(QLatin1String(" : "), 1);
        else if (line == QLatin1String("*SCENES*"))
            break;
    }
    return byAt;
}
} // namespace

TUImportDlg::TUImportDlg(QWidget *parent, TUDbAccess *access, TUDbSelect *selector, bool useCurrentWorkingDir,
                         bool multiple)
    : TUIEDialog(parent, access, selector, useCurrentWorkingDir, "TUImportDlg")
    , m_multiple(multiple)
{
    m_ui.setupUi(this);
    setUpForm();
    m_ui.packageButton->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    m_ui.folderButton->setIcon(style()->standardIcon(QStyle::SP_DirIcon));
    m_ui.checkinCB->setVisible(m_access->dba_HasSceneCheckoutFields());
    connect(m_ui.packageButton, &QToolButton::clicked, this, &TUImportDlg::packageDlg);
    connect(m_ui.folderButton, &QToolButton::clicked, this, &TUImportDlg::folderDialog);
    connect(m_ui.destinationButton, &QPushButton::clicked, this, &TUImportDlg::destination);
    connect(m_ui.packageEdit, &QLineEdit::editingFinished, this, &TUImportDlg::packageChanged);
    connect(m_ui.importButton, &QPushButton::clicked, this, &TUImportDlg::interactiveImport);
    connect(m_ui.envEdit, &QLineEdit::editingFinished, this, [this] { remapChanged(m_ui.envEdit->text()); });
    // Choosing a preset means remapping with it.
    connect(m_ui.remapCombo, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (index > 0)
            m_ui.remapCB->setChecked(true);
    });
    m_options->setAll(false);
    remapChanged(QString());
    enableApply();
}

TUImportDlg::~TUImportDlg() = default;

// Where a chooser starts: beside the first package chosen.
QString TUImportDlg::startFolder() const
{
    const QString current = m_ui.packageEdit->text();
    return current.isEmpty() ? defaultFolder() : QFileInfo(current.section(QLatin1Char(';'), 0, 0)).path();
}

void TUImportDlg::setPackagePath(const QString &path)
{
    m_ui.packageEdit->setText(path);
    packageChanged();
}

void TUImportDlg::setDestination(const QString &environment, const QString &job, const QString &fileSystem,
                                 const QString &scenePath)
{
    m_ui.envEdit->setText(environment);
    m_ui.jobEdit->setText(job);
    m_ui.fileSystemEdit->setText(fileSystem);
    m_ui.scenePathEdit->setText(scenePath);
    remapChanged(environment);
}

// The package

void TUImportDlg::packageDlg()
{
    const QString file = QFileDialog::getOpenFileName(
        this, tr("Select Package"), startFolder(),
        tr("All supported formats") + QStringLiteral(" (*.ksup *.pavx *.velmora *.brix)"));
    if (!file.isEmpty())
        setPackagePath(file);
}

void TUImportDlg::folderDialog()
{
    const QString title = m_multiple ? tr("Select a folder containing multiple scenes...")
                                     : tr("Select a single scene to import...");
    const QString folder = QFileDialog::getExistingDirectory(
        this, title, startFolder());
    if (folder.isEmpty())
        return;
    QStringList packages = findPackages(folder);
    if (packages.isEmpty()) {
        m_ui.packageEdit->clear();
        packageChanged();
        TUDialogLayout::ask(this, tr("No Project Found"), tr("No valid projects were found in the sub folders."),
                            {tr("OK")}, 0, QMessageBox::Warning);
        return;
    }
    if (packages.size() > 1)
        packages = choosePackages(packages);
    if (!packages.isEmpty())
        setPackagePath(packages.join(QLatin1Char(';')));
}

// Packages in folder and below: regular packages by their contents file,
// offline scene folders by their newest scene file.
QStringList TUImportDlg::findPackages(const QString &folder) const
{
    QStringList packages;
    QDirIterator it(folder, {UT_ExportUtil::ContentsFileName, UT_ExportUtil::ContentsBrixFileName}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo contents(it.next());
        if (contents.fileName() == UT_ExportUtil::ContentsFileName) {
            packages << contents.absolutePath();
            continue;
        }
        QStringList sceneFiles = contents.dir().entryList({QStringLiteral("*.v*.pavx")}, QDir::Files);
        std::sort(sceneFiles.begin(), sceneFiles.end(), [](const QString &a, const QString &b) {
            return a.section(QLatin1String(".v"), -1).toInt() < b.section(QLatin1String(".v"), -1).toInt();
        });
        if (!sceneFiles.isEmpty())
            packages << contents.dir().filePath(sceneFiles.last());
    }
    packages.sort();
    return packages;
}

QStringList TUImportDlg::choosePackages(const QStringList &packages)
{
    QDialog chooser(this);
    chooser.setWindowTitle(tr("Scenes to Import"));
    auto *list = new QListWidget(&chooser);
    list->setObjectName(QStringLiteral("packages"));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->addItems(packages);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &chooser);
    connect(buttons, &QDialogButtonBox::accepted, &chooser, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &chooser, &QDialog::reject);
    auto *layout = new QVBoxLayout(&chooser);
    layout->addWidget(new QLabel(tr("Select Scenes:"), &chooser));
    layout->addWidget(list);
    layout->addWidget(buttons);
    QStringList chosen;
    if (chooser.exec() == QDialog::Accepted) {
        for (const QListWidgetItem *item : list->selectedItems())
            chosen << item->text();
    }
    return chosen;
}

void TUImportDlg::packageChanged()
{
    m_importer = std::make_unique<TUImport>(m_access, m_selector);
    m_scenes.clear();
    m_packageData.clear();
    const QStringList paths = m_ui.packageEdit->text().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &path : paths) {
        if (!m_importer->openPackage(path.trimmed(), false))
            continue;
        for (const QString &word : kImportWords) {
            if (m_importer->dataOption(word))
                m_packageData.insert(word);
        }
    }
    m_scenes = m_importer->scenes();
    if (m_importer->standalone())
        askStandaloneOrigin();
    fillSceneList();
    dataDefaultValue();
    enableApply();
}

// A scene file of an offline package knows where it came from: the offline
// contents file beside it names its environment and job.
void TUImportDlg::askStandaloneOrigin()
{
    if (m_scenes.size() != 1)
        return;
    TUPackageContents contents;
    QString error;
    const QString file = QFileInfo(m_scenes.first().packagePath).dir().filePath(UT_ExportUtil::ContentsBrixFileName);
    if (!QFileInfo(file).isFile() || !contents.read(file, error) || contents.scenes().isEmpty())
        return;
    const TUPackageContents::Scene &origin = contents.scenes().first();
    const QString question = tr("Importing standalone project originally from:\nenvironment:\t\t%1\njob:\t\t\t%2\n"
                                "scene:\t\t\t%3\nwhich was exported with versions %4.\n")
                                 .arg(origin.environment, origin.job, origin.scene,
                                      origin.versions.join(QStringLiteral(", ")))
        + tr("\nDo you wish to re-import at the same location?\n");
    if (TUDialogLayout::ask(this, tr("Confirm Standalone Import"), question, {tr("Yes"), tr("No")}, 1) == 0)
        setDestination(origin.environment, origin.job, m_ui.fileSystemEdit->text(), m_ui.scenePathEdit->text());
}

void TUImportDlg::fillSceneList()
{
    m_ui.sceneList->clear();
    for (const TUImport::SceneEntry &entry : qAsConst(m_scenes)) {
        QStringList numbers;
        for (const QString &version : entry.versions)
            numbers << version.section(QLatin1Char(' '), 0, 0);
        const QString current = entry.requestedVersion > 0 ? QString::number(entry.requestedVersion) : numbers.value(numbers.size() - 1);
        const QPair<QString, QString> byAt = exportedByAt(entry.packagePath);
        new QTreeWidgetItem(m_ui.sceneList, {entry.environment, entry.scene, numbers.join(QStringLiteral(", ")), byAt.first,
                                             byAt.second, entry.frames > 0 ? QString::number(entry.frames) : QString(), current});
    }
    for (int column = 0; column < m_ui.sceneList->columnCount(); ++column)
        m_ui.sceneList->resizeColumnToContents(column);
}

void TUImportDlg::enableApply()
{
    m_ui.importButton->setEnabled(!m_scenes.isEmpty());
}

// The data options

void TUImportDlg::dataDefaultValue()
{
    m_options->setAll(false);
    for (const QString &word : qAsConst(m_packageData))
        m_options->setOn(word, true);
}

void TUImportDlg::set()
{
    m_options->setAll(true);
}

void TUImportDlg::clear()
{
    m_options->setAll(false);
}

// The destination and the remap presets

void TUImportDlg::destination()
{
    const QString scene = m_scenes.isEmpty() ? QString() : m_scenes.first().scene;
    TUDbFileSystemDlg selector(this, m_selector, m_access, scene);
    if (selector.exec() != QDialog::Accepted)
        return;
    setDestination(selector.environment(), selector.job(), selector.fileSystem(), selector.destination());
}

void TUImportDlg::remapChanged(const QString &environment)
{
    const TUTYImportRemap::Presets presets = TUTYImportRemap::presetsFor(environment, m_presetSource);
    m_ui.remapCombo->clear();
    m_ui.remapCombo->addItem(tr("No preset"));
    m_ui.remapCombo->addItems(presets.keys());
    m_ui.remapCB->setVisible(!presets.isEmpty());
    m_ui.remapCombo->setVisible(!presets.isEmpty());
}

// The run

bool TUImportDlg::confirmLongNames()
{
    QStringList names;
    for (const TUImport::SceneEntry &entry : qAsConst(m_scenes)) {
        if (entry.scene.size() > kMaxSceneName)
            names << entry.scene;
    }
    if (names.isEmpty())
        return true;
    const QString text = names.size() == 1
        ? tr("The following scene name is too long and will be truncated to 24 characters:\n\t%1. \nProceed with import?")
        : tr("The following scene names are too long and will be truncated to 24 characters:\n\t%1. \nProceed with import?");
    return TUDialogLayout::ask(this, tr("Confirm Scene Import"), text.arg(names.join(QStringLiteral("\n\t"))),
                               {tr("Yes"), tr("No")}, 1)
        == 0;
}

// With "Checkin": a listed scene that exists and is checked out to someone
// else stops the import before anything is written.
bool TUImportDlg::checkedOutElsewhere()
{
    dba_job_struct job;
    if (m_access->dba_OpenJob(m_ui.jobEdit->text(), job) == -1) {
        log(tr("Error opening job: %1.").arg(m_ui.jobEdit->text()), true);
        return true;
    }
    bool refused = false;
    for (const TUImport::SceneEntry &entry : qAsConst(m_scenes)) {
        dba_scene_struct scene;
        if (m_access->dba_OpenScene(entry.scene, job, scene) != 0)
            continue;
        const QString user = m_access->dba_GetSceneCheckoutLock(scene) ? m_access->dba_GetSceneCheckoutUser(scene) : QString();
        if (!user.isEmpty() && user != m_selector->userName()) {
            log(tr("Scene %1 is checked out\n by %2\n at %3\n")
                        .arg(entry.scene, user,
                             TUDbAccess::dba_TimeStamp(m_access->dba_GetSceneCheckoutDate(scene), "%x %X"))
                    + tr("Import aborted."),
                true);
            refused = true;
        }
        m_access->dba_CloseScene(scene);
        if (refused)
            break;
    }
    m_access->dba_CloseJob(job);
    return refused;
}

void TUImportDlg::checkInImported()
{
    dba_job_struct job;
    if (m_access->dba_OpenJob(m_ui.jobEdit->text(), job) == -1) {
        log(tr("Error opening job: %1.").arg(m_ui.jobEdit->text()), true);
        return;
    }
    for (const TUImport::SceneEntry &entry : qAsConst(m_scenes)) {
        // Long standalone names were imported cut to the database's length.
        const QString name = entry.scene.left(kMaxSceneName);
        dba_scene_struct scene;
        if (m_access->dba_OpenScene(name, job, scene) != 0)
            continue;
        const bool checkedOut = m_access->dba_GetSceneCheckoutLock(scene);
        m_access->dba_CloseScene(scene);
        if (checkedOut && !m_access->dba_CheckinScene(job, name))
            log(m_access->lastErrorText(), true);
    }
    m_access->dba_CloseJob(job);
}

void TUImportDlg::configureImporter()
{
    const QString fileSystem = m_ui.fileSystemEdit->text().trimmed();
    const QString scenePath = m_ui.scenePathEdit->text().trimmed();
    const QString standard = QStringLiteral("%1/%2/scene-{sceneName}").arg(fileSystem, m_ui.jobEdit->text().trimmed());
    m_importer->setDestination(m_ui.envEdit->text().trimmed(), m_ui.jobEdit->text().trimmed(), fileSystem);
    m_importer->setScenePath(scenePath == standard ? QString() : scenePath);
    m_options->applyTo(*m_importer, kImportWords);
    m_importer->setQuestions(this);
    const bool remap = m_remap && !m_ui.remapCB->isHidden() && m_ui.remapCB->isChecked()
        && m_ui.remapCombo->currentIndex() > 0;
    if (remap) {
        QString source;
        TUTYImportRemap::presetsFor(m_ui.envEdit->text().trimmed(), source);
        if (!source.isEmpty())
            log(tr("Using preset from environment: %1\n").arg(source));
        m_remap->set(source.isEmpty() ? TUTYImportRemap::sharedPresetFile()
                                      : QStringLiteral("/QVX_DB/environments/%1/relink.xml").arg(source),
                     m_ui.remapCombo->currentText());
    }
    m_importer->setRemapper(remap ? m_remap : nullptr);
}

void TUImportDlg::interactiveImport()
{
    if (!m_importer || m_scenes.isEmpty() || !confirmLongNames())
        return;
    runDisabled(
        [this] {
            // What the box is set to, shown or not: a start-up import runs before the dialog shows.
            const bool checkin = !m_ui.checkinCB->isHidden() && m_ui.checkinCB->isChecked();
            m_imported = 0;
            if (checkin && checkedOutElsewhere())
                return false;
            const bool imported = runImport();
            if (checkin)
                checkInImported();
            return imported;
        },
        [this](bool succeeded) {
            return (succeeded ? tr("%1 scene(s) imported.") : tr("%1 scene(s) imported. Error(s) detected, see log for details."))
                .arg(m_imported);
        });
    enableApply();
}

bool TUImportDlg::runImport()
{
    configureImporter();
    log(tr("Import: counting files."));
    m_importer->setWrite(false);
    const int counterBefore = m_importer->fileCounter();
    QVector<TUImport::SceneEntry> scenes = m_scenes;
    const int counted = m_importer->import(&scenes);
    m_importer->setWrite(true);
    if (counted == 0)
        return false;
    const int files = m_importer->fileCounter() - counterBefore;
    log(tr("Import: found %1 files to import.").arg(files));
    const int errorsBefore = m_importer->errorCount();
    const std::unique_ptr<TUTYProgressDlg> progress = showProgress(tr("Import Progress"), files);
    scenes = m_scenes;
    m_imported = m_importer->import(&scenes, progress.get());
    return m_importer->errorCount() == errorsBefore;
}

void TUImportDlg::progressCancel()
{
    if (m_importer)
        m_importer->cancel();
}

TUImportQuestions::LockedAnswer TUImportDlg::sceneLocked(bool checkedOut, const QString &text)
{
    const int answer = TUDialogLayout::ask(this, checkedOut ? tr("Scene Checked Out") : tr("Scene Locked"),
                                           text + tr("Skip this Scene and Continue Import  ?"),
                                           {tr("Skip Scene"), tr("Stop Import"), tr("Skip All Locked")}, 0);
    return answer == 1 ? StopImport : answer == 2 ? SkipAllLocked : SkipScene;
}

TUImportQuestions::ExistsAnswer TUImportDlg::sceneExists(const QString &text)
{
    const int answer = TUDialogLayout::ask(this, tr("Scene Exists"), text + tr("Import this scene?"),
                                           {tr("Import"), tr("Skip"), tr("Import All Scenes")}, 1);
    return answer == 0 ? ImportScene : answer == 2 ? ImportAllScenes : SkipExisting;
}
