#include "zvtool/jobs/outcome.h"

#include <cstdio>
#include <string>

#include "driver/result_codes.h"
#include "settings/profile.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/trace_summary.h"

namespace {

std::string traceFile;

// What the driver's trace tells of its last run, as indented lines on standard error; or,
// without a trace, how to get one.
void ExplainFromTrace() {
    if (traceFile.empty()) {
        PrintError({kExitOk,
                    "run it again with --trace FILE for the driver's account of every exchange",
                    ""});
        return;
    }
    std::string text;
    if (std::FILE* file = std::fopen(traceFile.c_str(), "rb")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
            text.append(chunk, got);
        }
        std::fclose(file);
    }
    if (text.empty()) {
        PrintError({kExitOk, "the driver left no trace in " + traceFile, ""});
        return;
    }
    PrintError({kExitOk, "the driver's trace (" + traceFile + ") tells:", ""});
    const std::string account = SummariseTrace(text);
    std::size_t start = 0;
    while (start < account.size()) {
        std::size_t end = account.find('\n', start);
        if (end == std::string::npos) {
            end = account.size();
        }
        std::fprintf(stderr, "  %s\n", account.substr(start, end - start).c_str());
        start = end + 1;
    }
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// What a person can do about a result, where there is something to do.
const char* ResultAdvice(int result) {
    switch (result) {
        case kResultRefused:
        case kResultFetchFailed:
            return "check that the unit is switched on, its cable is plugged in and --port "
                   "names its port";
        case kResultPortFailed:
            return "check --port (COM1 is 1) and that no other program holds the port; on "
                   "POSIX the port is the link COMn in the driver's directory, else /dev/ttyS<n-1>";
        case kResultFetchFileFailed:
            return "check that the driver's directory (--dir) is writable and not full";
        default:
            return nullptr;
    }
}

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

std::string OutcomeJson(const TOutcome& outcome) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", outcome.seconds);
    std::string json = "{\"job\": " + JsonString(outcome.job) + ", \"result\": ";
    json += outcome.result >= 0 ? std::to_string(outcome.result) : "null";
    json += ", \"meaning\": ";
    json += outcome.result >= 0 ? JsonString(ResultMeaning(outcome.result)) : "null";
    json += ", \"seconds\": ";
    json += seconds;
    json += ", \"records\": ";
    json += outcome.records >= 0 ? std::to_string(outcome.records) : "null";
    json += ", \"file\": ";
    json += outcome.file.empty() ? "null" : JsonString(outcome.file);
    return json + "}";
}

void SayRunningFlag(const TDriverRun& run) {
    if (run.toolExit == kExitInterrupted) {
        PrintError({run.toolExit,
                    std::string("the driver left ZorVekDriverRunning=") +
                        (run.running ? "1" : "0") + " in " + ProfileFilePath(kStatusFile),
                    ""});
    }
}

void SetTraceFile(const std::string& path) {
    traceFile = path;
}

void PrintOutcome(const TOutcome& outcome, bool json) {
    if (json) {
        std::printf("%s\n", OutcomeJson(outcome).c_str());
    } else {
        if (outcome.result >= 0) {
            std::printf("result %d: %s (%.1f s)\n", outcome.result, ResultMeaning(outcome.result),
                        outcome.seconds);
        }
        if (!outcome.file.empty() && outcome.records >= 0) {
            std::printf("%s: %d record%s\n", outcome.file.c_str(), outcome.records,
                        outcome.records == 1 ? "" : "s");
        }
    }
    std::fflush(stdout);
}

int ExitStatusOf(const TDriverRun& run, int expected) {
    if (run.toolExit != 0) {
        return run.toolExit;
    }
    if (run.result == expected) {
        return kExitOk;
    }
    if (const char* advice = ResultAdvice(run.result)) {
        PrintError({run.result, advice, ""});
    }
    ExplainFromTrace();
    // A result that is no failure for some other job (0 after a send) must not read as success.
    return run.result == kExitOk ? kExitSoftware : run.result;
}
