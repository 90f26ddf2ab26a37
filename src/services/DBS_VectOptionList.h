#pragma once

#include <QCoreApplication>
#include <QPair>
#include <QString>
#include <QVector>

// The vectorize styles of the installation, read from the text file
// VectOptions.conf in the configuration folder: "style_name: " lines name a
// style, an "options: " line right after gives its options. Problems are
// reported (scope "DBS_VectOptionList") and the styles read so far kept; a
// readable file always yields a "Default Style" first.
class DBS_VectOptionList
{
    Q_DECLARE_TR_FUNCTIONS(DBS_VectOptionList)
public:
    using Style = QPair<QString, QString>; // name, options

    // The configuration folder's VectOptions.conf.
    static QString defaultPath();

    // Replaces the list with the styles of path; false when it cannot be opened.
    bool read(const QString &path = defaultPath());

    const QVector<Style> &styles() const { return m_styles; }
    QStringList names() const;
    // False when there is no style of that exact name.
    bool options(const QString &name, QString &options) const;

private:
    void parseLine(const QString &line, int number, bool &optionsAllowed, QString &errors);

    QVector<Style> m_styles;
};
