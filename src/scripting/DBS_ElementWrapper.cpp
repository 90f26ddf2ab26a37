#include "DBS_ElementWrapper.h"

QString DBS_ElementWrapper::toString(bool verbose) const
{
    const QString text = QStringLiteral("Element %1 (scene %2)").arg(name, sceneName);
    if (!verbose)
        return text;
    return text
        + QStringLiteral(" id: %1 job name: %2 scene name: %3 name: %4 folder name: %5 pixmap type: %6"
                         " scan type: %7 vector type: %8 field chart: %9")
              .arg(id)
              .arg(jobName, sceneName, name, folderName, pixmapType, scanType,
                   vectorType ? QStringLiteral("true") : QStringLiteral("false"))
              .arg(double(fieldChart));
}
