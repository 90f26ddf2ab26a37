#include "TUSceneCopyNames.h"

#include "TUSceneNameValidator.h"

#include <QCoreApplication>

TUSceneCopyNames::Result TUSceneCopyNames::compute(QVector<SceneCopyEntry> &entries, QStringList taken,
                                                   const Rules &rules, const QString &existingTarget, QString &error)
{
    error.clear();
    if (entries.isEmpty())
        return NoEntries;
    if (entries.size() == 1 && !existingTarget.isEmpty()) {
        entries[0].targetName = existingTarget;
        entries[0].copyIntoExisting = true;
        return Computed;
    }
    for (SceneCopyEntry &entry : entries) {
        const QString base = entries.size() == 1 && !rules.newName.isEmpty() ? rules.newName : entry.sourceName;
        entry.targetName = freeName(base, rules, taken);
        entry.copyIntoExisting = false;
        // The fields allow what no scene name may hold ("*", a name grown
        // past the limit by its parts); such a copy is not offered.
        if (!TUSceneNameValidator::isValidName(entry.targetName)) {
            error = QCoreApplication::translate("TUCopyXsheetScene", "%1 is not a valid scene name.")
                        .arg(entry.targetName);
            return Failed;
        }
    }
    return Computed;
}

QString TUSceneCopyNames::freeName(const QString &base, const Rules &rules, QStringList &taken)
{
    QString name = base;
    if (!rules.replace.isEmpty())
        name.replace(rules.replace, rules.by, Qt::CaseSensitive);
    const QString plain = rules.prefix + name + rules.suffix;
    QString candidate = plain;
    for (int n = 1; taken.contains(candidate); ++n)
        candidate = plain + QString::number(n);
    taken.append(candidate);
    return candidate;
}
