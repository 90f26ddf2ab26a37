#pragma once

#include "DBA_Records.h"

#include <QString>

class TUDbAccess;

// Writes vectorize and unvectorize requests for the drawings of one scene
// (for the window's vectorize commands and the script object alike)
// into its environment's vectorize queue, which the queue program serves.
// One object per request; failures are reported through the message sink.
class TUTYQueueWriter
{
public:
    enum Kind { Unvectorize = 3, Vectorize = 4 };

    // Queues the drawings of one element (elementName given, looked up with
    // elementFolder) or of every element of the scene (elementName empty);
    // with drawingName only that drawing. options: for Vectorize the
    // vectorize options as they are, for Unvectorize the options added
    // after the output file and format. Entries added before a failure stay
    // queued. True on success.
    static bool addToVectorizeQueue(TUDbAccess &access, const dba_scene_struct &scene, const QString &environment,
                                    const QString &elementName, const QString &elementFolder,
                                    const QString &drawingName, int kind, const QString &options,
                                    const QString &format);

private:
    TUTYQueueWriter(TUDbAccess &access, const dba_scene_struct &scene, const QString &drawingName, int kind,
                    const QString &options, const QString &format);

    bool writeNamedElement(const QString &name, const QString &folder);
    bool writeAllElements();
    bool writeElement(const QVX_element_data &element);
    bool makeRenderFolder(const QVX_element_data &element, QString &folder) const;
    bool writeCel(const QVX_element_data &element, const dba_cel_struct &cel, const QString &renderFolder);
    QString entryOptions(const QVX_element_data &element, const dba_cel_struct &cel,
                         const QString &renderFolder) const;

    TUDbAccess &m_access;
    const dba_scene_struct &m_scene;
    QString m_drawingName;
    int m_kind;
    QString m_options;
    QString m_format;
    dba_queue_struct m_queue;
};
