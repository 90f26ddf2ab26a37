#pragma once

#include <QObject>
#include <QStringList>

// What a package export takes (script constructor "ExportData"): the
// scenes, the package path, the package parts and the link options.
class DBS_ExportDataWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString envName MEMBER envName CONSTANT)
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QStringList sceneNames MEMBER sceneNames CONSTANT)
    Q_PROPERTY(QString path MEMBER path CONSTANT)
    Q_PROPERTY(bool brix MEMBER brix)
    Q_PROPERTY(bool audio MEMBER audio)
    Q_PROPERTY(bool database MEMBER database)
    Q_PROPERTY(bool final MEMBER final)
    Q_PROPERTY(bool envGroup MEMBER envGroup)
    Q_PROPERTY(bool jobGroup MEMBER jobGroup)
    Q_PROPERTY(bool sceneGroup MEMBER sceneGroup)
    Q_PROPERTY(bool envLibrary MEMBER envLibrary)
    Q_PROPERTY(bool jobLibrary MEMBER jobLibrary)
    Q_PROPERTY(bool sceneLibrary MEMBER sceneLibrary)
    Q_PROPERTY(bool envPalette MEMBER envPalette)
    Q_PROPERTY(bool jobPalette MEMBER jobPalette)
    Q_PROPERTY(bool scenePalette MEMBER scenePalette)
    Q_PROPERTY(bool other MEMBER other)
    Q_PROPERTY(bool element MEMBER element)
    Q_PROPERTY(bool timing MEMBER timing)
    Q_PROPERTY(bool annotation MEMBER annotation)
    Q_PROPERTY(bool stage MEMBER stage)
    Q_PROPERTY(bool outsideDrawings MEMBER outsideDrawings)
    Q_PROPERTY(bool hard MEMBER hard)
    Q_PROPERTY(bool hardLn MEMBER hardLn)
    Q_PROPERTY(bool sym MEMBER sym)
    Q_PROPERTY(bool copy MEMBER copy)
    Q_PROPERTY(bool keepValidSym MEMBER keepValidSym)
    Q_PROPERTY(bool ignoreValidSym MEMBER ignoreValidSym)
    Q_PROPERTY(bool resolveSym MEMBER resolveSym)
    Q_PROPERTY(bool keepBrokenSym MEMBER keepBrokenSym)
    Q_PROPERTY(bool ignoreBrokenSym MEMBER ignoreBrokenSym)
public:
    DBS_ExportDataWrapper(const QString &env = QString(), const QString &job = QString(),
                          const QStringList &scenes = QStringList(), const QString &packagePath = QString())
        : envName(env), jobName(job), sceneNames(scenes), path(packagePath) {}

    QString envName;
    QString jobName;
    QStringList sceneNames;
    QString path;
    bool brix = false;
    bool audio = false;
    bool database = false;
    bool final = false;
    bool envGroup = false;
    bool jobGroup = false;
    bool sceneGroup = false;
    bool envLibrary = false;
    bool jobLibrary = false;
    bool sceneLibrary = false;
    bool envPalette = false;
    bool jobPalette = false;
    bool scenePalette = false;
    bool other = false;
    bool element = false;
    bool timing = false;
    bool annotation = false;
    bool stage = false;
    bool outsideDrawings = false;
    bool hard = false;
    bool hardLn = false;
    bool sym = false;
    bool copy = false;
    bool keepValidSym = false;
    bool ignoreValidSym = false;
    bool resolveSym = false;
    bool keepBrokenSym = false;
    bool ignoreBrokenSym = false;

    // Sets copy, keepValidSym and keepBrokenSym where no choice of their
    // group was made.
    void completeLinkOptions();

public slots:
    // The set of "-export_default": database, element, timing and stage.
    void setExportDefaults();
    // The set of "-export_all": every data flag.
    void setExportAll();

private:
    void setDataFlags(bool on);
    void clearLinkOptions();
};
