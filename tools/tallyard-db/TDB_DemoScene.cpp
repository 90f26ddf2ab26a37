#include "TDB_DemoScene.h"

#include "TDB_DemoAssets.h"
#include "TUDbAccess.h"
#include "oswRemapPath.h"
#include "oswUtil.h"
#include "tufile.h"

#include <QDateTime>
#include <QFile>

namespace {
const QVector<TDB_DemoAssets::PaletteColour> kSceneColours = {
    {"Line", QColor(20, 20, 20)}, {"Skin", QColor(240, 200, 170)}, {"Coat", QColor(60, 90, 160)},
    {"Sky", QColor(150, 200, 240)}, {"Glow", QColor(255, 230, 120, 200)},
};
} // namespace

TDB_DemoScene::TDB_DemoScene(TUDbAccess &access, dba_job_struct &job, const QString &name, int index)
    : m_access(access)
    , m_job(job)
    , m_name(name)
    , m_index(index)
{
}

bool TDB_DemoScene::fill(QString &error)
{
    if (m_access.dba_OpenScene(m_name, m_job, m_scene) != 0)
        return failed(error);
    m_data.setScene(m_scene);
    const bool filled = fillOpenScene(error);
    m_access.dba_CloseScene(m_scene);
    return filled;
}

bool TDB_DemoScene::fillOpenScene(QString &error)
{
    if (!addPalettes(error))
        return false;
    for (const TDB_DemoStudio::Element &element : TDB_DemoStudio::elements(m_index)) {
        if (!addElement(element, error))
            return false;
    }
    return addTimingColumn(error) && addOutsideColumn(error) && addSoundAndNotes(error) && addFileCases(error)
        && addVersions(error) && setSceneFields(error);
}

bool TDB_DemoScene::addPalettes(QString &error)
{
    const QString scenePalette = m_data.paletteDir() + QStringLiteral("/%1.plt").arg(m_name);
    if (!tufile::checkCreatePath(local(m_data.paletteDir()), error)
        || !TDB_DemoAssets::writePalette(local(scenePalette), m_name, kSceneColours, error))
        return false;
    m_palettes = QStringList{m_data.envPaletteDir() + QStringLiteral("/%1.plt").arg(m_data.envName()),
                             m_data.jobPaletteDir() + QStringLiteral("/%1.plt").arg(m_data.jobName()), scenePalette};
    return true;
}

bool TDB_DemoScene::addElement(const TDB_DemoStudio::Element &plan, QString &error)
{
    QVX_element_data element;
    element.name = QLatin1String(plan.name);
    element.folder = element.name;
    element.rootFolder = QStringLiteral("elements");
    element.scanType = plan.vector ? QStringLiteral("BW") : QStringLiteral("COLOR");
    element.pixmapFormat = QStringLiteral("PNG");
    element.vectorType = plan.vector;
    const qint64 id = m_access.dba_addElement(m_scene, element);
    if (id < 0)
        return failed(error);
    ++m_elements;
    TDB_SceneFile::Column column;
    column.name = element.name;
    column.elementId = id;
    column.rootFolder = element.rootFolder;
    column.folder = m_data.sceneDir() + QLatin1Char('/') + element.rootFolder + QLatin1Char('/') + element.folder;
    for (int i = 1; i <= plan.drawings; ++i) {
        dba_cel_struct cel;
        cel.name = QString::number(i);
        // Drawings further along the pipeline in scenes further along.
        cel.stage = std::min(4, (m_index + i) % 5);
        cel.state = cel.stage == 0 ? 0 : 3;
        if (m_access.dba_addCel(id, cel) < 0)
            return failed(error);
        column.drawings << cel.name;
    }
    if (!writeDrawingFolder(column, plan.colour, error))
        return false;
    m_drawings += plan.drawings;
    m_columns.append(column);
    return true;
}

bool TDB_DemoScene::addTimingColumn(QString &error)
{
    TDB_SceneFile::Column column;
    column.name = QStringLiteral("lipsync");
    column.folder = m_data.timingDir() + QStringLiteral("/lipsync");
    column.drawings = TDB_DemoStudio::timingDrawings();
    if (!writeDrawingFolder(column, QColor(200, 60, 60), error))
        return false;
    m_columns.append(column);
    return true;
}

bool TDB_DemoScene::addOutsideColumn(QString &error)
{
    if (!TDB_DemoStudio::outsideDrawings(m_index))
        return true;
    TDB_SceneFile::Column column;
    column.name = QStringLiteral("lamp");
    column.folder = m_data.jobLibraryDir() + QStringLiteral("/props/lamp");
    column.drawings = QStringList{QStringLiteral("1"), QStringLiteral("2")};
    if (!writeDrawingFolder(column, QColor(240, 240, 120), error))
        return false;
    m_columns.append(column);
    return true;
}

bool TDB_DemoScene::addFileCases(QString &error)
{
    if (!TDB_DemoStudio::fileCases(m_index) || m_columns.isEmpty())
        return true;
    const TDB_SceneFile::Column &first = m_columns.first();
    const QString folder = local(first.folder);
    const QString drawing = QStringLiteral("%1-%2.png").arg(first.name, first.drawings.value(0));
    if (!TDB_DemoAssets::writePaletteList(local(m_data.sceneDir()) + QStringLiteral("/PALETTES"), m_palettes, error)
        || !TDB_DemoAssets::writePaletteList(folder + QStringLiteral("/PALETTES"), m_palettes.mid(2), error)
        || !TDB_DemoAssets::writeText(local(m_data.annotationDir()) + QStringLiteral("/notes.txt~"), tr("old notes\n"), error)
        || !TDB_DemoAssets::writeBytes(folder + QLatin1Char('/') + drawing + QLatin1Char('~'), QByteArray("backup"), error))
        return false;
    // Relative links: one to a drawing beside it, one whose drawing was removed.
    if (!QFile::link(drawing, folder + QStringLiteral("/latest"))
        || !QFile::link(first.name + QStringLiteral("-0.png"), folder + QStringLiteral("/removed"))) {
        error = tr("Cannot make the symbolic links in %1").arg(folder);
        return false;
    }
    return true;
}

bool TDB_DemoScene::writeDrawingFolder(const TDB_SceneFile::Column &column, const QColor &colour, QString &error)
{
    const QString folder = local(column.folder);
    if (!tufile::checkCreatePath(folder, error))
        return false;
    for (int i = 0; i < column.drawings.size(); ++i) {
        const QString file = QStringLiteral("%1/%2-%3.png").arg(folder, column.name, column.drawings.at(i));
        if (!TDB_DemoAssets::writeDrawing(file, i, colour, error))
            return false;
    }
    return TDB_DemoAssets::writePaletteList(folder + QStringLiteral("/PALETTE_LIST"), m_palettes, error);
}

bool TDB_DemoScene::addSoundAndNotes(QString &error)
{
    const QString notes = tr("Scene %1 of job %2\n\n- hold the last pose 6 frames longer\n- check the lip-sync on \"O\"\n")
                              .arg(m_name, m_data.jobName());
    return tufile::checkCreatePath(local(m_data.audioDir()), error)
        && TDB_DemoAssets::writeWave(local(m_data.audioDir()) + QStringLiteral("/%1.wav").arg(m_name), 250,
                                     330 + 20 * m_index, error)
        && tufile::checkCreatePath(local(m_data.annotationDir()), error)
        && TDB_DemoAssets::writeText(local(m_data.annotationDir()) + QStringLiteral("/notes.txt"), notes, error)
        && TDB_DemoAssets::writeDrawing(local(m_data.annotationDir()) + QStringLiteral("/retake-001.png"), m_index,
                                        QColor(255, 0, 0), error);
}

bool TDB_DemoScene::addVersions(QString &error)
{
    const QString stage = local(m_data.stageDir());
    if (!tufile::checkCreatePath(stage, error))
        return false;
    const int count = TDB_DemoStudio::versionCount(m_index);
    for (int v = 1; v <= count; ++v) {
        TDB_SceneFile file{m_data.envName(), m_data.jobName(), m_name, TDB_DemoStudio::frames(m_index), 0,
                           TDB_DemoStudio::versionName(v), m_access.userName(), oswUtil::getShortMachineName(),
                           QDateTime::currentSecsSinceEpoch(), m_columns, m_palettes};
        // Early versions expose fewer of each column's drawings.
        for (TDB_SceneFile::Column &column : file.columns)
            column.drawings = column.drawings.mid(0, (int(column.drawings.size()) * v + count - 1) / count);
        file.version = m_access.dba_addSceneVersion(m_scene, file.versionName,
                                                    tr("%1 pass of %2").arg(file.versionName, m_name));
        if (file.version < 0)
            return failed(error);
        const QString base = QStringLiteral("%1/v%2").arg(stage).arg(file.version);
        const auto write = TDB_DemoStudio::lineFormat(m_index) ? TDB_SceneFileWriter::writeLineSceneFile
                                                               : TDB_SceneFileWriter::writeSceneFile;
        if (!write(base + QStringLiteral(".pavx"), file, error)
            || !TDB_SceneFileWriter::writeAuxFile(base + QStringLiteral(".aux"), file, error))
            return false;
        ++m_versions;
    }
    return true;
}

bool TDB_DemoScene::setSceneFields(QString &error)
{
    if (!m_access.dba_setSceneFrames(m_scene, TDB_DemoStudio::frames(m_index))
        || !m_access.dba_changePriorityScene(m_job, m_name, TDB_DemoStudio::priority(m_index)))
        return failed(error);
    const int stages = m_access.dba_num_scene_stages();
    if (stages > 0 && !m_access.dba_changeSceneStage(m_job, m_name, m_access.dba_get_translated_scene_stage(m_index % stages)))
        return failed(error);
    // One scene out with an animator, so the check-out columns show something.
    if (m_index == 4 && !m_access.dba_CheckoutScene(m_job, m_name, TDB_DemoStudio::animator(m_index)))
        return failed(error);
    return true;
}

QString TDB_DemoScene::local(const QString &stored) const
{
    return oswRemapPath::RemapPath2(stored);
}

bool TDB_DemoScene::failed(QString &error) const
{
    error = m_access.lastErrorText();
    return false;
}
