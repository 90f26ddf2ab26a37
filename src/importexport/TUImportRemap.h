#pragma once

#include <QString>

// Fixes the paths of an imported scene version that point at another site,
// once the importer has written it. TUTYImportRemap runs the scene editor's
// relink script with a named preset.
class TUImportRemap
{
public:
    virtual ~TUImportRemap() = default;
    virtual void set(const QString &presetFile, const QString &presetName) = 0;
    virtual bool remap(const QString &environment, const QString &job, const QString &scene, const QString &version) = 0;
};
