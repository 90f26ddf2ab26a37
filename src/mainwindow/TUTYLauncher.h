#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVector>

class QProcess;

// Starts and follows the separate programs the main window drives: the
// scene editor, one process per opened scene, and the queue program, one
// per mode and environment. Owns the processes; destroying it asks each
// one still running to stop and kills it 5 seconds later.
class TUTYLauncher : public QObject
{
    Q_OBJECT
public:
    // How the editor locks what it opens.
    enum LockStyle { NoLock = 0, SceneLock = 1, VersionLock = 2, AssetLock = 3 };

    explicit TUTYLauncher(QObject *parent);
    ~TUTYLauncher() override;

    // The editor's options before the scene it opens: who opens it and how
    // it is locked.
    static QStringList editorOptions(const QString &userName, int lockStyle);
    static QStringList editorArguments(const QString &userName, int lockStyle, const QString &environment,
                                       const QString &job, const QString &scene);
    // mode is "-vect" or "-camera".
    static QStringList queueArguments(const QString &mode, const QString &environment, const QString &userName,
                                      const QString &language, bool fakeTranslation, bool darkStyle);

    // Starts the editor on one scene; false, reported with the scene's
    // folder, when it did not start.
    bool openScene(const QString &userName, int lockStyle, const QString &environment, const QString &job,
                   const QString &scene, const QString &sceneFolder);
    // Whether an editor started here has not yet said it finished loading.
    bool isSceneOpenInProgress() const;
    int editorCount() const { return m_sceneOpens.size(); }

    // Starts the queue program for mode and environment unless this
    // launcher's one for them still runs; false, reported, when it did not start.
    bool startQueue(const QString &mode, const QString &environment, const QString &userName, bool darkStyle);
    bool isQueueRunning(const QString &mode, const QString &environment) const;
    int queueProgramCount() const { return m_queuePrograms.size(); }

public slots:
    void loadSceneReadStdout(QProcess *process);
    void loadSceneProcessExited(QProcess *process);
    void onProcessExited(QProcess *process);

private:
    struct QueueProgram {
        QProcess *process;
        QStringList arguments;
    };

    QString editorExecutable();
    QProcess *startEditor(const QStringList &arguments);
    void stopAll();

    QString m_editorPath;
    // Editor process -> it printed "done".
    QHash<QProcess *, bool> m_sceneOpens;
    QVector<QueueProgram> m_queuePrograms;
};
