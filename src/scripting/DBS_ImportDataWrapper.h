#pragma once

#include "DBS_PackagePartsWrapper.h"

// What a package import takes (script constructor "ImportData"): the
// target, the package, the scenes and versions to bring in, the package
// parts and the link options.
class DBS_ImportDataWrapper : public DBS_PackagePartsWrapper
{
    Q_OBJECT
    Q_PROPERTY(QString envName MEMBER envName CONSTANT)
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QString path MEMBER path CONSTANT)
    Q_PROPERTY(QString fileSystem MEMBER fileSystem)
    Q_PROPERTY(QString importJobName MEMBER importJobName)
    Q_PROPERTY(QString scenesToImport MEMBER scenesToImport)
    Q_PROPERTY(QString impVersions MEMBER impVersions)
public:
    DBS_ImportDataWrapper(const QString &env = QString(), const QString &job = QString(),
                          const QString &package = QString(), const QString &targetFileSystem = QString())
        : envName(env), jobName(job), path(package), fileSystem(targetFileSystem) {}

    QString envName;
    QString jobName;
    QString path;
    QString fileSystem;
    QString importJobName;
    QString scenesToImport;
    QString impVersions;
};
