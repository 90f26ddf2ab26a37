#include "TUTYImportRemap.h"

#include "BAPP_SharedFolders.h"
#include "LIC_Process.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "oswRemapPath.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

TUTYImportRemap::TUTYImportRemap(TUDbAccess *access)
    : m_access(access)
{
}

void TUTYImportRemap::set(const QString &presetFile, const QString &presetName)
{
    m_presetFile = presetFile;
    m_presetName = presetName;
}

TUTYImportRemap::Presets TUTYImportRemap::readPresets(const QString &file)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return Presets();
    bool isXml = true;
    const Presets presets = readPresets(input, isXml);
    if (!isXml)
        MSG_Scope("tallyard", MSG_Text(tr("Failed to parse remapping config file (%1). The file is not in XML format.").arg(file)));
    return presets;
}

TUTYImportRemap::Presets TUTYImportRemap::readPresets(QIODevice &input, bool &isXml)
{
    Presets presets;
    QDomDocument document;
    isXml = document.setContent(&input);
    if (!isXml)
        return presets;
    const QDomNodeList relinks = document.documentElement().elementsByTagName(QStringLiteral("relink"));
    for (int i = 0; i < relinks.size(); ++i) {
        const QDomElement relink = relinks.at(i).toElement();
        QStringList values;
        const QDomNodeList descriptions = relink.elementsByTagName(QStringLiteral("description"));
        for (int j = 0; j < descriptions.size(); ++j) {
            const QString value = descriptions.at(j).toElement().attribute(QStringLiteral("value"));
            if (!value.isEmpty())
                values << value;
        }
        presets.insert(relink.attribute(QStringLiteral("name")), values);
    }
    return presets;
}

QString TUTYImportRemap::sharedPresetFile()
{
    return QStringLiteral("%1/relink.xml").arg(BAPP_SharedFolders::sharedSettings());
}

TUTYImportRemap::Presets TUTYImportRemap::presetsFor(const QString &environment, QString &source)
{
    const QString own = oswRemapPath::RemapPath2(QStringLiteral("/QVX_DB/environments/%1/relink.xml").arg(environment));
    if (QFileInfo(own).isFile()) {
        const Presets presets = readPresets(own);
        if (!presets.isEmpty()) {
            source = environment;
            return presets;
        }
    }
    source.clear();
    return readPresets(sharedPresetFile());
}

QStringList TUTYImportRemap::arguments(const QString &environment, const QString &job, const QString &scene,
                                       const QString &version) const
{
    QStringList arguments{environment, job, scene};
    if (!version.isEmpty())
        arguments << version;
    arguments << QStringLiteral("-batch") << QStringLiteral("-compile") << QStringLiteral("KS_RelinkPaths.js")
              << QStringLiteral("-script") << QStringLiteral("KS_RelinkPaths(\"%1\")").arg(m_presetName);
    const QString user = m_access ? m_access->sceneData().userName() : QString();
    if (!user.isEmpty())
        arguments << QStringLiteral("-user") << user;
    return arguments << QStringLiteral("-lockScene");
}

bool TUTYImportRemap::remap(const QString &environment, const QString &job, const QString &scene, const QString &version)
{
    const QString editor = LIC_Process::editorExecutable();
    if (!QFileInfo(editor).isExecutable()) {
        MSG_Scope("tallyard", MSG_Text(tr(" Cannot locate Corvane executable.\n")));
        return false;
    }
    const QString call = QStringLiteral("KS_RelinkPaths(\"%1\")").arg(m_presetName);
    std::unique_ptr<QProcess> process = LIC_Process::start(editor, arguments(environment, job, scene, version));
    if (!process) {
        MSG_Scope("tallyard", MSG_Text(tr(" Cannot remap scene %1.\n").arg(scene)));
        return false;
    }
    MSG_Scope("tallyard", MSG_Text(tr("Executing script %1 against scene %2.").arg(call, scene)), MSG_Scope::Inform);
    if (LIC_Process::waitToEnd(*process) && process->exitCode() == 0)
        return true;
    MSG_Scope("tallyard", MSG_Text(tr("Script %1 did not execute correctly against scene %2.").arg(call, scene)));
    return false;
}
