#include "BUIAPP_Application.h"
#include "MSG_Scope.h"
#include "TULogDlg.h"
#include "TULogView.h"
#include "TUUIMessage.h"
#include "oswUtil.h"
#include "whoami.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QTranslator>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// An flock taken through a descriptor of its own, as another run would hold
// it (flock locks of two descriptors clash within one process as across two).
struct HeldLock {
    explicit HeldLock(const QString &path) : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
            ::close(std::exchange(fd, -1));
    }
    ~HeldLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int fd;
};

// Sends what is written to standard error into a file until text() is read.
struct StdErrCapture {
    StdErrCapture()
    {
        file.open();
        std::fflush(stderr);
        saved = ::dup(2);
        ::dup2(file.handle(), 2);
    }
    ~StdErrCapture() { text(); }
    QString text()
    {
        if (saved >= 0) {
            std::fflush(stderr);
            ::dup2(saved, 2);
            ::close(std::exchange(saved, -1));
        }
        file.seek(0);
        return QString::fromUtf8(file.readAll());
    }
    QTemporaryFile file;
    int saved;
};

// Translates every text of the sink and of these tests, so a translated log is wanted.
struct BracketTranslator : QTranslator {
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        const QString text = QString::fromUtf8(source);
        const bool endsLine = text.endsWith('\n');
        if (qstrcmp(context, "TUUIMessage") && qstrcmp(context, "tst"))
            return QString();
        return '[' + text.left(text.size() - endsLine) + ']' + (endsLine ? "\n" : "");
    }
};

QStringList linesOf(const QString &text) { return text.split('\n', Qt::SkipEmptyParts); }

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool matches(const QString &pattern, const QString &text) { return QRegularExpression(pattern).match(text).hasMatch(); }

const QString StampPattern = QStringLiteral(" \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ");

} // namespace

class tst_UIMessage : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_logs;
    QStringList m_boxes; // each shown box as "<icon> <title> [<buttons>]: <text>"
    QVector<QWidget *> m_parents;
    QVector<int> m_exits;

    // Where the log files of program are numbered.
    QString base(const QString &program = "tallyard") const
    {
        return m_logs->path() + '/' + program + '_' + oswUtil::getUserName() + '_';
    }

    TUUIMessage::Options options(bool append = false)
    {
        TUUIMessage::Options o;
        o.appendLog = append;
        o.exitProcess = [this](int status) { m_exits.append(status); };
        o.runBox = [this](QMessageBox &box) {
            QStringList buttons;
            for (QAbstractButton *button : box.buttons())
                buttons << button->text();
            const char *icons[] = {"None", "Information", "Warning", "Critical"};
            m_boxes << QStringLiteral("%1 %2 [%3]: %4").arg(icons[box.icon()], box.windowTitle(), buttons.join('|'), box.text());
            m_parents << box.parentWidget();
        };
        return o;
    }

    std::unique_ptr<TUUIMessage> makeSink(bool batch = false, bool debug = false)
    {
        return std::make_unique<TUUIMessage>("tallyard", debug, batch, false, options());
    }

    QStringList logEntries() const { return QDir(m_logs->path()).entryList(QDir::Files, QDir::Name); }

private slots:
    void init()
    {
        m_logs = std::make_unique<QTemporaryDir>();
        qputenv("TALLYARD_LOG_DIR", QFile::encodeName(m_logs->path()));
        m_boxes.clear();
        m_parents.clear();
        m_exits.clear();
    }
    void cleanup()
    {
        TUMessage::releaseInstance();
        m_logs.reset();
    }

    // The number a new sink takes, and the lock and log files it keeps there.
    void logNumberAndFiles_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("earlier"); // what an earlier run left, or holds
        QTest::addColumn<bool>("append");
        QTest::addColumn<QString>("number");
        QTest::newRow("first number, blanks removed from the name") << "Tally Yard" << "" << false << "0001";
        QTest::newRow("held by two other runs") << "tallyard" << "runs" << false << "0003";
        QTest::newRow("lock file left by a run that crashed") << "tallyard" << "lock" << false << "0001";
        QTest::newRow("closed by an earlier sink") << "tallyard" << "closed" << false << "0001";
        QTest::newRow("earlier log appended to") << "tallyard" << "log" << true << "0001";
        QTest::newRow("earlier log replaced") << "tallyard" << "log" << false << "0001";
    }
    void logNumberAndFiles()
    {
        QFETCH(QString, program);
        QFETCH(QString, earlier);
        QFETCH(bool, append);
        QFETCH(QString, number);
        const QString fileBase = base(QString(program).remove(' '));
        const bool runs = earlier == "runs";
        HeldLock first(runs ? fileBase + "0001.lock" : QString()), second(runs ? fileBase + "0002.lock" : QString());
        QCOMPARE(first.fd >= 0 && second.fd >= 0, runs);
        const auto closed = earlier == "closed" ? makeSink() : nullptr; // kept while the next one starts
        if (closed) {
            closed->close();
            QVERIFY(!QFile::exists(fileBase + "0001.lock") && QFile::exists(fileBase + "0001.log"));
        } else if (earlier == "lock" || earlier == "log") {
            QFile file(fileBase + "0001." + earlier);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("earlier run\n") > 0);
        }
        TUUIMessage sink(program, false, false, false, options(append));
        const QString logFile = fileBase + number + ".log", lockFile = fileBase + number + ".lock";
        QCOMPARE(sink.logFilePath(), logFile);
        if (earlier.isEmpty())
            QCOMPARE(logEntries(), QStringList({QFileInfo(fileBase).fileName() + "0001.lock", QFileInfo(fileBase).fileName() + "0001.log"}));
        const QStringList lock = linesOf(readFile(lockFile));
        QVERIFY(!lock.isEmpty() && QDateTime::fromString(lock[0], Qt::TextDate).isValid());
        QCOMPARE(lock.mid(1), QStringList({"Lock file for the log of " + program, "User: " + oswUtil::getUserName()}));
        // Our lock is a real one: nobody else can take it while we run.
        QCOMPARE(HeldLock(lockFile).fd, -1);
        const QString content = readFile(logFile);
        QCOMPARE(content.startsWith("earlier run\n"), append);
        QVERIFY(content.contains(" Application : " + program + "\n"));
    }

    void noFreeNumberIsFatal_data()
    {
        QTest::addColumn<bool>("batch");
        QTest::newRow("window run closes its widget") << false;
        QTest::newRow("batch behaviour") << true;
    }
    void noFreeNumberIsFatal()
    {
        QFETCH(bool, batch);
        // Hard links share one lock: a single held descriptor takes all 9999 numbers.
        const QString first = base() + "0001.lock";
        HeldLock hold(first);
        QVERIFY(hold.fd >= 0);
        for (int n = 2; n <= TUUIMessage::LastLogNumber; ++n)
            QVERIFY(::link(QFile::encodeName(first).constData(), QFile::encodeName(base() + QString::asprintf("%04d.lock", n)).constData()) == 0);
        QWidget widget;
        widget.setVisible(!batch);
        StdErrCapture err;
        std::unique_ptr<TUUIMessage> sink = makeSink(true);
        sink->setRegisteredWidget(&widget);
        sink->setBatch(batch);
        sink->openLog();
        const QString message = "FATAL ERROR: Unable to open log file:\n" + base() + "9999.log\nThe application will terminate.";
        QCOMPARE(err.text(), batch ? message + '\n' : QString());
        QCOMPARE(m_boxes, batch ? QStringList() : QStringList{"Critical tallyard [OK]: " + message});
        QCOMPARE(m_exits, QVector<int>({1}));
        QVERIFY(!widget.isVisible());
        QVERIFY(!QFile::exists(base() + "0001.log"));
    }

    void headerLines_data()
    {
        QTest::addColumn<bool>("debug");
        QTest::addColumn<bool>("translated");
        QTest::newRow("debug off") << false << false;
        QTest::newRow("debug on") << true << false;
        QTest::newRow("translation active") << false << true;
    }
    void headerLines()
    {
        QFETCH(bool, debug);
        QFETCH(bool, translated);
        BracketTranslator translator; // removes itself when it goes
        if (translated)
            QCoreApplication::installTranslator(&translator);
        auto sink = makeSink(false, debug);
        sink->report('W', MSG_Text("tst", "low disk"), 0, false);
        const QStringList lines = linesOf(readFile(base() + "0001.log"));
        QVERIFY(lines.value(0).startsWith(" Date - Time : ") && QDateTime::fromString(lines[0].mid(15), Qt::TextDate).isValid());
        QStringList header = {" Application : tallyard", " Version : " + WHO_StringTable::versionInfoLine(),
                              " O/S User name : " + oswUtil::getUserName(), debug ? " Debug mode : ON" : " Debug mode : OFF"};
        if (debug)
            header << " Log file : " + base() + "0001.log";
        QCOMPARE(lines.mid(1, lines.size() - 2), header);
        // The banner's lines stay apart as words in the one-line form.
        QVERIFY2(matches("^Tallyard .+\\), Scene database administration, Qt \\d", WHO_StringTable::versionInfoLine()),
                 qPrintable(WHO_StringTable::versionInfoLine()));
        QVERIFY(matches("^W" + StampPattern + "low disk$", lines.last()));
        // Only with a translation active is a translated log kept beside the log.
        const QString trLog = readFile(base() + "0001.logi");
        QCOMPARE(QFile::exists(base() + "0001.logi"), translated);
        QVERIFY2(!translated || (trLog.startsWith("[ Date - Time : ") && trLog.contains("\n[ Application : tallyard]\n")
                                 && matches("\nW" + StampPattern + "\\[low disk\\]\n$", trLog)), qPrintable(trLog));
    }

    // The pending report shows in one box: its kind follows the gravest message,
    // its text lists them, up to thirty lines.
    void reportKindAndText_data()
    {
        QTest::addColumn<QString>("types");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("box");
        const QStringList m = {"m1", "m2"};
        const QString two = "\n - m1\n - m2", errors = "Critical tallyard [OK]: The following errors occurred:\n";
        QTest::newRow("one error") << "E" << m << "Critical tallyard [OK]: The following error occurred:\nm1";
        QTest::newRow("one warning") << "W" << m << "Warning tallyard [OK]: The following warning occurred:\nm1";
        QTest::newRow("error after warning") << "WE" << m << errors + two;
        QTest::newRow("warning after error") << "EW" << m << errors + two;
        QTest::newRow("information") << "I" << m << "Information tallyard [OK]: Information:\nm1";
        QTest::newRow("trace while information") << "IT" << m << "Warning tallyard [OK]: The following warnings occurred:\n" + two;
        QTest::newRow("warning after information") << "IW" << m << "Information tallyard [OK]: Information:\n" + two;

        QStringList thirty;
        for (int i = 1; i <= 30; ++i)
            thirty << QStringLiteral("error %1").arg(i);
        const auto listed = [&](const QStringList &shown, bool cut) { return errors + "\n - " + shown.join("\n - ") + (cut ? "..." : ""); };
        const QStringList longOne = thirty.mid(0, 28) + QStringList{"a\nb\nc\nd\ne", "late"};
        const QStringList twoLines = thirty.mid(0, 28) + QStringList{"a\nb", "late"};
        QTest::newRow("30 one-line errors") << QString(30, 'E') << thirty << listed(thirty, false);
        QTest::newRow("a long one crosses the limit") << QString(30, 'E') << longOne << listed(longOne.mid(0, 29), true);
        QTest::newRow("a two-line one ends exactly at the limit") << QString(30, 'E') << twoLines << listed(twoLines.mid(0, 29), true);
    }
    void reportKindAndText()
    {
        QFETCH(QString, types);
        QFETCH(QStringList, messages);
        QFETCH(QString, box);
        auto sink = makeSink();
        sink->suspendReport(true);
        for (int i = 0; i < types.size(); ++i)
            sink->report(types[i].toLatin1(), MSG_Text(messages[i]), 0, true);
        QVERIFY(m_boxes.isEmpty());
        sink->suspendReport(false);
        // The report was emptied: resuming again shows nothing more.
        sink->suspendReport(true);
        sink->suspendReport(false);
        QCOMPARE(m_boxes, QStringList{box});
    }

    // The box is as wide as its longest line: a refusal keeps its three lines.
    void boxGivesTheTextRoom()
    {
        int lines = 0, laidOut = -1;
        TUUIMessage::Options o = options();
        o.runBox = [&](QMessageBox &box) {
            box.show();
            box.layout()->activate();
            const auto *label = box.findChild<QLabel *>("qt_msgbox_label");
            const QFontMetrics metrics(label->font());
            const QRect room(0, 0, label->contentsRect().width(), 10000);
            lines = label->text().count('\n') + 1;
            laidOut = metrics.boundingRect(room, Qt::TextWordWrap, label->text()).height() / metrics.lineSpacing();
        };
        TUUIMessage sink("tallyard", false, false, false, o);
        sink.report('E', MSG_Text("You do not have the permission necessary to checkout scene sc020 -- \n"
                                  "please contact your supervisor or TD to change your user type\nor to delete the scenes"),
                    0, true);
        QCOMPARE(laidOut, lines);
    }

    // Where a message goes: into the log, a report box, standard error.
    void messageRoutes_data()
    {
        QTest::addColumn<QString>("sinkKind"); // "window" or "batch", maybe " silent"
        QTest::addColumn<QString>("raised"); // "scope" on the main thread, "worker" on another, "quiet": not interactive
        QTest::addColumn<int>("boxes");
        QTest::addColumn<bool>("toStdErr");
        QTest::addColumn<QString>("logged"); // a pattern for what the log gains; empty: there is no log
        const QString line = "^E" + StampPattern + "Scène introuvable\n$";
        QTest::newRow("main thread") << "window" << "scope" << 1 << false << line;
        QTest::newRow("worker thread") << "window" << "worker" << 0 << false << line;
        QTest::newRow("not interactive") << "window" << "quiet" << 0 << false << line;
        QTest::newRow("silent") << "window silent" << "scope" << 0 << false << line;
        QTest::newRow("batch") << "batch" << "scope" << 0 << true << "";
        QTest::newRow("batch, silent") << "batch silent" << "scope" << 0 << false << "";
    }
    void messageRoutes()
    {
        QFETCH(QString, sinkKind);
        QFETCH(QString, raised);
        QFETCH(bool, toStdErr);
        QFETCH(QString, logged);
        const QString text = "Scène introuvable";
        auto sink = makeSink(sinkKind.startsWith("batch"));
        TUMessage::setInstance(sink.get());
        sink->setSilent(sinkKind.contains("silent"));
        const int headerSize = sink->getLogContent().size();
        StdErrCapture err;
        if (raised == "worker") {
            std::unique_ptr<QThread> worker(QThread::create([text] { MSG_Scope("tst", MSG_Text(text), MSG_Scope::Error, 1); }));
            worker->start();
            QVERIFY(worker->wait());
            // Held until the main thread's event loop comes round.
            QCOMPARE(sink->getLogContent().size(), headerSize);
            QCoreApplication::sendPostedEvents();
        } else if (raised == "quiet") {
            sink->report('E', MSG_Text(text), 1, false);
        } else {
            MSG_Scope("tst", MSG_Text(text), MSG_Scope::Error, 1);
        }
        QTEST(int(m_boxes.size()), "boxes");
        QCOMPARE(err.text(), toStdErr ? text + '\n' : QString());
        QCOMPARE(sink->getErrorCode(), 1);
        const QString added = sink->getLogContent().mid(headerSize);
        QVERIFY2(logged.isEmpty() ? sink->logFilePath() == "No logFile" && logEntries().isEmpty() : matches(logged, added), qPrintable(added));
    }

    // A box's parent: the modal floater, else the registered widget while it shows.
    void boxParent()
    {
        QWidget mainWidget, registered;
        QApplication::setActiveWindow(nullptr);
        auto sink = makeSink();
        sink->setRegisteredWidget(&registered);
        sink->report('E', MSG_Text("hidden"), 0, true);
        registered.show();
        sink->report('E', MSG_Text("shown"), 0, true);
        BUIAPP_Application::instance()->setMainWidget(&mainWidget);
        sink->report('E', MSG_Text("floater"), 0, true);
        BUIAPP_Application::instance()->setMainWidget(nullptr);
        QCOMPARE(m_parents, QVector<QWidget *>({nullptr, &registered, &mainWidget}));
    }

    // A log view follows the window sink from its start; one made with no
    // window sink installed stays empty.
    void logViews()
    {
        auto sink = makeSink();
        TULogView unattached;
        TUMessage::setInstance(sink.get());
        TULogView *view = (new TULogDlg(&unattached))->view();
        QCOMPARE(view->toPlainText(), sink->getLogContent());
        MSG_Scope("tst", "low disk", MSG_Scope::Inform);
        QVERIFY(matches("\nInformation" + StampPattern + "low disk$", view->toPlainText()));
        QVERIFY(unattached.toPlainText().isEmpty());
    }
};

int main(int argc, char **argv)
{
    BUIAPP_Application app(argc, argv);
    tst_UIMessage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_uimessage.moc"
