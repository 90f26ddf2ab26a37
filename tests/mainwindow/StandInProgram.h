#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// A stand-in for the editor or the queue program that stays running until
// the test lets it go: it appends its arguments (space-separated, one line
// per run) to a log, prints "loading", and prints "done" only once the test
// calls releaseDone(); it exits once the test calls releaseExit().
class StandInProgram
{
public:
    StandInProgram()
    {
        QFile script(path());
        // Copies run side by side: each line goes out in one appending
        // write, so that their lines never interleave.
        m_valid = script.open(QIODevice::WriteOnly)
            && script.write(QStringLiteral("#!/bin/sh\n"
                                           "cd '%1'\n"
                                           "printf '%s\\n' \"$*\" >> arguments.log\n"
                                           "echo loading\n"
                                           "while [ ! -e release-done ]; do sleep 0.02; done\n"
                                           "echo done\n"
                                           "while [ ! -e release-exit ]; do sleep 0.02; done\n")
                                .arg(m_dir.path())
                                .toUtf8())
                > 0
            && script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    bool isValid() const { return m_valid && m_dir.isValid(); }
    QString path() const { return m_dir.filePath(QStringLiteral("stand-in")); }
    void releaseDone() { QFile(m_dir.filePath(QStringLiteral("release-done"))).open(QIODevice::WriteOnly); }
    void releaseExit() { QFile(m_dir.filePath(QStringLiteral("release-exit"))).open(QIODevice::WriteOnly); }
    // One line per run, sorted: the runs come in any order.
    QStringList runs() const
    {
        QFile log(m_dir.filePath(QStringLiteral("arguments.log")));
        QStringList runs = log.open(QIODevice::ReadOnly)
            ? QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
            : QStringList();
        runs.sort();
        return runs;
    }

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};
