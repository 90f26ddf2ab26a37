#pragma once

#include "TUIESeqTV.h"

#include <QVector>

// A read node of a scene file: which drawing folder it reads, through which
// timing column. The reader fills all but newName; the exporter sets newName
// to the folder it copied outside drawings to, and the rewriter writes it in
// place of name.
struct TUIEModule
{
    QString instanceName;
    QString timingColumn;
    QString name;
    QString newName;
    QString extension; // lower case
};

// What the program keeps of one scene file: frame count, drawing columns and
// read modules, in file order. Owned by whoever reads the file. Setters
// taking an index return false, changing nothing, when it is out of range.
class TUIEScene
{
public:
    TUIEScene() = default;
    virtual ~TUIEScene() = default;
    TUIEScene(const TUIEScene &) = default;
    TUIEScene &operator=(const TUIEScene &) = default;

    int frames() const { return m_frames; }
    void setFrames(int frames) { m_frames = frames; }
    // Set when the file is an animated project; its reading stopped there.
    bool isAnimatedProject() const { return m_animatedProject; }
    void setAnimatedProject(bool animated) { m_animatedProject = animated; }

    const QVector<TUIESeqTV> &columns() const { return m_columns; }
    const QVector<TUIEModule> &modules() const { return m_modules; }

    int addColumn(const QString &name);
    bool addDrawing(int column, const QString &drawing);
    int addModule(const QString &instanceName);
    bool setModuleTimingColumn(int module, const QString &column);
    bool setModuleName(int module, const QString &name);
    bool setModuleNewName(int module, const QString &newName);
    bool setModuleExtension(int module, const QString &extension);

    // The module record of that instance name, or nullptr.
    const TUIEModule *module(const QString &instanceName) const;
    // The record that renames: one of that instance name with both a name
    // and a new name; nullptr when there is none.
    const TUIEModule *renamingModule(const QString &instanceName) const;

private:
    bool validModule(int module) const { return module >= 0 && module < m_modules.size(); }

    int m_frames = 0;
    bool m_animatedProject = false;
    QVector<TUIESeqTV> m_columns;
    QVector<TUIEModule> m_modules;
};
