#pragma once

#include <QtTest>

#include <sys/stat.h>

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

// Gives everything below folder (not what links point at) back to its owner,
// so that QTemporaryDir can remove what a test locked.
inline void unlockAll(const QString &folder)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (!QFileInfo(it.next()).isSymLink())
            QFile::setPermissions(it.filePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}
