// Reading and renaming line-format scene files of growing size against
// splitting the same lines into tokens, which any reader of the format does.
// Each scene has N drawing columns, N read modules (one per column, each on
// two lines) and one column of N drawings; every module is renamed. When the
// ratio stays flat as N grows, reading and renaming are linear.
//
//   lineformat_bench [--runs N]

#include "BenchTimer.h"
#include "TUIELineFormat.h"
#include "TUIEScene.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

QByteArray sceneText(int size)
{
    QByteArray text = "NFRAMES " + QByteArray::number(size) + "\nCOLUMN long TIMING";
    for (int i = 0; i < size; ++i)
        text += ' ' + QByteArray::number(i + 1) + ":d" + QByteArray::number(i);
    text += " ENDLIST\n";
    for (int i = 0; i < size; ++i) {
        const QByteArray n = QByteArray::number(i);
        text += "COLUMN c" + n + " TIMING 1:a-1 2:a-2 ENDLIST\n";
        text += "MODULE r" + n + " #3 READ CUSTOM_NAME NAME \"/QVX_DB/x/c" + n + "\" COL c" + n
            + "\n EXTENSION TGA FIELD_CHART 12\n";
    }
    return text;
}

qint64 readAndRename(const QByteArray &text, const QList<QByteArray> &lines)
{
    QBuffer input;
    input.setData(text);
    input.open(QIODevice::ReadOnly);
    TUIEScene scene;
    QString error;
    TUIELineFormat::read(input, scene, error);
    for (int i = 0; i < scene.modules().size(); ++i)
        scene.setModuleNewName(i, QStringLiteral("renamed%1").arg(i));
    TUIELineFormat::Renamer renamer(scene);
    qint64 bytes = 0;
    for (const QByteArray &line : lines)
        bytes += renamer.rename(line).size();
    return bytes;
}

qint64 tokensOnly(const QList<QByteArray> &lines)
{
    qint64 count = 0;
    for (const QByteArray &line : lines)
        count += TUIELineFormat::tokens(QString::fromUtf8(line)).size();
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"runs", "timed runs per figure (median)", "N", "5"});
    parser.addHelpOption();
    parser.process(app);
    const int runs = qMax(1, parser.value("runs").toInt());

    QTextStream out(stdout);
    out << "modules  lines   read+rename ms  tokens ms  ratio\n";
    for (const int size : {1000, 4000, 16000}) {
        const QByteArray text = sceneText(size);
        const QList<QByteArray> lines = text.split('\n');
        qint64 sink = 0;
        const QVector<double> medians = BenchTimer::medians(
            runs, QVector<std::function<void()>>{[&] { sink += readAndRename(text, lines); }, [&] { sink += tokensOnly(lines); }});
        out << qSetFieldWidth(7) << size << qSetFieldWidth(0) << "  " << qSetFieldWidth(6) << lines.size()
            << qSetFieldWidth(0) << "  " << qSetFieldWidth(14) << QString::number(medians[0] / 1000, 'f', 1)
            << qSetFieldWidth(0) << "  " << qSetFieldWidth(9) << QString::number(medians[1] / 1000, 'f', 1)
            << qSetFieldWidth(0) << "  " << QString::number(medians[0] / medians[1], 'f', 2) << '\n';
        out.flush();
        if (sink < 0)
            return 1;
    }
    return 0;
}
