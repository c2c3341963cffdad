#include "zvtool/jobs/progress.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kBarWidth = 20;
constexpr char kSpinner[] = "|/-\\";

}  // namespace

std::string FormatDuration(double seconds) {
    const long whole = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    }
    return text;
}

double SecondsLeft(const TPassProgress& progress) {
    if (progress.current <= 0) {
        return kPacedPassSeconds * progress.total;
    }
    const int finished = progress.current - 1;
    const double perPass = finished > 0 ? progress.finishedPasses / finished : kPacedPassSeconds;
    const double currentLeft = perPass > progress.passElapsed ? perPass - progress.passElapsed : 0;
    return currentLeft + perPass * (progress.total - progress.current);
}

bool PassStalled(const TPassProgress& progress) {
    return progress.current > 0 && progress.passElapsed > kStalledPassSeconds;
}

std::string ProgressBarLine(const TPassProgress& progress) {
    const int total = progress.total > 0 ? progress.total : 1;
    const int done = progress.current > 0 ? progress.current - 1 : 0;
    const int filled = done * kBarWidth / total;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    char text[160];
    if (PassStalled(progress)) {
        // No bar here: the warning needs the room.
        std::snprintf(text, sizeof text, "module %d (%d of %d) %s  %s; each repeat costs %d s",
                      progress.module, progress.current, progress.total,
                      FormatDuration(progress.passElapsed).c_str(), StalledWords(progress.cause),
                      RepeatSeconds(progress.cause));
    } else if (progress.current == 0) {
        std::snprintf(text, sizeof text, "starting (%d modules) [%s] %s", progress.total,
                      bar.c_str(), FormatDuration(progress.elapsed).c_str());
    } else {
        std::snprintf(text, sizeof text, "module %d (%d of %d) [%s] %s, about %s left",
                      progress.module, progress.current, progress.total, bar.c_str(),
                      FormatDuration(progress.elapsed).c_str(),
                      FormatDuration(SecondsLeft(progress)).c_str());
    }
    return text;
}

std::string ProgressPassLine(const TPassProgress& progress) {
    char text[120];
    std::snprintf(text, sizeof text, "module %d (%d of %d) at %s, about %s left", progress.module,
                  progress.current, progress.total, FormatDuration(progress.elapsed).c_str(),
                  FormatDuration(SecondsLeft(progress)).c_str());
    return text;
}

std::string ProgressStalledLine(const TPassProgress& progress) {
    char text[120];
    std::snprintf(text, sizeof text, "module %d: %s; each repeat costs %d s", progress.module,
                  StalledWords(progress.cause), RepeatSeconds(progress.cause));
    return text;
}

std::string SpinnerLine(const std::string& what, int tick, double elapsed) {
    const char turn = kSpinner[(tick < 0 ? 0 : tick) % 4];
    return what + " " + turn + " " + FormatDuration(elapsed);
}

TPassTracker StartPassTracker(const std::vector<int>& passModules, int firstPassNumber) {
    TPassTracker tracker;
    tracker.progress.total = static_cast<int>(passModules.size());
    tracker.passModules = passModules;
    tracker.firstPassNumber = firstPassNumber;
    return tracker;
}

TPassEvent TrackPass(TPassTracker* tracker, int reading, double now) {
    TPassProgress& progress = tracker->progress;
    progress.elapsed = now;
    const int pass = reading - tracker->firstPassNumber + 1;
    if (reading > 0 && pass >= 1 && pass <= progress.total && pass != progress.current) {
        if (progress.current == 0) {
            tracker->firstPassAt = now;
        }
        progress.current = pass;
        progress.module = tracker->passModules[static_cast<std::size_t>(pass - 1)];
        progress.finishedPasses = now - tracker->firstPassAt;
        progress.passElapsed = 0;
        tracker->passStartAt = now;
        tracker->stallShown = false;
        return TPassEvent::kNewPass;
    }
    if (progress.current == 0) {
        return TPassEvent::kNone;
    }
    progress.passElapsed = now - tracker->passStartAt;
    if (PassStalled(progress) && !tracker->stallShown) {
        tracker->stallShown = true;
        return TPassEvent::kStalled;
    }
    return TPassEvent::kNone;
}
