#pragma once

#include "DBA_Records.h"
#include "TDB_DemoStudio.h"
#include "TDB_SceneFileWriter.h"
#include "TUDbSceneData.h"

#include <QCoreApplication>

class TUDbAccess;

// Fills one new scene of the demo studio: its elements with drawings, a
// lip-sync timing column, palettes and palette lists, a sound, notes, and
// its versions with their scene files; then frames, priority and stage.
class TDB_DemoScene
{
    Q_DECLARE_TR_FUNCTIONS(TDB_DemoScene)

public:
    TDB_DemoScene(TUDbAccess &access, dba_job_struct &job, const QString &name, int index);

    bool fill(QString &error);

    int versionCount() const { return m_versions; }
    int elementCount() const { return m_elements; }
    int drawingCount() const { return m_drawings; }

private:
    bool fillOpenScene(QString &error);
    bool addPalettes(QString &error);
    bool addElement(const TDB_DemoStudio::Element &plan, QString &error);
    bool addTimingColumn(QString &error);
    bool addOutsideColumn(QString &error);
    bool addFileCases(QString &error);
    bool addSoundAndNotes(QString &error);
    bool addVersions(QString &error);
    bool setSceneFields(QString &error);
    // A folder of drawings named <column>-<drawing>.png with a palette list.
    bool writeDrawingFolder(const TDB_SceneFile::Column &column, const QColor &colour, QString &error);
    QString local(const QString &stored) const;
    bool failed(QString &error) const;

    TUDbAccess &m_access;
    dba_job_struct &m_job;
    QString m_name;
    int m_index;
    dba_scene_struct m_scene;
    TUDbSceneData m_data;
    QStringList m_palettes;                 // stored paths, for palette lists and scene files
    QVector<TDB_SceneFile::Column> m_columns;
    int m_versions = 0;
    int m_elements = 0;
    int m_drawings = 0;
};
