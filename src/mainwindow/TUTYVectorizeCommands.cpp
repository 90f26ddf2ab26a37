#include "TUTYVectorizeCommands.h"

#include "BUIAPP_Application.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUTYConfirm.h"
#include "TUTYDrawingsTable.h"
#include "TUTYElementsTable.h"
#include "TUTYQueueWriter.h"
#include "TUTYScenesTable.h"
#include "TUTYUnvectorizeDlg.h"
#include "TUTallyard.h"
#include "TUVectOptionsDlg.h"

#include <QMenu>

namespace {
const char *const kContext = "TUTYVectorizeCommands";
// How many names a question lists, and how the element and drawing lists indent them.
const int kListedNames = 9;
const QString kIndent = QStringLiteral("     ");
} // namespace

TUTYVectorizeCommands::TUTYVectorizeCommands(TUTallyard &window, QMenu *elementMenu, QMenu *drawingMenu)
    : TUTYMenuCommands(window, elementMenu)
    , m_drawingMenu(drawingMenu)
{
    connect(elementMenu, &QMenu::aboutToShow, this, &TUTYVectorizeCommands::rebuildElementMenu);
    connect(drawingMenu, &QMenu::aboutToShow, this, &TUTYVectorizeCommands::rebuildDrawingMenu);
}

void TUTYVectorizeCommands::buildMenu(QMenu &menu)
{
    m_elementEntries.vectorize =
        menu.addAction(tr("Send to &Vectorize"), this, &TUTYVectorizeCommands::elementSendToVectorize);
    m_elementEntries.unvectorize =
        menu.addAction(tr("Send to &Unvectorize..."), this, &TUTYVectorizeCommands::elementSendToUnvectorize);
    m_drawingEntries.vectorize =
        m_drawingMenu->addAction(tr("Send to &Vectorize"), this, &TUTYVectorizeCommands::drawingSendToVectorize);
    m_drawingEntries.unvectorize = m_drawingMenu->addAction(tr("Send to &Unvectorize..."), this,
                                                            &TUTYVectorizeCommands::drawingSendToUnvectorize);
}

void TUTYVectorizeCommands::rebuildElementMenu()
{
    ensureMenu();
    enableListEntries(m_elementEntries, m_window.elementsTable(), m_window.isElementsPaneShown());
}

void TUTYVectorizeCommands::rebuildDrawingMenu()
{
    ensureMenu();
    enableListEntries(m_drawingEntries, m_window.drawingsTable(), m_window.isDrawingsPaneShown());
}

void TUTYVectorizeCommands::enableListEntries(const ListEntries &entries, const TUTYTable &table, bool shown)
{
    const QTreeWidgetItem *current = table.currentItem();
    const bool chosen = table.selectedRowCount() > 0 && current && !current->text(0).isEmpty();
    enable(entries.vectorize, shown && chosen);
    enable(entries.unvectorize, shown && table.topLevelItemCount() > 0);
}

// Scenes

void TUTYVectorizeCommands::sceneSendToVectorize()
{
    const QStringList scenes = m_window.selectedScenes();
    TUDbAccess *second = m_window.secondAccess();
    if (scenes.isEmpty() || !second)
        return;
    const QString question = scenes.size() == 1
        ? tr("Really return all elements for scene %1 to vectorize?").arg(scenes.first())
        : tr("Really return all elements to Vectorize for following scenes?\n\n") + nameList(scenes, kListedNames);
    if (!TUTYConfirm::warning(question, true))
        return;
    {
        // The second access, so that the window's open scene stays as it is.
        const WaitCursor wait;
        dba_job_struct job;
        if (!openJob(*second, job))
            return;
        for (const QString &name : scenes)
            queueScene(*second, job, name);
        second->dba_CloseJob(job);
    }
    m_window.elementSelected();
}

void TUTYVectorizeCommands::queueScene(TUDbAccess &db, const dba_job_struct &job, const QString &name)
{
    dba_scene_struct scene;
    if (db.dba_OpenScene(name, job, scene) != 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYVectorizeCommands", "Unable to open scene %1; bad or missing.\n"))
            .arg(name);
        return;
    }
    if (!db.dba_isStageScene(scene)) {
        MSG_Scope(kContext,
                  QT_TRANSLATE_NOOP("TUTYVectorizeCommands", "Scene %1 is an old unsupported format. Scene is skipped.\n"))
            .arg(name);
    } else {
        db.sceneData().setVersionId(scene.versionId);
        queue(db, scene, QString(), QString(), QString());
    }
    db.dba_CloseScene(scene);
}

void TUTYVectorizeCommands::sceneSendToUnvectorize()
{
    TUDbAccess *second = m_window.secondAccess();
    const QStringList scenes =
        askUnvectorize(tr("Scenes"), m_window.scenesTable().columnTexts(0, false, true), m_window.selectedScenes());
    if (scenes.isEmpty() || !second)
        return;
    const WaitCursor wait;
    dba_job_struct job;
    if (!openJob(*second, job))
        return;
    for (const QString &name : scenes) {
        dba_scene_struct scene;
        if (second->dba_OpenScene(name, job, scene) != 0) {
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYVectorizeCommands", "Cannot open scene %1 -- skipping")).arg(name);
            continue;
        }
        if (second->dba_isStageScene(scene))
            unvectorizeOne(*second, scene, QString(), QString(), QString());
        else
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYVectorizeCommands",
                                                  "Scene %1 is an old unsupported format. Scene is skipped.\n"))
                .arg(name);
        second->dba_CloseScene(scene);
    }
    second->dba_CloseJob(job);
}

bool TUTYVectorizeCommands::openJob(TUDbAccess &db, dba_job_struct &job)
{
    const QString jobName = access().jobRecord().name;
    if (db.dba_OpenJob(jobName, job) != -1)
        return true;
    MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYVectorizeCommands", "Error opening job: %1.")).arg(jobName);
    return false;
}

TUVectOptionsDlg &TUTYVectorizeCommands::styles()
{
    if (!m_styles) {
        BUIAPP_Application *app = BUIAPP_Application::instance();
        m_styles = new TUVectOptionsDlg(app && app->floaterModal() ? app->floaterModal() : dialogParent());
    }
    return *m_styles;
}

QStringList TUTYVectorizeCommands::askUnvectorize(const QString &kind, const QStringList &names,
                                                  const QStringList &selected)
{
    if (!m_unvectorize)
        m_unvectorize = new TUTYUnvectorizeDlg(dialogParent(), &access());
    if (names.isEmpty() || m_unvectorize->run(kind, names, selected) != QDialog::Accepted)
        return {};
    MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYVectorizeCommands", "Unvectorize Suffix: %1; Options: %2\n"),
              MSG_Scope::Inform)
        .arg(m_unvectorize->suffix())
        .arg(m_unvectorize->options());
    return m_unvectorize->selectedNames();
}

void TUTYVectorizeCommands::unvectorizeOne(TUDbAccess &db, const dba_scene_struct &scene, const QString &element,
                                           const QString &folder, const QString &drawing)
{
    TUTYQueueWriter::addToVectorizeQueue(db, scene, m_window.currentEnvironment(), element, folder, drawing,
                                         TUTYQueueWriter::Unvectorize, m_unvectorize->options(),
                                         m_unvectorize->suffix());
}

// Elements and drawings of the window's open scene

const dba_scene_struct *TUTYVectorizeCommands::sendableScene(const char *refusal)
{
    const dba_scene_struct &scene = access().sceneRecord();
    if (!scene.isOpen())
        return nullptr;
    if (!access().dba_isStageScene(scene)) {
        MSG_Scope(kContext, refusal);
        return nullptr;
    }
    return &scene;
}

void TUTYVectorizeCommands::elementSendToVectorize()
{
    const TUTYElementsTable &table = m_window.elementsTable();
    const QStringList names = table.columnTexts(TUTYElementsTable::Name, true);
    const QStringList folders = table.columnTexts(TUTYElementsTable::Folder, true);
    if (names.isEmpty())
        return;
    const dba_scene_struct *scene = sendableScene(QT_TRANSLATE_NOOP(
        "TUTYVectorizeCommands", "Selected scene is an old unsupported format. Element(s) can not be sent.\n"));
    if (!scene
        || !TUTYConfirm::yesNo(tr("Really return all drawings for these following elements to Vectorize?\n\n")
                               + nameList(names, kListedNames, kIndent)))
        return;
    for (int i = 0; i < names.size(); ++i)
        queue(access(), *scene, names.at(i), folders.at(i), QString());
    m_window.elementSelected();
}

void TUTYVectorizeCommands::elementSendToUnvectorize()
{
    const dba_scene_struct *scene = sendableScene(
        QT_TRANSLATE_NOOP("TUTYVectorizeCommands", "Selected scene is an old unsupported format. Element can not be sent.\n"));
    if (!scene)
        return;
    const TUTYElementsTable &table = m_window.elementsTable();
    const QStringList names = table.columnTexts(TUTYElementsTable::Name, false);
    const QStringList folders = table.columnTexts(TUTYElementsTable::Folder, false);
    const QStringList chosen = askUnvectorize(tr("Elements"), names, table.columnTexts(TUTYElementsTable::Name, true));
    for (const QString &name : chosen)
        unvectorizeOne(access(), *scene, name, folders.value(names.indexOf(name)), QString());
    if (!chosen.isEmpty())
        m_window.elementSelected();
}

void TUTYVectorizeCommands::drawingSendToVectorize()
{
    const QTreeWidgetItem *element = m_window.elementsTable().currentItem();
    const QStringList cels = m_window.drawingsTable().selectedCelNames();
    if (!element || cels.isEmpty())
        return;
    const dba_scene_struct *scene = sendableScene(QT_TRANSLATE_NOOP(
        "TUTYVectorizeCommands", "Selected scene is an old unsupported format. Drawing can not be sent.\n"));
    const QStringList shown = m_window.drawingsTable().columnTexts(TUTYDrawingsTable::Name, true);
    if (!scene
        || !TUTYConfirm::yesNo(tr("Really return all these following drawings to Vectorize?\n\n")
                               + nameList(shown, kListedNames, kIndent)))
        return;
    const QString name = element->text(TUTYElementsTable::Name);
    const QString folder = element->text(TUTYElementsTable::Folder);
    for (const QString &cel : cels)
        queue(access(), *scene, name, folder, cel);
    m_window.elementSelected();
}

void TUTYVectorizeCommands::drawingSendToUnvectorize()
{
    const QTreeWidgetItem *element = m_window.elementsTable().currentItem();
    const dba_scene_struct *scene = sendableScene(
        QT_TRANSLATE_NOOP("TUTYVectorizeCommands", "Selected scene is an old unsupported format. Drawing can not be sent.\n"));
    if (!scene || !element)
        return;
    const TUTYDrawingsTable &table = m_window.drawingsTable();
    const QStringList shown = table.columnTexts(TUTYDrawingsTable::Name, false);
    const QStringList chosen = askUnvectorize(tr("Drawings"), shown, table.columnTexts(TUTYDrawingsTable::Name, true));
    // The list shows names with their suffixes; the queue wants the cel names.
    for (const QString &name : chosen) {
        const QTreeWidgetItem *row = table.topLevelItem(shown.indexOf(name));
        unvectorizeOne(access(), *scene, element->text(TUTYElementsTable::Name),
                       element->text(TUTYElementsTable::Folder),
                       row->data(TUTYDrawingsTable::Name, TUTYDrawingsTable::CelNameRole).toString());
    }
    if (!chosen.isEmpty())
        m_window.elementSelected();
}

void TUTYVectorizeCommands::queue(TUDbAccess &db, const dba_scene_struct &scene, const QString &element,
                                   const QString &folder, const QString &drawing)
{
    // The writer reports its own failures.
    TUTYQueueWriter::addToVectorizeQueue(db, scene, m_window.currentEnvironment(), element, folder, drawing,
                                         TUTYQueueWriter::Vectorize, styles().options(), QString());
}
