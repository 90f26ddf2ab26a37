#pragma once

#include <QStringList>

// What the importer needs of a standalone scene file (TUIEFile::readProjectSummary).
struct TUIEProjectSummary
{
    int frames = 0;
    QStringList rootFolders; // element root folders, each once, in file order
    bool animatedProject = false;
};
