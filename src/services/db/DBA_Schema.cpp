#include "DBA_Schema.h"

#include "DBA_Connection.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace {

// {id} an auto-numbered primary key, {int} a 64-bit integer; a statement
// beginning {postgres} is made on PostgreSQL only.
const char *const kMigrations[] = {
    // 1: the hierarchy, users and rights, locks, queues, sessions.
    R"SQL(
CREATE TABLE file_systems (
    id {id},
    path TEXT NOT NULL UNIQUE
);
CREATE TABLE users (
    id {id},
    name TEXT NOT NULL UNIQUE,
    first_name TEXT NOT NULL DEFAULT '',
    last_name TEXT NOT NULL DEFAULT '',
    email TEXT NOT NULL DEFAULT '',
    type INTEGER NOT NULL
);
CREATE TABLE rights (
    user_type INTEGER NOT NULL,
    permission TEXT NOT NULL,
    allowed INTEGER NOT NULL,
    PRIMARY KEY (user_type, permission)
);
CREATE TABLE sessions (
    id {id},
    user_name TEXT NOT NULL,
    host TEXT NOT NULL,
    application TEXT NOT NULL,
    pid INTEGER NOT NULL,
    started {int} NOT NULL,
    last_pulse {int} NOT NULL
);
CREATE TABLE environments (
    id {id},
    name TEXT NOT NULL UNIQUE,
    scene_asset_lock INTEGER NOT NULL DEFAULT 0,
    created {int} NOT NULL
);
CREATE TABLE jobs (
    id {id},
    environment_id {int} NOT NULL REFERENCES environments(id) ON DELETE CASCADE,
    name TEXT NOT NULL UNIQUE,
    td TEXT NOT NULL DEFAULT '',
    atd TEXT NOT NULL DEFAULT '',
    priority INTEGER NOT NULL DEFAULT 0,
    manual_approval INTEGER NOT NULL DEFAULT 0,
    stage TEXT NOT NULL DEFAULT '',
    created {int} NOT NULL
);
CREATE INDEX jobs_environment ON jobs(environment_id);
CREATE TABLE scenes (
    id {id},
    job_id {int} NOT NULL REFERENCES jobs(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    sort_order INTEGER NOT NULL,
    file_system TEXT NOT NULL DEFAULT '',
    path TEXT NOT NULL,
    priority INTEGER NOT NULL DEFAULT 0,
    frames INTEGER NOT NULL DEFAULT 0,
    stage_index INTEGER NOT NULL DEFAULT 0,
    approval_stage TEXT NOT NULL DEFAULT '',
    assigned_to TEXT NOT NULL DEFAULT '',
    td TEXT NOT NULL DEFAULT '',
    atd TEXT NOT NULL DEFAULT '',
    pencil_test INTEGER NOT NULL DEFAULT 0,
    paper_size INTEGER NOT NULL DEFAULT 0,
    scan_size DOUBLE PRECISION NOT NULL DEFAULT 0,
    current_version INTEGER NOT NULL DEFAULT 0,
    created {int} NOT NULL,
    created_by TEXT NOT NULL DEFAULT '',
    checked_out INTEGER NOT NULL DEFAULT 0,
    checkout_user TEXT NOT NULL DEFAULT '',
    checkout_date {int} NOT NULL DEFAULT 0,
    checkout_host TEXT NOT NULL DEFAULT '',
    UNIQUE (job_id, name)
);
CREATE INDEX scenes_order ON scenes(job_id, sort_order);
CREATE TABLE scene_stages (
    job_id {int} NOT NULL REFERENCES jobs(id) ON DELETE CASCADE,
    stage_index INTEGER NOT NULL,
    name TEXT NOT NULL,
    PRIMARY KEY (job_id, stage_index)
);
CREATE TABLE scene_versions (
    id {id},
    scene_id {int} NOT NULL REFERENCES scenes(id) ON DELETE CASCADE,
    number INTEGER NOT NULL,
    name TEXT NOT NULL DEFAULT '',
    description TEXT NOT NULL DEFAULT '',
    created {int} NOT NULL,
    created_by TEXT NOT NULL DEFAULT '',
    created_host TEXT NOT NULL DEFAULT '',
    UNIQUE (scene_id, number)
);
CREATE TABLE elements (
    id {id},
    scene_id {int} NOT NULL REFERENCES scenes(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    folder TEXT NOT NULL DEFAULT '',
    root_folder TEXT NOT NULL DEFAULT 'elements',
    pixmap_type TEXT NOT NULL DEFAULT '',
    scan_type TEXT NOT NULL DEFAULT '',
    vector_type INTEGER NOT NULL DEFAULT 0,
    field_chart DOUBLE PRECISION NOT NULL DEFAULT 12,
    UNIQUE (scene_id, name)
);
CREATE TABLE cels (
    id {id},
    element_id {int} NOT NULL REFERENCES elements(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    suffix TEXT NOT NULL DEFAULT '',
    stage INTEGER NOT NULL DEFAULT 0,
    state INTEGER NOT NULL DEFAULT 0,
    UNIQUE (element_id, name, suffix)
);
CREATE TABLE locks (
    id {id},
    kind TEXT NOT NULL,
    lock_key TEXT NOT NULL,
    mode TEXT NOT NULL DEFAULT '',
    user_name TEXT NOT NULL,
    host TEXT NOT NULL,
    application TEXT NOT NULL,
    pid INTEGER NOT NULL,
    session_id {int},
    taken {int} NOT NULL,
    UNIQUE (kind, lock_key)
);
CREATE TABLE queues (
    id {id},
    kind INTEGER NOT NULL,
    environment_id {int} NOT NULL REFERENCES environments(id) ON DELETE CASCADE,
    UNIQUE (kind, environment_id)
);
CREATE TABLE queue_entries (
    id {id},
    queue_id {int} NOT NULL REFERENCES queues(id) ON DELETE CASCADE,
    kind INTEGER NOT NULL,
    job_name TEXT NOT NULL DEFAULT '',
    scene_name TEXT NOT NULL DEFAULT '',
    element_name TEXT NOT NULL DEFAULT '',
    element_id TEXT NOT NULL DEFAULT '',
    drawing_name TEXT NOT NULL DEFAULT '',
    suffix TEXT NOT NULL DEFAULT '',
    process_stage TEXT NOT NULL DEFAULT '',
    state INTEGER NOT NULL DEFAULT 0,
    priority INTEGER NOT NULL DEFAULT 0,
    user_name TEXT NOT NULL DEFAULT '',
    host TEXT NOT NULL DEFAULT '',
    created {int} NOT NULL,
    options TEXT NOT NULL DEFAULT ''
);
CREATE TABLE scene_tables (
    scene_id {int} NOT NULL REFERENCES scenes(id) ON DELETE CASCADE,
    table_name TEXT NOT NULL,
    version INTEGER NOT NULL DEFAULT 1,
    modified {int} NOT NULL,
    fields TEXT NOT NULL,
    index_field TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (scene_id, table_name)
);
CREATE TABLE scene_table_rows (
    scene_id {int} NOT NULL,
    table_name TEXT NOT NULL,
    row_index INTEGER NOT NULL,
    row_values TEXT NOT NULL,
    PRIMARY KEY (scene_id, table_name, row_index),
    FOREIGN KEY (scene_id, table_name) REFERENCES scene_tables(scene_id, table_name) ON DELETE CASCADE
);
CREATE TABLE renames (
    scene_id {int} PRIMARY KEY REFERENCES scenes(id) ON DELETE CASCADE,
    old_name TEXT NOT NULL,
    new_name TEXT NOT NULL,
    old_path TEXT NOT NULL,
    new_path TEXT NOT NULL,
    user_name TEXT NOT NULL,
    step INTEGER NOT NULL,
    started {int} NOT NULL
);
CREATE TABLE resolutions (
    name TEXT PRIMARY KEY,
    width INTEGER NOT NULL,
    height INTEGER NOT NULL
);
CREATE TABLE settings (
    name TEXT PRIMARY KEY,
    value TEXT NOT NULL
)
)SQL",
    // 2: indexes for the shared-path check of delete, the entries of one
    // queue, and the locks of one session (purge and clean close).
    R"SQL(
CREATE INDEX scenes_path ON scenes(path);
CREATE INDEX queue_entries_queue ON queue_entries(queue_id);
CREATE INDEX locks_session ON locks(session_id)
)SQL",
    // 3: whether a scene's folder is Tallyard's to remove with it (made by
    // Tallyard, or empty when adopted). Folders of older scenes count as
    // Tallyard's only where they have the standard path.
    R"SQL(
ALTER TABLE scenes ADD COLUMN owns_folder INTEGER NOT NULL DEFAULT 0;
UPDATE scenes SET owns_folder = 1 WHERE path = file_system || '/' || (SELECT name FROM jobs WHERE jobs.id = scenes.job_id) || '/scene-' || name
)SQL",
    // 4: paths and lock keys in the bytewise order that the shared-path
    // check and the version locks of a scene compare in (SQLite's indexes
    // have it already).
    R"SQL(
{postgres}CREATE INDEX scenes_path_bytes ON scenes ((path COLLATE "C"));
{postgres}CREATE INDEX locks_key_bytes ON locks (kind, (lock_key COLLATE "C"))
)SQL",
};

QString dialect(const char *sql, bool postgres)
{
    QString text = QString::fromUtf8(sql);
    text.replace(QStringLiteral("{id}"), postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                                  : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"));
    text.replace(QStringLiteral("{int}"), postgres ? QStringLiteral("BIGINT") : QStringLiteral("INTEGER"));
    if (postgres)
        text.remove(QStringLiteral("{postgres}"));
    else
        text.remove(QRegularExpression(QStringLiteral("\\{postgres\\}[^;]*")));
    return text;
}

} // namespace

int DBA_Schema::latestVersion()
{
    return int(sizeof(kMigrations) / sizeof(kMigrations[0]));
}

int DBA_Schema::currentVersion(const DBA_Connection &connection, QString &error)
{
    const QStringList tables = connection.database().tables();
    if (!tables.contains(QStringLiteral("schema_version"))) {
        // A connection the server dropped lists no tables either.
        return connection.scalar(QStringLiteral("SELECT 1"), {}, error).isValid() ? 0 : -1;
    }
    const QVariant version = connection.scalar(QStringLiteral("SELECT MAX(version) FROM schema_version"), {}, error);
    return version.isValid() ? version.toInt() : -1;
}

bool DBA_Schema::migrate(DBA_Connection &connection, QString &error, int target)
{
    if (!connection.execScript(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), error))
        return false;
    for (int version = 1; version <= std::min(target, latestVersion()); ++version) {
        DBA_Transaction transaction(connection);
        if (!transaction.begin(error))
            return false;
        // Checked inside the write transaction, so two processes migrating at
        // once apply each step once.
        const QVariant applied = connection.scalar(QStringLiteral("SELECT COUNT(*) FROM schema_version WHERE version = ?"),
                                                   {version}, error);
        if (!applied.isValid())
            return false;
        if (applied.toInt() > 0)
            continue;
        DBA_Query query;
        if (!connection.execScript(dialect(kMigrations[version - 1], connection.isPostgres()), error)
            || !connection.exec(query, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"), {version}, error)
            || !transaction.commit(error)) {
            error = QCoreApplication::translate("DBA_Schema", "Database upgrade to version %1 failed: %2").arg(version).arg(error);
            return false;
        }
    }
    return true;
}
