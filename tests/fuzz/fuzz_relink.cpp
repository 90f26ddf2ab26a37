// "relink.xml" presets: any bytes give presets or are refused as not XML.
#include "FuzzInput.h"
#include "TUTYImportRemap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput::Device input(FuzzInput::bytes(data, size));
    bool isXml = false;
    const TUTYImportRemap::Presets presets = TUTYImportRemap::readPresets(input, isXml);
    FuzzInput::require(isXml || presets.isEmpty(), "presets from a file that is not XML");
    return 0;
}
