#include "TY_Application.h"

#include "PL_AppLock.h"
#include "TUMessage.h"

#include <atomic>

namespace {
std::atomic<bool> s_batchRendering{false};
}

TY_Application::TY_Application(int &argc, char **argv)
    : BUIAPP_Application(argc, argv)
{
}

bool TY_Application::notify(QObject *receiver, QEvent *event)
{
    if (!isMainThread())
        return BUIAPP_Application::notify(receiver, event);
    ++m_nesting;
    bool delivered;
    if (isBatchRendering()) {
        PL_AppLock::AppLock lock;
        delivered = BUIAPP_Application::notify(receiver, event);
    } else {
        delivered = BUIAPP_Application::notify(receiver, event);
    }
    --m_nesting;
    return delivered;
}

void TY_Application::aboutToBlock()
{
    {
        PL_AppLock::AppLock lock;
        // Switching suspension off and on shows what waited before blocking.
        TUMessage &sink = TUMessage::instance();
        if (sink.isReportSuspended()) {
            sink.suspendReport(false);
            sink.suspendReport(true);
        }
    }
    BUIAPP_Application::aboutToBlock();
}

void TY_Application::setBatchRendering(bool on)
{
    s_batchRendering = on;
}

bool TY_Application::isBatchRendering()
{
    return s_batchRendering;
}
