#include "BAPP_Application.h"
#include "MSG_Scope.h"
#include "MSG_StdErrSink.h"
#include "TUMessage.h"

#include <QtTest>
#include <QThread>

#include <functional>

namespace {
// Records what reaches it and on which thread.
class RecordingSink : public TUMessage
{
public:
    struct Line {
        char type;
        QString text;
        bool interactive;
        bool onMainThread;
    };
    RecordingSink() : TUMessage(QStringLiteral("tallyard"), false) {}
    QVector<Line> lines;
    int resumed = 0;

protected:
    void writeMessage(char type, const QString &text, const QString &, bool interactive) override
    {
        lines.append({type, text, interactive, BAPP_Application::isMainThread()});
    }
    void reportResumed() override { ++resumed; }
};

void runOnWorker(std::function<void()> work)
{
    std::unique_ptr<QThread> worker(QThread::create(std::move(work)));
    worker->start();
    worker->wait();
}
} // namespace

class tst_Messages : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_sink = std::make_unique<RecordingSink>();
        TUMessage::setInstance(m_sink.get());
    }
    void cleanup()
    {
        TUMessage::releaseInstance();
        m_sink.reset();
    }

    // Placeholders are filled in both forms; a scope is delivered once, with
    // its action's type letter, only errors and warnings interactive.
    void scopesDeliverOnceWithTheirTypeLetter()
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
        QCOMPARE(m_sink->lines.size(), 1);
        QCOMPARE(m_sink->lines[0].text, QStringLiteral("Could not create job J in environment E"));
        for (int action : {0, 1, 2, 3})
            MSG_Scope("tallyard", "hello", action);
        QCOMPARE(m_sink->lines.size(), 5);
        QString letters;
        for (const RecordingSink::Line &line : m_sink->lines)
            letters += QLatin1Char(line.type) + QString::number(line.interactive);
        QCOMPARE(letters, QStringLiteral("E1I0T0E1W1"));
    }

    // The sink keeps the highest code it ever caught, from any thread.
    void errorCodeKeepsTheHighest()
    {
        QCOMPARE(m_sink->getErrorCode(), 0);
        m_sink->catchErrorCode(1);
        m_sink->catchErrorCode(0);
        QCOMPARE(m_sink->getErrorCode(), 1);
        MSG_Scope("tallyard", "bad", MSG_Scope::Error, 2);
        MSG_Scope("tallyard", "less bad", MSG_Scope::Warn, 1);
        QCOMPARE(m_sink->getErrorCode(), 2);

        std::vector<std::unique_ptr<QThread>> threads;
        for (int code = 1; code <= 8; ++code)
            threads.emplace_back(QThread::create([this, code] {
                for (int i = 0; i < 1000; ++i)
                    m_sink->catchErrorCode(code);
            }));
        for (auto &t : threads)
            t->start();
        for (auto &t : threads)
            t->wait();
        QCOMPARE(m_sink->getErrorCode(), 8);
    }

    // Worker messages are queued and written on the main thread, in order:
    // ahead of the next main-thread message, or by the posted wake-up alone.
    void workerMessagesAreWrittenOnTheMainThreadInOrder()
    {
        runOnWorker([] {
            for (int i = 0; i < 50; ++i)
                MSG_Scope("tallyard", MSG_Text(QStringLiteral("worker %1").arg(i)), MSG_Scope::Warn);
        });
        QVERIFY(m_sink->lines.isEmpty());
        MSG_Scope("tallyard", MSG_Text(QStringLiteral("main")), MSG_Scope::Inform);
        QCOMPARE(m_sink->lines.size(), 51);
        for (int i = 0; i < 50; ++i) {
            QCOMPARE(m_sink->lines[i].text, QStringLiteral("worker %1").arg(i));
            QVERIFY(m_sink->lines[i].onMainThread);
            QVERIFY(!m_sink->lines[i].interactive);
        }
        QCOMPARE(m_sink->lines.last().text, QStringLiteral("main"));

        runOnWorker([] { MSG_Scope("tallyard", MSG_Text(QStringLiteral("late")), MSG_Scope::Error, 3); });
        QCOMPARE(m_sink->getErrorCode(), 3); // caught at once, not when written
        QTRY_COMPARE(m_sink->lines.size(), 52);
        QCOMPARE(m_sink->lines.last().text, QStringLiteral("late"));
        QVERIFY(m_sink->lines.last().onMainThread);
    }

    // Releasing, or destroying, the sink falls back to standard error, which keeps no log.
    void instanceFallsBackToStandardError()
    {
        QCOMPARE(&TUMessage::instance(), m_sink.get());
        TUMessage::releaseInstance();
        QVERIFY(dynamic_cast<MSG_StdErrSink *>(&TUMessage::instance()));
        QCOMPARE(TUMessage::instance().logFilePath(), QStringLiteral("No logFile"));
        auto other = std::make_unique<RecordingSink>();
        TUMessage::setInstance(other.get());
        other.reset();
        QVERIFY(dynamic_cast<MSG_StdErrSink *>(&TUMessage::instance()));

        m_sink->suspendReport(true);
        QVERIFY(m_sink->isReportSuspended());
        m_sink->suspendReport(true);
        m_sink->suspendReport(false);
        QVERIFY(!m_sink->isReportSuspended());
        m_sink->suspendReport(false);
        QCOMPARE(m_sink->resumed, 1);
    }

private:
    std::unique_ptr<RecordingSink> m_sink;
};

QTEST_GUILESS_MAIN(tst_Messages)
#include "tst_messages.moc"
