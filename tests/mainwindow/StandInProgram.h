#pragma once

#include <QDir>
#include <QFile>
#include <QString>
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
        if (!script.open(QIODevice::WriteOnly))
            return;
        script.write(QStringLiteral("#!/bin/sh\n"
                                    "dir='%1'\n"
                                    // Copies run side by side: the whole line goes out in one
                                    // appending write so that their lines never interleave.
                                    "line=''\n"
                                    "for a in \"$@\"; do line=\"$line${line:+\t}$a\"; done\n"
                                    "printf '%s\\n' \"$line\" >> \"$dir/arguments.log\"\n"
                                    "echo loading\n"
                                    "while [ ! -e \"$dir/release-done\" ]; do sleep 0.02; done\n"
                                    "echo done\n"
                                    "while [ ! -e \"$dir/release-exit\" ]; do sleep 0.02; done\n")
                         .arg(m_dir.path())
                         .toUtf8());
        script.close();
        m_valid = script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    bool isValid() const { return m_valid && m_dir.isValid(); }
    QString path() const { return m_dir.path() + QStringLiteral("/stand-in"); }
    void releaseDone() { touch(QStringLiteral("release-done")); }
    void releaseExit() { touch(QStringLiteral("release-exit")); }
    // One entry per run, each the list of its arguments.
    QVector<QStringList> runs() const
    {
        QVector<QStringList> runs;
        QFile log(m_dir.path() + QStringLiteral("/arguments.log"));
        if (!log.open(QIODevice::ReadOnly))
            return runs;
        const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines)
            runs.append(line.split(QLatin1Char('\t')));
        return runs;
    }

private:
    void touch(const QString &name)
    {
        QFile file(m_dir.path() + QLatin1Char('/') + name);
        file.open(QIODevice::WriteOnly);
    }

    QTemporaryDir m_dir;
    bool m_valid = false;
};
