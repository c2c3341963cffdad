#include "zvtool/cli/job_view.h"

#include <cstdio>
#include <string>

#include "zvtool/cli/messages.h"
#include "zvtool/jobs/progress.h"

namespace {

void PlainLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace

void TJobView::Redraw(const std::string& line) {
    std::string text = "\r" + line;
    if (line.size() < shown_) {
        text.append(shown_ - line.size(), ' ');
    }
    shown_ = line.size();
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

void TJobView::Clear() {
    if (shown_ > 0) {
        std::fprintf(stderr, "\r%s\r", std::string(shown_, ' ').c_str());
        std::fflush(stderr);
        shown_ = 0;
    }
}

void TJobView::Show(const TEvent& event) {
    switch (event.kind) {
        case TEventKind::kRunStart:
            if (!terminal_) {
                PlainLine(event.what + " ...");
            }
            return;
        case TEventKind::kSpin:
            if (terminal_) {
                Redraw(SpinnerLine(event.what, event.tick, event.elapsed));
            }
            return;
        case TEventKind::kProgress:
            if (terminal_) {
                Redraw(ProgressBarLine(event.progress));
            } else if (event.pass == TPassEvent::kNewPass) {
                PlainLine(ProgressPassLine(event.progress));
            } else if (event.pass == TPassEvent::kStalled) {
                PlainLine(ProgressStalledLine(event.progress));
            }
            return;
        case TEventKind::kRunEnd:
            Clear();
            return;
        case TEventKind::kMessage:
            Clear();
            PrintMessage(event.message);
            return;
        case TEventKind::kPhase:
        case TEventKind::kRepeats:
        case TEventKind::kFinishing:
        case TEventKind::kUnitLine:
            return;
    }
}
