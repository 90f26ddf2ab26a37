#include "DBA_NewSceneFolder.h"

#include "DBA_FileSpaceOps.h"
#include "oswUtil.h"
#include "tufile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

const QString DBA_NewSceneFolder::kStagingPrefix = QStringLiteral(".tallyard-new-");

QString DBA_NewSceneFolder::processTag()
{
    return oswUtil::getShortMachineName() + QLatin1Char('-') + QString::number(QCoreApplication::applicationPid())
        + QLatin1Char('-');
}

DBA_NewSceneFolder::DBA_NewSceneFolder(const QString &local, bool make)
    : m_local(QDir::cleanPath(local))
    , m_make(make)
{
    const QFileInfo info(m_local);
    // This create's own, even on a shared file space.
    m_staging = info.path() + QLatin1Char('/') + kStagingPrefix + processTag() + info.fileName();
}

DBA_NewSceneFolder::~DBA_NewSceneFolder()
{
    if (m_committed || !m_make)
        return;
    if (!m_inPlace)
        tufile::rmIfExists(m_placed ? m_local : m_staging);
    // Parents go only while empty: a scene made meanwhile may share them.
    for (const QString &parent : qAsConst(m_missingParents))
        QDir().rmdir(parent);
}

bool DBA_NewSceneFolder::makeTree(const QString &folder, QString &error)
{
    for (const QString &sub : DBA_FileSpaceOps::standardSceneFolders()) {
        if (!tufile::checkCreatePath(folder + QLatin1Char('/') + sub, error))
            return false;
    }
    return true;
}

bool DBA_NewSceneFolder::prepare(QString &error)
{
    if (!m_make)
        return true;
    if (QFileInfo::exists(m_local) || QFileInfo(m_local).isSymLink()) {
        m_inPlace = true;
        return true;
    }
    for (QString path = QFileInfo(m_local).path(); !QFileInfo::exists(path) && !QFileInfo(path).isSymLink();) {
        m_missingParents << path;
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    // A staging folder of this host and process id is a leftover of a
    // killed process that had the same id: nobody else's.
    return tufile::rmIfExists(m_staging, error) && makeTree(m_staging, error);
}

bool DBA_NewSceneFolder::place(QString &error)
{
    if (!m_make)
        return true;
    if (m_inPlace)
        return makeTree(m_local, error);
    // The rename refuses a folder that appeared meanwhile: it is not ours.
    if (!QDir().rename(m_staging, m_local)) {
        error = QCoreApplication::translate("TUDbAccess", "cannot put the folder %1 in place (it appeared meanwhile?)")
                    .arg(m_local);
        return false;
    }
    m_placed = true;
    return true;
}
