#include "MSG_Scope.h"
#include "TUBatchMessage.h"

#include <QScriptEngine>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {
// Captures what the process writes to standard error while it lives.
class StandardErrorCapture
{
public:
    StandardErrorCapture()
    {
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        m_file = std::tmpfile();
        dup2(fileno(m_file), STDERR_FILENO);
    }
    ~StandardErrorCapture() { restore(); }
    QString text()
    {
        restore();
        std::rewind(m_file);
        QByteArray bytes;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
            bytes.append(buffer, int(n));
        return QString::fromUtf8(bytes);
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }
    int m_saved = -1;
    FILE *m_file = nullptr;
};
} // namespace

class tst_BatchMessage : public QObject
{
    Q_OBJECT

    std::unique_ptr<TUBatchMessage> makeSink(bool debug)
    {
        auto sink = std::make_unique<TUBatchMessage>(QStringLiteral("tallyard"), debug);
        TUMessage::setInstance(sink.get());
        sink->openLog();
        return sink;
    }

private slots:
    void cleanup() { TUMessage::releaseInstance(); }

    void newLogHoldsTheHeader()
    {
        auto sink = makeSink(false);
        QCOMPARE(sink->lines().size(), 5);
        QVERIFY(sink->lines()[0].startsWith(QStringLiteral(" Date - Time : ")));
        QCOMPARE(sink->lines()[1], QStringLiteral(" Application : tallyard"));
        QVERIFY(sink->lines()[2].startsWith(QStringLiteral(" Version : Tallyard ")));
        QVERIFY(!sink->lines()[2].contains(QLatin1Char('\n')));
        QVERIFY(sink->lines()[3].startsWith(QStringLiteral(" O/S User name : ")));
        QCOMPARE(sink->lines()[4], QStringLiteral(" Debug mode : OFF"));
        sink->openLog();
        QCOMPARE(sink->lines().size(), 5);
    }

    void warningsGoToTheLogOnly()
    {
        auto sink = makeSink(false);
        StandardErrorCapture capture;
        MSG_Scope("tallyard", MSG_Text(QStringLiteral("careful")), MSG_Scope::Warn);
        QCOMPARE(capture.text(), QString());
        QCOMPARE(sink->lines().size(), 6);
        QVERIFY(QRegularExpression(QStringLiteral("^W \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d careful$")).match(sink->lines().last()).hasMatch());
    }

    void debugEchoesEveryLine()
    {
        auto sink = makeSink(true);
        StandardErrorCapture capture;
        MSG_Scope("tallyard", MSG_Text(QStringLiteral("note")), MSG_Scope::Inform);
        QVERIFY(capture.text().endsWith(QStringLiteral(" note\n")));
    }

    void errorsOutsideScriptsGoToStandardErrorOnly()
    {
        auto sink = makeSink(false);
        StandardErrorCapture capture;
        MSG_Scope("tallyard", MSG_Text(QStringLiteral("broken")), MSG_Scope::Error, 2);
        QCOMPARE(capture.text(), QStringLiteral("broken\n"));
        QCOMPARE(sink->lines().size(), 5);
        QCOMPARE(sink->getErrorCode(), 2);
    }

    void errorsInsideScriptsCarryTheBacktrace()
    {
        auto sink = makeSink(false);
        QScriptEngine engine;
        TUBatchMessage *raw = sink.get();
        engine.globalObject().setProperty(QStringLiteral("fail"), engine.newFunction([](QScriptContext *context, QScriptEngine *) {
            auto *s = static_cast<TUBatchMessage *>(&TUMessage::instance());
            s->setScriptContext(context);
            MSG_Scope("tallyard", MSG_Text(QStringLiteral("no such scene")), MSG_Scope::Error, 1);
            s->setScriptContext(nullptr);
            return QScriptValue();
        }));
        StandardErrorCapture capture;
        engine.evaluate(QStringLiteral("function outer() { fail(); }\nouter();"), QStringLiteral("test.js"));
        const QString err = capture.text();
        QVERIFY2(err.startsWith(QStringLiteral("Exception raised from function ")), qPrintable(err));
        QVERIFY(err.contains(QStringLiteral(" : no such scene\n")));
        const QString entry = raw->lines().last();
        QVERIFY(entry.startsWith(QStringLiteral("E ")));
        QVERIFY(entry.contains(QStringLiteral(" exception from the function  ")));
        QVERIFY(entry.contains(QStringLiteral("BACKTRACE : \n1: ")));
        QVERIFY(entry.contains(QStringLiteral("outer")));
    }

    void the201stLineIsNeverWritten()
    {
        auto sink = makeSink(false);
        for (int i = 0; i < 300; ++i)
            MSG_Scope("tallyard", MSG_Text(QStringLiteral("line %1").arg(i)), MSG_Scope::Inform);
        QCOMPARE(sink->lines().size(), TUBatchMessage::MaxLines);
        QVERIFY(sink->lines().last().endsWith(QStringLiteral(" line 194")));
        StandardErrorCapture capture;
        MSG_Scope("tallyard", MSG_Text(QStringLiteral("late error")), MSG_Scope::Error);
        QCOMPARE(capture.text(), QString());
    }

    void workerMessagesComeFirstInOrder()
    {
        auto sink = makeSink(false);
        QThread *worker = QThread::create([] {
            for (int i = 0; i < 3; ++i)
                MSG_Scope("tallyard", MSG_Text(QStringLiteral("worker %1").arg(i)), MSG_Scope::Inform);
        });
        worker->start();
        worker->wait();
        delete worker;
        QCOMPARE(sink->lines().size(), 5);
        MSG_Scope("tallyard", MSG_Text(QStringLiteral("main")), MSG_Scope::Inform);
        QCOMPARE(sink->lines().size(), 9);
        QVERIFY(sink->lines()[5].endsWith(QStringLiteral("worker 0")));
        QVERIFY(sink->lines()[7].endsWith(QStringLiteral("worker 2")));
        QVERIFY(sink->lines()[8].endsWith(QStringLiteral("main")));
    }
};

QTEST_GUILESS_MAIN(tst_BatchMessage)
#include "tst_batchmessage.moc"
