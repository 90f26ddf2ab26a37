// Times choosing the largest job in the main window's job list, until its
// scene table holds all of the job's scenes, against listing the same scenes
// through the database service alone, and prints window / service.
//
//   window_bench [--runs N]
//
// The window is built on the offscreen platform unless QT_QPA_PLATFORM names
// another; it still lays out and paints there. The database is SQLite.

#include "BUIAPP_Application.h"
#include "BenchSeed.h"
#include "BenchTimer.h"
#include "DBA_Url.h"
#include "TUDbAccess.h"
#include "TUDbSelect.h"
#include "TUTYScenesTable.h"
#include "TUTallyard.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using BenchSeed::kBigJob;
using BenchSeed::kBigJobScenes;
using BenchSeed::out;

const double kTarget = 3.0;
// How long a step may take before the window counts as stuck.
const qint64 kPatienceMs = 60000;

// Processes events, at least once, until done() holds or patience runs out.
bool processEventsUntil(const std::function<bool()> &done)
{
    QElapsedTimer waited;
    waited.start();
    do
        QCoreApplication::processEvents();
    while (!done() && !waited.hasExpired(kPatienceMs));
    return done();
}

// The main window over the seeded database, driven through its lists as the
// user's choosing in them would.
class WindowDriver
{
public:
    explicit WindowDriver(std::unique_ptr<TUDbAccess> access)
        : m_window(std::move(access), std::make_unique<TUDbSelectSingleDbClient>(9, 0, 0, 0), false)
        , m_envList(m_window.findChild<QListWidget *>(QStringLiteral("environmentList")))
        , m_jobList(m_window.findChild<QListWidget *>(QStringLiteral("jobList")))
        , m_scenes(m_window.findChild<TUTYScenesTable *>(QStringLiteral("scenesTable")))
    {
    }

    // Shows the window and chooses the environment holding job, so that
    // the job list offers it.
    bool open(const QString &job)
    {
        if (!m_envList || !m_jobList || !m_scenes) {
            out() << "The window lacks its environment list, job list or scene table\n";
            return false;
        }
        m_window.show();
        if (!processEventsUntil([this] { return m_window.windowHandle() && m_window.windowHandle()->isExposed(); })) {
            out() << "The window was never shown\n";
            return false;
        }
        dba_job_struct record;
        const QString environment =
            m_window.access().dba_OpenJob(job, record) == 0 ? record.environment : QString();
        m_window.access().dba_CloseJob(record);
        m_envList->setCurrentItem(findItem(m_envList, environment));
        processEventsUntil([this, &job] { return findItem(m_jobList, job) != nullptr; });
        m_jobItem = findItem(m_jobList, job);
        if (!m_jobItem)
            out() << "The job list does not offer " << job << '\n';
        return m_jobItem != nullptr;
    }

    // Makes the job current and selected, as a click in the job list does,
    // and waits until the scene table holds rows rows.
    bool chooseJob(int rows)
    {
        m_jobList->setCurrentItem(m_jobItem);
        return processEventsUntil([this, rows] { return m_scenes->topLevelItemCount() == rows; });
    }

    // Leaves no job chosen, which empties the scene table.
    void dropJob()
    {
        m_jobList->clearSelection();
        processEventsUntil([this] { return m_scenes->topLevelItemCount() == 0; });
    }

    TUDbAccess &access() { return m_window.access(); }

private:
    static QListWidgetItem *findItem(QListWidget *list, const QString &text)
    {
        const QList<QListWidgetItem *> items = list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        return items.size() == 1 ? items.first() : nullptr;
    }

    TUTallyard m_window;
    QListWidget *m_envList;
    QListWidget *m_jobList;
    TUTYScenesTable *m_scenes;
    QListWidgetItem *m_jobItem = nullptr;
};

QString millis(double micro)
{
    return QStringLiteral("%1 ms").arg(micro / 1000.0, 10, 'f', 2);
}

// Both ways of listing the big job's scenes, timed alternately; false when
// either gave a wrong number of rows.
bool measure(WindowDriver &window, int runs)
{
    int failures = 0;
    const BenchOperation inWindow{[&] { failures += !window.chooseJob(kBigJobScenes); }, [&] { window.dropJob(); }};
    const BenchOperation byService{
        [&] { failures += BenchSeed::listJobScenes(window.access(), kBigJob) != kBigJobScenes; }, {}};
    const QVector<double> times = BenchTimer::medians(runs, {inWindow, byService});
    const double ratio = times[0] / times[1];
    out() << QStringLiteral("%1 %2\n").arg(QStringLiteral("operation"), -52).arg(QStringLiteral("time"), 13);
    out() << QStringLiteral("%1 %2\n")
                 .arg(QStringLiteral("choose the %1-scene job in the window").arg(kBigJobScenes), -52)
                 .arg(millis(times[0]));
    out() << QStringLiteral("%1 %2\n")
                 .arg(QStringLiteral("list its scenes through the service (DBC_Table)"), -52)
                 .arg(millis(times[1]));
    out() << QStringLiteral("Window / service: %1 (target under %2)%3\n")
                 .arg(ratio, 0, 'f', 2)
                 .arg(kTarget)
                 .arg(ratio < kTarget ? QString() : QStringLiteral(", over target"));
    if (failures)
        out() << "Wrong result: " << failures << " runs did not list " << kBigJobScenes << " scenes\n";
    return failures == 0;
}

bool runBench(int runs)
{
    QTemporaryDir dir;
    DBA_Url url;
    url.root = dir.path() + QStringLiteral("/root");
    out() << "\n== SQLite: " << BenchSeed::kScenes << " scenes in " << BenchSeed::kJobs
          << " jobs, the largest holding " << kBigJobScenes << "; median of " << runs << " runs\n";
    // The window's user selector opens whatever database the environment names.
    qputenv("TALLYARD_DB", url.toString().toUtf8());
    auto access = std::make_unique<TUDbAccess>();
    if (!BenchSeed::createSeeded(url, *access, QStringLiteral("window_bench")))
        return false;
    WindowDriver window(std::move(access));
    return window.open(kBigJob) && measure(window, runs);
}

} // namespace

int main(int argc, char **argv)
{
    // A benchmark needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window's style switch lives on the program's own application class.
    BUIAPP_Application app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Runs per operation (default 21)."), QStringLiteral("N"),
                      QStringLiteral("21")});
    parser.process(app);
    const int runs = std::max(5, parser.value(QStringLiteral("runs")).toInt());
    const bool ok = runBench(runs);
    out().flush();
    return ok ? 0 : 1;
}
