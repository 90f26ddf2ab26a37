// Palette lists: the input's first line gives tab-separated replacement
// pairs, the rest is the list. Each line of the list gives one line.
#include "FuzzInput.h"
#include "TUIEFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = FuzzInput::bytes(data, size);
    const int end = text.indexOf('\n');
    if (end < 0)
        return 0;
    const QStringList words = QString::fromUtf8(text.left(end)).split(QLatin1Char('\t'));
    TUIEReplacements replacements;
    for (int i = 0; i + 1 < words.size(); i += 2)
        replacements.append({words[i], words[i + 1]});
    const QByteArray list = text.mid(end + 1);
    FuzzInput::Device input(list);
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    FuzzInput::require(TUIEFile::rewriteLines(input, output, replacements), "a write was refused");
    const int lines = list.count('\n') + (list.isEmpty() || list.endsWith('\n') ? 0 : 1);
    FuzzInput::require(output.data().count('\n') == lines, "lines were lost or added");
    return 0;
}
