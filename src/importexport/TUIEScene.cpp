#include "TUIEScene.h"

int TUIEScene::addColumn(const QString &name)
{
    m_columns.append(TUIESeqTV(name));
    return int(m_columns.size()) - 1;
}

bool TUIEScene::addDrawing(int column, const QString &drawing)
{
    if (column < 0 || column >= m_columns.size())
        return false;
    return m_columns[column].addDrawing(drawing);
}

int TUIEScene::addModule(const QString &instanceName)
{
    TUIEModule module;
    module.instanceName = instanceName;
    m_modules.append(module);
    return int(m_modules.size()) - 1;
}

bool TUIEScene::setModuleTimingColumn(int module, const QString &column)
{
    if (!validModule(module))
        return false;
    m_modules[module].timingColumn = column;
    return true;
}

bool TUIEScene::setModuleName(int module, const QString &name)
{
    if (!validModule(module))
        return false;
    m_modules[module].name = name;
    return true;
}

bool TUIEScene::setModuleNewName(int module, const QString &newName)
{
    if (!validModule(module))
        return false;
    m_modules[module].newName = newName;
    return true;
}

bool TUIEScene::setModuleExtension(int module, const QString &extension)
{
    if (!validModule(module))
        return false;
    m_modules[module].extension = extension.toLower();
    return true;
}

const TUIEModule *TUIEScene::module(const QString &instanceName) const
{
    for (const TUIEModule &module : m_modules) {
        if (module.instanceName == instanceName)
            return &module;
    }
    return nullptr;
}

const TUIEModule *TUIEScene::renamingModule(const QString &instanceName) const
{
    for (const TUIEModule &module : m_modules) {
        if (module.instanceName == instanceName && !module.name.isEmpty() && !module.newName.isEmpty())
            return &module;
    }
    return nullptr;
}
