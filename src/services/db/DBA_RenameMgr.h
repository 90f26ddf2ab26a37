#pragma once

#include <QString>
#include <QVector>

#include <memory>

class TUDbAccess;

// Progress of a long rename, shown by the caller (a dialog) or not at all.
class DBA_RenameProgressFeedback
{
public:
    virtual ~DBA_RenameProgressFeedback() = default;
    virtual void reset() = 0;
    virtual void show() = 0;
    virtual void setValue(int value) = 0;
    virtual void setLabel(const QString &text) = 0;
};

struct DBA_RenameMgrInitData
{
    QString oldSceneName;
    QString userName;
};

// A rename that has not finished: its process died, or is still at work
// (running). Its scene stays in use until it is continued or undone.
struct DBA_UnfinishedRename
{
    QString environment, job, oldName, newName, oldPath, newPath, user;
    int step = 0;
    qint64 started = 0;
    bool running = false;
};

// Renames one scene of the access's open job: its record, its folder
// (when the folder follows the standard "scene-<name>" pattern) and the
// stored paths. Each step is written to a journal first, so a rename cut
// short by a crash is found by the next one and can be continued or undone.
//
// The job is the access's own job record (jobRecord()), which the caller
// opens. A caller that has only the access's scene record open may leave
// the job closed: the job that record names is then opened for the rename
// and closed after it. The scene is found by its name in that job, or by
// either name of an unfinished rename recorded for it. The rename is done
// for the access's current user, who needs the rename permission; the
// journal names the user given to init(). A locked or checked-out scene,
// an invalid name or one the job already holds are refused (Refused) and
// change nothing; the access keeps the reason as its last error too
// (code 10 for a name that exists).
//
// The journal row is the scene's lock from the start of a rename to its end:
// it is written in the transaction that finds the scene idle (its row locked
// first), and while it exists no lock is taken, no check-out made and no
// delete, move or copy done on the scene. A lock row of kind "rename" names
// the session at work; a continue or undo is refused while that session
// lives, and takes the journal over once it has died. Neither ever moves a
// folder another scene's record names.
class DBA_RenameMgr
{
public:
    // How to treat an earlier rename of the same scene that did not finish:
    // Continue finishes it, Undo reverts it (then this rename runs), and
    // FirstCall stops with status EarlierRenameUnfinished so a user can choose.
    enum ResponseType { Continue = 0, Undo = 1, FirstCall = 2 };

    class StatusCode
    {
    public:
        enum Value { Ok = 0, Failed = 1, EarlierRenameUnfinished = 2, Refused = 3 };
        StatusCode(int value = Ok) : m_value(value) {}
        int get() const { return m_value; }

    private:
        int m_value;
    };

    // One manager per access object.
    static DBA_RenameMgr *getInstance(TUDbAccess *access);
    static void releaseInstance(TUDbAccess *access);

    bool init(DBA_RenameProgressFeedback *feedback, const DBA_RenameMgrInitData &data, TUDbAccess *access, bool batch);
    // On EarlierRenameUnfinished, detail names the user of that rename.
    // Continue finishes that rename (newName is not used) and reports
    // success; Undo reverts it, then renames to newName.
    bool performRename(TUDbAccess *access, const QString &newName, ResponseType response, QString &detail);
    QString getErrorMsg() const { return m_errorMsg; }
    // Every unfinished rename of the database, oldest first; false (with the
    // access's last error) when they cannot be read.
    static bool unfinishedRenames(TUDbAccess *access, QVector<DBA_UnfinishedRename> &renames);
    StatusCode getErrorCode() const { return m_status; }

    explicit DBA_RenameMgr(TUDbAccess *access);
    ~DBA_RenameMgr();

private:
    bool fail(int status, const QString &text);
    // Who the journal names for a rename by this manager.
    QString journalUser(TUDbAccess *access) const;

    TUDbAccess *m_access;
    DBA_RenameProgressFeedback *m_feedback = nullptr;
    DBA_RenameMgrInitData m_data;
    bool m_batch = true;
    QString m_errorMsg;
    StatusCode m_status;
};
