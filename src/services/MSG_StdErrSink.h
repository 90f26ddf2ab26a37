#pragma once

#include "TUMessage.h"

// The sink in force before a window or batch sink exists: errors and
// warnings go to standard error, information and traces only in debug mode.
class MSG_StdErrSink : public TUMessage
{
public:
    explicit MSG_StdErrSink(const QString &programName = QString(), bool debug = false);

protected:
    void writeMessage(char type, const QString &text, const QString &translated,
                      bool interactive) override;
};
