#pragma once

#include <QStringList>

// Cuts one connection's text into scripts. Requests are UTF-8 lines; a line
// is one script, or the lines between "KS_BeginScript" and "KS_EndScript"
// form one. Blank lines outside a block are no script. Carriage returns
// are dropped. Unfinished text is kept for the next chunk; once it grows
// past MaxPendingBytes without completing a script it is dropped.
class TUTY_ScriptChunker
{
public:
    static constexpr int MaxPendingBytes = 4 * 1024 * 1024;

    // The scripts chunk completes, in order; overflowed tells whether
    // unfinished text was dropped.
    QStringList add(const QString &chunk, bool &overflowed);

private:
    void line(const QString &text, QStringList &scripts);

    QString m_partial; // the last line, not yet ended
    QString m_block;   // the lines of an open block
    bool m_inBlock = false;
};
