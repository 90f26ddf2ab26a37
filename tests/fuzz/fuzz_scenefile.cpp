// XML scene files: the reader, the summary reader and the rewriter. A file
// the reader takes is rewritten, unrenamed, into one it reads the same.
#include "FuzzInput.h"
#include "SceneSummary.h"
#include "TUIEFile.h"
#include "TUIEProjectSummary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = FuzzInput::bytes(data, size);
    if (!text.trimmed().startsWith('<'))
        return 0; // the line format has its own target
    QString error;
    {
        FuzzInput::Device input(text);
        TUIEProjectSummary summary;
        TUIEFile::readProjectSummary(input, summary, error);
    }
    TUIEScene scene;
    FuzzInput::Device input(text);
    if (!TUIEFile::readScene(input, scene, error) || scene.isAnimatedProject())
        return 0;
    FuzzInput::Device again(text);
    QBuffer rewritten;
    rewritten.open(QIODevice::WriteOnly);
    FuzzInput::require(TUIEFile::rewriteScene(again, scene, {}, rewritten, error), "a read file fails the rewrite:", error);
    FuzzInput::Device output(rewritten.data());
    TUIEScene reread;
    FuzzInput::require(TUIEFile::readScene(output, reread, error), "the rewritten file does not read:", error);
    FuzzInput::require(sceneSummary(reread) == sceneSummary(scene), "the rewrite changed what the file reads as");

    renameAll(scene);
    FuzzInput::Device renaming(text);
    QBuffer renamed;
    renamed.open(QIODevice::WriteOnly);
    TUIEFile::rewriteScene(renaming, scene, {{QStringLiteral("/QVX_DB"), QStringLiteral("/moved & <here>")}}, renamed,
                           error);
    return 0;
}
