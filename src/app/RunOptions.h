#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

enum class RunMode { None, Create, Delete, Rename, Import, Export, RunScript, RunEditorScript };

// The parsed command line: one process-wide record, filled by
// TYOptionParser and read by start-up, the batch operations and the window.
struct RunOptions
{
    // nameErrors bits
    enum NameError { EnvironmentTooLong = 1, JobTooLong = 2, SceneInvalid = 4 };

    RunMode mode = RunMode::None;
    bool batch = false;
    bool scriptServer = false;
    bool debug = false;
    bool debugScript = false;
    bool appendLog = false;
    bool autoDest = false;
    QSet<QString> dataOptions; // "audio", "database", ... (see dataOptionNames())
    QSet<QString> linkOptions; // "hard", "sym", ... (see linkOptionNames())
    QString environment;
    QString job;
    QString importJob;
    QString scene;
    QStringList sceneList;
    QString positionalScene; // the third positional argument, also in sceneList
    bool emptySceneGiven = false; // a "-scene" whose value was empty
    QStringList importSceneList;
    QStringList versionList;
    QString scenePath;
    QString path;
    QString savedPath;
    QString fileSystem;
    QString newName;
    QString user;
    QString tdUser;
    QString atdUser;
    QString approvals;
    int priority = 5;
    int insertPosition = 0;
    QString scriptFile;
    QString tcpPort;
    QString language;
    bool fakeTranslation = false;
    bool useCurrentWorkingDir = false;
    int nameErrors = 0;

    bool hasData(const QString &name) const { return dataOptions.contains(name); }
    bool hasLink(const QString &name) const { return linkOptions.contains(name); }

    static const QStringList &dataOptionNames();
    static const QStringList &linkOptionNames();

    // The process-wide record.
    static RunOptions &instance();
};
