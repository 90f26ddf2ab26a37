#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <cstdio>

// This test program started again with "--worker" as one more workstation
// on the database. They talk in lines: the worker says what it did on
// standard output (say()) and waits for the test's lines on standard input
// (heard()); whatever is still open when the test lets go of it ends.
class WorkerProcess
{
public:
    // With captureErrors, standard error is kept for noise() instead of shown.
    explicit WorkerProcess(const QStringList &arguments, const QProcessEnvironment &extra = {}, bool captureErrors = false)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(extra);
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(captureErrors ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), QStringList{"--worker"} + arguments);
        m_pid = m_process.waitForStarted() ? m_process.processId() : 0;
    }
    ~WorkerProcess()
    {
        if (!finish())
            m_process.kill();
        m_process.waitForFinished();
    }
    // The next line it says, waiting at most ms; empty when none comes.
    QString line(int ms = 120000)
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(ms))
                return QString();
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    void send(const QByteArray &line = "go")
    {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten();
    }
    // Lets it go past every wait and end; true when it ended by itself with status 0.
    bool finish()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.write("go\ndone\n");
            m_process.closeWriteChannel();
        }
        return m_process.waitForFinished(60000) && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    bool killed() { return m_process.waitForFinished(120000) && m_process.exitStatus() == QProcess::CrashExit; }
    bool answeredWithin(int ms) { return m_process.waitForReadyRead(ms); }
    QString noise() { return QString::fromUtf8(m_process.readAllStandardError()).trimmed(); }
    qint64 pid() const { return m_pid; }

    // Whether a worker holding at a "pause=" fault point has arrived there, within two minutes.
    static bool reached(const QString &pauseFile)
    {
        for (int i = 0; i < 12000 && !QFile::exists(pauseFile + ".reached"); ++i)
            QThread::msleep(10);
        return QFile::exists(pauseFile + ".reached");
    }

    // In the worker: a line for the test, and the next line from it.
    static void say(const QString &line)
    {
        std::fputs(qPrintable(line + '\n'), stdout);
        std::fflush(stdout);
    }
    static void heard()
    {
        static QFile input;
        if (input.isOpen() || input.open(stdin, QIODevice::ReadOnly))
            input.readLine();
    }

private:
    QProcess m_process;
    qint64 m_pid = 0;
};
