#include "EM_DrawingTypes.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUIEName.h"
#include "TUIEPackageFile.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

QString EM_DrawingTypes::tableOf(const QString &package, const QString &environment, const QString &job)
{
    return QStringLiteral("%1/drawing-types/%2/%3.types").arg(package, environment, job);
}

bool EM_DrawingTypes::read(const QString &file, QStringList &lines)
{
    QFile input(file);
    if (!input.exists())
        return true;
    if (!input.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!input.atEnd()) {
        const QString line = QString::fromUtf8(input.readLine(1024)).trimmed();
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (line.isEmpty())
            continue;
        if (fields.size() != 4 || !std::all_of(fields.begin(), fields.end(), [](const QString &f) { return TUIEName::isPlainName(f); })) {
            MSG_Scope("EM_DrawingTypes", MSG_Text(tr("Ignoring drawing type \"%1\" of %2.").arg(line.left(64), file)), MSG_Scope::Warn);
            continue;
        }
        lines << line;
    }
    return true;
}

bool EM_DrawingTypes::merge(const QString &file, const QStringList &lines, bool inPackage)
{
    QStringList all;
    if (!read(file, all))
        return false;
    all << lines;
    all.removeDuplicates();
    all.sort();
    const QByteArray text = (all.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    QString error;
    if (!QDir().mkpath(QFileInfo(file).path()))
        error = tr("cannot make its folder");
    else if (inPackage)
        // It lists what earlier scenes committed: replaced whole, but the
        // package's contents file flushes it with the next scene.
        TUIEPackageFile::replace(file, text, error);
    else
        writeSynced(file, text, error);
    if (error.isEmpty())
        return true;
    MSG_Scope("EM_DrawingTypes", MSG_Text(tr("Cannot write %1: %2").arg(file, error)));
    return false;
}

void EM_DrawingTypes::writeSynced(const QString &file, const QByteArray &text, QString &error)
{
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly) || output.write(text) < 0 || !output.commit())
        error = output.errorString();
}

bool EM_DrawingTypes::exportDrawingTypesTo(const QString &package, const QString &environment, const QString &job,
                                           TUDbAccess &access)
{
    QStringList lines;
    for (const QVX_element_data &element : access.read_DBA_elements(access.sceneRecord())) {
        const QString line = QStringList{element.rootFolder, element.scanType, element.pixmapFormat,
                                         element.vectorType ? QStringLiteral("vector") : QStringLiteral("bitmap")}
                                 .join(QLatin1Char('\t'));
        if (!element.rootFolder.isEmpty() && !element.scanType.isEmpty() && !element.pixmapFormat.isEmpty())
            lines << line;
    }
    return lines.isEmpty() || merge(tableOf(package, environment, job), lines, true);
}

bool EM_DrawingTypes::importDrawingTypesFrom(TUDbAccess &access, const QString &package, const QString &environment,
                                             const QString &job)
{
    QStringList lines;
    const QString table = tableOf(package, environment, job);
    // A table reached through a link that leaves the package is not read.
    if (!QFileInfo::exists(table))
        return true;
    if (!TUIEName::isInside(package, table) || QFileInfo(table).isSymLink() || !read(table, lines))
        return false;
    const QString target = oswRemapPath::RemapPath2(access.sceneData().jobDir()) + QStringLiteral("/drawing-types.types");
    if (QFileInfo(target).isSymLink() || !TUIEName::isInside(oswRemapPath::RemapPath2(access.sceneData().jobDir()), target))
        return false;
    return lines.isEmpty() || merge(target, lines, false);
}
