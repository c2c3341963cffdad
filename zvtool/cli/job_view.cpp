#include "zvtool/cli/job_view.h"

#include <cstdio>
#include <string>

#include "zvtool/cli/messages.h"
#include "zvtool/jobs/progress.h"

std::string PlainEventText(const TEvent& event) {
    switch (event.kind) {
        case TEventKind::kRunStart:
            return event.what + " ...\n";
        case TEventKind::kProgress:
            if (event.pass == TPassEvent::kNewPass) {
                return ProgressPassLine(event.progress) + "\n";
            }
            return event.pass == TPassEvent::kStalled ? ProgressStalledLine(event.progress) + "\n"
                                                      : "";
        case TEventKind::kMessage:
            return MessageText(event.message);
        default:
            return "";
    }
}

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
    if (!terminal_) {
        std::fputs(PlainEventText(event).c_str(), stderr);
        std::fflush(stderr);
        return;
    }
    switch (event.kind) {
        case TEventKind::kSpin:
            Redraw(SpinnerLine(event.what, event.tick, event.elapsed));
            return;
        case TEventKind::kProgress:
            Redraw(ProgressBarLine(event.progress));
            return;
        case TEventKind::kRunEnd:
            Clear();
            return;
        case TEventKind::kMessage:
            Clear();
            PrintMessage(event.message);
            return;
        default:
            return;
    }
}
