#include "TDB_CommandLine.h"

#include "DBA_UserOps.h"
#include "TUSceneNameValidator.h"
#include "oswUtil.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

struct CommandSpec
{
    const char *word;
    TDB_Request::Command command;
    const char *operand;          // nullptr: takes none
    QStringList options;          // options besides --db and --help
    const char *summary;
};

const QList<CommandSpec> &commands()
{
    static const QList<CommandSpec> specs = {
        {"init", TDB_Request::Init, nullptr, {QStringLiteral("admin"), QStringLiteral("filesys")},
         QT_TRANSLATE_NOOP("TDB_CommandLine", "create the database, or bring it up to date")},
        {"adduser", TDB_Request::AddUser, "NAME",
         {QStringLiteral("type"), QStringLiteral("first"), QStringLiteral("last")},
         QT_TRANSLATE_NOOP("TDB_CommandLine", "add a user")},
        {"addfs", TDB_Request::AddFileSystem, "PATH", {},
         QT_TRANSLATE_NOOP("TDB_CommandLine", "register a folder as a file system for scenes")},
        {"status", TDB_Request::Status, nullptr, {},
         QT_TRANSLATE_NOOP("TDB_CommandLine", "describe the database, its sessions and locks")},
        {"check", TDB_Request::Check, nullptr, {QStringLiteral("repair")},
         QT_TRANSLATE_NOOP("TDB_CommandLine", "compare the records with the folders and locks; --repair fixes what it safely can")},
        {"demo", TDB_Request::Demo, nullptr, {QStringLiteral("force")},
         QT_TRANSLATE_NOOP("TDB_CommandLine", "fill an empty database with a small demo studio")},
        {"help", TDB_Request::Help, nullptr, {}, QT_TRANSLATE_NOOP("TDB_CommandLine", "print this text")},
    };
    return specs;
}

const CommandSpec *findCommand(const QString &word)
{
    for (const CommandSpec &spec : commands()) {
        if (word == QLatin1String(spec.word))
            return &spec;
    }
    return nullptr;
}

// Every option the tool knows; which command takes which is checked after.
QList<QCommandLineOption> allOptions()
{
    return {
        {QStringLiteral("db"), TDB_CommandLine::tr("The database address (default: TALLYARD_DB)."), QStringLiteral("URL")},
        {QStringLiteral("admin"), TDB_CommandLine::tr("init: the first administrator (default: your login)."), QStringLiteral("NAME")},
        {QStringLiteral("filesys"), TDB_CommandLine::tr("init: the first file system (default: ROOT/scenes)."), QStringLiteral("PATH")},
        {QStringLiteral("type"), TDB_CommandLine::tr("adduser: the user type, 0-9 or its name (default: Animator)."), QStringLiteral("TYPE")},
        {QStringLiteral("first"), TDB_CommandLine::tr("adduser: the first name."), QStringLiteral("F")},
        {QStringLiteral("last"), TDB_CommandLine::tr("adduser: the last name."), QStringLiteral("L")},
        {QStringLiteral("force"), TDB_CommandLine::tr("demo: add the demo studio even when the database holds data.")},
        {QStringLiteral("repair"), TDB_CommandLine::tr("check: repair what can be repaired without losing data.")},
        {{QStringLiteral("h"), QStringLiteral("help")}, TDB_CommandLine::tr("Print this text.")},
    };
}

bool checkUserName(const QString &name, QString &error)
{
    if (TUSceneNameValidator::isValidName(name))
        return true;
    error = TDB_CommandLine::tr("Invalid user name \"%1\": use 1 to %2 letters, digits, \"_\", \"-\" or \".\", "
                                "not beginning with \"-\" or \".\".")
                .arg(name)
                .arg(TUSceneNameValidator::validDatabaseNameLength() - 1);
    return false;
}

bool checkOptions(const QCommandLineParser &parser, const CommandSpec &spec, QString &error)
{
    for (const QString &name : parser.optionNames()) {
        const QString longName = name == QLatin1String("h") ? QStringLiteral("help") : name;
        if (longName == QLatin1String("db") || longName == QLatin1String("help") || spec.options.contains(longName))
            continue;
        error = TDB_CommandLine::tr("The option --%1 does not apply to the command %2.").arg(longName, QLatin1String(spec.word));
        return false;
    }
    for (const QString &name : parser.optionNames()) {
        if (name != QLatin1String("force") && name != QLatin1String("repair") && name != QLatin1String("h") && name != QLatin1String("help")
            && parser.value(name).trimmed().isEmpty()) {
            error = TDB_CommandLine::tr("The option --%1 needs a value.").arg(name);
            return false;
        }
    }
    return true;
}

bool checkOperands(const QStringList &positional, const CommandSpec &spec, QString &error)
{
    const int wanted = spec.operand ? 1 : 0;
    if (positional.size() - 1 < wanted) {
        error = TDB_CommandLine::tr("The command %1 needs %2.").arg(QLatin1String(spec.word), QLatin1String(spec.operand));
        return false;
    }
    if (positional.size() - 1 > wanted) {
        error = TDB_CommandLine::tr("Unexpected argument \"%1\" for the command %2.")
                    .arg(positional.at(wanted + 1), QLatin1String(spec.word));
        return false;
    }
    if (wanted == 1 && positional.at(1).trimmed().isEmpty()) {
        error = TDB_CommandLine::tr("The command %1 needs a non-empty %2.").arg(QLatin1String(spec.word), QLatin1String(spec.operand));
        return false;
    }
    return true;
}

bool resolveDatabase(const QCommandLineParser &parser, TDB_Request &request, QString &error)
{
    std::optional<DBA_Url> url;
    if (parser.isSet(QStringLiteral("db"))) {
        url = DBA_Url::parse(parser.value(QStringLiteral("db")), error);
    } else {
        url = DBA_Url::fromEnvironment(error);
        if (!url)
            error = TDB_CommandLine::tr("TALLYARD_DB: %1").arg(error);
    }
    if (!url)
        return false;
    request.url = *url;
    return true;
}

bool fillInit(const QCommandLineParser &parser, TDB_Request &request, QString &error)
{
    request.admin = parser.isSet(QStringLiteral("admin")) ? parser.value(QStringLiteral("admin")) : oswUtil::getUserName();
    if (request.admin.isEmpty()) {
        error = TDB_CommandLine::tr("Cannot tell your login name; name the administrator with --admin.");
        return false;
    }
    if (parser.isSet(QStringLiteral("filesys")))
        request.fileSystem = QDir::cleanPath(QDir::current().absoluteFilePath(parser.value(QStringLiteral("filesys"))));
    return checkUserName(request.admin, error);
}

bool fillAddUser(const QCommandLineParser &parser, TDB_Request &request, QString &error)
{
    request.userName = parser.positionalArguments().at(1);
    request.firstName = parser.value(QStringLiteral("first"));
    request.lastName = parser.value(QStringLiteral("last"));
    if (parser.isSet(QStringLiteral("type"))) {
        const QString type = parser.value(QStringLiteral("type"));
        request.userType = TDB_CommandLine::userTypeOf(type);
        if (request.userType < 0) {
            QStringList names;
            for (int t = 0; t < 10; ++t)
                names << DBA_UserOps::userType2QString(t);
            error = TDB_CommandLine::tr("Unknown user type \"%1\"; use a number from 0 to 9 or one of: %2.")
                        .arg(type, names.join(QStringLiteral(", ")));
            return false;
        }
    }
    return checkUserName(request.userName, error);
}

} // namespace

std::optional<TDB_Request> TDB_CommandLine::parse(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    parser.addOptions(allOptions());
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    TDB_Request request;
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("help")))
        return request;
    if (positional.isEmpty()) {
        error = tr("No command given; run \"tallyard-db --help\" for the list.");
        return std::nullopt;
    }
    const CommandSpec *spec = findCommand(positional.first());
    if (!spec) {
        error = tr("Unknown command \"%1\"; run \"tallyard-db --help\" for the list.").arg(positional.first());
        return std::nullopt;
    }
    request.command = spec->command;
    if (!checkOptions(parser, *spec, error) || !checkOperands(positional, *spec, error))
        return std::nullopt;
    if (request.command == TDB_Request::Help)
        return request;
    if (!resolveDatabase(parser, request, error))
        return std::nullopt;
    switch (request.command) {
    case TDB_Request::Init:
        if (!fillInit(parser, request, error))
            return std::nullopt;
        break;
    case TDB_Request::AddUser:
        if (!fillAddUser(parser, request, error))
            return std::nullopt;
        break;
    case TDB_Request::AddFileSystem:
        request.fileSystem = QDir::cleanPath(QDir::current().absoluteFilePath(positional.at(1)));
        break;
    case TDB_Request::Demo:
        request.force = parser.isSet(QStringLiteral("force"));
        break;
    case TDB_Request::Check:
        request.repair = parser.isSet(QStringLiteral("repair"));
        break;
    case TDB_Request::Status:
    case TDB_Request::Help:
        break;
    }
    return request;
}

int TDB_CommandLine::userTypeOf(const QString &text)
{
    static const char *const identifiers[10] = {"RD", "EXECUTIVE", "COORDINATOR", "APPLICATION", "TD",
                                                "ARCHIVE", "XSHEET", "SCAN", "INK_PAINT", "ANIMATOR"};
    const QString trimmed = text.trimmed();
    bool isNumber = false;
    const int number = trimmed.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number < 10 ? number : -1;
    const QString identifier = trimmed.toUpper().replace(QLatin1Char('-'), QLatin1Char('_'));
    for (int type = 0; type < 10; ++type) {
        if (identifier == QLatin1String(identifiers[type])
            || trimmed.compare(DBA_UserOps::userType2QString(type), Qt::CaseInsensitive) == 0)
            return type;
    }
    return -1;
}

QString TDB_CommandLine::usage()
{
    QString text = tr("Usage: tallyard-db [--db URL] COMMAND [OPTIONS]\n\n"
                      "Administers a Tallyard database. URL is sqlite:///ROOT or\n"
                      "postgresql://USER@HOST[:PORT]/DBNAME?root=ROOT[&host=SOCKET-DIR];\n"
                      "without --db, TALLYARD_DB names it, else a per-user SQLite database.\n\n"
                      "Commands:\n");
    for (const CommandSpec &spec : commands()) {
        QString line = QLatin1String(spec.word);
        if (spec.operand)
            line += QLatin1Char(' ') + QLatin1String(spec.operand);
        text += QStringLiteral("  %1%2\n").arg(line, -14).arg(tr(spec.summary));
    }
    text += tr("\nOptions:\n");
    for (const QCommandLineOption &option : allOptions()) {
        QString names = QStringLiteral("--") + option.names().constLast();
        if (!option.valueName().isEmpty())
            names += QLatin1Char(' ') + option.valueName();
        text += QStringLiteral("  %1%2\n").arg(names, -16).arg(option.description());
    }
    return text;
}
