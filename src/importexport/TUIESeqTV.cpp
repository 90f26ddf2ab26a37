#include "TUIESeqTV.h"

bool TUIESeqTV::addDrawing(const QString &name)
{
    QString drawing = name;
    drawing.remove(QLatin1Char('"'));
    if (drawing.isEmpty() || m_listed.contains(drawing))
        return false;
    m_listed.insert(drawing);
    m_drawings.append(drawing);
    return true;
}
