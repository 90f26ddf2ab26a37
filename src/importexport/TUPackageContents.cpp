#include "TUPackageContents.h"

#include "TUIEPackageFile.h"
#include "TUSceneNameValidator.h"
#include "UT_ExportUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {
const QString kSeparator = QStringLiteral(" : ");

// A folder name from a package: one path component, nothing hidden.
bool validFolderName(const QString &name)
{
    return !name.isEmpty() && name.size() < 256 && !name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('.'))
        && !name.contains(QChar(0));
}
} // namespace

TUPackageContents::TUPackageContents(const QString &file)
    : m_file(file)
{
}

bool TUPackageContents::append(const QString &text, QString &error)
{
    m_text += text;
    // What the new text names reaches the disk before the text does.
    return TUIEPackageFile::syncFileSystem(QFileInfo(m_file).path(), error)
        && TUIEPackageFile::replace(m_file, m_text.toUtf8(), error);
}

QString TUPackageContents::sceneLine(const Scene &scene)
{
    return UT_ExportUtil::ContentsSceneKeyword + kSeparator
        + QStringList{scene.environment, scene.job, scene.scene, scene.versions.join(QStringLiteral(", "))}.join(QLatin1Char(' '))
              .trimmed()
        + QLatin1Char('\n');
}

QString TUPackageContents::dataLine(const QString &word)
{
    return UT_ExportUtil::ContentsDataKeyword + kSeparator + word + QLatin1Char('\n');
}

QString TUPackageContents::elementLine(const QString &folder)
{
    return UT_ExportUtil::ContentsElementKeyword + kSeparator + folder + QLatin1Char('\n');
}

bool TUPackageContents::read(const QString &fileName, QString &error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = file.errorString();
        return false;
    }
    read(file);
    return true;
}

void TUPackageContents::read(QIODevice &input)
{
    m_data.clear();
    m_elements.clear();
    m_scenes.clear();
    m_problems.clear();
    QTextStream stream(&input);
    stream.setCodec("UTF-8");
    QString line;
    while (stream.readLineInto(&line))
        readLine(line.trimmed());
}

void TUPackageContents::readLine(const QString &line)
{
    const int at = line.indexOf(kSeparator);
    if (at < 0)
        return;
    const QString keyword = line.left(at);
    const QString value = line.mid(at + kSeparator.size()).trimmed();
    if (keyword == UT_ExportUtil::ContentsDataKeyword) {
        if (UT_ExportUtil::DataWords.contains(value))
            m_data.insert(value);
        else
            m_problems << tr("Unknown data option \"%1\" in the package.").arg(value.left(64));
    } else if (keyword == UT_ExportUtil::ContentsElementKeyword) {
        if (validFolderName(value)) {
            if (!m_elements.contains(value))
                m_elements << value;
        } else {
            m_problems << tr("Element folder \"%1\" of the package is not a valid folder name.").arg(value.left(64));
        }
    } else if (keyword == UT_ExportUtil::ContentsSceneKeyword) {
        Scene scene;
        if (parseScene(value, scene))
            m_scenes.append(scene);
    }
}

bool TUPackageContents::parseScene(const QString &value, Scene &scene)
{
    const QStringList fields = value.split(QLatin1Char(' '));
    if (fields.size() < 3) {
        m_problems << tr("Scene line \"%1\" of the package is incomplete.").arg(value.left(64));
        return false;
    }
    scene.environment = fields.at(0);
    scene.job = fields.at(1);
    scene.scene = fields.at(2);
    for (const QString &name : {scene.environment, scene.job, scene.scene}) {
        if (!TUSceneNameValidator::isValidName(name)) {
            m_problems << tr("Name \"%1\" of the package is not a valid name; scene skipped.").arg(name.left(64));
            return false;
        }
    }
    const QString versions = fields.mid(3).join(QLatin1Char(' '));
    if (!versions.isEmpty())
        scene.versions = versions.split(QStringLiteral(", "));
    return true;
}
