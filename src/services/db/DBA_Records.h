#pragma once

#include "DBC_Table.h"

#include <QPair>
#include <QString>
#include <QVector>

// The records the database service fills for its callers. Callers own them;
// every open is paired with a close.

struct dba_user_struct_type
{
    QString name;
    QString firstName;
    QString lastName;
    QString email;
    int type = -1; // 0..9, see TUDbAccess::UserType
};

struct dba_job_struct
{
    qint64 id = 0;
    QString name;
    QString environment;
    QString td;
    QString atd;
    int priority = 0;          // 0 high .. 10 low
    bool manualApproval = false;
    int creationFlag = 0;      // 1: create the job's folders in the file space
    int stage = 0;             // 1 completed, 0 in production
    qint64 created = 0;

    // The job's scene table, in scene order; filled by dba_OpenJob.
    DBC_Table &scene() { return m_scenes; }
    const DBC_Table &scene() const { return m_scenes; }
    bool isOpen() const { return id != 0; }

    DBC_Table m_scenes;
};

// What describes a scene's work, set together by dba_setSceneDetails and
// carried by export and import; the rest of a scene record is its identity,
// place and state.
struct dba_scene_details
{
    int priority = 0;
    int frames = 0;
    int stageIndex = 0;
    QString approvalStage;
    QString assignedTo;
    QString td;
    QString atd;
    int pencilTest = 0;
    int paperSize = 0;
    double scanSize = 0;
};

struct dba_scene_struct : dba_scene_details
{
    qint64 id = 0;
    qint64 jobId = 0;
    QString name;
    QString jobName;
    QString environment;
    QString fileSystem;
    QString path;              // stored (logical) path of the scene folder
    int currentVersion = 0;    // version number of the current version
    qint64 versionId = 0;      // its id in the version table, 0 when none
    qint64 created = 0;
    bool checkedOut = false;
    QString checkoutUser;
    qint64 checkoutDate = 0;
    qint64 lockId = 0;         // the scene lock this record holds, 0 when none

    bool isOpen() const { return id != 0; }
};

// The first of the pair is the scene name, the second its file system.
using SceneInfo = QPair<QString, QString>;

struct QVX_scene_version
{
    qint64 id = 0;
    int number = 0;
    QString name;
    QString description;
    QString savedBy;
    QString savedMachine;
    qint64 savedTime = 0;
};
using QVX_scene_version_table = QVector<QVX_scene_version>;
constexpr qint64 invalid_QVX_scene_version_id = 0;

struct QVX_element_data
{
    qint64 id = 0;
    QString name;
    QString folder;
    QString rootFolder;
    QString scanType;
    QString pixmapFormat;
    double fieldChart = 12;
    bool vectorType = false;
};

// One cel (drawing) of an element.
struct dba_cel_struct
{
    qint64 id = 0;
    QString name;
    QString suffix;
    int stage = 0; // 0 XSheet, 1 Scan, 2 Vectorize, 3 Paint, 4 Camera
    int state = 0; // 0 Pending, 1 Processing, 2 Error, 3 Completed, 4 Completed with Errors
};

struct dba_queue_struct
{
    qint64 id = 0;
    int kind = -1; // 0 vectorize, 1 render
    QString environment;
    bool isOpen() const { return id != 0; }
};

struct dba_queueEntry_struct
{
    qint64 id = 0;
    int kind = 4;  // 4 vectorize, 3 unvectorize, 1 render
    QString jobName;
    QString sceneName;
    QString elementName;
    QString elementId;
    QString drawingName;
    QString suffix;
    QString processStage;
    QString options;
    int state = 0;
    int priority = 0;
    QString user;
    QString machine;
    qint64 date = 0;
};

// A lock row as the lock manager lists it.
struct dba_lock_struct
{
    qint64 id = 0;
    QString kind;   // "scene", "version", "stage", "V1", "V2"
    QString key;
    QString mode;
    QString user;
    QString application;
    QString workstation;
    qint64 pid = 0;
    qint64 taken = 0;
    bool stale = false; // its session stopped pulsing
};
