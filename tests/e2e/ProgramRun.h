#pragma once

#include <QProcess>
#include <QStringList>

// A program run to its end as a user runs it, with the environment of this
// one plus extra: its exit status (-1 when it did not end by itself) and what
// it wrote.
struct ProgramRun {
    ProgramRun(const QString &program, const QStringList &arguments, const QProcessEnvironment &extra = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(extra);
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        const bool ended = process.waitForFinished(240000);
        status = ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = ended ? QString::fromUtf8(process.readAllStandardError()) : program + " did not finish";
    }
    int status;
    QString out, err;
};
