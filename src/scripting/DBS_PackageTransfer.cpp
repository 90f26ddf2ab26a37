#include "DBS_PackageTransfer.h"

#include "DBS_ExportDataWrapper.h"
#include "DBS_ImportDataWrapper.h"
#include "DBS_Mediator.h"
#include "TUExport.h"
#include "TUImport.h"
#include "whoami.h"

#include <QRegularExpression>

namespace {
TUIECopier::LinkMode linkMode(const DBS_PackagePartsWrapper &w)
{
    if (w.copy)
        return TUIECopier::CopyFiles;
    if (w.sym)
        return TUIECopier::Symbolic;
    return w.hardLn ? TUIECopier::HardOrSymbolic : TUIECopier::HardOrCopy;
}

template <class Transfer>
void applyLinks(Transfer &transfer, const DBS_PackagePartsWrapper &w)
{
    transfer.setLinkMode(linkMode(w));
    transfer.setKeepValidLinks(w.keepValidSym);
    transfer.setResolveValidLinks(w.resolveSym);
    transfer.setKeepBrokenLinks(w.keepBrokenSym && !w.ignoreBrokenSym);
}

QStringList words(const QString &text)
{
    return text.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
}
} // namespace

bool DBS_PackageTransfer::exportScenes(const DBS_ExportDataWrapper &data)
{
    if (!m_mediator.mayExport())
        return false;
    WHO_AppInfo appInfo(QStringLiteral("Tallyard"));
    TUExport exporter(m_mediator.access(), m_select, &appInfo);
    exporter.setOffline(data.brix);
    for (const auto &flag : data.dataFlags())
        exporter.setDataOption(QLatin1String(flag.first), flag.second);
    exporter.setDataOption(QStringLiteral("outside_drawings"), data.outsideDrawings);
    applyLinks(exporter, data);
    exporter.setPath(data.path);
    exporter.setScenes(data.envName, data.jobName, data.sceneNames);
    if (exporter.run())
        return true;
    m_mediator.fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Export Scene Failed."));
    return false;
}

bool DBS_PackageTransfer::importScenes(const DBS_ImportDataWrapper &data)
{
    if (!m_mediator.mayImport())
        return false;
    TUImport importer(m_mediator.access(), m_select);
    importer.setBatch(true);
    const QStringList scenes = words(data.scenesToImport);
    if (!scenes.isEmpty())
        importer.setScenes(data.path, data.envName, data.importJobName, scenes);
    bool imported = false;
    if (importer.openPackage(data.path, !scenes.isEmpty())) {
        // Parts chosen on the object replace those the package holds.
        const auto flags = data.dataFlags();
        const bool chosen = std::any_of(flags.begin(), flags.end(), [](const auto &flag) { return flag.second; });
        if (chosen && !importer.standalone())
            importer.clearDataOptions();
        for (const auto &flag : flags) {
            if (flag.second)
                importer.setDataOption(QLatin1String(flag.first), true);
        }
        applyLinks(importer, data);
        importer.setVersions(words(data.impVersions));
        importer.setDestination(data.envName, data.jobName, data.fileSystem);
        imported = importer.batchImport() && importer.errorCount() == 0;
    }
    if (!imported)
        m_mediator.fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Import Scene Failed."));
    return imported;
}
