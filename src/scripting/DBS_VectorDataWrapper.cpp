#include "DBS_VectorDataWrapper.h"

QString DBS_VectorDataWrapper::toString(bool verbose) const
{
    QString text = QStringLiteral("Vectorize %1/%2").arg(jobName, sceneName);
    if (!elementName.isEmpty())
        text += QStringLiteral(" element %1").arg(elementName);
    if (!verbose)
        return text;
    return text
        + QStringLiteral(" job name: %1 scene name: %2 element name: %3 element id: %4 drawing name: %5"
                         " suffix: %6 process stage: %7")
              .arg(jobName, sceneName, elementName, elementId, drawingName, suffix, processStage)
        + entry.describe();
}
