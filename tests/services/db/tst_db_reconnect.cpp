#include "DBA_Setup.h"
#include "TUDbAccess.h"
#include "TUDbSelect.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// A PostgreSQL server restarted under a running program: the call that
// meets the dead connection fails cleanly, the next one works. The test owns
// a private cluster (scripts/pg-cluster.sh), since it stops and starts it.
class tst_DbReconnect : public QObject
{
    Q_OBJECT

    QString m_cluster;
    QTemporaryDir m_root;
    DBA_Url m_url;

    // Runs a line of shell with the cluster script's functions; its output.
    static bool cluster(const QString &line, QString *output = nullptr)
    {
        QProcess shell;
        shell.start("bash", {"-c", QStringLiteral("source '%1/scripts/pg-cluster.sh' && %2").arg(TALLYARD_SOURCE_DIR, line)});
        if (!shell.waitForFinished(120000) || shell.exitCode() != 0) {
            qWarning("%s: %s", qPrintable(line), shell.readAllStandardError().constData());
            return false;
        }
        if (output)
            *output = QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
        return true;
    }
    std::unique_ptr<TUDbAccess> open()
    {
        auto access = std::make_unique<TUDbAccess>();
        if (access->dba_Open2dDatabaseSession(m_url) != 0 || !access->setCurrentUser("admin"))
            return nullptr;
        return access;
    }

private slots:
    void initTestCase()
    {
        if (QDir("/usr/lib/postgresql").isEmpty())
            QSKIP("PostgreSQL is not installed");
        QVERIFY(cluster("pg_cluster_start >/dev/null && echo \"$PG_CLUSTER_DIR\"", &m_cluster) && !m_cluster.isEmpty());
        QString error;
        const std::optional<DBA_Url> url = DBA_Url::parse(
            QStringLiteral("postgresql://postgres@localhost/tallyard?host=%1&root=%2").arg(m_cluster, m_root.path()), error);
        QVERIFY2(url, qPrintable(error));
        m_url = *url;
        qputenv("TALLYARD_DB", m_url.toString().toUtf8()); // for the selector
        QVERIFY2(DBA_Setup::initialize(m_url, "admin", QString(), error), qPrintable(error));
    }
    void cleanupTestCase()
    {
        if (!m_cluster.isEmpty())
            cluster(QStringLiteral("pg_cluster_ctl '%1' stop; rm -rf '%1'").arg(m_cluster));
    }

    void nextCallAfterRestartWorks()
    {
        std::unique_ptr<TUDbAccess> db = open();
        QVERIFY2(db, "cannot open a session");
        QVERIFY(db->createEnv("Before", false) != 0);
        TUDbSelect selector(9, 0, 0, 0); // shares the program's connection

        QVERIFY(cluster(QStringLiteral("pg_cluster_ctl '%1' stop").arg(m_cluster)));
        QStringList names;
        QVERIFY(db->dba_GetEnvironments(names) < 0);
        QVERIFY(!db->lastErrorText().isEmpty());
        // Nothing to reach: the program says why, and a user name is not the problem.
        QCOMPARE(open(), nullptr);
        QVERIFY(!selector.setUserName("admin"));
        QVERIFY2(selector.databaseFailure().contains("Cannot connect to the PostgreSQL database"), qPrintable(selector.databaseFailure()));

        QVERIFY(cluster(QStringLiteral("pg_cluster_ctl '%1' start").arg(m_cluster)));
        QVERIFY(db->createEnv("After", false) != 0);
        names.clear();
        QVERIFY(db->dba_GetEnvironments(names) >= 0);
        QCOMPARE(names, QStringList({"After", "Before"}));
        QVERIFY(selector.setUserName("admin"));
    }
};

QTEST_GUILESS_MAIN(tst_DbReconnect)
#include "tst_db_reconnect.moc"
