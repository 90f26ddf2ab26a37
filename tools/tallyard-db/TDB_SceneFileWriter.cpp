#include "TDB_SceneFileWriter.h"

#include "PIO_Keywords.h"

#include <QDateTime>
#include <QFile>
#include <QXmlStreamWriter>

namespace {

bool save(QFile &file, QString &error)
{
    if (file.flush() && file.error() == QFile::NoError)
        return true;
    error = TDB_SceneFileWriter::tr("Cannot write %1: %2").arg(file.fileName(), file.errorString());
    return false;
}

bool open(QFile &file, QString &error)
{
    if (file.open(QIODevice::WriteOnly))
        return true;
    error = TDB_SceneFileWriter::tr("Cannot write %1: %2").arg(file.fileName(), file.errorString());
    return false;
}

void writeColumn(QXmlStreamWriter &xml, const TDB_SceneFile::Column &column, int frames)
{
    xml.writeStartElement(kPIO_column);
    xml.writeAttribute(kPIO_columnType, kPIO_drawingColumnType);
    xml.writeAttribute(kPIO_columnName, column.name);
    if (column.elementId != 0)
        xml.writeAttribute(kPIO_element, QString::number(column.elementId));
    for (int i = 0; i < column.drawings.size(); ++i) {
        const QPair<int, int> frameRange = TDB_SceneFileWriter::exposure(i, int(column.drawings.size()), frames);
        xml.writeEmptyElement(kPIO_stringSeq);
        xml.writeAttribute(kPIO_val, column.drawings.at(i));
        xml.writeAttribute(QStringLiteral("from"), QString::number(frameRange.first));
        xml.writeAttribute(QStringLiteral("to"), QString::number(frameRange.second));
    }
    xml.writeEndElement();
}

void writeReadModule(QXmlStreamWriter &xml, const TDB_SceneFile::Column &column)
{
    xml.writeStartElement(kPIO_module);
    xml.writeAttribute(kPIO_nodeType, kPIO_readNodeType);
    xml.writeAttribute(kPIO_nodeInstanceName, column.name);
    xml.writeStartElement(kPIO_customName);
    xml.writeEmptyElement(kPIO_name);
    xml.writeAttribute(kPIO_val, column.folder);
    xml.writeEmptyElement(kPIO_timing);
    xml.writeAttribute(kPIO_col, column.name);
    xml.writeEmptyElement(kPIO_extension);
    xml.writeAttribute(kPIO_val, QStringLiteral("png"));
    xml.writeEndElement();
    xml.writeEndElement();
}

void writeModule(QXmlStreamWriter &xml, const QString &type, const QString &name)
{
    xml.writeEmptyElement(kPIO_module);
    xml.writeAttribute(kPIO_nodeType, type);
    xml.writeAttribute(kPIO_nodeInstanceName, name);
}

void writeScene(QXmlStreamWriter &xml, const TDB_SceneFile &scene)
{
    xml.writeStartElement(kPIO_scene);
    xml.writeAttribute(kPIO_id, QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("name"), scene.scene);
    xml.writeAttribute(kPIO_sceneNbFrames, QString::number(scene.frames));
    xml.writeStartElement(QStringLiteral("columns"));
    for (const TDB_SceneFile::Column &column : scene.columns)
        writeColumn(xml, column, scene.frames);
    xml.writeEmptyElement(kPIO_column);
    xml.writeAttribute(kPIO_columnType, kPIO_cameraColumnType);
    xml.writeAttribute(kPIO_columnName, QStringLiteral("camera"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("modules"));
    for (const TDB_SceneFile::Column &column : scene.columns)
        writeReadModule(xml, column);
    writeModule(xml, QStringLiteral("COMPOSITE"), QStringLiteral("composite"));
    writeModule(xml, QStringLiteral("DISPLAY"), QStringLiteral("display"));
    xml.writeEndElement();
    xml.writeEndElement();
}
} // namespace

bool TDB_SceneFileWriter::writeSceneFile(const QString &localFile, const TDB_SceneFile &scene, QString &error)
{
    QFile file(localFile);
    if (!open(file, error))
        return false;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeStartElement(kPIO_project);
    xml.writeAttribute(QStringLiteral("environment"), scene.environment);
    xml.writeAttribute(QStringLiteral("job"), scene.job);
    xml.writeAttribute(QStringLiteral("scene"), scene.scene);
    xml.writeAttribute(QStringLiteral("version"), QString::number(scene.version));

    xml.writeStartElement(kPIO_timeline);
    xml.writeEmptyElement(kPIO_scene);
    xml.writeAttribute(kPIO_id, QStringLiteral("1"));
    xml.writeEndElement();
    writeScene(xml, scene);

    xml.writeStartElement(QStringLiteral("elements"));
    for (const TDB_SceneFile::Column &column : scene.columns) {
        if (column.elementId == 0)
            continue;
        xml.writeEmptyElement(kPIO_element);
        xml.writeAttribute(kPIO_id, QString::number(column.elementId));
        xml.writeAttribute(QStringLiteral("name"), column.name);
        xml.writeAttribute(kPIO_rootFolder, column.rootFolder);
    }
    xml.writeEndElement();
    // Scripts keep their text in CDATA; the palette path inside is one the
    // export rewrites like any other.
    if (!scene.palettes.isEmpty()) {
        xml.writeStartElement(QStringLiteral("script"));
        xml.writeCDATA(QStringLiteral("if (frame() < 2)\n    loadPalette(\"%1\");\n").arg(scene.palettes.last()));
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("palettes"));
    for (const QString &palette : scene.palettes) {
        xml.writeEmptyElement(QStringLiteral("palette"));
        xml.writeAttribute(QStringLiteral("path"), palette);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return save(file, error);
}

bool TDB_SceneFileWriter::writeLineSceneFile(const QString &localFile, const TDB_SceneFile &scene, QString &error)
{
    QFile file(localFile);
    if (!open(file, error))
        return false;
    QStringList lines{PIO_Lex::NFrames + QLatin1Char(' ') + QString::number(scene.frames)};
    for (const TDB_SceneFile::Column &column : scene.columns) {
        QStringList cells{PIO_Lex::Column, column.name, PIO_Lex::Timing};
        for (int i = 0; i < column.drawings.size(); ++i) {
            const int from = exposure(i, int(column.drawings.size()), scene.frames).first;
            cells << QStringLiteral("%1:\"%2\"").arg(from).arg(column.drawings.at(i));
        }
        lines << (cells << PIO_Lex::EndList).join(QLatin1Char(' '));
    }
    for (const TDB_SceneFile::Column &column : scene.columns) {
        lines << QStringList{PIO_Lex::Module, column.name, PIO_Lex::Read, PIO_Lex::CustomName, PIO_Lex::Name,
                             QLatin1Char('"') + column.folder + QLatin1Char('"'), PIO_Lex::Col, column.name,
                             PIO_Lex::Extension, QStringLiteral("png"), PIO_Lex::FieldChart, QStringLiteral("12")}
                     .join(QLatin1Char(' '));
    }
    for (const QString &palette : scene.palettes)
        lines << QStringLiteral("PALETTE \"%1\"").arg(palette);
    file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return save(file, error);
}

bool TDB_SceneFileWriter::writeAuxFile(const QString &localFile, const TDB_SceneFile &scene, QString &error)
{
    QFile file(localFile);
    if (!open(file, error))
        return false;
    const QString text = QStringLiteral("version=%1\nname=%2\nframes=%3\nsavedby=%4\nsavedhost=%5\nsavedtime=%6\n")
                             .arg(scene.version)
                             .arg(scene.versionName)
                             .arg(scene.frames)
                             .arg(scene.savedBy, scene.savedHost,
                                  QDateTime::fromSecsSinceEpoch(scene.savedTime).toString(Qt::ISODate));
    file.write(text.toUtf8());
    return save(file, error);
}

QPair<int, int> TDB_SceneFileWriter::exposure(int index, int count, int frames)
{
    return {index * frames / count + 1, (index + 1) * frames / count};
}
