#pragma once

#include <QString>

// One source scene of a copy and the scene it goes to.
struct SceneCopyEntry
{
    QString sourceName;
    // As the source job's scene table records it; empty when not found.
    QString sourceFileSystem;
    // The row in the source scene list: the reference of "Before Selected"
    // and "After Selected".
    int sourceRow = -1;
    QString targetName;
    // The target is an existing scene picked in the target list.
    bool copyIntoExisting = false;
};
