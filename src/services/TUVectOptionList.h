#pragma once

#include <QString>
#include <QVector>

// The named vectorize styles of the styles file (VectOptions.conf), in file
// order. A line "style_name: <name>" starts a style; the next line
// "options: <text>" gives its options; other lines are ignored. A style
// named "Default Style" is always first once the file could be read.
class TUVectOptionList
{
public:
    struct Style {
        QString name;
        QString options;
    };

    static QString defaultStyleName() { return QStringLiteral("Default Style"); }
    // The installation's styles file, remapped.
    static QString defaultPath();

    // Reads path; false when it cannot be opened (the list is then empty).
    // Bad lines do not stop the reading: they are described in errors().
    bool read(const QString &path);
    // Reads and reports through the message sink under scope: a file that
    // cannot be opened, then the bad lines.
    bool readAndReport(const QString &path, const char *scope);

    const QVector<Style> &styles() const { return m_styles; }
    // "\nInvalid ... at line N." for each bad line; empty when none.
    QString errors() const { return m_errors; }
    // The options of the style of that exact name; null when there is none.
    QString options(const QString &name) const;

private:
    void parse(const QString &line, int number, Style *&open);

    QVector<Style> m_styles;
    QString m_errors;
};
