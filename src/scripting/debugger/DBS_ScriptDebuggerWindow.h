#pragma once

#include "DBS_ScriptManager.h"

// The script debugger of "-debug_script": QtScriptTools' debugger in an
// application-modal window of 1280 by 704.
class DBS_ScriptDebuggerWindow
{
    Q_DECLARE_TR_FUNCTIONS(DBS_ScriptDebuggerWindow)
public:
    // Makes the script manager use it; a run without a window-capable
    // application gets a reason instead of a debugger.
    static void registerWithScriptManager();
};
