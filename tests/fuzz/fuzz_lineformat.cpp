// The line-oriented scene format: the reader, and the rewriter's renamer,
// which leaves every line as it was when nothing is renamed.
#include "FuzzInput.h"
#include "SceneSummary.h"
#include "TUIELineFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput::Device input(FuzzInput::bytes(data, size));
    TUIEScene scene;
    QString error;
    TUIELineFormat::read(input, scene, error);
    const QList<QByteArray> lines = FuzzInput::bytes(data, size).split('\n');
    TUIELineFormat::Renamer unchanged(scene);
    for (const QByteArray &line : lines)
        FuzzInput::require(unchanged.rename(line) == line, "a line changed without a rename");
    renameAll(scene);
    TUIELineFormat::Renamer renamer(scene);
    for (const QByteArray &line : lines)
        renamer.rename(line);
    return 0;
}
