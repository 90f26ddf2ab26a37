#pragma once

#include "DBS_Mediator.h"

#include <QObject>
#include <QStringList>

// The sizes, in megabytes, of what an export would write (script
// constructor "ExportSize"); calculateSizeOfExport fills them.
class DBS_ExportSizeDataWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QStringList sceneNames MEMBER sceneNames CONSTANT)
    Q_PROPERTY(float audio READ audio CONSTANT)
    Q_PROPERTY(float database READ database CONSTANT)
    Q_PROPERTY(float final READ final CONSTANT)
    Q_PROPERTY(float envGroup READ envGroup CONSTANT)
    Q_PROPERTY(float jobGroup READ jobGroup CONSTANT)
    Q_PROPERTY(float sceneGroup READ sceneGroup CONSTANT)
    Q_PROPERTY(float envLibrary READ envLibrary CONSTANT)
    Q_PROPERTY(float jobLibrary READ jobLibrary CONSTANT)
    Q_PROPERTY(float sceneLibrary READ sceneLibrary CONSTANT)
    Q_PROPERTY(float envPalette READ envPalette CONSTANT)
    Q_PROPERTY(float jobPalette READ jobPalette CONSTANT)
    Q_PROPERTY(float scenePalette READ scenePalette CONSTANT)
    Q_PROPERTY(float other READ other CONSTANT)
    Q_PROPERTY(float element READ element CONSTANT)
    Q_PROPERTY(float timing READ timing CONSTANT)
    Q_PROPERTY(float annotation READ annotation CONSTANT)
    Q_PROPERTY(float stage READ stage CONSTANT)
public:
    DBS_ExportSizeDataWrapper(const QString &job = QString(), const QStringList &scenes = QStringList(),
                              const DBS_Mediator::ExportSizes &sizes = {})
        : jobName(job), sceneNames(scenes), m_sizes(sizes) {}

    QString jobName;
    QStringList sceneNames;

    float audio() const { return m_sizes.audio; }
    float database() const { return m_sizes.database; }
    float final() const { return m_sizes.final; }
    float envGroup() const { return m_sizes.envGroup; }
    float jobGroup() const { return m_sizes.jobGroup; }
    float sceneGroup() const { return m_sizes.sceneGroup; }
    float envLibrary() const { return m_sizes.envLibrary; }
    float jobLibrary() const { return m_sizes.jobLibrary; }
    float sceneLibrary() const { return m_sizes.sceneLibrary; }
    float envPalette() const { return m_sizes.envPalette; }
    float jobPalette() const { return m_sizes.jobPalette; }
    float scenePalette() const { return m_sizes.scenePalette; }
    float other() const { return m_sizes.other; }
    float element() const { return m_sizes.element; }
    float timing() const { return m_sizes.timing; }
    float annotation() const { return m_sizes.annotation; }
    float stage() const { return m_sizes.stage; }

private:
    DBS_Mediator::ExportSizes m_sizes;
};
