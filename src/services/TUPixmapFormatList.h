#pragma once

#include <QString>
#include <QVector>

// An image format drawings can be rendered to.
class TUPixmapFormat
{
public:
    TUPixmapFormat(int format, const QString &name, const QString &extension, bool selectable)
        : m_format(format), m_name(name), m_extension(extension), m_selectable(selectable) {}
    int format() const { return m_format; }
    QString name() const { return m_name; }
    QString extension() const { return m_extension; }
    bool selectable() const { return m_selectable; }

private:
    int m_format;
    QString m_name;
    QString m_extension;
    bool m_selectable;
};

// The image formats the queue program writes, in the order offered to users.
class TUPixmapFormatList
{
public:
    enum { PNG = 4 }; // the format offered first

    static const QVector<TUPixmapFormat> &formats();
    // The file extension of a format code; empty for an unknown one.
    static QString fileExtentionFromFormat(int format);
};
