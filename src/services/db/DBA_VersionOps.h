#pragma once

#include "DBA_Records.h"

#include <QStringList>

class DBA_Context;

// Scene versions (stage/v<N>.pavx) and the elements and drawings of a scene.
class DBA_VersionOps
{
public:
    explicit DBA_VersionOps(DBA_Context &context) : m_ctx(context) {}

    QVX_scene_version_table QVX_scene_versions_of_DBA_scene(const dba_scene_struct &scene);
    // Records a new version (number = highest + 1, or the given one) and makes
    // it current; returns its number, -1 on failure.
    int dba_addSceneVersion(dba_scene_struct &scene, const QString &name, const QString &description, int number = 0);
    // "<number> <name>" for each version, in order.
    QStringList createVersionsListStringList(const dba_scene_struct &scene);
    bool getVersionIdList(const dba_scene_struct &scene, QVector<qint64> &ids);

    QVector<QVX_element_data> read_DBA_elements(const dba_scene_struct &scene);
    bool element_data_of_DBA_element_name(const dba_scene_struct &scene, const QString &name,
                                          const QString &folder, QVX_element_data &element);
    // Returns the new element's id, -1 on failure.
    qint64 dba_addElement(const dba_scene_struct &scene, QVX_element_data &element);
    QStringList getElementsRootFoldersList(const dba_scene_struct &scene);

    // Cels of an element, in name order; -1 on failure.
    int dba_GetCels(const dba_scene_struct &scene, qint64 elementId, QVector<dba_cel_struct> &cels);
    qint64 dba_addCel(qint64 elementId, dba_cel_struct &cel);
    bool dba_setCelStageState(qint64 celId, int stage, int state);

private:
    DBA_Context &m_ctx;
};
