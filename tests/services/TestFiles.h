#pragma once

#include <QtTest>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// Writes a file, making its folder first.
inline void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(f.errorString()));
    QCOMPARE(f.write(content), qint64(content.size()));
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline void setMode(const QString &path, mode_t mode)
{
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

// A temporary folder that goes away even where a test took the owner's rights
// (never following links out of it).
struct ScratchDir : QTemporaryDir
{
    ~ScratchDir()
    {
        if (!isValid())
            return; // an empty path() would mean the current folder
        QDirIterator it(path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (!QFileInfo(it.next()).isSymLink())
                QFile::setPermissions(it.filePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
};
