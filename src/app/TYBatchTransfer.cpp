#include "TYBatchTransfer.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUExport.h"
#include "TUImport.h"
#include "TUMessage.h"
#include "TUTYRefusal.h"
#include "TYTerminalProgress.h"
#include "whoami.h"

namespace {

void reportLog(const char *text, int code)
{
    MSG_Scope("tallyard", text, MSG_Scope::Error, code).arg(TUMessage::instance().logFilePath());
}

TUIECopier::LinkMode linkMode(const QSet<QString> &links)
{
    if (links.contains(QStringLiteral("copy")))
        return TUIECopier::CopyFiles;
    if (links.contains(QStringLiteral("sym")))
        return TUIECopier::Symbolic;
    return TUIECopier::HardOrCopy;
}

} // namespace

TYBatchTransfer::TYBatchTransfer(const RunOptions &options, TUDbAccess &access, TUDbSelect *select)
    : m_options(options)
    , m_access(access)
    , m_select(select)
{
}

QSet<QString> TYBatchTransfer::linkOptions() const
{
    QSet<QString> links = m_options.linkOptions;
    const auto noneOf = [&links](std::initializer_list<const char *> names) {
        for (const char *name : names) {
            if (links.contains(QLatin1String(name)))
                return false;
        }
        return true;
    };
    if (noneOf({"copy", "sym", "hard"}))
        links.insert(QStringLiteral("copy"));
    if (noneOf({"resolve_sym", "ignore_valid_sym", "keep_valid_sym"}))
        links.insert(QStringLiteral("keep_valid_sym"));
    if (noneOf({"ignore_broken_sym", "keep_broken_sym"}))
        links.insert(QStringLiteral("keep_broken_sym"));
    return links;
}

bool TYBatchTransfer::exportScenes()
{
    if (!TUTYRefusal::permits(m_access, TUTYRefusal::ImportExportScenes))
        return false;
    WHO_AppInfo appInfo(QStringLiteral("Tallyard"));
    TUExport exporter(&m_access, m_select, &appInfo);
    exporter.setOffline(m_options.hasData(QStringLiteral("offline")));
    for (const QString &word : RunOptions::dataOptionNames()) {
        if (word != QLatin1String("offline") && m_options.hasData(word))
            exporter.setDataOption(word, true);
    }
    const QSet<QString> links = linkOptions();
    exporter.setLinkMode(linkMode(links));
    exporter.setKeepValidLinks(links.contains(QStringLiteral("keep_valid_sym")));
    exporter.setResolveValidLinks(links.contains(QStringLiteral("resolve_sym")));
    exporter.setKeepBrokenLinks(links.contains(QStringLiteral("keep_broken_sym"))
                                && !links.contains(QStringLiteral("ignore_broken_sym")));
    exporter.setPath(m_options.path);
    exporter.setScenes(m_options.environment, m_options.job, m_options.sceneList);
    TYTerminalProgress progress;
    if (exporter.run(nullptr, progress.active() ? &progress : nullptr))
        return true;
    reportLog(QT_TRANSLATE_NOOP("tallyard", "Export: Errors(s) occured, check the log file:\n%1"), 100);
    return false;
}

bool TYBatchTransfer::importScenes()
{
    if (!TUTYRefusal::permits(m_access, TUTYRefusal::ImportExportScenes))
        return false;
    if (m_options.environment.isEmpty()) {
        MSG_Scope("tallyard",
                  QT_TRANSLATE_NOOP("tallyard", "Import: Errors(s) occured, no target environment has been specified"),
                  MSG_Scope::Error, 1);
        return false;
    }
    TUImport importer(&m_access, m_select);
    if (!m_options.importSceneList.isEmpty())
        importer.setScenes(m_options.path, m_options.environment, m_options.importJob, m_options.importSceneList);
    bool ran = false;
    if (importer.openPackage(m_options.path, !m_options.importSceneList.isEmpty())) {
        // Data options given on the command line replace what the package holds.
        bool first = true;
        for (const QString &word : RunOptions::dataOptionNames()) {
            if (word == QLatin1String("offline") || word == QLatin1String("outside_drawings") || !m_options.hasData(word))
                continue;
            if (first && !importer.standalone())
                importer.clearDataOptions();
            first = false;
            importer.setDataOption(word, true);
        }
        const QSet<QString> links = linkOptions();
        importer.setLinkMode(linkMode(links));
        importer.setKeepValidLinks(links.contains(QStringLiteral("keep_valid_sym")));
        importer.setResolveValidLinks(links.contains(QStringLiteral("resolve_sym")));
        importer.setKeepBrokenLinks(links.contains(QStringLiteral("keep_broken_sym"))
                                    && !links.contains(QStringLiteral("ignore_broken_sym")));
        importer.setVersions(m_options.versionList);
        importer.setDestination(m_options.environment, m_options.job, m_options.fileSystem);
        TYTerminalProgress progress;
        ran = importer.batchImport(progress.active() ? &progress : nullptr);
    }
    if (ran && importer.errorCount() == 0)
        return true;
    reportLog(QT_TRANSLATE_NOOP("tallyard", "Import: Errors(s) occured, check the log file:\n%1\n"),
              importer.errorCount() > 0 ? 2 : 100);
    return false;
}
