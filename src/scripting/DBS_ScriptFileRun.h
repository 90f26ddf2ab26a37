#pragma once

#include <QString>

class TUDbAccess;
class TUDbSelect;

// "-runScript FILE": evaluates a script file once and writes its result
// lines, then "Done", on standard error. A missing file sets the error
// code 1; a script that throws sets it through the script manager.
class DBS_ScriptFileRun
{
public:
    DBS_ScriptFileRun(TUDbAccess &access, TUDbSelect *selector, bool debug)
        : m_access(access), m_selector(selector), m_debug(debug) {}

    // False when the file does not exist.
    bool run(const QString &scriptFile);

private:
    TUDbAccess &m_access;
    TUDbSelect *m_selector;
    bool m_debug;
};
