#include "TUBatchMessage.h"

#include "whoami.h"

#include <QDateTime>
#include <QScriptContext>

#include <cstdio>

TUBatchMessage::TUBatchMessage(const QString &programName, bool debug)
    : TUMessage(programName, debug, false)
    , m_versionText(WHO_StringTable::versionInfoLine())
{
}

void TUBatchMessage::openLog()
{
    m_log.clear();
    m_log << QStringLiteral(" Date - Time : %1").arg(QDateTime::currentDateTime().toString(Qt::TextDate))
          << QStringLiteral(" Application : %1").arg(programName())
          << QStringLiteral(" Version : %1").arg(m_versionText)
          << QStringLiteral(" O/S User name : %1").arg(userName())
          << (isDebugMode() ? QStringLiteral(" Debug mode : ON") : QStringLiteral(" Debug mode : OFF"));
}

void TUBatchMessage::toStandardError(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void TUBatchMessage::writeMessage(char type, const QString &, const QString &translated, bool)
{
    if (m_log.size() >= MaxLines)
        return;
    if (type == 'E') {
        writeError(translated);
        return;
    }
    const QString line = QLatin1Char(type) + timeStamp() + translated;
    m_log << line;
    if (isDebugMode())
        toStandardError(line);
}

void TUBatchMessage::writeError(const QString &text)
{
    if (!m_scriptContext) {
        toStandardError(text);
        return;
    }
    const QStringList frames = m_scriptContext->backtrace();
    const QString first = frames.value(0);
    QString backtrace = QStringLiteral("BACKTRACE : \n");
    for (int i = 1; i < frames.size(); ++i)
        backtrace += QString::number(i) + QStringLiteral(": ") + frames[i] + QLatin1Char('\n');
    backtrace += QLatin1Char('\n');
    toStandardError(QStringLiteral("Exception raised from function ") + first + QStringLiteral(" : ") + text);
    if (isDebugMode())
        toStandardError(backtrace);
    m_log << QLatin1Char('E') + timeStamp() + QStringLiteral(" exception from the function  ") + first
                 + QStringLiteral(" : ") + text + QLatin1Char('\n') + backtrace;
}
