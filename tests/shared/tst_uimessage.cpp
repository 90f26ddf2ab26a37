#include "BUIAPP_Application.h"
#include "MSG_Scope.h"
#include "TULogDlg.h"
#include "TULogView.h"
#include "TUUIMessage.h"
#include "oswUtil.h"
#include "whoami.h"

#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpacerItem>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QTranslator>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <memory>

namespace {

// An flock taken through a descriptor of its own, as another run would hold
// it (flock locks of two descriptors clash within one process as across two).
struct HeldLock {
    explicit HeldLock(const QString &path) : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
            ::close(std::exchange(fd, -1));
    }
    ~HeldLock() { if (fd >= 0) ::close(fd); }
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
    int saved = -1;
};

// Translates every text of the sink and of the tests, so a translated log is wanted.
struct BracketTranslator : QTranslator {
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "TUUIMessage") && qstrcmp(context, "tst"))
            return {};
        QString text = QString::fromUtf8(source);
        const bool endsLine = text.endsWith('\n');
        return '[' + text.left(text.size() - endsLine) + ']' + (endsLine ? "\n" : "");
    }
};

struct ShownBox {
    QMessageBox::Icon icon;
    QString title, text;
    QStringList buttons;
    QWidget *parent;
    int spacerWidth;
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
    QVector<ShownBox> m_boxes;
    QString m_buttonToClick;
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
            int spacer = -1;
            for (int i = 0; i < box.layout()->count(); ++i) {
                if (QSpacerItem *item = box.layout()->itemAt(i)->spacerItem())
                    spacer = qMax(spacer, item->sizeHint().width());
            }
            QStringList texts;
            for (QAbstractButton *button : box.buttons())
                texts << button->text();
            m_boxes.append({box.icon(), box.windowTitle(), box.text(), texts, box.parentWidget(), spacer});
            for (QAbstractButton *button : box.buttons()) {
                if (button->text() == m_buttonToClick)
                    button->click();
            }
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
        m_exits.clear();
        m_buttonToClick.clear();
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
        QFETCH(QString, number);
        const QString fileBase = base(QString(program).remove(' '));
        std::vector<std::unique_ptr<HeldLock>> held;
        if (earlier == "closed") {
            makeSink()->close();
            QVERIFY(!QFile::exists(fileBase + "0001.lock"));
            QVERIFY(QFile::exists(fileBase + "0001.log"));
        } else if (earlier == "runs") {
            for (const char *n : {"0001", "0002"}) {
                held.push_back(std::make_unique<HeldLock>(fileBase + n + ".lock"));
                QVERIFY(held.back()->fd >= 0);
            }
        } else if (!earlier.isEmpty()) {
            QFile file(fileBase + "0001." + earlier);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("earlier run\n") > 0);
        }
        QFETCH(bool, append);
        TUUIMessage sink(program, false, false, false, options(append));
        QCOMPARE(sink.logFilePath(), fileBase + number + ".log");
        if (earlier.isEmpty())
            QCOMPARE(logEntries(), QStringList({QFileInfo(fileBase).fileName() + "0001.lock",
                                                QFileInfo(fileBase).fileName() + "0001.log"}));
        const QStringList lock = linesOf(readFile(fileBase + number + ".lock"));
        QVERIFY(!lock.isEmpty() && QDateTime::fromString(lock[0], Qt::TextDate).isValid());
        QCOMPARE(lock.mid(1), QStringList({"Lock file for the log of " + program, "User: " + oswUtil::getUserName()}));
        // Our lock is a real one: nobody else can take it while we run.
        QCOMPARE(HeldLock(fileBase + number + ".lock").fd, -1);
        const QString content = readFile(fileBase + number + ".log");
        QCOMPARE(content.startsWith("earlier run\n"), append);
        QVERIFY(content.contains(" Application : " + program + "\n"));
        QVERIFY(m_exits.isEmpty());
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
            QVERIFY(::link(QFile::encodeName(first).constData(),
                           QFile::encodeName(base() + QString::asprintf("%04d.lock", n)).constData()) == 0);
        QWidget widget;
        widget.setVisible(!batch);
        StdErrCapture err;
        std::unique_ptr<TUUIMessage> sink = makeSink(true);
        sink->setRegisteredWidget(&widget);
        sink->setBatch(batch);
        sink->openLog();
        const QString stderrText = err.text();
        const QString message = "FATAL ERROR: Unable to open log file:\n" + base() + "9999.log\nThe application will terminate.";
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
        const QString logLine = " Log file : " + base() + "0001.log";
        const QStringList lines = linesOf(sink->getLogContent());
        QCOMPARE(lines.size(), debug ? 6 : 5);
        QVERIFY(lines[0].startsWith(" Date - Time : "));
        QVERIFY(QDateTime::fromString(lines[0].mid(15), Qt::TextDate).isValid());
        QCOMPARE(lines.mid(1, 4), QStringList({" Application : tallyard", " Version : " + WHO_StringTable::versionInfoLine(),
                                               " O/S User name : " + oswUtil::getUserName(),
                                               debug ? " Debug mode : ON" : " Debug mode : OFF"}));
        QVERIFY(!debug || lines[5] == logLine);

        // Switched the other way later: a trace says so, and names the log when turned on.
        const int headerSize = sink->getLogContent().size();
        sink->setDebugMode(!debug);
        QCOMPARE(sink->isDebugMode(), !debug);
        const QStringList added = linesOf(sink->getLogContent().mid(headerSize));
        QCOMPARE(added.size(), debug ? 1 : 2);
        QVERIFY(matches("^T" + StampPattern + "Debug mode : " + (debug ? "OFF" : "ON") + '$', added[0]));
        QVERIFY(debug || added[1].endsWith(logLine));
        QVERIFY(m_boxes.isEmpty());

        // Only with a translation active is a translated log kept beside the log.
        QCOMPARE(QFile::exists(base() + "0001.logi"), translated);
        if (translated) {
            const QString trLog = readFile(base() + "0001.logi");
            QVERIFY(trLog.startsWith("[ Date - Time : ") && trLog.contains("\n[ Application : tallyard]\n"));
            QVERIFY2(matches("\nT" + StampPattern + "\\[Debug mode : ON\\]\n", trLog), qPrintable(trLog));
        }
    }

    void switchingBatchBehaviour()
    {
        auto sink = makeSink();
        const QString path = sink->logFilePath();
        sink->setBatch(true);
        QCOMPARE(sink->logFilePath(), "No logFile");
        StdErrCapture err;
        // A header written now goes to standard error with the whole log so far.
        sink->writeHeader();
        sink->report('E', MSG_Text(QStringLiteral("name too long")), 1, true);
        const QString log = sink->getLogContent();
        QCOMPARE(log.count(" Application : tallyard\n"), 2);
        QCOMPARE(err.text(), log + "name too long\n");
        QVERIFY(!log.contains("name too long"));
        sink->setBatch(false);
        QCOMPARE(sink->logFilePath(), path);
        sink->report('E', MSG_Text(QStringLiteral("back in window")), 0, false);
        QVERIFY(readFile(path).contains("back in window"));
        QVERIFY(m_boxes.isEmpty());
    }

    // The pending report shows in one box: its kind follows the gravest message,
    // its text lists them, up to thirty lines.
    void reportKindAndText_data()
    {
        QTest::addColumn<QString>("types");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("text");
        const QStringList m = {"m1", "m2"};
        const QString two = "\n - m1\n - m2", errors = "The following errors occurred:\n";
        const int critical = QMessageBox::Critical, warning = QMessageBox::Warning, info = QMessageBox::Information;
        QTest::newRow("one error") << "E" << m << critical << "The following error occurred:\nm1";
        QTest::newRow("one warning") << "W" << m << warning << "The following warning occurred:\nm1";
        QTest::newRow("error after warning") << "WE" << m << critical << errors + two;
        QTest::newRow("warning after error") << "EW" << m << critical << errors + two;
        QTest::newRow("information") << "I" << m << info << "Information:\nm1";
        QTest::newRow("trace while information") << "IT" << m << warning << "The following warnings occurred:\n" + two;
        QTest::newRow("warning after information") << "IW" << m << info << "Information:\n" + two;

        QStringList thirty;
        for (int i = 1; i <= 30; ++i)
            thirty << QStringLiteral("error %1").arg(i);
        const auto listed = [&](const QStringList &shown, bool cut) { return errors + "\n - " + shown.join("\n - ") + (cut ? "..." : ""); };
        const QStringList longOne = thirty.mid(0, 28) + QStringList{"a\nb\nc\nd\ne", "late"};
        const QStringList twoLines = thirty.mid(0, 28) + QStringList{"a\nb", "late"};
        QTest::newRow("30 one-line errors") << QString(30, 'E') << thirty << critical << listed(thirty, false);
        QTest::newRow("a long one crosses the limit") << QString(30, 'E') << longOne << critical << listed(longOne.mid(0, 29), true);
        QTest::newRow("a two-line one ends exactly at the limit")
            << QString(30, 'E') << twoLines << critical << listed(twoLines.mid(0, 29), true);
    }
    void reportKindAndText()
    {
        QFETCH(QString, types);
        QFETCH(QStringList, messages);
        auto sink = makeSink();
        sink->suspendReport(true);
        for (int i = 0; i < types.size(); ++i)
            sink->report(types[i].toLatin1(), MSG_Text(messages[i]), 0, true);
        QVERIFY(m_boxes.isEmpty());
        sink->suspendReport(false);
        QCOMPARE(m_boxes.size(), 1);
        QTEST(int(m_boxes[0].icon), "icon");
        QTEST(m_boxes[0].text, "text");
        QCOMPARE(m_boxes[0].title, "tallyard");
        QCOMPARE(m_boxes[0].buttons, QStringList{"OK"});
        // The report was emptied: resuming again shows nothing more.
        sink->suspendReport(true);
        sink->suspendReport(false);
        QCOMPARE(m_boxes.size(), 1);
    }

    // Where a message goes: into the log (typed or as it is), a report box, standard error.
    void messageRoutes_data()
    {
        QTest::addColumn<QString>("sinkKind"); // "window" or "batch", with " silent" or " direct"
        QTest::addColumn<QString>("raised"); // "scope" on the main thread, "worker" on another, "quiet": not interactive
        QTest::addColumn<int>("boxes");
        QTest::addColumn<bool>("toStdErr");
        QTest::addColumn<QString>("logged"); // a pattern for what the log gains; empty: there is no log
        const QString line = "^E" + StampPattern + "Scène introuvable\n$";
        QTest::newRow("main thread") << "window" << "scope" << 1 << false << line;
        QTest::newRow("worker thread") << "window" << "worker" << 0 << false << line;
        QTest::newRow("not interactive") << "window" << "quiet" << 0 << false << line;
        QTest::newRow("silent") << "window silent" << "scope" << 0 << false << line;
        QTest::newRow("direct") << "window direct" << "quiet" << 0 << false << "^Scène introuvable$";
        QTest::newRow("batch") << "batch" << "scope" << 0 << true << "";
        QTest::newRow("batch, silent") << "batch silent" << "scope" << 0 << false << "";
        QTest::newRow("batch, silent but direct") << "batch silent direct" << "scope" << 0 << true << "";
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
        sink->setDirect(sinkKind.contains("direct"));
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
        if (logged.isEmpty()) {
            QCOMPARE(sink->logFilePath(), "No logFile");
            QVERIFY(logEntries().isEmpty());
        } else {
            const QString added = sink->getLogContent().mid(headerSize);
            QVERIFY2(matches(logged, added), qPrintable(added));
        }
    }

    // Asked for, the box offers "Ignore" and "Ignore All"; only the latter sets the flag.
    void ignoreAllButtons()
    {
        auto sink = makeSink();
        for (const QString click : {"Ignore", "Ignore All"}) {
            m_buttonToClick = click;
            bool flag = false;
            sink->interactiveReport('W', QStringLiteral("scene locked"), &flag);
            QCOMPARE(m_boxes.last().buttons, QStringList({"Ignore", "Ignore All"}));
            QCOMPARE(flag, click == "Ignore All");
        }
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
        QApplication::setActiveWindow(nullptr);
        auto sink = makeSink();
        QWidget *expected = nullptr;
        if (source == "stack" || source == "floater") {
            app->setMainWidget(&mainWidget);
            sink->pushDialogParent(&outer);
            if (source == "stack")
                sink->pushDialogParent(&inner);
            else
                sink->popDialogParent();
            expected = source == "stack" ? &inner : &mainWidget;
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
        const int shortWidth = m_boxes[0].spacerWidth, longWidth = m_boxes[1].spacerWidth;
        const int limit = int(640 * QWidget().logicalDpiX() / 96.0);
        QVERIFY2(0 < shortWidth && shortWidth < longWidth && longWidth <= limit && longWidth > limit / 2,
                 qPrintable(QStringLiteral("%1 %2").arg(shortWidth).arg(longWidth)));
    }

    // A log view follows the window sink from its start; other views once attached,
    // until detached. A view made with no window sink installed stays empty.
    void logViews()
    {
        auto sink = makeSink();
        TULogView unattached;
        TUMessage::setInstance(sink.get());
        auto *dialog = new TULogDlg(&unattached);
        TULogView *view = dialog->view();
        QCOMPARE(dialog->findChild<TULogView *>("logView"), view);
        QCOMPARE(view->windowTitle(), "Log Window");
        QVERIFY(view->isReadOnly());
        QPlainTextEdit other;
        sink->attachLogView(&other);
        QCOMPARE(view->toPlainText(), sink->getLogContent());
        MSG_Scope("tst", "low disk", MSG_Scope::Inform);
        QVERIFY(matches("\nInformation" + StampPattern + "low disk$", view->toPlainText()));
        QVERIFY(unattached.toPlainText().isEmpty());

        sink->detachLogView(&other);
        sink->report('E', MSG_Text("tst", "after detach"), 0, false);
        QVERIFY(view->toPlainText().endsWith("after detach"));
        QVERIFY(!other.toPlainText().contains("after detach"));
        sink->clearLog();
        QVERIFY(view->toPlainText().isEmpty());
        QVERIFY(!other.toPlainText().isEmpty());

        // The dialog closes with its button.
        dialog->show();
        auto *close = dialog->findChild<QPushButton *>();
        QCOMPARE(close->text(), "&Close");
        close->click();
        QVERIFY(!dialog->isVisible());
    }
};

int main(int argc, char **argv)
{
    BUIAPP_Application app(argc, argv);
    tst_UIMessage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_uimessage.moc"
