#include "BUIAPP_Application.h"
#include "MSG_Scope.h"
#include "TUUIMessage.h"
#include "oswUtil.h"
#include "whoami.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpacerItem>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QTranslator>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

namespace {

// An flock held through a descriptor of its own, as another run would hold it.
class HeldLock
{
public:
    explicit HeldLock(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~HeldLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd;
};

// A child process that locks a file and keeps it until it is killed (or
// exits at once without unlocking when asked, like a run that crashed).
class LockingProcess
{
public:
    LockingProcess(const QString &path, bool exitAtOnce)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        const QByteArray name = QFile::encodeName(path);
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fd = ::open(name.constData(), O_RDWR | O_CREAT, 0644);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
            if (::write(ready[1], &ok, 1) != 1 || exitAtOnce)
                ::_exit(0);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = 'n';
        m_locked = m_pid > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 'y';
        ::close(ready[0]);
        if (exitAtOnce)
            end();
    }
    ~LockingProcess() { end(); }
    bool locked() const { return m_locked; }

private:
    void end()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    pid_t m_pid = -1;
    bool m_locked = false;
};

// Sends what is written to standard error into a file while it lives.
class StdErrCapture
{
public:
    StdErrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }
    ~StdErrCapture() { restore(); }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

// Translates every text of the sink and of the tests, so a translated log is wanted.
class BracketTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char * = nullptr, int = -1) const override
    {
        const QByteArray ctx(context);
        if (ctx != "TUUIMessage" && ctx != "tst")
            return {};
        QString text = QString::fromUtf8(sourceText);
        const bool endsLine = text.endsWith(QLatin1Char('\n'));
        if (endsLine)
            text.chop(1);
        return QLatin1Char('[') + text + QLatin1Char(']') + (endsLine ? QStringLiteral("\n") : QString());
    }
};

struct ShownBox {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QStringList buttons;
    QWidget *parent;
    int spacerWidth;
};

int spacerWidthOf(QMessageBox &box)
{
    int width = -1;
    if (QLayout *layout = box.layout()) {
        for (int i = 0; i < layout->count(); ++i) {
            if (QSpacerItem *spacer = layout->itemAt(i)->spacerItem())
                width = qMax(width, spacer->sizeHint().width());
        }
    }
    return width;
}

QStringList linesOf(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

const QString StampPattern = QStringLiteral(" \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ");

} // namespace

class tst_UIMessage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_logs;
    QVector<ShownBox> m_boxes;
    QString m_buttonToClick;
    QVector<int> m_exits;

    QString base(const QString &program = QStringLiteral("tallyard")) const
    {
        return m_logs->path() + QLatin1Char('/') + program + QLatin1Char('_') + oswUtil::getUserName()
            + QLatin1Char('_');
    }

    TUUIMessage::Options options(bool append = false)
    {
        TUUIMessage::Options o;
        o.appendLog = append;
        o.exitProcess = [this](int status) { m_exits.append(status); };
        o.runBox = [this](QMessageBox &box) {
            QStringList texts;
            for (QAbstractButton *button : box.buttons())
                texts << button->text();
            m_boxes.append({box.icon(), box.windowTitle(), box.text(), texts, box.parentWidget(),
                            spacerWidthOf(box)});
            for (QAbstractButton *button : box.buttons()) {
                if (button->text() == m_buttonToClick)
                    button->click();
            }
        };
        return o;
    }

    std::unique_ptr<TUUIMessage> makeSink(bool batch = false, bool debug = false,
                                          const QString &program = QStringLiteral("tallyard"))
    {
        return std::make_unique<TUUIMessage>(program, debug, batch, false, options());
    }

    QStringList logEntries() const { return QDir(m_logs->path()).entryList(QDir::Files, QDir::Name); }

private slots:
    void init()
    {
        m_logs = std::make_unique<QTemporaryDir>();
        QVERIFY(m_logs->isValid());
        qputenv("TALLYARD_LOG_DIR", QFile::encodeName(m_logs->path()));
        m_boxes.clear();
        m_exits.clear();
        m_buttonToClick.clear();
    }
    void cleanup()
    {
        TUMessage::releaseInstance();
        m_logs.reset();
    }

    void opensFirstNumberWithLockBeside_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("fileProgram");
        QTest::newRow("plain name") << "tallyard" << "tallyard";
        QTest::newRow("blanks removed") << "Tally Yard Admin" << "TallyYardAdmin";
    }
    void opensFirstNumberWithLockBeside()
    {
        QFETCH(QString, program);
        QFETCH(QString, fileProgram);
        auto sink = makeSink(false, false, program);
        QCOMPARE(sink->logFilePath(), base(fileProgram) + "0001.log");
        QCOMPARE(logEntries(), QStringList({fileProgram + '_' + oswUtil::getUserName() + "_0001.lock",
                                            fileProgram + '_' + oswUtil::getUserName() + "_0001.log"}));
        const QStringList lock = linesOf(readFile(base(fileProgram) + "0001.lock"));
        QCOMPARE(lock.size(), 3);
        QVERIFY(QDateTime::fromString(lock[0], Qt::TextDate).isValid());
        QCOMPARE(lock[1], "Lock file for the log of " + program);
        QCOMPARE(lock[2], "User: " + oswUtil::getUserName());
        QVERIFY(m_exits.isEmpty());
    }

    void heldNumbersAreSkipped_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<int>("held");
        QTest::addColumn<QString>("expected");
        QTest::newRow("another sink in this process") << "sink" << 1 << "0002";
        QTest::newRow("another process") << "process" << 1 << "0002";
        QTest::newRow("two other processes") << "process" << 2 << "0003";
    }
    void heldNumbersAreSkipped()
    {
        QFETCH(QString, holder);
        QFETCH(int, held);
        QFETCH(QString, expected);
        std::vector<std::unique_ptr<TUUIMessage>> sinks;
        std::vector<std::unique_ptr<LockingProcess>> processes;
        for (int n = 1; n <= held; ++n) {
            if (holder == "sink") {
                sinks.push_back(makeSink());
            } else {
                processes.push_back(std::make_unique<LockingProcess>(base() + QString::asprintf("%04d.lock", n), false));
                QVERIFY(processes.back()->locked());
            }
        }
        auto sink = makeSink();
        QCOMPARE(sink->logFilePath(), base() + expected + ".log");
        QVERIFY(QFile::exists(base() + expected + ".lock"));
        // Our lock is a real one: nobody else can take it while we run.
        QVERIFY(!HeldLock(base() + expected + ".lock").isHeld());
    }

    void lockLeftByEndedRunIsReused_data()
    {
        QTest::addColumn<bool>("byProcess");
        QTest::newRow("lock file left behind") << false;
        QTest::newRow("holding process ended") << true;
    }
    void lockLeftByEndedRunIsReused()
    {
        QFETCH(bool, byProcess);
        const QString lockPath = base() + "0001.lock";
        if (byProcess) {
            LockingProcess crashed(lockPath, true);
            QVERIFY(crashed.locked());
        } else {
            QFile stale(lockPath);
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("stale lock of a run that crashed\n");
        }
        QVERIFY(QFile::exists(lockPath));
        auto sink = makeSink();
        QCOMPARE(sink->logFilePath(), base() + "0001.log");
        QVERIFY(readFile(lockPath).contains("Lock file for the log of tallyard"));
    }

    void closeRemovesLockAndFreesNumber()
    {
        auto first = makeSink();
        first->close();
        QVERIFY(!QFile::exists(base() + "0001.lock"));
        QVERIFY(QFile::exists(base() + "0001.log"));
        auto second = makeSink();
        QCOMPARE(second->logFilePath(), base() + "0001.log");
    }

    void appendOrTruncateReusedLog_data()
    {
        QTest::addColumn<bool>("append");
        QTest::newRow("append") << true;
        QTest::newRow("truncate") << false;
    }
    void appendOrTruncateReusedLog()
    {
        QFETCH(bool, append);
        QFile earlier(base() + "0001.log");
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier run\n");
        earlier.close();
        TUUIMessage sink(QStringLiteral("tallyard"), false, false, false, options(append));
        const QString content = readFile(base() + "0001.log");
        QCOMPARE(content.startsWith("earlier run\n"), append);
        QVERIFY(content.contains(" Application : tallyard\n"));
    }

    void noFreeNumberIsFatal_data()
    {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<bool>("atStartUp");
        QTest::addColumn<bool>("withWidget");
        QTest::newRow("window run at start-up") << false << true << false;
        QTest::newRow("window run closes its widget") << false << false << true;
        QTest::newRow("batch behaviour") << true << false << false;
    }
    void noFreeNumberIsFatal()
    {
        QFETCH(bool, batch);
        QFETCH(bool, atStartUp);
        QFETCH(bool, withWidget);
        // Hard links share one lock: a single held descriptor takes all 9999 numbers.
        const QString first = base() + "0001.lock";
        HeldLock hold(first);
        QVERIFY(hold.isHeld());
        for (int n = 2; n <= TUUIMessage::LastLogNumber; ++n)
            QVERIFY(::link(QFile::encodeName(first).constData(),
                           QFile::encodeName(base() + QString::asprintf("%04d.lock", n)).constData()) == 0);

        QWidget widget;
        StdErrCapture err;
        std::unique_ptr<TUUIMessage> sink = makeSink(!atStartUp);
        if (!atStartUp) {
            if (withWidget) {
                widget.show();
                sink->setRegisteredWidget(&widget);
            }
            sink->setBatch(batch);
            sink->openLog();
        }
        const QString stderrText = err.text();
        const QString message = "FATAL ERROR: Unable to open log file:\n" + base() + "9999.log\n"
            + "The application will terminate.";
        QCOMPARE(m_exits, QVector<int>({1}));
        if (batch) {
            QVERIFY(m_boxes.isEmpty());
            QCOMPARE(stderrText, message + '\n');
        } else {
            QCOMPARE(m_boxes.size(), 1);
            QCOMPARE(m_boxes[0].icon, QMessageBox::Critical);
            QCOMPARE(m_boxes[0].title, "tallyard");
            QCOMPARE(m_boxes[0].text, message);
            QVERIFY(!stderrText.contains("FATAL"));
        }
        QCOMPARE(widget.isVisible(), false);
        QVERIFY(!QFile::exists(base() + "0001.log"));
    }

    void headerLines_data()
    {
        QTest::addColumn<bool>("debug");
        QTest::newRow("debug off") << false;
        QTest::newRow("debug on") << true;
    }
    void headerLines()
    {
        QFETCH(bool, debug);
        auto sink = makeSink(false, debug);
        const QStringList lines = linesOf(sink->getLogContent());
        QCOMPARE(lines.size(), debug ? 6 : 5);
        QVERIFY(lines[0].startsWith(" Date - Time : "));
        QVERIFY(QDateTime::fromString(lines[0].mid(15), Qt::TextDate).isValid());
        QCOMPARE(lines[1], " Application : tallyard");
        QCOMPARE(lines[2], " Version : " + WHO_StringTable::versionInfoLine());
        QVERIFY(!lines[2].contains('\n'));
        QCOMPARE(lines[3], " O/S User name : " + oswUtil::getUserName());
        QCOMPARE(lines[4], debug ? " Debug mode : ON" : " Debug mode : OFF");
        if (debug)
            QCOMPARE(lines[5], " Log file : " + base() + "0001.log");
    }

    void headerGoesToStdErrInBatchBehaviour()
    {
        auto sink = makeSink();
        sink->setBatch(true);
        StdErrCapture err;
        sink->writeHeader();
        const QString written = err.text();
        QCOMPARE(written, sink->getLogContent());
        QCOMPARE(written.count(" Application : tallyard\n"), 2);
    }

    void logLineFormat_data()
    {
        QTest::addColumn<char>("type");
        QTest::addColumn<bool>("direct");
        QTest::addColumn<QString>("expected");
        QTest::newRow("error") << 'E' << false << "^E" + StampPattern + "disk full\n$";
        QTest::newRow("warning") << 'W' << false << "^W" + StampPattern + "disk full\n$";
        QTest::newRow("information") << 'I' << false << "^I" + StampPattern + "disk full\n$";
        QTest::newRow("trace") << 'T' << false << "^T" + StampPattern + "disk full\n$";
        QTest::newRow("direct") << 'E' << true << "^disk full$";
    }
    void logLineFormat()
    {
        QFETCH(char, type);
        QFETCH(bool, direct);
        QFETCH(QString, expected);
        auto sink = makeSink();
        const int headerSize = sink->getLogContent().size();
        sink->setDirect(direct);
        sink->report(type, MSG_Text(QStringLiteral("disk full")), 0, false);
        const QString added = sink->getLogContent().mid(headerSize);
        QVERIFY2(QRegularExpression(expected).match(added).hasMatch(), qPrintable(added));
    }

    void translatedLogOnlyWithTranslation_data()
    {
        QTest::addColumn<bool>("translated");
        QTest::newRow("no translation") << false;
        QTest::newRow("translation active") << true;
    }
    void translatedLogOnlyWithTranslation()
    {
        QFETCH(bool, translated);
        BracketTranslator translator;
        if (translated)
            QCoreApplication::installTranslator(&translator);
        {
            auto sink = makeSink();
            sink->report('E', MSG_Text("tst", "Disk full"), 0, false);
            QCOMPARE(QFile::exists(base() + "0001.logi"), translated);
            QVERIFY(QRegularExpression("\nE" + StampPattern + "Disk full\n$").match(sink->getLogContent()).hasMatch());
            if (translated) {
                const QString trLog = readFile(base() + "0001.logi");
                QVERIFY(trLog.startsWith("[ Date - Time : "));
                QVERIFY(trLog.contains("\n[ Application : tallyard]\n"));
                QVERIFY2(QRegularExpression("\nE" + StampPattern + "\\[Disk full\\]\n$").match(trLog).hasMatch(), qPrintable(trLog));
            }
        }
        QCoreApplication::removeTranslator(&translator);
    }

    void batchBehaviourWritesStdErrOnly_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("direct");
        QTest::addColumn<bool>("written");
        QTest::newRow("plain") << false << false << true;
        QTest::newRow("silent") << true << false << false;
        QTest::newRow("silent but direct") << true << true << true;
    }
    void batchBehaviourWritesStdErrOnly()
    {
        QFETCH(bool, silent);
        QFETCH(bool, direct);
        QFETCH(bool, written);
        auto sink = makeSink(true);
        QCOMPARE(sink->logFilePath(), "No logFile");
        QVERIFY(logEntries().isEmpty());
        sink->setSilent(silent);
        sink->setDirect(direct);
        StdErrCapture err;
        sink->report('E', MSG_Text(QStringLiteral("Scène introuvable")), 1, true);
        QCOMPARE(err.text(), written ? QStringLiteral("Scène introuvable\n") : QString());
        QVERIFY(logEntries().isEmpty());
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(sink->getErrorCode(), 1);
    }

    void switchingBatchBehaviour()
    {
        auto sink = makeSink();
        const QString path = sink->logFilePath();
        sink->setBatch(true);
        QCOMPARE(sink->logFilePath(), "No logFile");
        StdErrCapture err;
        sink->report('E', MSG_Text(QStringLiteral("name too long")), 1, true);
        QCOMPARE(err.text(), "name too long\n");
        QVERIFY(!readFile(path).contains("name too long"));
        sink->setBatch(false);
        QCOMPARE(sink->logFilePath(), path);
        sink->report('E', MSG_Text(QStringLiteral("back in window")), 0, false);
        QVERIFY(readFile(path).contains("back in window"));
        QVERIFY(m_boxes.isEmpty());
    }

    void debugModeTraces_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void debugModeTraces()
    {
        QFETCH(bool, on);
        auto sink = makeSink(false, !on);
        const int headerSize = sink->getLogContent().size();
        sink->setDebugMode(on);
        QCOMPARE(sink->isDebugMode(), on);
        const QStringList added = linesOf(sink->getLogContent().mid(headerSize));
        QCOMPARE(added.size(), on ? 2 : 1);
        QVERIFY(QRegularExpression("^T" + StampPattern + "Debug mode : " + (on ? "ON" : "OFF") + '$')
                    .match(added[0]).hasMatch());
        if (on)
            QVERIFY(added[1].endsWith(" Log file : " + base() + "0001.log"));
        QVERIFY(m_boxes.isEmpty());
    }

    void reportKindAndText_data()
    {
        QTest::addColumn<QString>("types");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("text");
        const QString two = "\n - m1\n - m2";
        QTest::newRow("one error") << "E" << int(QMessageBox::Critical) << "The following error occurred:\nm1";
        QTest::newRow("errors") << "EE" << int(QMessageBox::Critical) << "The following errors occurred:\n" + two;
        QTest::newRow("one warning") << "W" << int(QMessageBox::Warning) << "The following warning occurred:\nm1";
        QTest::newRow("warnings") << "WW" << int(QMessageBox::Warning) << "The following warnings occurred:\n" + two;
        QTest::newRow("error after warning") << "WE" << int(QMessageBox::Critical) << "The following errors occurred:\n" + two;
        QTest::newRow("warning after error") << "EW" << int(QMessageBox::Critical) << "The following errors occurred:\n" + two;
        QTest::newRow("information") << "I" << int(QMessageBox::Information) << "Information:\nm1";
        QTest::newRow("trace while information") << "IT" << int(QMessageBox::Warning) << "The following warnings occurred:\n" + two;
        QTest::newRow("warning after information") << "IW" << int(QMessageBox::Information) << "Information:\n" + two;
        QTest::newRow("error after trace while information") << "ITE" << int(QMessageBox::Critical)
            << "The following errors occurred:\n" + two + "\n - m3";
    }
    void reportKindAndText()
    {
        QFETCH(QString, types);
        QFETCH(int, icon);
        QFETCH(QString, text);
        auto sink = makeSink();
        sink->suspendReport(true);
        for (int i = 0; i < types.size(); ++i)
            sink->report(types[i].toLatin1(), MSG_Text(QStringLiteral("m%1").arg(i + 1)), 0, true);
        QVERIFY(m_boxes.isEmpty());
        sink->suspendReport(false);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(int(m_boxes[0].icon), icon);
        QCOMPARE(m_boxes[0].text, text);
        QCOMPARE(m_boxes[0].title, "tallyard");
        QCOMPARE(m_boxes[0].buttons, QStringList{"OK"});
        // The report was emptied: resuming again shows nothing more.
        sink->suspendReport(true);
        sink->suspendReport(false);
        QCOMPARE(m_boxes.size(), 1);
    }

    void reportKeepsThirtyLines_data()
    {
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("ellipsis");
        QStringList thirtyOne, twentyEight, twentyNine;
        for (int i = 1; i <= 31; ++i)
            thirtyOne << QStringLiteral("error %1").arg(i);
        const QStringList thirty = thirtyOne.mid(0, 30);
        twentyEight = thirtyOne.mid(0, 28);
        twentyNine = thirtyOne.mid(0, 29);
        QTest::newRow("31 one-line errors") << thirtyOne << thirty << true;
        QTest::newRow("30 one-line errors") << thirty << thirty << false;
        QTest::newRow("a long one crosses the limit")
            << (twentyEight + QStringList{"a\nb\nc\nd\ne", "late"}) << (twentyEight + QStringList{"a\nb\nc\nd\ne"}) << true;
        QTest::newRow("a two-line one ends exactly at the limit")
            << (twentyEight + QStringList{"a\nb", "late"}) << (twentyEight + QStringList{"a\nb"}) << true;
        QTest::newRow("a two-line one goes one beyond")
            << (twentyNine + QStringList{"a\nb", "late", "later"}) << (twentyNine + QStringList{"a\nb"}) << true;
    }
    void reportKeepsThirtyLines()
    {
        QFETCH(QStringList, messages);
        QFETCH(QStringList, shown);
        QFETCH(bool, ellipsis);
        auto sink = makeSink();
        TUMessage::setInstance(sink.get());
        sink->suspendReport(true);
        for (const QString &message : messages)
            MSG_Scope("tst", MSG_Text(message), MSG_Scope::Error);
        sink->suspendReport(false);
        QCOMPARE(m_boxes.size(), 1);
        QString expected = "The following errors occurred:\n";
        for (const QString &message : shown)
            expected += "\n - " + message;
        if (ellipsis)
            expected += "...";
        QCOMPARE(m_boxes[0].text, expected);
    }

    void boxOnlyForInteractiveMainThreadMessages_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<int>("boxes");
        QTest::newRow("main thread") << "main" << 1;
        QTest::newRow("worker thread") << "worker" << 0;
        QTest::newRow("silent") << "silent" << 0;
        QTest::newRow("batch behaviour") << "batch" << 0;
        QTest::newRow("not interactive") << "quiet" << 0;
    }
    void boxOnlyForInteractiveMainThreadMessages()
    {
        QFETCH(QString, route);
        QFETCH(int, boxes);
        auto sink = makeSink();
        TUMessage::setInstance(sink.get());
        const QString path = sink->logFilePath();
        sink->setSilent(route == "silent");
        sink->setBatch(route == "batch");
        StdErrCapture err;
        if (route == "worker") {
            std::unique_ptr<QThread> worker(QThread::create([] { MSG_Scope("tst", "raised here"); }));
            worker->start();
            QVERIFY(worker->wait());
            QVERIFY(!readFile(path).contains("raised here"));
            QCoreApplication::sendPostedEvents();
        } else if (route == "quiet") {
            sink->report('E', MSG_Text("tst", "raised here"), 0, false);
        } else {
            MSG_Scope("tst", "raised here");
        }
        QCOMPARE(m_boxes.size(), boxes);
        QCOMPARE(err.text(), route == "batch" ? "raised here\n" : QString());
        const bool logged = route != "batch";
        QCOMPARE(QRegularExpression("\nE" + StampPattern + "raised here\n").match(readFile(path)).hasMatch(), logged);
    }

    void ignoreAllButtons_data()
    {
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("click");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<bool>("ignoreAll");
        QTest::newRow("plain report") << false << "OK" << QStringList{"OK"} << false;
        QTest::newRow("ignore") << true << "Ignore" << QStringList{"Ignore", "Ignore All"} << false;
        QTest::newRow("ignore all") << true << "Ignore All" << QStringList{"Ignore", "Ignore All"} << true;
    }
    void ignoreAllButtons()
    {
        QFETCH(bool, asked);
        QFETCH(QString, click);
        QFETCH(QStringList, buttons);
        QFETCH(bool, ignoreAll);
        auto sink = makeSink();
        m_buttonToClick = click;
        bool flag = false;
        sink->interactiveReport('W', QStringLiteral("scene locked"), asked ? &flag : nullptr);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].buttons, buttons);
        QCOMPARE(flag, ignoreAll);
    }

    void boxParent_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("innermost dialog parent") << "stack";
        QTest::newRow("modal floater") << "floater";
        QTest::newRow("visible registered widget") << "registered";
        QTest::newRow("hidden registered widget") << "hidden";
    }
    void boxParent()
    {
        QFETCH(QString, source);
        QWidget outer, inner, mainWidget, registered;
        auto *app = BUIAPP_Application::instance();
        QVERIFY(app);
        QApplication::setActiveWindow(nullptr);
        auto sink = makeSink();
        QWidget *expected = nullptr;
        if (source == "stack") {
            app->setMainWidget(&mainWidget);
            sink->pushDialogParent(&outer);
            sink->pushDialogParent(&inner);
            expected = &inner;
        } else if (source == "floater") {
            app->setMainWidget(&mainWidget);
            sink->pushDialogParent(&outer);
            sink->popDialogParent();
            expected = &mainWidget;
        } else {
            registered.setVisible(source == "registered");
            sink->setRegisteredWidget(&registered);
            expected = source == "registered" ? &registered : nullptr;
        }
        sink->interactiveReport('E', QStringLiteral("failed"), nullptr);
        app->setMainWidget(nullptr);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].parent, expected);
    }

    void boxWidthFollowsText()
    {
        auto sink = makeSink();
        sink->interactiveReport('E', QStringLiteral("short"), nullptr);
        sink->interactiveReport('E', QString("word ").repeated(200), nullptr);
        QCOMPARE(m_boxes.size(), 2);
        const int shortWidth = m_boxes[0].spacerWidth;
        const int longWidth = m_boxes[1].spacerWidth;
        QVERIFY(shortWidth > 0);
        QVERIFY2(shortWidth < longWidth, qPrintable(QStringLiteral("%1 %2").arg(shortWidth).arg(longWidth)));
        const int limit = int(640 * QWidget().logicalDpiX() / 96.0);
        QVERIFY(longWidth <= limit);
        QVERIFY(longWidth > limit / 2);
    }

    void attachedViewsReceiveLines()
    {
        auto sink = makeSink();
        QPlainTextEdit view, other;
        sink->attachLogView(&view);
        sink->attachLogView(&other);
        QCOMPARE(view.toPlainText(), sink->getLogContent());
        sink->report('W', MSG_Text("tst", "low disk"), 0, false);
        const QStringList lines = view.toPlainText().split('\n');
        QVERIFY(QRegularExpression("^Warning" + StampPattern + "low disk$").match(lines.last()).hasMatch());

        sink->detachLogView(&other);
        sink->report('E', MSG_Text("tst", "after detach"), 0, false);
        QVERIFY(view.toPlainText().endsWith("after detach"));
        QVERIFY(!other.toPlainText().contains("after detach"));

        sink->clearLog();
        QVERIFY(view.toPlainText().isEmpty());
        QVERIFY(!other.toPlainText().isEmpty());
    }
};

int main(int argc, char **argv)
{
    BUIAPP_Application app(argc, argv);
    tst_UIMessage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_uimessage.moc"
