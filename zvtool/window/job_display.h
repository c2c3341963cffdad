#pragma once
#include <string>

#include "zvtool/jobs/events.h"

// What the window shows of a running job, from the core's events: the phase and its step, the
// bar, the times, the warning of a stalled pass and the log of what the job said. Pure, so
// that rows of events test it; the dialog copies it into its controls.

constexpr int kBarFull = 1000;

struct TJobDisplay {
    std::string phase;  // "fetching the central record", "copying the unit: fetching module 3"
    std::string step;   // "module 3 (3 of 5)", "starting (5 modules)"; "" for a run without passes
    std::string times;  // "0:05 so far, about 0:04 left"
    std::string warning;      // "module 3: the unit is not answering; each repeat costs 10 s"
    int bar = 0;              // 0 to kBarFull
    bool barMoving = false;   // a run without passes: the bar shows that it runs, not how far
    std::string log;          // every message of the job so far, in the core's words
    std::string finishing;    // the command that finishes a job that stopped; "" for none
    bool changed = false;     // set by every event that changes a control's text
    bool logChanged = false;  // set by every message; the window clears it once shown
    TPhase current = TPhase::kTesting;
};

// Takes one event of the job into `display`.
void ShowEvent(const TEvent& event, TJobDisplay* display);
