#include "TYTerminalProgress.h"

#include <QDateTime>

#include <cstdio>
#include <unistd.h>

TYTerminalProgress::TYTerminalProgress()
    : m_active(::isatty(STDERR_FILENO) == 1)
{
}

TYTerminalProgress::~TYTerminalProgress()
{
    if (m_active && m_shownAt != 0)
        std::fputs("\n", stderr);
}

void TYTerminalProgress::setLabelText(const QString &text)
{
    m_label = text;
    m_shownAt = 0;
    show();
}

void TYTerminalProgress::setValue(int files)
{
    m_files = files;
    // A few updates a second: a terminal is slower than a fast copy.
    if (QDateTime::currentMSecsSinceEpoch() - m_shownAt >= 200)
        show();
}

void TYTerminalProgress::show()
{
    if (!m_active)
        return;
    m_shownAt = QDateTime::currentMSecsSinceEpoch();
    const QByteArray line = QStringLiteral("\r\033[K%1 - files: %2").arg(m_label).arg(m_files).toLocal8Bit();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}
