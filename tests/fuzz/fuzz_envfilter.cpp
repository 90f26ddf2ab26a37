// The environment filter file: any bytes are a filter or refused.
#include "DBS_EnvironmentFilter.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DBS_EnvironmentFilter filter;
    const bool parsed = filter.parse(FuzzInput::bytes(data, size));
    FuzzInput::require(parsed == filter.applies(), "a refused filter applies");
    filter.allows(QStringLiteral("Feature"), QStringLiteral("mara"));
    return 0;
}
