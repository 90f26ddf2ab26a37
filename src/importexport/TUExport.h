#pragma once

#include "TUIECopier.h"
#include "TUPackageContents.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVector>

#include <memory>

class TUDbAccess;
class TUDbSelect;
class TUDbSceneData;
class TUIEProgress;
class WHO_AppInfo;

// Writes scenes of the database, with the environment and job data they use,
// into an export package: a regular package (any number of scenes, with a
// README, a contents file and the scenes' database tables as interchange
// files) or an offline one (one folder per scene under the fixed names
// "Velmora", openable without the database). Nothing is written outside the
// destination, and a destination inside the database is refused. The
// contents file names a scene only once all of it is written.
class TUExport : public QObject
{
    Q_OBJECT

public:
    struct SceneEntry
    {
        QString environment;
        QString job;
        QString scene;
        bool exported = false;
    };

    TUExport(TUDbAccess *access, TUDbSelect *select, WHO_AppInfo *appInfo, QObject *parent = nullptr);
    ~TUExport() override;

    // word is one of UT_ExportUtil::dataWords() or "outside_drawings";
    // while offline, the options offline fixes keep their value.
    void setDataOption(const QString &word, bool on);
    bool dataOption(const QString &word) const { return m_data.contains(word); }
    void setOffline(bool on);
    bool offline() const { return m_offline; }
    void setLinkMode(TUIECopier::LinkMode mode);
    TUIECopier::LinkMode linkMode() const { return m_copier.linkMode(); }
    void setKeepValidLinks(bool on);
    void setResolveValidLinks(bool on);
    void setKeepBrokenLinks(bool on) { m_copier.setKeepBroken(on); }

    void setPath(const QString &path);
    QString path() const { return m_path; }
    void setWrite(bool on) { m_copier.setWrite(on); }
    void cancel() { m_copier.cancel(); }
    int fileCounter() const { return m_copier.counter(); }
    void setFileCounter(int count) { m_copier.setCounter(count); }

    void setScenes(const QString &environment, const QString &job, const QStringList &scenes);
    const QVector<SceneEntry> &scenes() const { return m_scenes; }

    // Exports the given scenes, or those set before; true when nothing failed.
    bool run(QVector<SceneEntry> *scenes = nullptr, TUIEProgress *progress = nullptr);
    // The bytes an export of scenes with the current options would copy,
    // whatever the destination: a dry run that writes nothing.
    qint64 measure(QVector<SceneEntry> &scenes);

private:
    bool checkDestination(const QVector<SceneEntry> *scenes, bool givenList);
    bool startPackage();
    void exportList(QVector<SceneEntry> &list);
    QString dataSection() const;
    void exportScene(SceneEntry &entry);
    bool exportOpenScene(SceneEntry &entry, const QString &packageFolder);
    bool exportLevel(const QString &kind, const QString &name, const QString &folder, QStringList &done,
                     const QStringList &sources);
    bool appendContents(const QString &text);
    void finishPackage();
    void removePackage();
    void failed(const QString &text);

    TUDbAccess *m_access;
    TUDbSelect *m_select;
    WHO_AppInfo *m_appInfo;
    TUIECopier m_copier;
    QSet<QString> m_data;
    bool m_offline = false;
    bool m_error = false;
    QString m_path;
    QVector<SceneEntry> m_scenes;
    QStringList m_environmentsDone;
    QStringList m_jobsDone;
    QStringList m_elementFolders;
    TUIEProgress *m_progress = nullptr;
    std::unique_ptr<TUPackageContents> m_contents;
};
