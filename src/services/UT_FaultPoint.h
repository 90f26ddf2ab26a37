#pragma once

// Named points in multi-step operations where a test can stop the process
// (to see what a crash leaves) or hold it (to hit a race on purpose).
// Only builds configured with TALLYARD_FAULT_POINTS have them; elsewhere the
// macro is empty and costs nothing.
//
// A test sets TALLYARD_FAULT_POINT to "name:action", where action is
//   die            the process kills itself with SIGKILL there
//   pause=FILE     writes FILE.reached, then waits until FILE exists
//   sleep=MS       sleeps MS milliseconds
// Several points may be given, separated by ";". Only the first arrival at
// a point acts; later arrivals pass through, so a loop is stopped once.
//
// A benchmark may observe the points instead: the observer is called at
// every arrival (first or not), before any action, so the time between two
// points tells where an operation spends it.
#ifdef TALLYARD_FAULT_POINTS
void utFaultPoint(const char *name);
using UtFaultPointObserver = void (*)(const char *name);
void utObserveFaultPoints(UtFaultPointObserver observer);
#define UT_FAULT_POINT(name) utFaultPoint(name)
#else
#define UT_FAULT_POINT(name) \
    do {                     \
    } while (0)
#endif
