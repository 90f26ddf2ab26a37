#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QVector>

// What one scene version's file says: the scene's frame count, its drawing
// columns (each fed by an element's drawing folder) and the palettes it uses.
struct TDB_SceneFile
{
    struct Column
    {
        QString name;           // also the read module's instance name
        qint64 elementId = 0;   // 0 for a timing column, which no element feeds
        QString rootFolder;     // the element's root folder, e.g. "elements"
        QString folder;         // stored path of the drawings' folder
        QStringList drawings;   // exposed one after the other over the frames
    };

    QString environment;
    QString job;
    QString scene;
    int frames = 0;
    int version = 0;
    QString versionName;
    QString savedBy;
    QString savedHost;
    qint64 savedTime = 0;
    QVector<Column> columns;
    QStringList palettes;       // stored paths of .plt files
};

// Writes scene files (stage/v<N>.pavx, XML with plain lower-case names, the
// shape the scene model reads, or the older line format) and their auxiliary files (v<N>.aux).
class TDB_SceneFileWriter
{
    Q_DECLARE_TR_FUNCTIONS(TDB_SceneFileWriter)

public:
    static bool writeSceneFile(const QString &localFile, const TDB_SceneFile &scene, QString &error);
    // The same in the older line format ("NFRAMES", "COLUMN", "MODULE" and
    // "PALETTE" lines), which scenes of old productions still have.
    static bool writeLineSceneFile(const QString &localFile, const TDB_SceneFile &scene, QString &error);
    static bool writeAuxFile(const QString &localFile, const TDB_SceneFile &scene, QString &error);

    // The frames over which drawing index of count is exposed, 1-based and
    // inclusive, so that count drawings share frames evenly.
    static QPair<int, int> exposure(int index, int count, int frames);
};
