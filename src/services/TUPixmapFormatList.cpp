#include "TUPixmapFormatList.h"

const QVector<TUPixmapFormat> &TUPixmapFormatList::formats()
{
    static const QVector<TUPixmapFormat> list = {
        {1, QStringLiteral("TGA"), QStringLiteral("tga"), true},
        {2, QStringLiteral("SGI"), QStringLiteral("sgi"), true},
        {3, QStringLiteral("TIFF"), QStringLiteral("tif"), true},
        {PNG, QStringLiteral("PNG"), QStringLiteral("png"), true},
        {5, QStringLiteral("JPEG"), QStringLiteral("jpg"), true},
        {6, QStringLiteral("BMP"), QStringLiteral("bmp"), true},
        {7, QStringLiteral("PSD"), QStringLiteral("psd"), true},
        {8, QStringLiteral("OpenEXR"), QStringLiteral("exr"), true},
        // Read for old scenes, never written.
        {9, QStringLiteral("SCAN"), QStringLiteral("scan"), false},
    };
    return list;
}

QString TUPixmapFormatList::fileExtentionFromFormat(int format)
{
    for (const TUPixmapFormat &entry : formats()) {
        if (entry.format() == format)
            return entry.extension();
    }
    return QString();
}
