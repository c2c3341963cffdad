// The restore plan: only what differs from the unit, in file order, read back in runs.
#include "zvtool/jobs/restore_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Record `number` with every byte `fill`.
TZvRecord Rec(int number, std::uint8_t fill) {
    TZvRecord record{number, {}};
    record.bytes.fill(fill);
    return record;
}

// The central record and modules 1-10, all bytes 1; `changed` numbers hold 2 instead.
std::vector<TZvRecord> Unit(std::vector<int> changed = {}, int last = 10) {
    std::vector<TZvRecord> records;
    for (int n = 0; n <= last; ++n) {
        bool differs = false;
        for (int c : changed) {
            differs = differs || c == n;
        }
        records.push_back(Rec(n, differs ? 2 : 1));
    }
    return records;
}

std::vector<int> Numbers(const std::vector<TZvRecord>& records) {
    std::vector<int> numbers;
    for (const TZvRecord& record : records) {
        numbers.push_back(record.number);
    }
    return numbers;
}

TEST(RestorePlan, SendsOnlyWhatDiffersAndReadsItBackInRuns) {
    using Runs = std::vector<std::pair<int, int>>;
    const struct {
        const char* what;
        std::vector<TZvRecord> file;
        std::vector<TZvRecord> unit;
        int first, last;
        bool central, all;
        bool sendsCentral;
        std::vector<int> modules;
        Runs readBack;
        int same, outside;
    } rows[] = {
        {"the same", Unit(), Unit(), 1, 200, true, false, false, {}, {}, 11, 0},
        {"three modules",
         Unit({3, 4, 9}),
         Unit(),
         1,
         200,
         true,
         false,
         false,
         {3, 4, 9},
         {{3, 4}, {9, 9}},
         8,
         0},
        {"central and one",
         Unit({0, 10}),
         Unit(),
         1,
         200,
         true,
         false,
         true,
         {10},
         {{10, 10}},
         9,
         0},
        {"central left out",
         Unit({0, 10}),
         Unit(),
         1,
         200,
         false,
         false,
         false,
         {10},
         {{10, 10}},
         9,
         0},
        {"within --modules",
         Unit({3, 4, 9}),
         Unit(),
         4,
         10,
         false,
         false,
         false,
         {4, 9},
         {{4, 4}, {9, 9}},
         5,
         3},
        {"--all",
         Unit(),
         Unit(),
         1,
         200,
         true,
         true,
         true,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         {{1, 10}},
         0,
         0},
        {"the unit lacks modules",
         Unit({}, 10),
         Unit({}, 7),
         1,
         200,
         true,
         false,
         false,
         {8, 9, 10},
         {{8, 10}},
         8,
         0},
        {"a number twice: its later record",
         {Rec(0, 1), Rec(5, 2), Rec(6, 1), Rec(5, 1)},
         Unit(),
         1,
         200,
         true,
         false,
         false,
         {},
         {},
         3,
         0},
    };
    for (const auto& row : rows) {
        const TRestorePlan plan =
            PlanRestore(row.file, row.unit, row.first, row.last, row.central, row.all);
        EXPECT_EQ(plan.central, row.sendsCentral) << row.what;
        EXPECT_EQ(Numbers(plan.modules), row.modules) << row.what;
        EXPECT_EQ(plan.readBack, row.readBack) << row.what;
        EXPECT_EQ(plan.same, row.same) << row.what;
        EXPECT_EQ(plan.outside, row.outside) << row.what;
        EXPECT_DOUBLE_EQ(plan.sendSeconds, PlannedRecords(plan) * kSecondsPerRecord) << row.what;
    }
}

// The module send takes its records in file order, as the file lists them.
TEST(RestorePlan, ModulesGoInFileOrder) {
    const std::vector<TZvRecord> file = {Rec(0, 1), Rec(9, 2), Rec(2, 2), Rec(5, 2)};
    EXPECT_EQ(Numbers(PlanRestore(file, Unit(), 1, 200, true, false).modules),
              (std::vector<int>{9, 2, 5}));
}

TEST(RestorePlan, InWords) {
    EXPECT_EQ(DescribePlan(PlanRestore(Unit({0, 3, 4, 9}), Unit(), 1, 200, true, false)),
              "send the central record and modules 3-4, 9 (4 records), then read them back: "
              "about 14 s; 7 records already hold the file's values");
    EXPECT_EQ(DescribePlan(PlanRestore(Unit(), Unit(), 1, 200, true, false)),
              "nothing to send: the unit holds every record of the file");
    EXPECT_EQ(DescribePlan(PlanRestore(Unit({9}), Unit(), 5, 200, false, false)),
              "send module 9 (1 record), then read it back: about 4 s; 5 records already hold "
              "the file's values; 4 module records outside --modules left as they are");
    EXPECT_EQ(DurationText(230), "3 min 50 s");
    EXPECT_EQ(DurationText(120), "2 min");
    EXPECT_EQ(DurationText(14.4), "14 s");
}

}  // namespace
