#include "DbTestFixture.h"

#include "DBA_Setup.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
// Runs one statement on the PostgreSQL server's database, as its administrator.
bool runAdmin(const DBA_Url &server, const QString &statement, QString &error)
{
    const QString name = QStringLiteral("fixture-admin");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setUserName(server.user);
        db.setPassword(server.password);
        db.setDatabaseName(server.database);
        if (db.open()) {
            QSqlQuery query(db);
            if (!(ok = query.exec(statement)))
                error = query.lastError().text();
        } else {
            error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
} // namespace

bool DbTestFixture::isPostgres()
{
    return qEnvironmentVariable("TALLYARD_TEST_BACKEND") == QLatin1String("pg");
}

DbTestFixture::DbTestFixture()
{
    if (isPostgres()) {
        const QString server = qEnvironmentVariable("TALLYARD_TEST_PG_URL");
        QString error;
        const std::optional<DBA_Url> parsed = DBA_Url::parse(server + (server.contains('?') ? "&" : "?") + "root=/unused", error);
        static QAtomicInt counter;
        const QString database = QStringLiteral("tallyard_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(counter.fetchAndAddRelaxed(1));
        if (!parsed || !runAdmin(*parsed, "CREATE DATABASE " + database, m_error)) {
            m_error += error;
            return;
        }
        m_url = *parsed;
        m_url.database = database;
    }
    m_url.root = m_dir.path() + QStringLiteral("/root");
    qputenv("TALLYARD_DB", m_url.toString().toUtf8());
    m_valid = m_dir.isValid();
}

DbTestFixture::~DbTestFixture()
{
    qunsetenv("TALLYARD_DB");
    if (!isPostgres() || !m_valid)
        return;
    DBA_Url server = m_url;
    server.database = QStringLiteral("postgres");
    QString ignored;
    runAdmin(server, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_url.database), ignored);
}

bool DbTestFixture::initialize()
{
    if (m_initialized)
        return true;
    if (!m_valid)
        return false;
    m_initialized = DBA_Setup::initialize(m_url, QStringLiteral("admin"), QString(), m_error);
    return m_initialized;
}

std::unique_ptr<TUDbAccess> DbTestFixture::open(const QString &user)
{
    if (!initialize())
        return nullptr;
    auto access = std::make_unique<TUDbAccess>();
    access->dba_Initialize2dSystem(QStringLiteral("tests"));
    if (access->dba_Open2dDatabaseSession(m_url) != 0 || !access->setCurrentUser(user)) {
        m_error = access->lastErrorText();
        return nullptr;
    }
    return access;
}

bool DbTestFixture::addElement(TUDbAccess &db, const dba_scene_struct &scene, QVX_element_data element,
                               const QVector<dba_cel_struct> &cels)
{
    const qint64 id = db.dba_addElement(scene, element);
    if (id <= 0)
        return false;
    for (dba_cel_struct cel : cels) {
        if (db.dba_addCel(id, cel) <= 0)
            return false;
    }
    return true;
}

bool DbTestFixture::restart(std::unique_ptr<DbTestFixture> &fixture, std::unique_ptr<TUDbAccess> &db)
{
    // The old fixture's end unsets TALLYARD_DB, so it goes before the new one sets it.
    db.reset();
    fixture.reset();
    fixture = std::make_unique<DbTestFixture>();
    db = fixture->open();
    if (!db)
        qWarning("%s", qPrintable(fixture->errorString()));
    return bool(db);
}

bool DbTestFixture::restartWithJob(std::unique_ptr<DbTestFixture> &fixture, std::unique_ptr<TUDbAccess> &db,
                                   dba_job_struct *job, const QString &jobName)
{
    if (!restart(fixture, db) || !makeJob(*db, jobName))
        return false;
    dba_job_struct &record = job ? *job : db->jobRecord();
    record = dba_job_struct();
    return db->dba_OpenJob(jobName, record) == 0;
}

bool DbTestFixture::addScene(TUDbAccess &db, dba_job_struct &job, const QString &name, dba_scene_struct *scene) const
{
    if (!db.dba_CreateScene(job, name, QStringLiteral("admin"), fileSystem(), QString(), DBA_SceneOps::AddAtBottom, -1, 1)
        || (scene && db.dba_OpenScene(name, job, *scene) != 0)) {
        qWarning("%s", qPrintable(db.lastErrorText()));
        return false;
    }
    return true;
}

QString DbTestFixture::sceneDir(const QString &name, const QString &job) const
{
    return root() + QStringLiteral("/scenes/") + job + QStringLiteral("/scene-") + name;
}

dba_job_struct DbTestFixture::newJob(const QString &name, const QString &env)
{
    dba_job_struct job;
    job.name = name;
    job.environment = env;
    job.creationFlag = 1;
    return job;
}

bool DbTestFixture::makeJob(TUDbAccess &db, const QString &job, const QString &env)
{
    dba_job_struct record = newJob(job, env);
    if (db.createEnv(env, true) != 0 && db.dba_createJob(record) > 0)
        return true;
    qWarning("%s", qPrintable(db.lastErrorText()));
    return false;
}

bool DbTestFixture::exec(TUDbAccess &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query;
    QString error;
    if (db.context().connection.exec(query, sql, values, error))
        return true;
    qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    return false;
}

QVariant DbTestFixture::value(TUDbAccess &db, const QString &sql, const QVariantList &values)
{
    QString error;
    const QVariant result = db.context().connection.scalar(sql, values, error);
    if (!error.isEmpty())
        qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    return result;
}

bool DbTestFixture::writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray DbTestFixture::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList DbTestFixture::filesBelow(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        found << QDir(folder).relativeFilePath(path) + QLatin1Char('=') + QString::fromUtf8(readFile(path));
    }
    found.sort();
    return found;
}
