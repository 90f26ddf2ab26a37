// Interchange files (".dbexport"): any bytes are read or refused.
#include "FuzzInput.h"
#include "TUImportDb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput::quiet();
    FuzzInput::Device input(FuzzInput::bytes(data, size));
    TUDbInterchange::Contents contents;
    if (TUImportDb::read(input, QStringLiteral("fuzz.dbexport"), contents))
        FuzzInput::require(contents.records.size() == contents.recordLines.size(), "records and lines differ");
    return 0;
}
