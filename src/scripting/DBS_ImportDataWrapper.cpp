#include "DBS_ImportDataWrapper.h"

#include "DBS_LinkOptions.h"

void DBS_ImportDataWrapper::completeLinkOptions()
{
    DBS_completeLinkOptions(*this);
}
