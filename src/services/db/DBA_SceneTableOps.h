#pragma once

#include "DBA_Records.h"

#include <QStringList>

class DBA_Context;

// A scene's own tables (element_attr, version, the cel table, ...), each with
// a dictionary: name, version, date, ordered fields and an index field.
// Export and import read and write them as interchange files.
struct DBA_TableDictionary
{
    QString name;
    int version = 1;
    qint64 date = 0;
    QStringList fields;
    QString indexField;
};

class DBA_SceneTableOps
{
public:
    explicit DBA_SceneTableOps(DBA_Context &context) : m_ctx(context) {}

    QStringList dba_GetSceneTableNames(const dba_scene_struct &scene);
    bool dba_GetSceneTable(const dba_scene_struct &scene, const QString &table,
                           DBA_TableDictionary &dictionary, QVector<QStringList> &rows);
    // Replaces a table's dictionary and rows in one transaction.
    bool dba_ReplaceSceneTable(const dba_scene_struct &scene, const DBA_TableDictionary &dictionary,
                               const QVector<QStringList> &rows);
    bool dba_DeleteSceneTable(const dba_scene_struct &scene, const QString &table);

private:
    DBA_Context &m_ctx;
};
