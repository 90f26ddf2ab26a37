#include "TDB_DemoAssets.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPainter>
#include <QFile>

#include <cmath>

bool TDB_DemoAssets::writeDrawing(const QString &file, int index, const QColor &colour, QString &error)
{
    QImage image(96, 72, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(colour);
    // The figure moves and grows from drawing to drawing, like an animation.
    const int x = 8 + (index * 14) % 56;
    const int size = 20 + (index * 6) % 18;
    painter.drawEllipse(x, 36 - size / 2, size, size);
    painter.drawLine(0, 64, 96, 64 - index * 3 % 20);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        error = tr("Cannot encode the drawing %1.").arg(file);
        return false;
    }
    return writeBytes(file, png, error);
}

bool TDB_DemoAssets::writeWave(const QString &file, int milliseconds, int frequency, QString &error)
{
    const quint32 rate = 8000;
    const quint32 samples = rate * quint32(milliseconds) / 1000;
    const quint32 dataBytes = samples * 2;
    QByteArray wave;
    QDataStream out(&wave, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(8000 * std::sin(2 * M_PI * frequency * double(i) / rate));
    return writeBytes(file, wave, error);
}

bool TDB_DemoAssets::writePalette(const QString &file, const QString &name, const QVector<PaletteColour> &colours,
                                  QString &error)
{
    QString text = QStringLiteral("palette \"%1\"\n").arg(name);
    for (const PaletteColour &entry : colours) {
        text += QStringLiteral("colour \"%1\" %2 %3 %4 %5\n")
                    .arg(QLatin1String(entry.name))
                    .arg(entry.colour.red())
                    .arg(entry.colour.green())
                    .arg(entry.colour.blue())
                    .arg(entry.colour.alpha());
    }
    return writeText(file, text, error);
}

bool TDB_DemoAssets::writePaletteList(const QString &file, const QStringList &palettes, QString &error)
{
    return writeText(file, QStringLiteral("palettes %1\n").arg(palettes.size()) + palettes.join(QLatin1Char('\n'))
                               + QLatin1Char('\n'),
                     error);
}

bool TDB_DemoAssets::writeText(const QString &file, const QString &text, QString &error)
{
    return writeBytes(file, text.toUtf8(), error);
}

bool TDB_DemoAssets::writeBytes(const QString &file, const QByteArray &bytes, QString &error)
{
    QFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush())
        return true;
    error = tr("Cannot write %1: %2").arg(file, out.errorString());
    return false;
}
