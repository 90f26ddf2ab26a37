#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

// Finds and runs the separate programs the system drives: the scene editor
// and the queue program. They live in the program folder unless
// TALLYARD_EDITOR / TALLYARD_QUEUE name another executable.
class LIC_Process
{
public:
    static QString editorExecutable();
    static QString queueExecutable();

    // Starts program with its output passed through; null when it could not start.
    static std::unique_ptr<QProcess> start(const QString &program, const QStringList &arguments);
    // Waits for a started process to end, without time-out; true when it
    // ended normally.
    static bool waitToEnd(QProcess &process);
    // Asks a running process to stop, and kills it if it has not stopped
    // after graceMs milliseconds.
    static void stop(QProcess *process, int graceMs = 5000);

private:
    static QString executable(const char *variable, const char *name);
};
