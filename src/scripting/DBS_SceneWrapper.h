#pragma once

#include "DBA_Records.h"

#include <QObject>

// A scene as scripts see it (script constructor "Scene"); the list methods
// give it the scene's record, which the read-only properties show.
class DBS_SceneWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QString fileSystem MEMBER fileSystem)
    Q_PROPERTY(QString approvalStage READ approvalStage CONSTANT)
    Q_PROPERTY(int priority READ priority CONSTANT)
    Q_PROPERTY(int frames READ frames CONSTANT)
    Q_PROPERTY(int pencilTest READ pencilTest CONSTANT)
    Q_PROPERTY(int paperSize READ paperSize CONSTANT)
    Q_PROPERTY(double scanSize READ scanSize CONSTANT)
    Q_PROPERTY(QString tdName READ tdName CONSTANT)
    Q_PROPERTY(QString atdName READ atdName CONSTANT)
    Q_PROPERTY(int currentVer READ currentVer CONSTANT)
    Q_PROPERTY(QString path READ path CONSTANT)
    Q_PROPERTY(bool checkoutLock READ checkoutLock CONSTANT)
    Q_PROPERTY(QString checkoutUser READ checkoutUser CONSTANT)
    Q_PROPERTY(int checkoutDate READ checkoutDate CONSTANT)
    Q_PROPERTY(QString assignedTo READ assignedTo CONSTANT)
public:
    DBS_SceneWrapper(const QString &job = QString(), const QString &scene = QString()) : name(scene), jobName(job) {}
    explicit DBS_SceneWrapper(const dba_scene_struct &record)
        : name(record.name), jobName(record.jobName), fileSystem(record.fileSystem), m_record(record) {}

    QString name;
    QString jobName;
    QString fileSystem;

    QString approvalStage() const { return m_record.approvalStage; }
    int priority() const { return m_record.priority; }
    int frames() const { return m_record.frames; }
    int pencilTest() const { return m_record.pencilTest; }
    int paperSize() const { return m_record.paperSize; }
    double scanSize() const { return m_record.scanSize; }
    QString tdName() const { return m_record.td; }
    QString atdName() const { return m_record.atd; }
    int currentVer() const { return m_record.currentVersion; }
    QString path() const { return m_record.path; }
    bool checkoutLock() const { return m_record.checkedOut; }
    QString checkoutUser() const { return m_record.checkoutUser; }
    int checkoutDate() const { return int(m_record.checkoutDate); }
    QString assignedTo() const { return m_record.assignedTo; }

public slots:
    QString toString(bool verbose) const;
    QString toString() const { return toString(false); }

private:
    dba_scene_struct m_record;
};
