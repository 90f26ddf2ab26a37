#include "BAPP_Application.h"
#include "MSG_Scope.h"
#include "MSG_StdErrSink.h"
#include "TUMessage.h"

#include <QtTest>

#include <thread>

namespace {
// Records type letter, 1 when interactive, and text, marked when written off the main thread.
// It is the process's sink from its start.
class RecordingSink : public TUMessage
{
public:
    RecordingSink() : TUMessage(QStringLiteral("tallyard"), false) { setInstance(this); }
    QStringList lines;
    int resumed = 0;

protected:
    void writeMessage(char type, const QString &text, const QString &, bool interactive) override
    {
        lines << QLatin1Char(type) + QString::number(interactive) + (BAPP_Application::isMainThread() ? " " : " off-main ") + text;
    }
    void reportResumed() override { ++resumed; }
};
} // namespace

class tst_Messages : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_sink = std::make_unique<RecordingSink>(); }
    void cleanup() { m_sink.reset(); }

    // A scope is delivered once, with its action's type letter, only errors and warnings
    // interactive. The sink keeps the highest error code it ever caught.
    void scopesAndErrorCodes()
    {
        MSG_Text text("tallyard", "Scene %1 of job %2");
        text.arg(QStringLiteral("s1")).arg(7);
        text += QStringLiteral("!");
        QCOMPARE(text.text(), QStringLiteral("Scene s1 of job 7!"));
        QCOMPARE(text.translated(), text.text());
        {
            MSG_Scope scope("tallyard", "Could not create job %1 in environment %2", MSG_Scope::Error, 2);
            scope.arg(QStringLiteral("J")).arg(QStringLiteral("E"));
            QVERIFY(m_sink->lines.isEmpty());
            scope.deliver();
        }
        QCOMPARE(m_sink->lines, QStringList{"E1 Could not create job J in environment E"});
        QCOMPARE(m_sink->getErrorCode(), 2);
        for (int action : {0, 1, 2, 3})
            MSG_Scope("tallyard", "hello", action, 1);
        m_sink->catchErrorCode(0);
        QCOMPARE(m_sink->getErrorCode(), 2);
        QCOMPARE(m_sink->lines.mid(1), QStringList({"I0 hello", "T0 hello", "E1 hello", "W1 hello"}));

        // Ending a suspension tells the sink once.
        m_sink->suspendReport(true);
        QVERIFY(m_sink->isReportSuspended());
        for (bool suspend : {true, false, false})
            m_sink->suspendReport(suspend);
        QVERIFY(!m_sink->isReportSuspended() && m_sink->resumed == 1);
    }

    // A value filled in is shown as it is, never read as a placeholder; what
    // a terminal would act on or hide shows as its code point, and a value
    // too long to read is cut.
    void valuesFilledIn_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("shown");
        QTest::newRow("placeholders") << "a%1b%2" << "a%1b%2";
        QTest::newRow("quotes and SQL") << "x\"; DROP TABLE users; --" << "x\"; DROP TABLE users; --";
        QTest::newRow("control characters") << QString("a\x01\x1b[2Jb\tc\nd") << "a<U+0001><U+001B>[2Jb\tc\nd";
        QTest::newRow("right-to-left override") << QString("a\u202Eb\u200Fc") << "a<U+202E>b<U+200F>c";
        QTest::newRow("other scripts") << QString("\u05E9\u05DC\u05D5\u05DD \u00E9") << QString("\u05E9\u05DC\u05D5\u05DD \u00E9");
        QTest::newRow("10,000 characters") << QString(10000, 'n') << QString(64, 'n') + "... (10000 characters)";
    }
    void valuesFilledIn()
    {
        QFETCH(QString, first);
        QFETCH(QString, shown);
        MSG_Text text("tallyard", "Could not create job %1 in environment %2");
        text.arg(first).arg(QStringLiteral("E%1"));
        text += MSG_Text("tallyard", " (%1)").arg(2);
        QCOMPARE(text.text(), "Could not create job " + shown + " in environment E%1 (2)");
        QCOMPARE(text.translated(), text.text());
    }

    // From other threads, codes are caught at once and safely; messages are written on the main
    // thread in order, ahead of the next main-thread message or by the posted wake-up alone.
    void workerThreads()
    {
        // Eight threads raise codes at once while this one watches: the code never goes down.
        std::vector<std::thread> threads;
        std::atomic<int> running{8};
        for (int t = 1; t <= 8; ++t) {
            threads.emplace_back([this, t, &running] {
                for (int i = 0; i < 200000; ++i)
                    m_sink->catchErrorCode(8 * i + t);
                --running;
            });
        }
        int seen = 0, lowered = 0;
        while (running > 0) {
            lowered += m_sink->getErrorCode() < seen;
            seen = std::max(seen, m_sink->getErrorCode());
        }
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(lowered, 0);
        QCOMPARE(m_sink->getErrorCode(), 8 * 200000);

        std::thread([] {
            for (int i = 0; i < 3; ++i)
                MSG_Scope("tallyard", MSG_Text(QStringLiteral("worker %1").arg(i)), MSG_Scope::Warn, 2000000);
        }).join();
        QCOMPARE(m_sink->getErrorCode(), 2000000);
        QVERIFY(m_sink->lines.isEmpty());
        MSG_Scope("tallyard", MSG_Text(QStringLiteral("main")), MSG_Scope::Inform);
        std::thread([] { MSG_Scope("tallyard", MSG_Text(QStringLiteral("late")), MSG_Scope::Error); }).join();
        QTRY_COMPARE(m_sink->lines.size(), 5);
        QCOMPARE(m_sink->lines, QStringList({"W0 worker 0", "W0 worker 1", "W0 worker 2", "I0 main", "E0 late"}));

        // Releasing the sink writes out its queue; released or destroyed, it gives way to
        // standard error, which keeps no log.
        std::thread([] { MSG_Scope("tallyard", MSG_Text(QStringLiteral("queued")), MSG_Scope::Warn); }).join();
        TUMessage::releaseInstance();
        QCOMPARE(m_sink->lines.last(), QStringLiteral("W0 queued"));
        QVERIFY(dynamic_cast<MSG_StdErrSink *>(&TUMessage::instance()));
        QCOMPARE(TUMessage::instance().logFilePath(), QStringLiteral("No logFile"));
        std::make_unique<RecordingSink>().reset();
        QVERIFY(dynamic_cast<MSG_StdErrSink *>(&TUMessage::instance()));
    }

private:
    std::unique_ptr<RecordingSink> m_sink;
};

QTEST_GUILESS_MAIN(tst_Messages)
#include "tst_messages.moc"
