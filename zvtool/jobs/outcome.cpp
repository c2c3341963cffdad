#include "zvtool/jobs/outcome.h"

#include <cstdio>
#include <string>

#include "settings/profile.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/process.h"
#include "zvtool/report.h"

namespace {

// Redraws the line in place, blanking what is left of a longer one.
void Redraw(TProgressOutput* output, const std::string& line) {
    std::string text = "\r" + line;
    if (line.size() < output->shown) {
        text.append(output->shown - line.size(), ' ');
    }
    output->shown = line.size();
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

void PlainLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace

void TProgressOutput::Begin(const std::string& what) {
    if (!terminal) {
        PlainLine(what + " ...");
    }
}

void TProgressOutput::Spin(const std::string& what, int tick, double elapsed) {
    if (terminal) {
        Redraw(this, SpinnerLine(what, tick, elapsed));
    }
}

void TProgressOutput::Show(const TPassProgress& progress, TPassEvent event) {
    if (terminal) {
        Redraw(this, ProgressBarLine(progress));
    } else if (event == TPassEvent::kNewPass) {
        PlainLine(ProgressPassLine(progress));
    } else if (event == TPassEvent::kStalled) {
        PlainLine(ProgressStalledLine(progress));
    }
}

void TProgressOutput::Clear() {
    if (shown > 0) {
        std::fprintf(stderr, "\r%s\r", std::string(shown, ' ').c_str());
        std::fflush(stderr);
        shown = 0;
    }
}

void SayRunningFlag(const TDriverRun& run) {
    if (run.toolExit == kExitInterrupted) {
        PrintError({run.toolExit,
                    std::string("the driver left ZorVekDriverRunning=") +
                        (run.running ? "1" : "0") + " in " + ProfileFilePath(kStatusFile),
                    ""});
    }
}

void PrintOutcome(const TOutcome& outcome) {
    TReport& report = CommandReport();
    report.job = true;
    report.jobName = outcome.job;
    report.seconds = outcome.seconds;
    report.records = outcome.records;
    report.file = outcome.file;
    if (JsonWanted()) {
        return;
    }
    if (report.result >= 0) {
        std::printf("result %d: %s (%.1f s)\n", report.result, report.meaning.c_str(),
                    outcome.seconds);
    }
    if (!outcome.file.empty() && outcome.records >= 0) {
        std::printf("%s: %d record%s\n", outcome.file.c_str(), outcome.records,
                    outcome.records == 1 ? "" : "s");
    }
    std::fflush(stdout);
}
