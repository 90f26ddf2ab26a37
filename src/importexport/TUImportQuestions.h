#pragma once

#include <QString>

// What an import run asks the person watching it before it writes into a
// scene that exists. A batch import has nobody to ask: it stops at a locked
// scene and overwrites the others.
class TUImportQuestions
{
public:
    enum LockedAnswer { SkipScene, StopImport, SkipAllLocked };
    enum ExistsAnswer { ImportScene, SkipExisting, ImportAllScenes };

    virtual ~TUImportQuestions() = default;
    // The scene is checked out to another user (checkedOut) or its stage
    // edit lock is held; text says by whom.
    virtual LockedAnswer sceneLocked(bool checkedOut, const QString &text) = 0;
    // text names the scene and what happens to each version.
    virtual ExistsAnswer sceneExists(const QString &text) = 0;
};
