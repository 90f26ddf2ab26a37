#pragma once

#include <QObject>

// A job as scripts see it (script constructor "Job").
class DBS_JobWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString envName MEMBER envName CONSTANT)
    Q_PROPERTY(QString tdName MEMBER tdName)
    Q_PROPERTY(QString atdName MEMBER atdName)
    Q_PROPERTY(bool automaticApprovalPolicy MEMBER automaticApprovalPolicy)
    Q_PROPERTY(bool inProduction MEMBER inProduction)
    Q_PROPERTY(int priority MEMBER priority)
public:
    DBS_JobWrapper(const QString &env = QString(), const QString &job = QString()) : name(job), envName(env) {}

    QString name;
    QString envName;
    QString tdName;
    QString atdName;
    bool automaticApprovalPolicy = false;
    bool inProduction = false;
    int priority = 0;
};
