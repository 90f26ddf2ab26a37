#pragma once

#include "SceneCopyEntry.h"

#include <QStringList>
#include <QVector>

// How the copy dialog names the scenes it makes: the source name (or the
// one new name given for a single scene) with "replace" replaced by "by",
// between the prefix and the suffix, numbered 1, 2, 3... while the name is
// taken in the target job or by an earlier entry of the same copy.
class TUSceneCopyNames
{
public:
    struct Rules
    {
        QString newName;
        QString prefix;
        QString replace;
        QString by;
        QString suffix;
    };
    enum Result { Computed = 0, Failed = 1, NoEntries = 2 };

    // Fills each entry's target name. taken: the target job's scene names.
    // existingTarget: the scene picked in the target list, when a single
    // entry is copied onto it. Failed, with the reason, when a name comes
    // out that no scene may have.
    static Result compute(QVector<SceneCopyEntry> &entries, QStringList taken, const Rules &rules,
                          const QString &existingTarget, QString &error);

private:
    static QString freeName(const QString &base, const Rules &rules, QStringList &taken);
};
