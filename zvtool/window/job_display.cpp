#include "zvtool/window/job_display.h"

#include <cstdio>
#include <string>

#include "zvtool/jobs/progress.h"
#include "zvtool/message_text.h"

namespace {

// The run's own words where they say the phase already ("fetching modules 1-5"), else the
// phase before them ("copying the unit: fetching modules 1-5").
std::string PhaseLine(TPhase phase, const std::string& what) {
    const std::string name = PhaseName(phase);
    if (what.empty()) {
        return name;
    }
    return what.compare(0, name.size(), name) == 0 || phase == TPhase::kTesting
               ? what
               : name + ": " + what;
}

void ShowPasses(const TPassProgress& progress, TJobDisplay* display) {
    char text[96];
    if (progress.current == 0) {
        std::snprintf(text, sizeof text, "starting (%d modules)", progress.total);
    } else {
        std::snprintf(text, sizeof text, "module %d (%d of %d)", progress.module, progress.current,
                      progress.total);
    }
    display->step = text;
    const double left = SecondsLeft(progress);
    display->times =
        FormatDuration(progress.elapsed) + " so far, about " + FormatDuration(left) + " left";
    const double whole = progress.elapsed + left;
    display->bar = whole > 0 ? static_cast<int>(kBarFull * progress.elapsed / whole) : 0;
    display->barMoving = false;
    display->warning = PassStalled(progress) ? ProgressStalledLine(progress) : "";
}

}  // namespace

void ShowEvent(const TEvent& event, TJobDisplay* display) {
    display->changed = true;
    switch (event.kind) {
        case TEventKind::kPhase:
            display->current = event.phase;
            display->phase = PhaseName(event.phase);
            return;
        case TEventKind::kRunStart:
            display->phase = PhaseLine(display->current, event.what);
            display->step.clear();
            display->warning.clear();
            display->times.clear();
            display->bar = 0;
            display->barMoving = event.progress.total == 0;
            return;
        case TEventKind::kSpin:
            display->times = FormatDuration(event.elapsed) + " so far";
            display->barMoving = true;
            return;
        case TEventKind::kProgress:
            ShowPasses(event.progress, display);
            return;
        case TEventKind::kRunEnd:
            display->barMoving = false;
            display->warning.clear();
            return;
        case TEventKind::kMessage:
            display->log += MessageText(event.message);
            display->logChanged = true;
            return;
        case TEventKind::kFinishing:
            display->finishing = event.what;
            return;
        case TEventKind::kRepeats:
        case TEventKind::kUnitLine:
            break;
    }
    display->changed = false;
}
