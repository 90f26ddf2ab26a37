// The command line: NUL bytes separate the arguments. Parsing decides and
// never ends the process.
#include "FuzzInput.h"
#include "TYOptionParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList arguments;
    for (const QByteArray &argument : FuzzInput::bytes(data, size).split('\0'))
        arguments << QString::fromUtf8(argument);
    RunOptions options;
    TYOptionParser parser(options);
    parser.parse(arguments);
    return 0;
}
