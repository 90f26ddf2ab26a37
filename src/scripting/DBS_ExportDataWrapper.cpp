#include "DBS_ExportDataWrapper.h"

#include "DBS_LinkOptions.h"

void DBS_ExportDataWrapper::completeLinkOptions()
{
    DBS_completeLinkOptions(*this);
}

void DBS_ExportDataWrapper::setExportDefaults()
{
    setDataFlags(false);
    clearLinkOptions();
    database = element = timing = stage = true;
}

void DBS_ExportDataWrapper::setExportAll()
{
    setDataFlags(true);
    clearLinkOptions();
}

void DBS_ExportDataWrapper::setDataFlags(bool on)
{
    brix = false;
    for (bool *flag : {&audio, &database, &final, &envGroup, &jobGroup, &sceneGroup, &envLibrary, &jobLibrary,
                       &sceneLibrary, &envPalette, &jobPalette, &scenePalette, &other, &element, &timing,
                       &annotation, &stage, &outsideDrawings})
        *flag = on;
}

void DBS_ExportDataWrapper::clearLinkOptions()
{
    for (bool *flag : {&hard, &hardLn, &sym, &copy, &keepValidSym, &ignoreValidSym, &resolveSym, &keepBrokenSym,
                       &ignoreBrokenSym})
        *flag = false;
}
