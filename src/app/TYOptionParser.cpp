#include "TYOptionParser.h"

#include "BAPP_SharedFolders.h"
#include "TUSceneNameValidator.h"
#include "whoami.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {
// The leading decimal digits of text, as the C library's atoi reads them.
int atoiOf(const QString &text)
{
    return std::atoi(text.toLocal8Bit().constData());
}
} // namespace

TYOptionParser::TYOptionParser(RunOptions &options)
    : m_options(options)
{
    buildTable();
}

void TYOptionParser::addFlag(const QStringList &names, std::function<void()> apply)
{
    for (const QString &name : names)
        m_table.insert(name, {false, [apply](const QString &) { apply(); }});
}

void TYOptionParser::addValue(const QStringList &names, std::function<void(const QString &)> apply)
{
    for (const QString &name : names)
        m_table.insert(name, {true, apply});
}

void TYOptionParser::buildTable()
{
    RunOptions &o = m_options;
    addFlag({QStringLiteral("-help"), QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("-?")}, [this] {
        m_wantsVersion = m_wantsUsage = true;
        m_stop = ExitSuccess;
    });
    addFlag({QStringLiteral("-import")}, [&o] { o.mode = RunMode::Import; });
    addFlag({QStringLiteral("-debug")}, [&o] { o.debug = true; });
    addFlag({QStringLiteral("-debug_script")}, [&o] { o.debugScript = true; });
    addFlag({QStringLiteral("-export")}, [&o] { o.mode = RunMode::Export; });
    addFlag({QStringLiteral("-export_all")}, [&o] {
        o.mode = RunMode::Export;
        for (const QString &name : RunOptions::dataOptionNames()) {
            if (name != QLatin1String("offline"))
                o.dataOptions.insert(name);
        }
    });
    addFlag({QStringLiteral("-export_default")}, [&o] {
        o.mode = RunMode::Export;
        for (const char *name : {"database", "element", "timing", "stage"})
            o.dataOptions.insert(QLatin1String(name));
    });
    addValue({QStringLiteral("-runScript")}, [&o](const QString &file) {
        o.mode = RunMode::RunScript;
        o.batch = true;
        o.scriptFile = file;
    });
    addValue({QStringLiteral("-runPavaneScript")}, [&o](const QString &file) {
        o.mode = RunMode::RunEditorScript;
        o.batch = true;
        o.scriptFile = file;
    });
    for (const QString &name : RunOptions::dataOptionNames())
        addFlag({QLatin1Char('-') + name}, [&o, name] { o.dataOptions.insert(name); });
    for (const QString &name : RunOptions::linkOptionNames())
        addFlag({QLatin1Char('-') + name}, [&o, name] { o.linkOptions.insert(name); });
    addFlag({QStringLiteral("-batch")}, [&o] { o.batch = true; });
    addValue({QStringLiteral("-tcpPort")}, [&o](const QString &port) { o.tcpPort = port; });
    addFlag({QStringLiteral("-script")}, [&o] { o.batch = o.scriptServer = true; });
    addFlag({QStringLiteral("-v"), QStringLiteral("-version"), QStringLiteral("--version")}, [this] {
        m_wantsVersion = true;
        m_stop = ExitSuccess;
    });
    addFlag({QStringLiteral("-append_log")}, [&o] { o.appendLog = true; });
    addFlag({QStringLiteral("-auto_dest")}, [&o] { o.autoDest = true; });
    addValue({QStringLiteral("-path")}, [&o](const QString &path) { o.path = o.savedPath = path; });
    addValue({QStringLiteral("-from"), QStringLiteral("-to")}, [&o](const QString &path) { o.path = path; });
    addValue({QStringLiteral("-import_version"), QStringLiteral("-scene_version")},
             [&o](const QString &version) { o.versionList << version; });
    addValue({QStringLiteral("-env"), QStringLiteral("-export_env"), QStringLiteral("-target_env")},
             [this, &o](const QString &name) { o.environment = checked(name, RunOptions::EnvironmentTooLong); });
    addValue({QStringLiteral("-job"), QStringLiteral("-export_job"), QStringLiteral("-target_job")},
             [this, &o](const QString &name) { o.job = checked(name, RunOptions::JobTooLong); });
    addValue({QStringLiteral("-import_job")},
             [this, &o](const QString &name) { o.importJob = checked(name, RunOptions::JobTooLong); });
    addValue({QStringLiteral("-scene"), QStringLiteral("-export_scene")}, [this, &o](const QString &name) {
        o.scene = checked(name, RunOptions::SceneInvalid);
        if (!o.scene.isEmpty())
            o.sceneList << o.scene;
        else if (name.isEmpty())
            o.emptySceneGiven = true;
    });
    addValue({QStringLiteral("-scene_path")}, [&o](const QString &path) {
        if (path.size() > 1024) {
            o.scenePath.clear();
            o.nameErrors |= RunOptions::SceneInvalid;
            return;
        }
        o.scenePath = path;
    });
    addValue({QStringLiteral("-import_scene")}, [this, &o](const QString &name) {
        if (name.size() > m_maxNameLength || o.importSceneList.contains(name)) {
            o.nameErrors |= RunOptions::SceneInvalid;
            return;
        }
        o.importSceneList << name;
    });
    addValue({QStringLiteral("-name")}, [&o](const QString &name) { o.newName = name; });
    addValue({QStringLiteral("-user")}, [&o](const QString &user) { o.user = user; });
    addValue({QStringLiteral("-file_system"), QStringLiteral("-filesys")}, [&o](const QString &value) {
        const int colon = value.indexOf(QLatin1Char(':'));
        o.fileSystem = colon >= 0 ? value.mid(colon + 1) : value;
    });
    addValue({QStringLiteral("-TD")}, [&o](const QString &user) { o.tdUser = user; });
    addValue({QStringLiteral("-ATD")}, [&o](const QString &user) { o.atdUser = user; });
    addValue({QStringLiteral("-approvals")}, [&o](const QString &policy) { o.approvals = policy; });
    addValue({QStringLiteral("-prio")}, [&o](const QString &number) { o.priority = atoiOf(number); });
    addFlag({QStringLiteral("-create")}, [&o] { o.mode = RunMode::Create; o.batch = true; });
    addFlag({QStringLiteral("-delete")}, [&o] { o.mode = RunMode::Delete; o.batch = true; });
    addFlag({QStringLiteral("-rename")}, [&o] { o.mode = RunMode::Rename; o.batch = true; });
    addFlag({QStringLiteral("-bottom")}, [&o] { o.insertPosition = 1; });
    addFlag({QStringLiteral("-top")}, [&o] { o.insertPosition = 2; });
    addFlag({QStringLiteral("-sorted")}, [&o] { o.insertPosition = 5; });
    addValue({QStringLiteral("-lang")}, [&o](const QString &language) { o.language = language; });
    addValue({QStringLiteral("-fakeTranslation")}, [&o](const QString &language) {
        o.language = language;
        o.fakeTranslation = true;
    });
    addValue({QStringLiteral("-langdir")},
             [](const QString &folder) { BAPP_SharedFolders::setTranslations(folder); });
    addFlag({QStringLiteral("-useCurrentWorkingDir")}, [&o] { o.useCurrentWorkingDir = true; });
}

void TYOptionParser::resetPerParse()
{
    m_options.mode = RunMode::None;
    m_options.tdUser.clear();
    m_options.atdUser.clear();
    m_options.scriptFile.clear();
    m_options.scene.clear();
    m_options.emptySceneGiven = false;
    m_options.scenePath.clear();
    m_options.newName.clear();
    m_options.approvals.clear();
    m_options.priority = 5;
    m_options.insertPosition = 0;
    m_maxNameLength = TUSceneNameValidator::maxNameLength();
    m_positionals = 0;
    m_wantsVersion = m_wantsUsage = false;
    m_warning.clear();
    m_stop = Continue;
}

QString TYOptionParser::checked(const QString &value, int errorBit)
{
    if (value.size() <= m_maxNameLength)
        return value;
    m_options.nameErrors |= errorBit;
    return {};
}

void TYOptionParser::positional(const QString &argument)
{
    switch (m_positionals++) {
    case 0: m_options.environment = argument; break;
    case 1: m_options.job = argument; break;
    case 2:
        m_options.sceneList << argument;
        m_options.positionalScene = argument;
        break;
    default: break;
    }
}

TYOptionParser::Outcome TYOptionParser::parse(const QStringList &arguments)
{
    resetPerParse();
    if (arguments == QStringList{QStringLiteral("-batch")}) {
        m_options.batch = true;
        m_wantsUsage = true;
        return ExitSuccess;
    }
    for (int i = 0; i < arguments.size() && m_stop == Continue; ++i) {
        const QString &argument = arguments[i];
        if (argument.startsWith(QLatin1String("-psn_")))
            continue;
        if (!argument.startsWith(QLatin1Char('-'))) {
            positional(argument);
            continue;
        }
        const auto option = m_table.constFind(argument);
        const bool hasValue = i + 1 < arguments.size();
        if (option == m_table.constEnd() || (option->takesValue && !hasValue)) {
            m_warning = QCoreApplication::translate("TYOptionParser", "Unknown parameter: %1.").arg(argument);
            m_wantsUsage = true;
            return ExitFailure;
        }
        option->apply(option->takesValue ? arguments[++i] : QString());
    }
    return m_stop;
}

const QStringList &TYOptionParser::usageLines()
{
    static const QStringList lines = {
#include "TYUsageText.inc"
    };
    return lines;
}

void TYOptionParser::PrintUsage()
{
    for (const QString &line : usageLines()) {
        const QByteArray bytes = line.toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    }
    std::fflush(stderr);
}

void TYOptionParser::Parse(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromUtf8(argv[i]);
    TYOptionParser parser(RunOptions::instance());
    const Outcome outcome = parser.parse(arguments);
    if (!parser.warning().isEmpty()) {
        const QByteArray bytes = parser.warning().toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    }
    if (parser.wantsVersion())
        whoami::printVersionInfo();
    if (parser.wantsUsage())
        PrintUsage();
    if (outcome != Continue)
        std::exit(outcome == ExitSuccess ? 0 : 1);
}
