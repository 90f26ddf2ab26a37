#pragma once

#include <QObject>

// An environment as scripts see it (script constructor "Environment").
class DBS_EnvWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(bool assetLock MEMBER assetLock)
public:
    explicit DBS_EnvWrapper(const QString &envName = QString()) : name(envName) {}

    QString name;
    bool assetLock = false;
};
