#pragma once

#include <QObject>

// A scene as scripts see it (script constructor "Scene"); the list methods
// fill the fields from the scene's record.
class DBS_SceneWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QString fileSystem MEMBER fileSystem)
    Q_PROPERTY(QString approvalStage MEMBER approvalStage CONSTANT)
    Q_PROPERTY(int priority MEMBER priority CONSTANT)
    Q_PROPERTY(int frames MEMBER frames CONSTANT)
    Q_PROPERTY(int pencilTest MEMBER pencilTest CONSTANT)
    Q_PROPERTY(int paperSize MEMBER paperSize CONSTANT)
    Q_PROPERTY(double scanSize MEMBER scanSize CONSTANT)
    Q_PROPERTY(QString tdName MEMBER tdName CONSTANT)
    Q_PROPERTY(QString atdName MEMBER atdName CONSTANT)
    Q_PROPERTY(int currentVer MEMBER currentVer CONSTANT)
    Q_PROPERTY(QString path MEMBER path CONSTANT)
    Q_PROPERTY(bool checkoutLock MEMBER checkoutLock CONSTANT)
    Q_PROPERTY(QString checkoutUser MEMBER checkoutUser CONSTANT)
    Q_PROPERTY(int checkoutDate MEMBER checkoutDate CONSTANT)
    Q_PROPERTY(QString assignedTo MEMBER assignedTo CONSTANT)
public:
    DBS_SceneWrapper(const QString &job = QString(), const QString &scene = QString()) : name(scene), jobName(job) {}

    QString name;
    QString jobName;
    QString fileSystem;
    QString approvalStage;
    int priority = 0;
    int frames = 0;
    int pencilTest = 0;
    int paperSize = 0;
    double scanSize = 0;
    QString tdName;
    QString atdName;
    int currentVer = 0;
    QString path;
    bool checkoutLock = false;
    QString checkoutUser;
    int checkoutDate = 0;
    QString assignedTo;

public slots:
    QString toString(bool verbose) const;
    QString toString() const { return toString(false); }
};
