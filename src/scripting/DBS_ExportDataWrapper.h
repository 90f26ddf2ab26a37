#pragma once

#include "DBS_PackagePartsWrapper.h"

#include <QStringList>

// What a package export takes (script constructor "ExportData"): the
// scenes, the package path, the package parts and the link options.
class DBS_ExportDataWrapper : public DBS_PackagePartsWrapper
{
    Q_OBJECT
    Q_PROPERTY(QString envName MEMBER envName CONSTANT)
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QStringList sceneNames MEMBER sceneNames CONSTANT)
    Q_PROPERTY(QString path MEMBER path CONSTANT)
    Q_PROPERTY(bool brix MEMBER brix)
    Q_PROPERTY(bool outsideDrawings MEMBER outsideDrawings)
public:
    DBS_ExportDataWrapper(const QString &env = QString(), const QString &job = QString(),
                          const QStringList &scenes = QStringList(), const QString &packagePath = QString())
        : envName(env), jobName(job), sceneNames(scenes), path(packagePath) {}

    QString envName;
    QString jobName;
    QStringList sceneNames;
    QString path;
    bool brix = false;
    bool outsideDrawings = false;

public slots:
    // The set of "-export_default": database, element, timing and stage.
    void setExportDefaults();
    // The set of "-export_all": every data flag.
    void setExportAll();
};
