#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QVector>

class QIODevice;

// The named vectorize styles of the styles file (VectOptions.conf), in file
// order. A line "style_name: <name>" starts a style; the next line
// "options: <text>" gives its options; other lines are ignored. Bad lines
// do not stop the reading: they are described in errors(). A style named
// "Default Style" is always first once the file could be read.
class TUVectOptionList
{
    Q_DECLARE_TR_FUNCTIONS(DBS_VectOptionList)

public:
    struct Style {
        QString name;
        QString options;
    };

    static QString defaultStyleName() { return QStringLiteral("Default Style"); }
    // The installation's styles file, remapped.
    static QString defaultPath();

    // Reads path; false when it cannot be opened (the list is then empty).
    bool read(const QString &path);
    // Reads and reports through the message sink under scope: a file that
    // cannot be opened (an error), then the bad lines (information).
    bool readAndReport(const QString &path, const char *scope);
    // Replaces the list with the styles of an open text.
    void read(QIODevice &input);

    const QVector<Style> &styles() const { return m_styles; }
    QStringList names() const;
    // "\nInvalid ... at line N." for each bad line; empty when none.
    QString errors() const { return m_errors; }
    // False when there is no style of that exact name.
    bool options(const QString &name, QString &options) const;

private:
    void parse(const QString &line, int number, int &open);

    QVector<Style> m_styles;
    QString m_errors;
};
