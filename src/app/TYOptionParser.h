#pragma once

#include "RunOptions.h"

#include <QHash>
#include <QStringList>

#include <functional>

// Fills RunOptions from the command line. parse() only decides; Parse()
// also prints and ends the process where the command line asks for that
// (help, version, a lone "-batch", an unknown option).
class TYOptionParser
{
public:
    enum Outcome { Continue, ExitSuccess, ExitFailure };

    explicit TYOptionParser(RunOptions &options);

    // arguments without the program name.
    Outcome parse(const QStringList &arguments);
    // Set by parse(): what the caller should print before ending.
    bool wantsVersion() const { return m_wantsVersion; }
    bool wantsUsage() const { return m_wantsUsage; }
    QString warning() const { return m_warning; }

    static const QStringList &usageLines();
    // Writes the usage text on standard error, one line per entry.
    static void PrintUsage();
    // Parses into RunOptions::instance(), printing and exiting as needed.
    static void Parse(int argc, char **argv);

private:
    struct Option {
        bool takesValue;
        std::function<void(const QString &value)> apply;
    };
    void addFlag(const QStringList &names, std::function<void()> apply);
    void addValue(const QStringList &names, std::function<void(const QString &)> apply);
    void buildTable();
    void resetPerParse();
    void positional(const QString &argument);
    // Length checks: clear and record the error when value is too long.
    QString checked(const QString &value, int errorBit);

    RunOptions &m_options;
    QHash<QString, Option> m_table;
    int m_maxNameLength = 0;
    int m_positionals = 0;
    bool m_wantsVersion = false;
    bool m_wantsUsage = false;
    QString m_warning;
    Outcome m_stop = Continue;
};
