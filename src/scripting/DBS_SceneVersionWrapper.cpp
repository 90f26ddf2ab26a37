#include "DBS_SceneVersionWrapper.h"

QString DBS_SceneVersionWrapper::toString(bool verbose) const
{
    const QString text = QStringLiteral("Version %1 (%2)").arg(id).arg(name);
    if (!verbose)
        return text;
    return text
        + QStringLiteral(" id: %1 name: %2 job name: %3 scene name: %4 description: %5 saved by: %6"
                         " saved machine: %7 saved time: %8")
              .arg(id)
              .arg(name, jobName, sceneName, description, savedBy, savedMachine, savedTime);
}
