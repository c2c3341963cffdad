#include "zvtool/jobs/progress.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// total, current, module, elapsed, passElapsed, finishedPasses, cause -> the terminal line.
struct BarCase {
    TPassProgress progress;
    const char* line;
};

const BarCase kBarCases[] = {
    // Before the first pass the estimate is a good paced pass a module.
    {{5, 0, 0, 0.2, 0, 0}, "starting (5 modules) [....................] 0:00"},
    {{5, 1, 3, 0.5, 0.3, 0}, "module 3 (1 of 5) [....................] 0:01, about 0:09 left"},
    // Two passes took 5 s: 2.5 s a pass from then on, 1 s of the current one gone.
    {{5, 3, 5, 6.0, 1.0, 5.0}, "module 5 (3 of 5) [########............] 0:06, about 0:07 left"},
    {{200, 200, 200, 400, 0.5, 398},
     "module 200 (200 of 200) [###################.] 6:40, about 0:02 left"},
    // A pass far past the estimate: the unit is not answering, and each attempt more costs
    // three read time-outs and the pause.
    {{4, 2, 8, 20.0, 12.0, 2.0},
     "module 8 (2 of 4) 0:12  the unit is not answering; each repeat costs 10 s"},
    {{200, 200, 200, 400, 9.0, 398},
     "module 200 (200 of 200) 0:09  the unit is not answering; each repeat costs 10 s"},
    {{4, 2, 8, 8.0, 6.0, 2.0}, "module 8 (2 of 4) [#####...............] 0:08, about 0:04 left"},
    // A stalled pass says what its exchange met so far, in the room the line has; an answer
    // that comes back costs less than silence.
    {{200, 200, 200, 400, 9.0, 398, TLineCause::kGarbled},
     "module 200 (200 of 200) 0:09  replies arrive damaged; each repeat costs 6 s"},
    {{200, 200, 200, 400, 9.0, 398, TLineCause::kIntermittent},
     "module 200 (200 of 200) 0:09  the unit answers at times; each repeat costs 10 s"},
    {{200, 200, 200, 400, 9.0, 398, TLineCause::kDamagedSent},
     "module 200 (200 of 200) 0:09  requests arrive damaged; each repeat costs 6 s"},
    {{200, 200, 200, 400, 9.0, 398, TLineCause::kWrongReply},
     "module 200 (200 of 200) 0:09  wrong replies come back; each repeat costs 6 s"},
};

TEST(ZvtoolProgress, TerminalLines) {
    for (const BarCase& row : kBarCases) {
        EXPECT_EQ(ProgressBarLine(row.progress), row.line);
        EXPECT_LT(ProgressBarLine(row.progress).size(), 80U);
    }
}

TEST(ZvtoolProgress, PlainLines) {
    EXPECT_EQ(ProgressPassLine({5, 3, 5, 6.0, 0, 5.0}),
              "module 5 (3 of 5) at 0:06, about 0:08 left");
    EXPECT_EQ(ProgressStalledLine({4, 2, 8, 20.0, 12.0, 2.0}),
              "module 8: the unit is not answering; each repeat costs 10 s");
    EXPECT_EQ(ProgressStalledLine({4, 2, 8, 20.0, 12.0, 2.0, TLineCause::kGarbled}),
              "module 8: replies arrive damaged; each repeat costs 6 s");
}

TEST(ZvtoolProgress, Spinner) {
    EXPECT_EQ(SpinnerLine("testing the connection", 0, 0.0), "testing the connection | 0:00");
    EXPECT_EQ(SpinnerLine("testing the connection", 5, 61.4), "testing the connection / 1:01");
}

TEST(ZvtoolProgress, Durations) {
    const struct {
        double seconds;
        const char* text;
    } rows[] = {{-3, "0:00"},    {0.4, "0:00"},     {0.5, "0:01"},    {59.6, "1:00"},
                {3599, "59:59"}, {3600, "1:00:00"}, {3725, "1:02:05"}};
    for (const auto& row : rows) {
        EXPECT_EQ(FormatDuration(row.seconds), row.text) << row.seconds;
    }
}

// Readings of "NowTransferingNo" and their times -> what the tracker makes of them.
struct PassCase {
    int reading;
    double now;
    TPassEvent event;
    int current;
    int module;
    double finishedPasses;
    double passElapsed;
};

TEST(ZvtoolProgress, PassTrackerFollowsTheReadings) {
    // fetch modules 3-5: the driver counts its passes by module number, from 3.
    const PassCase kFetch[] = {
        {0, 0.1, TPassEvent::kNone, 0, 0, 0, 0},           // before the first pass
        {7, 0.2, TPassEvent::kNone, 0, 0, 0, 0},           // left from another job
        {3, 0.5, TPassEvent::kNewPass, 1, 3, 0, 0},        // the first pass
        {3, 1.0, TPassEvent::kNone, 1, 3, 0, 0.5},         // the same pass, later
        {5, 2.3, TPassEvent::kNewPass, 3, 5, 1.8, 0},      // module 4 came and went unseen
        {6, 2.5, TPassEvent::kNone, 3, 5, 1.8, 0.2},       // beyond the job: ignored
        {5, 8.4, TPassEvent::kStalled, 3, 5, 1.8, 6.1},    // the unit stopped answering
        {5, 10.0, TPassEvent::kNone, 3, 5, 1.8, 7.7},      // said once
        {2, 10.5, TPassEvent::kNone, 3, 5, 1.8, 8.2},      // below the first: ignored
        {4, 11.0, TPassEvent::kNewPass, 2, 4, 10.5, 0},    // a repeat goes back a pass
        {4, 17.5, TPassEvent::kStalled, 2, 4, 10.5, 6.5},  // a new pass may stall again
    };
    TPassTracker tracker = StartPassTracker({3, 4, 5}, 3);
    for (const PassCase& row : kFetch) {
        SCOPED_TRACE(testing::Message() << row.reading << " at " << row.now);
        EXPECT_EQ(TrackPass(&tracker, row.reading, row.now), row.event);
        EXPECT_EQ(tracker.progress.current, row.current);
        EXPECT_EQ(tracker.progress.module, row.module);
        EXPECT_DOUBLE_EQ(tracker.progress.finishedPasses, row.finishedPasses);
        EXPECT_NEAR(tracker.progress.passElapsed, row.passElapsed, 1e-9);
        EXPECT_DOUBLE_EQ(tracker.progress.elapsed, row.now);
        EXPECT_EQ(tracker.progress.total, 3);
    }
    // send modules: passes count from 1 and name the modules of the file, in its order.
    TPassTracker send = StartPassTracker({9, 2, 40}, 1);
    EXPECT_EQ(TrackPass(&send, 2, 1.0), TPassEvent::kNewPass);
    EXPECT_EQ(send.progress.module, 2);
    EXPECT_EQ(TrackPass(&send, 3, 2.0), TPassEvent::kNewPass);
    EXPECT_EQ(send.progress.module, 40);
    EXPECT_EQ(TrackPass(&send, 4, 3.0), TPassEvent::kNone);
    EXPECT_EQ(send.progress.current, 3);
}

}  // namespace
