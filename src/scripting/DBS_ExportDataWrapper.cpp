#include "DBS_ExportDataWrapper.h"

void DBS_ExportDataWrapper::setExportDefaults()
{
    brix = outsideDrawings = false;
    setDataFlags(false);
    clearLinkOptions();
    database = element = timing = stage = true;
}

void DBS_ExportDataWrapper::setExportAll()
{
    brix = false;
    outsideDrawings = true;
    setDataFlags(true);
    clearLinkOptions();
}
