#pragma once

#include <QFileInfo>
#include <QSet>
#include <QString>

#include <functional>

class TUIEProgress;

// Copies folders of scene data the way export and import both do: each file
// by the link mode, each symbolic link by the link choices, files ending in
// "~" never. It counts every file and link it visits, in a dry run too (then
// nothing is written), so a dry run's count is the real run's. Every folder
// it writes into must lie inside the target boundary once links are
// resolved; with a source boundary (a package being imported), a link whose
// target leaves it is neither kept nor followed.
class TUIECopier
{
public:
    enum LinkMode { HardOrCopy, HardOrSymbolic, Symbolic, CopyFiles };
    // How one file travels: by the link mode, always copied (scene files),
    // or hard-linked with a copy as fallback (database files).
    enum FileRule { ByMode, AlwaysCopy, HardOrCopyAlways };
    // The failure texts and their translation context.
    struct Texts
    {
        const char *scope;
        const char *fileFailed; // "%1 failed: %2" style: source path, reason
        const char *linkFailed;
    };
    // Returns false for an entry the walk leaves out.
    using Filter = std::function<bool(const QFileInfo &)>;

    explicit TUIECopier(const Texts &texts);

    void setLinkMode(LinkMode mode) { m_mode = mode; }
    LinkMode linkMode() const { return m_mode; }
    void setKeepValid(bool on) { m_keepValid = on; }
    void setResolveValid(bool on) { m_resolveValid = on; }
    void setKeepBroken(bool on) { m_keepBroken = on; }
    bool keepValid() const { return m_keepValid; }
    bool resolveValid() const { return m_resolveValid; }
    bool keepBroken() const { return m_keepBroken; }

    void setWrite(bool on) { m_write = on; }
    // Copies are written straight to their names, without a temporary name
    // renamed into place: only for a target removed whole when the run fails
    // (a copy that fails removes its partial file itself).
    void setInPlace(bool on) { m_inPlace = on; }
    bool writing() const { return m_write; }
    void setTargetBoundary(const QString &folder);
    void setSourceBoundary(const QString &folder);
    void setProgress(TUIEProgress *progress) { m_progress = progress; }
    void cancel() { m_cancelled = true; }
    void resetCancel() { m_cancelled = false; }
    bool cancelled();
    int counter() const { return m_counter; }
    void setCounter(int count) { m_counter = count; }
    // The size of the files a dry run visited since the last reset, links
    // not followed.
    qint64 bytes() const { return m_bytes; }
    void resetBytes() { m_bytes = 0; }
    // Each copy failure is reported and counted here.
    int failures() const { return m_failures; }

    // Copies the entries of from into to (made when missing). A missing
    // source folder is nothing to copy.
    bool copyFolder(const QString &from, const QString &to, const Filter &filter = {}, FileRule rule = ByMode);
    // One file or link, replacing an existing target file.
    bool copyEntry(const QString &from, const QString &to, FileRule rule = ByMode);
    bool copyEntry(const QFileInfo &from, const QString &to, FileRule rule = ByMode);
    // Makes a folder inside the boundary; false (reported by the caller) when
    // it would lie outside or cannot be made.
    bool makeFolder(const QString &path, QString &error);
    // Whether an existing path lies inside the target boundary, links resolved.
    bool insideTarget(const QString &path) const;
    bool insideSource(const QString &path) const;

private:
    bool copyFile(const QFileInfo &source, const QString &to, FileRule rule);
    bool copyLink(const QString &from, const QString &to, FileRule rule);
    bool placeFile(const QString &from, const QString &to, FileRule rule, QString &error);
    bool copyBytes(const QString &from, const QString &to, QString &error) const;
    bool fail(const char *text, const QString &path, const QString &reason);
    void visited();

    Texts m_texts;
    LinkMode m_mode = HardOrCopy;
    bool m_keepValid = true;
    bool m_resolveValid = false;
    bool m_keepBroken = true;
    bool m_write = true;
    bool m_inPlace = false;
    bool m_cancelled = false;
    QString m_targetBoundary;
    mutable QString m_targetReal; // m_targetBoundary resolved, once it exists
    QString m_sourceBoundary;
    QSet<QString> m_checkedFolders;
    TUIEProgress *m_progress = nullptr;
    int m_counter = 0;
    qint64 m_bytes = 0;
    int m_failures = 0;
};
