#pragma once

#include <QCoreApplication>
#include <QStringList>

class TUDbAccess;

// The kinds of drawing a job's scenes use (element root folder, scan type,
// pixmap format, vector or not), one table per environment and job. An
// export package carries it as "drawing-types/<environment>/<job>.types",
// one tab-separated line per kind; an import merges it into the target
// job's "drawing-types.types". Lines of a package that are not four plain
// fields are refused.
class EM_DrawingTypes
{
    Q_DECLARE_TR_FUNCTIONS(EM_DrawingTypes)

public:
    // Adds the kinds of the scene open in access to the package's table.
    static bool exportDrawingTypesTo(const QString &package, const QString &environment, const QString &job,
                                     TUDbAccess &access);
    // Merges the package's table of (environment, job) into the target
    // job folder of the scene open in access.
    static bool importDrawingTypesFrom(TUDbAccess &access, const QString &package, const QString &environment,
                                       const QString &job);
    static QString tableOf(const QString &package, const QString &environment, const QString &job);

private:
    static bool read(const QString &file, QStringList &lines);
    static bool merge(const QString &file, const QStringList &lines, bool inPackage);
    static void writeSynced(const QString &file, const QByteArray &text, QString &error);
};
