#include "TUTY_ScriptChunker.h"

namespace {
const QLatin1String BeginScript("KS_BeginScript");
const QLatin1String EndScript("KS_EndScript");
} // namespace

QStringList TUTY_ScriptChunker::add(const QString &chunk, bool &overflowed)
{
    QStringList scripts;
    const QString text = QString(chunk).remove(QLatin1Char('\r'));
    int start = 0;
    // Only the new text is searched for line ends: a long line arriving in
    // many chunks costs no more than its length.
    for (int end = text.indexOf(QLatin1Char('\n')); end >= 0; end = text.indexOf(QLatin1Char('\n'), start)) {
        m_partial += text.midRef(start, end - start);
        line(m_partial, scripts);
        m_partial.clear();
        start = end + 1;
    }
    m_partial += text.midRef(start);
    overflowed = m_partial.size() + m_block.size() > MaxPendingBytes;
    if (overflowed) {
        m_partial.clear();
        m_block.clear();
        m_inBlock = false;
    }
    return scripts;
}

void TUTY_ScriptChunker::line(const QString &text, QStringList &scripts)
{
    if (text == BeginScript) {
        m_inBlock = true;
    } else if (text == EndScript) {
        if (!m_block.isEmpty())
            scripts << m_block;
        m_block.clear();
        m_inBlock = false;
    } else if (m_inBlock) {
        m_block += text + QLatin1Char('\n');
    } else if (!text.isEmpty()) {
        scripts << text;
    }
}
