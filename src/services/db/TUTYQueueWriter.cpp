#include "TUTYQueueWriter.h"

#include "DBA_Connection.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "oswRemapPath.h"

#include <QCoreApplication>
#include <QDir>

bool TUTYQueueWriter::addToVectorizeQueue(TUDbAccess &access, const dba_scene_struct &scene,
                                          const QString &environment, const QString &elementName,
                                          const QString &elementFolder, const QString &drawingName, int kind,
                                          const QString &options, const QString &format)
{
    TUTYQueueWriter writer(access, scene, drawingName, kind, options, format);
    if (access.dba_OpenQueue(DBA_QueueOps::VectorizeQueue, environment, writer.m_queue) != 0
        || access.lastErrorCode() != 0) {
        MSG_Scope("TUTYQueueWriter", QT_TRANSLATE_NOOP("TUTYQueueWriter", "Unable to open vectorize queue.\n"));
        return false;
    }
    // One write transaction for the cels and the queue: the queue program
    // never sees an entry whose cel still shows its old stage. It is
    // committed after a failure too, so what was queued stays queued.
    const QString what = QCoreApplication::translate("TUTYQueueWriter", "Cannot write to the vectorize queue");
    DBA_Transaction transaction(access.context().connection);
    if (!access.context().begin(transaction, what)) {
        MSG_Scope("TUTYQueueWriter", MSG_Text(access.lastErrorText()));
        access.dba_CloseQueue(writer.m_queue);
        return false;
    }
    const bool written = elementName.isEmpty() ? writer.writeAllElements()
                                               : writer.writeNamedElement(elementName, elementFolder);
    const bool committed = access.context().commit(transaction, what);
    if (!committed)
        MSG_Scope("TUTYQueueWriter", MSG_Text(access.lastErrorText()));
    access.dba_CloseQueue(writer.m_queue);
    return written && committed;
}

TUTYQueueWriter::TUTYQueueWriter(TUDbAccess &access, const dba_scene_struct &scene, const QString &drawingName,
                                 int kind, const QString &options, const QString &format)
    : m_access(access)
    , m_scene(scene)
    , m_drawingName(drawingName)
    , m_kind(kind)
    , m_options(options)
    , m_format(format)
{
}

bool TUTYQueueWriter::writeNamedElement(const QString &name, const QString &folder)
{
    QVX_element_data element;
    if (!m_access.element_data_of_DBA_element_name(m_scene, name, folder, element)) {
        MSG_Scope("TUTYQueueWriter", QT_TRANSLATE_NOOP("TUTYQueueWriter", "Element %1 not found\n")).arg(name);
        return false;
    }
    return writeElement(element);
}

bool TUTYQueueWriter::writeAllElements()
{
    // The scene's elements come from the database, with name and folder
    // apart, where a loaded scene file would list them as "name(folder)".
    const QVector<QVX_element_data> elements = m_access.read_DBA_elements(m_scene);
    for (const QVX_element_data &element : elements) {
        if (!writeElement(element))
            return false;
    }
    return true;
}

bool TUTYQueueWriter::writeElement(const QVX_element_data &element)
{
    QString renderFolder;
    if (m_kind == Unvectorize && !makeRenderFolder(element, renderFolder))
        return false;
    QVector<dba_cel_struct> cels;
    if (m_access.dba_GetCels(m_scene, element.id, cels) < 0) {
        MSG_Scope("TUTYQueueWriter", MSG_Text(m_access.lastErrorText()));
        return false;
    }
    for (const dba_cel_struct &cel : cels) {
        if (!m_drawingName.isEmpty() && cel.name != m_drawingName)
            continue;
        if (!writeCel(element, cel, renderFolder))
            return false;
        if (!m_drawingName.isEmpty())
            break;
    }
    return true;
}

bool TUTYQueueWriter::makeRenderFolder(const QVX_element_data &element, QString &folder) const
{
    // The scene record's path is the scene's own "scene-<name>" folder.
    folder = oswRemapPath::RemapPath2(m_scene.path) + QStringLiteral("/rendered/") + element.folder;
    return QDir().mkpath(folder);
}

bool TUTYQueueWriter::writeCel(const QVX_element_data &element, const dba_cel_struct &cel,
                               const QString &renderFolder)
{
    dba_queueEntry_struct entry;
    entry.kind = m_kind;
    entry.jobName = m_scene.jobName;
    entry.sceneName = m_scene.name;
    entry.elementName = element.name;
    entry.elementId = QString::number(element.id);
    entry.drawingName = cel.name;
    entry.options = entryOptions(element, cel, renderFolder);
    if (m_access.dba_AddQueueEntry(m_queue, entry) != 0) {
        MSG_Scope("TUTYQueueWriter",
                  QT_TRANSLATE_NOOP("TUTYQueueWriter", "Error occurred while adding %1-%2 to queue -- aborting\n"))
            .arg(element.name)
            .arg(cel.name);
        return false;
    }
    // A drawing sent to vectorize goes back to the vectorize stage, pending.
    if (m_kind == Vectorize && !m_access.dba_setCelStageState(cel.id, 2, 0)) {
        MSG_Scope("TUTYQueueWriter", MSG_Text(m_access.lastErrorText()));
        return false;
    }
    return true;
}

QString TUTYQueueWriter::entryOptions(const QVX_element_data &element, const dba_cel_struct &cel,
                                      const QString &renderFolder) const
{
    if (m_kind != Unvectorize)
        return m_options;
    return QStringLiteral("-outfile %1/%2-%3.%4 -outformat %5 %6")
        .arg(renderFolder, element.name, cel.name, m_format, m_format, m_options);
}
