#pragma once

#include <QObject>

// Publishes the scene insertion positions of addScene (script name
// "AddPositionType").
class DBS_AddPosWrapper : public QObject
{
    Q_OBJECT
public:
    enum AddPositionType { ADD_AT_BOTTOM = 1, ADD_AT_TOP = 2, ADD_SORTED = 5 };
    Q_ENUM(AddPositionType)

    explicit DBS_AddPosWrapper(int position = ADD_AT_BOTTOM) : value(position) {}

    int value;
};
