#include "DBS_RenderDataWrapper.h"

#include <QProcess>

namespace {
// The flags of a request, by their command-line word.
struct Flag {
    const char *word;
    bool DBS_RenderDataWrapper::*member;
};
const Flag flags[] = {
    {"-debug", &DBS_RenderDataWrapper::debug},
    {"-fieldComposite", &DBS_RenderDataWrapper::fieldComposite},
    {"-addPullDown", &DBS_RenderDataWrapper::addPullDown},
    {"-autoCombine", &DBS_RenderDataWrapper::autoCombine},
    {"-secondFieldFirst", &DBS_RenderDataWrapper::secondFieldFirst},
    {"-dependent", &DBS_RenderDataWrapper::dependent},
    {"-quicktimeAfterChunk", &DBS_RenderDataWrapper::quicktimeAfterChunk},
};

struct Text {
    const char *word;
    QString DBS_RenderDataWrapper::*member;
};
const Text texts[] = {
    {"-version", &DBS_RenderDataWrapper::version},
    {"-camera", &DBS_RenderDataWrapper::camera},
    {"-resolution", &DBS_RenderDataWrapper::resolution},
    {"-preRenderScript", &DBS_RenderDataWrapper::preRenderScriptFilename},
    {"-preRenderInline", &DBS_RenderDataWrapper::preRenderInlineScript},
    {"-postRenderScript", &DBS_RenderDataWrapper::postRenderScriptFilename},
    {"-postRenderInline", &DBS_RenderDataWrapper::postRenderInlineScript},
};

QString quoted(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
} // namespace

QString DBS_RenderDataWrapper::requestOptions() const
{
    QStringList words{QStringLiteral("-from"), QString::number(fromFrame), QStringLiteral("-to"),
                      QString::number(toFrame)};
    if (chunk)
        words << QStringLiteral("-chunk") << QString::number(chunkSize);
    for (const Flag &flag : flags) {
        if (this->*flag.member)
            words << QLatin1String(flag.word);
    }
    for (const Text &text : texts) {
        if (!(this->*text.member).isEmpty())
            words << QLatin1String(text.word) << quoted(this->*text.member);
    }
    return words.join(QLatin1Char(' '));
}

void DBS_RenderDataWrapper::readRequestOptions(const QString &options)
{
    const QStringList words = QProcess::splitCommand(options);
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        const QString value = words.value(i + 1);
        if (word == QLatin1String("-from"))
            fromFrame = value.toInt();
        else if (word == QLatin1String("-to"))
            toFrame = value.toInt();
        else if (word == QLatin1String("-chunk"))
            chunk = true, chunkSize = value.toInt();
        for (const Flag &flag : flags) {
            if (word == QLatin1String(flag.word))
                this->*flag.member = true;
        }
        for (const Text &text : texts) {
            if (word == QLatin1String(text.word))
                this->*text.member = value;
        }
    }
}

QString DBS_RenderDataWrapper::toString(bool verbose) const
{
    const QString text = QStringLiteral("Render %1/%2 frames %3-%4").arg(jobName, sceneName).arg(fromFrame).arg(toFrame);
    if (!verbose)
        return text;
    return text + QStringLiteral(" job name: %1 scene name: %2 version: %3 camera: %4 resolution: %5 options: %6")
                      .arg(jobName, sceneName, version, camera, resolution, requestOptions())
        + entry.describe();
}
