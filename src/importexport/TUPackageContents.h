#pragma once

#include <QCoreApplication>
#include <QSet>
#include <QStringList>
#include <QVector>

class QIODevice;

// The contents file of a package: what data it holds and which scenes.
// Writing keeps the whole text and replaces the file atomically at each
// step, after a flush of the file system, so a run killed at any point (the
// machine too) leaves a file that lists only the scenes completely written
// before. Reading validates every name like a
// typed one: a package is data from elsewhere.
class TUPackageContents
{
    Q_DECLARE_TR_FUNCTIONS(TUPackageContents)

public:
    struct Scene
    {
        QString environment;
        QString job;
        QString scene;
        QStringList versions; // "<number> <name>" each
    };

    // Writing.
    explicit TUPackageContents(const QString &file = QString());
    bool append(const QString &text, QString &error);
    static QString sceneLine(const Scene &scene);
    static QString dataLine(const QString &word);
    static QString elementLine(const QString &folder);

    // Reading: false when the file cannot be read; each refused line is
    // described in problems and left out.
    bool read(const QString &file, QString &error);
    void read(QIODevice &input);
    const QSet<QString> &dataWords() const { return m_data; }
    const QStringList &elementFolders() const { return m_elements; }
    const QVector<Scene> &scenes() const { return m_scenes; }
    const QStringList &problems() const { return m_problems; }

private:
    void readLine(const QString &line);
    bool parseScene(const QString &value, Scene &scene);

    QString m_file;
    QString m_text;
    QSet<QString> m_data;
    QStringList m_elements;
    QVector<Scene> m_scenes;
    QStringList m_problems;
};
