// The remote script server's chunker: byte 0x01 cuts the input into the
// chunks that arrive; however the text is cut, the same scripts come out.
#include "FuzzInput.h"
#include "TUTY_ScriptChunker.h"

#include <QTextCodec>
#include <QTextDecoder>

#include <memory>

namespace {
QStringList scripts(const QList<QByteArray> &chunks)
{
    std::unique_ptr<QTextDecoder> decoder(QTextCodec::codecForName("UTF-8")->makeDecoder());
    TUTY_ScriptChunker chunker;
    QStringList all;
    for (const QByteArray &chunk : chunks) {
        bool overflowed = false;
        all << chunker.add(decoder->toUnicode(chunk), overflowed);
        FuzzInput::require(!overflowed, "overflow below the limit");
    }
    return all;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = FuzzInput::bytes(data, size);
    QByteArray whole = text;
    FuzzInput::require(scripts(text.split('\x01')) == scripts({whole.replace('\x01', QByteArray())}),
                       "the scripts depend on how the text was cut");
    return 0;
}
