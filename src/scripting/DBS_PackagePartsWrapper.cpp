#include "DBS_PackagePartsWrapper.h"

QVector<QPair<const char *, bool>> DBS_PackagePartsWrapper::dataFlags() const
{
    return {{"audio", audio},           {"database", database},         {"final", final},
            {"env_group", envGroup},     {"job_group", jobGroup},         {"scene_group", sceneGroup},
            {"env_library", envLibrary}, {"job_library", jobLibrary},     {"scene_library", sceneLibrary},
            {"env_palette", envPalette}, {"job_palette", jobPalette},     {"scene_palette", scenePalette},
            {"other", other},            {"element", element},           {"timing", timing},
            {"annotation", annotation},  {"stage", stage}};
}

void DBS_PackagePartsWrapper::completeLinkOptions()
{
    if (!hard && !sym && !copy)
        copy = true;
    if (!keepValidSym && !ignoreValidSym && !resolveSym)
        keepValidSym = true;
    if (!keepBrokenSym && !ignoreBrokenSym)
        keepBrokenSym = true;
}

void DBS_PackagePartsWrapper::setDataFlags(bool on)
{
    for (bool *flag : {&audio, &database, &final, &envGroup, &jobGroup, &sceneGroup, &envLibrary, &jobLibrary,
                       &sceneLibrary, &envPalette, &jobPalette, &scenePalette, &other, &element, &timing, &annotation,
                       &stage})
        *flag = on;
}

void DBS_PackagePartsWrapper::clearLinkOptions()
{
    for (bool *flag : {&hard, &hardLn, &sym, &copy, &keepValidSym, &ignoreValidSym, &resolveSym, &keepBrokenSym,
                       &ignoreBrokenSym})
        *flag = false;
}
