#pragma once

#include "TUIEScene.h"

#include <QStringList>

// A scene as one comparable text: columns with their drawings, then modules.
inline QString sceneSummary(const TUIEScene &scene)
{
    QStringList parts;
    for (const TUIESeqTV &column : scene.columns())
        parts << column.name() + QLatin1Char(':') + column.drawings().join(QLatin1Char(','));
    for (const TUIEModule &module : scene.modules())
        parts << QStringList{module.instanceName, module.timingColumn, module.name, module.extension}.join(QLatin1Char('|'));
    return parts.join(QLatin1Char('\n'));
}

// Gives every read module a new name, so the rewriter renames.
inline void renameAll(TUIEScene &scene)
{
    for (int i = 0; i < scene.modules().size(); ++i)
        scene.setModuleNewName(i, QStringLiteral("renamed%1").arg(i));
}
