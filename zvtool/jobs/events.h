#pragma once
#include <functional>
#include <string>

#include "zvtool/error.h"
#include "zvtool/jobs/progress.h"

// What a job reports while it runs, to whoever shows it: the terminal's progress line, a
// window's progress bar. Plain values, one struct for every kind.

// The phases of the jobs that service a unit, in the words a person reads.
enum class TPhase {
    kTesting,      // testing the link
    kFetching,     // fetching records (a fetch, a backup)
    kCopying,      // copying the unit before a restore
    kPlanning,     // planning what a restore sends
    kSending,      // sending records
    kReadingBack,  // reading back what was sent
};

// "testing the link", "fetching", ...
const char* PhaseName(TPhase phase);

enum class TEventKind {
    kPhase,      // a phase began: `phase`
    kRunStart,   // a driver run began: `what` ("fetching modules 1-5"), `progress.total` passes
    kSpin,       // a run without passes goes on: `what`, `tick`, `elapsed`
    kProgress,   // a run's passes: `progress`, and `pass` what changed (a new pass, a stall)
    kRunEnd,     // the driver run ended, or is being stopped
    kRepeats,    // the run got through after `repeats` repeated attempts; `what` says so
    kMessage,    // the job says something: `message`
    kFinishing,  // how to finish what stopped: `what` is the command that does it
    kUnitLine,   // in a bench: `unit`'s line is now `what`
};

struct TEvent {
    TEventKind kind = TEventKind::kMessage;
    TPhase phase = TPhase::kTesting;
    std::string what;
    TPassProgress progress;
    TPassEvent pass = TPassEvent::kNone;
    int tick = 0;
    double elapsed = 0;
    int repeats = 0;
    TMessage message;
    std::string unit;  // in a bench: the unit the event is of
};

using TEventSink = std::function<void(const TEvent&)>;
