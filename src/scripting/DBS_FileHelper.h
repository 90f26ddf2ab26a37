#pragma once

#include <QCoreApplication>
#include <QString>

// Measures folders and free disk space for the mediator. Sizes are counted
// in 64 bits; callers that hand out an int convert at the end.
class DBS_FileHelper
{
    Q_DECLARE_TR_FUNCTIONS(DBS_FileHelper)
public:
    virtual ~DBS_FileHelper() = default;

    // Bytes of all files under a local folder, recursively; symbolic links
    // are not followed. -1, after a message, when the folder cannot be listed.
    qint64 getDirectorySize(const QString &path) const;
    // The size of a stored path's folder in megabytes; 0, after a message,
    // when it cannot be measured.
    float getSizeInMegabytes(const QString &path) const;
    // Free megabytes on the volume holding path; -1 when unknown.
    int getFreeSpace(const QString &path) const;
};
