#include "DBS_DrawingWrapper.h"

QString DBS_DrawingWrapper::toString() const
{
    return QStringLiteral("Drawing %1 of element %2 stage: %3 state: %4").arg(name, elementName, stage, state);
}
