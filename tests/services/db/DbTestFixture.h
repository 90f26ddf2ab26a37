#pragma once

#include "DBA_Url.h"
#include "TUDbAccess.h"

#include <QString>
#include <QVariantList>
#include <QTemporaryDir>

#include <memory>

// A fresh, empty database for one test, on the backend the test program was
// started for: SQLite by default, PostgreSQL when TALLYARD_TEST_BACKEND=pg
// (then TALLYARD_TEST_PG_URL names the server; each fixture makes its own
// database on it and drops it afterwards).
class DbTestFixture
{
public:
    DbTestFixture();
    ~DbTestFixture();

    static bool isPostgres();
    bool isValid() const { return m_valid; }
    QString errorString() const { return m_error; }

    // The database's address; TALLYARD_DB is set to it as well, so code
    // that reads the environment finds the same database.
    const DBA_Url &url() const { return m_url; }
    QString root() const { return m_url.root; }
    // Creates the database (tables, seeded rights, users "BATCH" and "admin",
    // the file system "<root>/scenes") once; later calls do nothing.
    bool initialize();
    // An access with an open session, working as user (who must exist).
    std::unique_ptr<TUDbAccess> open(const QString &user = QStringLiteral("admin"));
    // The first registered file system, as stored.
    QString fileSystem() const { return QStringLiteral("/QVX_DB/scenes"); }

    // Adds an element with its cels to a scene; false when any of it fails.
    static bool addElement(TUDbAccess &db, const dba_scene_struct &scene, QVX_element_data element,
                           const QVector<dba_cel_struct> &cels);

    // A scratch folder beside the database root, for file systems and packages.
    QString scratch() const { return m_dir.path(); }

    // For a test's init(): closes the access and drops the fixture of the
    // test before, then makes a fresh fixture and opens it as "admin".
    static bool restart(std::unique_ptr<DbTestFixture> &fixture, std::unique_ptr<TUDbAccess> &db);
    // restart(), then environment "E" with job jobName in it, opened into job
    // (into db->jobRecord() when job is null).
    static bool restartWithJob(std::unique_ptr<DbTestFixture> &fixture, std::unique_ptr<TUDbAccess> &db,
                               dba_job_struct *job = nullptr, const QString &jobName = QStringLiteral("J"));
    // Scene name at the bottom of job, in its standard folder on the first
    // file system, made by admin; opened into scene when one is given.
    bool addScene(TUDbAccess &db, dba_job_struct &job, const QString &name, dba_scene_struct *scene = nullptr) const;
    // The local standard folder of scene name of job on the first file system.
    QString sceneDir(const QString &name, const QString &job = QStringLiteral("J")) const;
    // A record for a new job name in environment env, its folders to be made.
    static dba_job_struct newJob(const QString &name, const QString &env);
    // Environment env (with its folders) and job in it.
    static bool makeJob(TUDbAccess &db, const QString &job = QStringLiteral("J"), const QString &env = QStringLiteral("E"));
    // Runs one statement on db's connection; false, with the reason logged, when it fails.
    static bool exec(TUDbAccess &db, const QString &sql, const QVariantList &values = {});
    // The first value the statement gives; invalid, with the reason logged, when it fails.
    static QVariant value(TUDbAccess &db, const QString &sql, const QVariantList &values = {});
    // Writes a file, making its folders.
    static bool writeFile(const QString &path, const QByteArray &data = "data");
    static QByteArray readFile(const QString &path);
    // Every file below folder, relative, with its contents, sorted.
    static QStringList filesBelow(const QString &folder);

private:
    QTemporaryDir m_dir;
    DBA_Url m_url;
    bool m_valid = false;
    bool m_initialized = false;
    QString m_error;
};
