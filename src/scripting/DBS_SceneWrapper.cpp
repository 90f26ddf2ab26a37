#include "DBS_SceneWrapper.h"

namespace {
QString yesNo(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

QString DBS_SceneWrapper::toString(bool verbose) const
{
    const QString text = QStringLiteral("Scene %1 (job %2)").arg(name, jobName);
    if (!verbose)
        return text;
    return text
        + QStringLiteral(" job name: %1 scene name: %2 file system: %3 path: %4 approval stage: %5 priority: %6"
                         " frames: %7 pencil test: %8 paper size: %9")
              .arg(jobName, name, fileSystem, path(), approvalStage())
              .arg(priority())
              .arg(frames())
              .arg(pencilTest())
              .arg(paperSize())
        + QStringLiteral(" scan size: %1 TD: %2 ATD: %3 current version: %4 checkout lock: %5 checkout user: %6"
                         " checkout date: %7 assigned to: %8")
              .arg(scanSize())
              .arg(tdName(), atdName())
              .arg(currentVer())
              .arg(yesNo(checkoutLock()), checkoutUser())
              .arg(checkoutDate())
              .arg(assignedTo());
}
