#pragma once

#include <QObject>
#include <QStringList>

// The sizes, in megabytes, of what an export would write (script
// constructor "ExportSize"); calculateSizeOfExport fills them.
class DBS_ExportSizeDataWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QStringList sceneNames MEMBER sceneNames CONSTANT)
    Q_PROPERTY(float audio MEMBER audio CONSTANT)
    Q_PROPERTY(float database MEMBER database CONSTANT)
    Q_PROPERTY(float final MEMBER final CONSTANT)
    Q_PROPERTY(float envGroup MEMBER envGroup CONSTANT)
    Q_PROPERTY(float jobGroup MEMBER jobGroup CONSTANT)
    Q_PROPERTY(float sceneGroup MEMBER sceneGroup CONSTANT)
    Q_PROPERTY(float envLibrary MEMBER envLibrary CONSTANT)
    Q_PROPERTY(float jobLibrary MEMBER jobLibrary CONSTANT)
    Q_PROPERTY(float sceneLibrary MEMBER sceneLibrary CONSTANT)
    Q_PROPERTY(float envPalette MEMBER envPalette CONSTANT)
    Q_PROPERTY(float jobPalette MEMBER jobPalette CONSTANT)
    Q_PROPERTY(float scenePalette MEMBER scenePalette CONSTANT)
    Q_PROPERTY(float other MEMBER other CONSTANT)
    Q_PROPERTY(float element MEMBER element CONSTANT)
    Q_PROPERTY(float timing MEMBER timing CONSTANT)
    Q_PROPERTY(float annotation MEMBER annotation CONSTANT)
    Q_PROPERTY(float stage MEMBER stage CONSTANT)
public:
    DBS_ExportSizeDataWrapper(const QString &job = QString(), const QStringList &scenes = QStringList())
        : jobName(job), sceneNames(scenes) {}

    QString jobName;
    QStringList sceneNames;
    float audio = 0;
    float database = 0;
    float final = 0;
    float envGroup = 0;
    float jobGroup = 0;
    float sceneGroup = 0;
    float envLibrary = 0;
    float jobLibrary = 0;
    float sceneLibrary = 0;
    float envPalette = 0;
    float jobPalette = 0;
    float scenePalette = 0;
    float other = 0;
    float element = 0;
    float timing = 0;
    float annotation = 0;
    float stage = 0;
};
