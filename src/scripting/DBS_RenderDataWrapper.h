#pragma once

#include "DBS_QueueRequestWrapper.h"

// A render request (script constructor "RenderData"); from a queue listing
// it also carries the entry's state.
class DBS_RenderDataWrapper : public DBS_QueueRequestWrapper
{
    Q_OBJECT
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QString sceneName MEMBER sceneName CONSTANT)
    Q_PROPERTY(int fromFrame MEMBER fromFrame)
    Q_PROPERTY(int toFrame MEMBER toFrame)
    Q_PROPERTY(bool debug MEMBER debug)
    Q_PROPERTY(bool chunk MEMBER chunk)
    Q_PROPERTY(int chunkSize MEMBER chunkSize)
    Q_PROPERTY(QString version MEMBER version)
    Q_PROPERTY(QString camera MEMBER camera)
    Q_PROPERTY(QString resolution MEMBER resolution)
    Q_PROPERTY(bool fieldComposite MEMBER fieldComposite)
    Q_PROPERTY(bool addPullDown MEMBER addPullDown)
    Q_PROPERTY(bool autoCombine MEMBER autoCombine)
    Q_PROPERTY(bool secondFieldFirst MEMBER secondFieldFirst)
    Q_PROPERTY(bool dependent MEMBER dependent)
    Q_PROPERTY(QString preRenderScriptFilename MEMBER preRenderScriptFilename)
    Q_PROPERTY(QString preRenderInlineScript MEMBER preRenderInlineScript)
    Q_PROPERTY(QString postRenderScriptFilename MEMBER postRenderScriptFilename)
    Q_PROPERTY(QString postRenderInlineScript MEMBER postRenderInlineScript)
    Q_PROPERTY(bool quicktimeAfterChunk MEMBER quicktimeAfterChunk)
public:
    DBS_RenderDataWrapper(const QString &job = QString(), const QString &scene = QString())
        : jobName(job), sceneName(scene) {}

    QString jobName;
    QString sceneName;
    int fromFrame = 0;
    int toFrame = 0;
    bool debug = false;
    bool chunk = false;
    int chunkSize = 0;
    QString version;
    QString camera;
    QString resolution;
    bool fieldComposite = false;
    bool addPullDown = false;
    bool autoCombine = false;
    bool secondFieldFirst = false;
    bool dependent = false;
    QString preRenderScriptFilename;
    QString preRenderInlineScript;
    QString postRenderScriptFilename;
    QString postRenderInlineScript;
    bool quicktimeAfterChunk = false;

    // The request as the words the queue program reads.
    QString requestOptions() const;
    // Reads requestOptions() back, for requests listed from a queue.
    void readRequestOptions(const QString &options);

public slots:
    QString toString(bool verbose) const;
    QString toString() const { return toString(false); }
};
