#include "MSG_Scope.h"
#include "TUBatchMessage.h"

#include <QScriptEngine>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {
// What work writes to the process's standard error.
QString standardError(const std::function<void()> &work)
{
    QTemporaryFile file;
    file.open();
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    work();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    file.seek(0);
    return QString::fromUtf8(file.readAll());
}

void say(const QString &text, int action, int code = 0)
{
    MSG_Scope("tallyard", MSG_Text(text), action, code);
}

// Log lines with their time stamp taken out, where it has the right shape.
QStringList untimed(QStringList lines)
{
    return lines.replaceInStrings(QRegularExpression(QStringLiteral("^(.) \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ")), QStringLiteral("\\1 "));
}
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
    // The log: its header, then up to 200 lines with type and time, a worker's in order ahead of the
    // next main-thread one. Errors go to standard error only, in debug mode everything does too.
    void logAndStandardError()
    {
        auto sink = makeSink(false);
        const QString header = sink->messageLog();
        QVERIFY2(QRegularExpression(QStringLiteral("^ Date - Time : .+\n Application : tallyard\n Version : Tallyard [^\n]+\n"
                                                   " O/S User name : .*\n Debug mode : OFF$")).match(header).hasMatch(),
                 qPrintable(header));
        sink->openLog();
        QCOMPARE(sink->messageLog(), header);

        QCOMPARE(standardError([] { say(QStringLiteral("careful"), MSG_Scope::Warn); say(QStringLiteral("broken"), MSG_Scope::Error, 2); }),
                 QStringLiteral("broken\n"));
        QCOMPARE(sink->getErrorCode(), 2);
        std::thread([] {
            for (int i = 0; i < 3; ++i)
                say(QStringLiteral("worker %1").arg(i), MSG_Scope::Inform);
        }).join();
        QCOMPARE(sink->lines().size(), 6);
        for (int i = 0; i < 300; ++i)
            say(QStringLiteral("line %1").arg(i), MSG_Scope::Inform);
        QCOMPARE(sink->lines().size(), TUBatchMessage::MaxLines);
        const QStringList lines = untimed(sink->lines());
        QCOMPARE(lines.mid(5, 5), QStringList({"W careful", "I worker 0", "I worker 1", "I worker 2", "I line 0"}));
        QCOMPARE(lines.last(), QStringLiteral("I line 190"));
        QCOMPARE(standardError([] { say(QStringLiteral("late error"), MSG_Scope::Error); }), QString());

        auto debug = makeSink(true);
        QCOMPARE(debug->lines().last(), QStringLiteral(" Debug mode : ON"));
        const QString echoed = standardError([] { say(QStringLiteral("note"), MSG_Scope::Inform); });
        QCOMPARE(untimed({echoed}), QStringList{"I note\n"});
        QCOMPARE(echoed, debug->lines().last() + QLatin1Char('\n'));
    }

    // An error raised while a script calls in carries the script's backtrace.
    void errorsInsideScriptsCarryTheBacktrace()
    {
        auto sink = makeSink(false);
        QScriptEngine engine;
        engine.globalObject().setProperty(QStringLiteral("fail"), engine.newFunction([](QScriptContext *context, QScriptEngine *) {
            auto *s = static_cast<TUBatchMessage *>(&TUMessage::instance());
            s->setScriptContext(context);
            say(QStringLiteral("no such scene"), MSG_Scope::Error, 1);
            s->setScriptContext(nullptr);
            return QScriptValue();
        }));
        const QString err = standardError([&engine] {
            engine.evaluate(QStringLiteral("function outer() { fail(); }\nouter();"), QStringLiteral("test.js"));
        });
        QVERIFY2(err.startsWith(QStringLiteral("Exception raised from function ")) && err.endsWith(QStringLiteral(" : no such scene\n")),
                 qPrintable(err));
        const QString entry = sink->lines().last();
        QVERIFY2(entry.startsWith(QStringLiteral("E ")) && entry.contains(QStringLiteral(" exception from the function  "))
                     && entry.contains(QStringLiteral("BACKTRACE : \n1: ")) && entry.contains(QStringLiteral("outer")),
                 qPrintable(entry));
    }
};

QTEST_GUILESS_MAIN(tst_BatchMessage)
#include "tst_batchmessage.moc"
