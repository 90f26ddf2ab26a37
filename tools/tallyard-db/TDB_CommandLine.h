#pragma once

#include "DBA_Url.h"
#include "DBA_UserOps.h"

#include <QCoreApplication>
#include <QStringList>

#include <optional>

// What one run of tallyard-db was asked to do, with every value checked.
struct TDB_Request
{
    enum Command { Help, Init, AddUser, AddFileSystem, Status, Demo, Check };

    Command command = Help;
    DBA_Url url;            // --db, else TALLYARD_DB, else the per-user default
    QString admin;          // init: the first administrator
    QString fileSystem;     // init --filesys, addfs PATH: an absolute path, or empty
    QString userName;       // adduser NAME
    int userType = DBA_UserOps::ANIMATOR; // adduser --type
    QString firstName;
    QString lastName;
    bool force = false;     // demo on a database that holds data already
    bool repair = false;    // check --repair
};

// Reads tallyard-db's command line: a command word, its operands and
// options. Nothing is opened or written here, so every refusal comes
// before the database is touched.
class TDB_CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(TDB_CommandLine)

public:
    // arguments begins with the program name, as QCoreApplication::arguments().
    static std::optional<TDB_Request> parse(const QStringList &arguments, QString &error);
    static QString usage();

    // A user type given as a number (0-9), as its display name ("Ink & Paint")
    // or as its identifier ("INK_PAINT", "ink-paint"), any case; -1 when none.
    static int userTypeOf(const QString &text);
};
