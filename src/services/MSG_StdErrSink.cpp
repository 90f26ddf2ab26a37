#include "MSG_StdErrSink.h"

#include <cstdio>

MSG_StdErrSink::MSG_StdErrSink(const QString &programName, bool debug)
    : TUMessage(programName, debug)
{
}

void MSG_StdErrSink::writeMessage(char type, const QString &, const QString &translated, bool)
{
    if (isSilent())
        return;
    if (type != 'E' && type != 'W' && !isDebugMode())
        return;
    const QByteArray line = translated.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}
