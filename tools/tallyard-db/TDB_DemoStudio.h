#pragma once

#include <QColor>
#include <QStringList>
#include <QVector>

// The demo studio as data: who works there, its environments and jobs, and
// how each scene is made up. Scenes vary by their index in the studio so
// that the browsing lists show different frames, stages and versions.
class TDB_DemoStudio
{
public:
    struct User
    {
        const char *name;
        const char *firstName;
        const char *lastName;
        int type;
    };
    struct Job
    {
        const char *environment;
        const char *name;
        const char *td;
        const char *atd;
        int priority;
        bool manualApproval;
        int stage;        // 1 completed, 0 in production
        int sceneCount;
    };
    struct Element
    {
        const char *name;
        QColor colour;
        int drawings;
        bool vector;
    };

    static QStringList environments();
    static const QVector<User> &users();
    static const QVector<Job> &jobs();

    // The scene names of a job: sc010, sc020, ...
    static QStringList sceneNames(const Job &job);
    // Scenes are numbered across the whole studio (0-based).
    static int frames(int scene);
    static int priority(int scene);
    static int versionCount(int scene);
    static QString versionName(int version);
    static QVector<Element> elements(int scene);
    // The drawings of the timing column of a scene (lip-sync mouths).
    static QStringList timingDrawings();
    // Scenes that show what export and import must handle: scene files in
    // the older line format; a drawing column fed from outside the scene
    // (the job's library); symbolic links valid and broken, backup files
    // ending in "~" and a PALETTES list.
    static bool lineFormat(int scene) { return scene == 1; }
    static bool outsideDrawings(int scene) { return scene == 2; }
    static bool fileCases(int scene) { return scene == 0; }
    // The user a scene is assigned to, or who has it checked out.
    static QString animator(int scene);
};
