#include "zvtool/jobs/outcome.h"

#include <cstdio>
#include <string>

#include "settings/profile.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/process.h"
#include "zvtool/report.h"

void SayRunningFlag(const TDriverRun& run) {
    if (run.toolExit == kExitInterrupted) {
        Note("the driver left ZorVekDriverRunning=" + std::to_string(run.running ? 1 : 0) + " in " +
             ProfileFilePath(kStatusFile));
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
