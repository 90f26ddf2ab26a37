// tallyard-dbscript-doc INTRO EXAMPLES_DIR OUTPUT: writes the scripting
// reference page.
#include "DBS_AddPosWrapper.h"
#include "DBS_DocGenerator.h"
#include "DBS_DrawingWrapper.h"
#include "DBS_ElementWrapper.h"
#include "DBS_EnvWrapper.h"
#include "DBS_ExportDataWrapper.h"
#include "DBS_ExportSizeDataWrapper.h"
#include "DBS_ImportDataWrapper.h"
#include "DBS_JobWrapper.h"
#include "DBS_RenderDataWrapper.h"
#include "DBS_SceneVersionWrapper.h"
#include "DBS_SceneWrapper.h"
#include "DBS_ScriptFiles.h"
#include "DBS_TallyardWrapper.h"
#include "DBS_UserWrapper.h"
#include "DBS_VectorDataWrapper.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {
QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: tallyard-dbscript-doc INTRO EXAMPLES_DIR OUTPUT\n");
        return 2;
    }
    const QString intro = readText(QString::fromLocal8Bit(argv[1]));
    if (intro.isEmpty()) {
        std::fprintf(stderr, "tallyard-dbscript-doc: cannot read %s\n", argv[1]);
        return 1;
    }
    QString page;
    QTextStream out(&page);
    out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Tallyard scripting</title>\n"
           "<style>body{font-family:sans-serif;max-width:60em;margin:auto}code,pre{background:#f4f4f4}"
           "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:2px 6px}</style></head><body>\n";
    out << intro;
    out << "<h1>Reference</h1>\n";
    DBS_DocGenerator generator(out);
    generator.writeClass(DBS_TallyardWrapper::staticMetaObject, QStringLiteral("Tallyard"), QString());
    const struct {
        const QMetaObject &meta;
        const char *name;
        const char *constructor;
    } classes[] = {
        {DBS_UserWrapper::staticMetaObject, "User", "new User(userName)"},
        {DBS_AddPosWrapper::staticMetaObject, "AddPositionType", ""},
        {DBS_EnvWrapper::staticMetaObject, "Environment", "new Environment(envName)"},
        {DBS_JobWrapper::staticMetaObject, "Job", "new Job(envName, jobName)"},
        {DBS_SceneWrapper::staticMetaObject, "Scene", "new Scene(jobName, sceneName)"},
        {DBS_ImportDataWrapper::staticMetaObject, "ImportData", "new ImportData(envName, jobName, path, fileSystem)"},
        {DBS_ExportDataWrapper::staticMetaObject, "ExportData", "new ExportData(envName, jobName, [sceneNames], path)"},
        {DBS_ExportSizeDataWrapper::staticMetaObject, "ExportSize", "new ExportSize(jobName, [sceneNames])"},
        {DBS_RenderDataWrapper::staticMetaObject, "RenderData", "new RenderData(jobName, sceneName)"},
        {DBS_VectorDataWrapper::staticMetaObject, "VectorData",
         "new VectorData(jobName, sceneName[, elementName, elementId])"},
        {DBS_ElementWrapper::staticMetaObject, "Element", "new Element(jobName, sceneName, elementName, elementId)"},
        {DBS_DrawingWrapper::staticMetaObject, "Drawing", "new Drawing(jobName, sceneName, elementName, drawingName)"},
        {DBS_SceneVersionWrapper::staticMetaObject, "SceneVersion",
         "new SceneVersion(jobName, sceneName, versionName, versionId)"},
        {DBS_ScriptFiles::staticMetaObject, "Files", ""},
    };
    for (const auto &c : classes)
        generator.writeClass(c.meta, QLatin1String(c.name), QLatin1String(c.constructor));
    out << "<h1>Examples</h1>\n";
    const QDir examples(QString::fromLocal8Bit(argv[2]));
    for (const QString &name : examples.entryList({QStringLiteral("*.js")}, QDir::Files, QDir::Name))
        generator.writeExample(name, readText(examples.filePath(name)));
    out << "</body></html>\n";
    out.flush();

    const QString output = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(QFileInfo(output).path());
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(page.toUtf8()) < 0 || !file.commit()) {
        std::fprintf(stderr, "tallyard-dbscript-doc: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
