#include "BAPP_Application.h"
#include "MSG_Scope.h"
#include "MSG_StdErrSink.h"
#include "TUMessage.h"

#include <QtTest>
#include <QThread>

namespace {
// Records what reaches it and on which thread.
class RecordingSink : public TUMessage
{
public:
    struct Line {
        char type;
        QString text;
        QString translated;
        bool interactive;
        bool onMainThread;
    };
    RecordingSink() : TUMessage(QStringLiteral("tallyard"), false) {}
    QVector<Line> lines;

protected:
    void writeMessage(char type, const QString &text, const QString &translated, bool interactive) override
    {
        lines.append({type, text, translated, interactive, BAPP_Application::isMainThread()});
    }
};
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

    void textFillsPlaceholdersInBothForms()
    {
        MSG_Text text("tallyard", "Scene %1 of job %2");
        text.arg(QStringLiteral("s1")).arg(7);
        text += QStringLiteral("\n");
        QCOMPARE(text.text(), QStringLiteral("Scene s1 of job 7\n"));
        QCOMPARE(text.translated(), text.text());
    }

    void actionsMapToTypeLetters_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<char>("type");
        QTest::addColumn<bool>("interactive");
        QTest::newRow("inform") << 0 << 'I' << false;
        QTest::newRow("trace") << 1 << 'T' << false;
        QTest::newRow("error") << 2 << 'E' << true;
        QTest::newRow("warn") << 3 << 'W' << true;
    }
    void actionsMapToTypeLetters()
    {
        QFETCH(int, action);
        QFETCH(char, type);
        QFETCH(bool, interactive);
        MSG_Scope("tallyard", "hello", action);
        QCOMPARE(m_sink->lines.size(), 1);
        QCOMPARE(m_sink->lines[0].type, type);
        QCOMPARE(m_sink->lines[0].interactive, interactive);
    }

    void scopeDeliversOnceWithItsArguments()
    {
        {
            MSG_Scope scope("tallyard", "Could not create job %1 in environment %2", MSG_Scope::Error, 2);
            scope.arg(QStringLiteral("J")).arg(QStringLiteral("E"));
            QVERIFY(m_sink->lines.isEmpty());
            scope.deliver();
        }
        QCOMPARE(m_sink->lines.size(), 1);
        QCOMPARE(m_sink->lines[0].text, QStringLiteral("Could not create job J in environment E"));
        QCOMPARE(m_sink->getErrorCode(), 2);
    }

    void errorCodeKeepsTheHighest()
    {
        QCOMPARE(m_sink->getErrorCode(), 0);
        m_sink->catchErrorCode(1);
        m_sink->catchErrorCode(0);
        QCOMPARE(m_sink->getErrorCode(), 1);
        MSG_Scope("tallyard", "bad", MSG_Scope::Error, 2);
        QCOMPARE(m_sink->getErrorCode(), 2);
        MSG_Scope("tallyard", "less bad", MSG_Scope::Warn, 1);
        QCOMPARE(m_sink->getErrorCode(), 2);
    }

    void errorCodeIsSafeAcrossThreads()
    {
        QVector<QThread *> threads;
        for (int code = 1; code <= 8; ++code)
            threads << QThread::create([this, code] {
                for (int i = 0; i < 1000; ++i)
                    m_sink->catchErrorCode(code);
            });
        for (QThread *t : threads)
            t->start();
        for (QThread *t : threads) {
            t->wait();
            delete t;
        }
        QCOMPARE(m_sink->getErrorCode(), 8);
    }

    void workerMessagesAreWrittenOnTheMainThreadInOrder()
    {
        QThread *worker = QThread::create([] {
            for (int i = 0; i < 50; ++i)
                MSG_Scope("tallyard", MSG_Text(QStringLiteral("worker %1").arg(i)), MSG_Scope::Warn);
        });
        worker->start();
        worker->wait();
        delete worker;
        // Nothing is written from the worker itself.
        QVERIFY(m_sink->lines.isEmpty());

        // The next main-thread message writes the queue out first.
        MSG_Scope("tallyard", MSG_Text(QStringLiteral("main")), MSG_Scope::Inform);
        QCOMPARE(m_sink->lines.size(), 51);
        for (int i = 0; i < 50; ++i) {
            QCOMPARE(m_sink->lines[i].text, QStringLiteral("worker %1").arg(i));
            QVERIFY(m_sink->lines[i].onMainThread);
            QVERIFY(!m_sink->lines[i].interactive);
        }
        QCOMPARE(m_sink->lines.last().text, QStringLiteral("main"));
    }

    void postedEventFlushesTheQueueWithoutAnotherMessage()
    {
        QThread *worker = QThread::create([] { MSG_Scope("tallyard", MSG_Text(QStringLiteral("late")), MSG_Scope::Error, 3); });
        worker->start();
        worker->wait();
        delete worker;
        QCOMPARE(m_sink->getErrorCode(), 3); // caught at once, not when written
        QTRY_COMPARE(m_sink->lines.size(), 1);
        QCOMPARE(m_sink->lines[0].text, QStringLiteral("late"));
        QVERIFY(m_sink->lines[0].onMainThread);
    }

    void releaseFallsBackToStandardError()
    {
        QCOMPARE(&TUMessage::instance(), m_sink.get());
        TUMessage::releaseInstance();
        QVERIFY(&TUMessage::instance() != m_sink.get());
        QCOMPARE(TUMessage::instance().logFilePath(), QStringLiteral("No logFile"));
    }

    void destroyedSinkIsNoLongerTheInstance()
    {
        auto other = std::make_unique<RecordingSink>();
        TUMessage::setInstance(other.get());
        other.reset();
        QVERIFY(dynamic_cast<MSG_StdErrSink *>(&TUMessage::instance()));
    }

    void suspendedReportsAreResumed()
    {
        QVERIFY(!m_sink->isReportSuspended());
        m_sink->suspendReport(true);
        QVERIFY(m_sink->isReportSuspended());
        m_sink->suspendReport(false);
        QVERIFY(!m_sink->isReportSuspended());
    }

private:
    std::unique_ptr<RecordingSink> m_sink;
};

QTEST_GUILESS_MAIN(tst_Messages)
#include "tst_messages.moc"
