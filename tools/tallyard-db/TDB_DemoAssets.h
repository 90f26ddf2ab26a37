#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QStringList>

// The small real files of the demo studio: drawings (PNG), a sound (WAV),
// palettes (.plt), palette lists and text notes. Paths are local.
class TDB_DemoAssets
{
    Q_DECLARE_TR_FUNCTIONS(TDB_DemoAssets)

public:
    struct PaletteColour
    {
        const char *name;
        QColor colour;
    };

    // A drawing that differs with index, in the element's colour.
    static bool writeDrawing(const QString &file, int index, const QColor &colour, QString &error);
    // A short tone: 16-bit mono PCM.
    static bool writeWave(const QString &file, int milliseconds, int frequency, QString &error);
    // A palette: its name, then one line per colour, "colour "NAME" R G B A".
    static bool writePalette(const QString &file, const QString &name, const QVector<PaletteColour> &colours, QString &error);
    // A palette list: the number of palettes, then one stored path per line.
    static bool writePaletteList(const QString &file, const QStringList &palettes, QString &error);
    static bool writeText(const QString &file, const QString &text, QString &error);
    static bool writeBytes(const QString &file, const QByteArray &bytes, QString &error);
};
