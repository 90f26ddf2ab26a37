#pragma once

#include <QObject>
#include <QStringList>

class QScriptEngine;

// The file utilities scripts get (global "Files"): read and write text
// files, list and make folders, but only inside the database root and the
// running script's own folder, symbolic links resolved. Paths may be stored
// paths ("/QVX_DB/..."); relative paths start from the script's folder, or
// from the database root when there is none. Nothing here starts processes
// or reaches the network. Refusals are results (null, false, empty) with
// the reason in the message log.
class DBS_ScriptFiles : public QObject
{
    Q_OBJECT
public:
    explicit DBS_ScriptFiles(const QString &scriptFolder);

    void install(QScriptEngine &engine);

public slots:
    bool exists(const QString &path);
    // The file's UTF-8 text; a null string when it cannot be read.
    QString read(const QString &path);
    // Replaces the file with text (written whole or not at all).
    bool write(const QString &path, const QString &text);
    // Names in the folder, sorted; folders end with "/".
    QStringList list(const QString &folder);
    bool makeFolder(const QString &path);

private:
    // The local path when it lies inside an allowed folder, else empty
    // after a message.
    QString confined(const QString &path);

    QStringList m_roots;
    QString m_base;
};
