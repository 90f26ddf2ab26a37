#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// A stand-in for the editor or the queue program that stays running until
// the test lets it go: it appends its arguments (tab-separated, one line
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
                                           "dir='%1'\n"
                                           "line=''\n"
                                           "for a in \"$@\"; do line=\"$line${line:+\t}$a\"; done\n"
                                           "printf '%s\\n' \"$line\" >> \"$dir/arguments.log\"\n"
                                           "echo loading\n"
                                           "while [ ! -e \"$dir/release-done\" ]; do sleep 0.02; done\n"
                                           "echo done\n"
                                           "while [ ! -e \"$dir/release-exit\" ]; do sleep 0.02; done\n")
                                .arg(m_dir.path())
                                .toUtf8())
                > 0
            && script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    bool isValid() const { return m_valid && m_dir.isValid(); }
    QString path() const { return m_dir.filePath(QStringLiteral("stand-in")); }
    void releaseDone() { QFile(m_dir.filePath(QStringLiteral("release-done"))).open(QIODevice::WriteOnly); }
    void releaseExit() { QFile(m_dir.filePath(QStringLiteral("release-exit"))).open(QIODevice::WriteOnly); }
    // One entry per run, each the list of its arguments.
    QVector<QStringList> runs() const
    {
        QFile log(m_dir.filePath(QStringLiteral("arguments.log")));
        QVector<QStringList> runs;
        if (log.open(QIODevice::ReadOnly)) {
            for (const QString &line : QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                runs.append(line.split(QLatin1Char('\t')));
        }
        return runs;
    }

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};
