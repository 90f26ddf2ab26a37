// The remote script server's chunker: U+0001 cuts the input into the
// chunks that arrive; however the text is cut, the same scripts come out.
#include "FuzzInput.h"
#include "TUTY_ScriptChunker.h"

namespace {
QStringList scripts(const QStringList &chunks)
{
    TUTY_ScriptChunker chunker;
    QStringList all;
    for (const QString &chunk : chunks) {
        bool overflowed = false;
        all << chunker.add(chunk, overflowed);
        FuzzInput::require(!overflowed, "overflow below the limit");
    }
    return all;
}
} // namespace

// The text is decoded whole: how a decoder treats invalid UTF-8 cut between
// two reads is the decoder's business, not the chunker's.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(FuzzInput::bytes(data, size));
    QString whole = text;
    FuzzInput::require(scripts(text.split(QChar(1))) == scripts({whole.remove(QChar(1))}),
                       "the scripts depend on how the text was cut");
    return 0;
}
