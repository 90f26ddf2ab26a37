// VectOptions.conf: any text gives a style list with the default style.
#include "FuzzInput.h"
#include "TUVectOptionList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput::Device input(FuzzInput::bytes(data, size));
    TUVectOptionList list;
    list.read(input);
    FuzzInput::require(list.names().contains(TUVectOptionList::defaultStyleName()), "no default style");
    for (const TUVectOptionList::Style &style : list.styles())
        FuzzInput::require(!style.name.isEmpty(), "a style without a name");
    return 0;
}
