#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/line_cause.h"

// The progress text of a running job, as pure functions of what is known so far, so that a
// table can test them without a terminal or a driver.

// A module pass that the driver gets through at once takes about this long against a unit at
// the real 2400 baud; the estimate uses it until a pass has finished.
constexpr double kPacedPassSeconds = 1.8;
// A pass that has run this long is waiting for a unit that does not answer.
constexpr double kStalledPassSeconds = 6.0;

struct TPassProgress {
    int total = 0;              // passes in the job
    int current = 0;            // 1-based pass under way; 0 before the first
    int module = 0;             // the module number of that pass
    double elapsed = 0;         // seconds since the driver started
    double passElapsed = 0;     // seconds since the current pass started
    double finishedPasses = 0;  // seconds the passes before the current one took
    // What the current pass has met so far, for the warning of a pass that takes long.
    TLineCause cause = TLineCause::kSilent;
};

// "0:07", "1:05", "1:02:03".
std::string FormatDuration(double seconds);

// Seconds the job will still take, from the passes so far.
double SecondsLeft(const TPassProgress& progress);

// Whether the current pass has taken far longer than a good one.
bool PassStalled(const TPassProgress& progress);

// The line redrawn in place on a terminal: module, i of n, a bar, elapsed and left (or, for a
// stalled pass, what its exchange meets). Less than 80 characters, no line end.
std::string ProgressBarLine(const TPassProgress& progress);

// The line written once per pass when standard error is not a terminal.
std::string ProgressPassLine(const TPassProgress& progress);

// The line written once when a pass stalls, when standard error is not a terminal.
std::string ProgressStalledLine(const TPassProgress& progress);

// A job without passes (the connection test, the central jobs): `what` with a spinner that
// turns once per `tick` and the time so far.
std::string SpinnerLine(const std::string& what, int tick, double elapsed);

// Follows the driver's passes from its readings of "NowTransferingNo": which pass is under
// way, since when, and how long the passes before it took. Pure: fed readings and times.
struct TPassTracker {
    TPassProgress progress;
    std::vector<int> passModules;  // the module number of each pass
    int firstPassNumber = 1;       // the reading of the first pass
    double firstPassAt = 0;        // seconds since the start when the first pass began
    double passStartAt = 0;        // and when the current one began
    bool stallShown = false;       // the current pass was reported stalled
};

enum class TPassEvent {
    kNone,
    kNewPass,  // a pass began (passes the driver got through between two looks are skipped)
    kStalled,  // the current pass stalled; once a pass
};

TPassTracker StartPassTracker(const std::vector<int>& passModules, int firstPassNumber);

// One reading of "NowTransferingNo" at `now` seconds since the driver started. A reading
// outside the job's passes (0 before the first, a number left from another job) changes
// nothing but the times.
TPassEvent TrackPass(TPassTracker* tracker, int reading, double now);
