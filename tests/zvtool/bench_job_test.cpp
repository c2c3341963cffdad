// A bench in virtual time: three units, each with a unit of its own on the virtual line, their
// jobs run by the core through the same runner as a single job; one unit fails, the others do
// not notice.
#include <functional>
#include <string>
#include <vector>

#include "tests/fakes/fake_unit.h"
#include "tests/zvtool/job_tables.h"
#include "zvtool/bench/bench.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/backup.h"
#include "zvtool/jobs/driver_jobs.h"

namespace jobtables {
namespace {

// Runs each unit's job in this process when the bench starts it: the fake unit is set up for
// that unit first (`arrange`), then the job runs to its end on the virtual line.
TUnitLauncher InProcess(TVirtualDriver* driver, const TJobRequest& request,
                        const std::function<void(std::size_t)>& arrange,
                        std::vector<TUnitOutcome>* ended) {
    TUnitLauncher launcher;
    launcher.start = [=](std::size_t index, const TBenchUnit& unit, const std::string& folder,
                         std::string*) {
        fake::StartUnit();
        arrange(index);
        TJobContext context = driver->Context(folder);
        TJobRequest job = request;
        job.unit = unit.name;
        job.output = job.output.empty() ? "" : JoinPath(folder, job.output);
        TJobOutcome outcome;
        outcome.command = JobCommand(job.job);
        if (job.job == TZvJob::kBackup) {
            RunBackup(context, job, &outcome);
        } else {
            RunFetchJob(context, job, &outcome);
        }
        ended->resize(index + 1 > ended->size() ? index + 1 : ended->size());
        (*ended)[index] = UnitOutcomeOf(outcome);
        return true;
    };
    launcher.ended = [ended](std::size_t index, TUnitOutcome* outcome) {
        *outcome = (*ended)[index];
        return true;
    };
    launcher.lastLine = [](std::size_t) { return std::string(); };
    launcher.interrupt = [](std::size_t) {};
    launcher.heldLines = [](std::size_t) { return std::vector<std::string>(); };
    return launcher;
}

class BenchJob : public JobTable {};

TEST_F(BenchJob, OneUnitFailsTheOthersEndWell) {
    const std::vector<TBenchUnit> units = {{"bay1", "1"}, {"bay2", "2"}, {"bay3", "3"}};
    TJobRequest request = Request(TZvJob::kBackup, "unit.dat", 1, 3);
    std::vector<TUnitOutcome> ended;
    const TUnitLauncher launcher = InProcess(
        &driver, request,
        [&](std::size_t index) {
            if (index == 1) {
                fake::SetUnitStatus(7, 1, 2);  // bay2's unit refuses module 2
            }
        },
        &ended);
    TBenchOutcome bench;
    RunBench(context, units, launcher, &bench);
    ASSERT_EQ(bench.units.size(), 3u);
    EXPECT_EQ(bench.end.exit, 4);
    EXPECT_FALSE(bench.interrupted);
    for (const std::size_t good : {0u, 2u}) {
        const TUnitOutcome& unit = bench.units[good];
        EXPECT_EQ(unit.exit, kExitOk) << unit.name;
        EXPECT_EQ(UnitResultText(unit), "ok");
        EXPECT_EQ(unit.records, 4);
        EXPECT_EQ(NumbersIn(JoinPath(folder, unit.name + "/unit.dat")), "0 1 2 3") << unit.name;
    }
    const TUnitOutcome& bad = bench.units[1];
    EXPECT_EQ(bad.name, "bay2");
    EXPECT_EQ(bad.exit, 4);
    EXPECT_EQ(UnitResultText(bad).rfind("result 4: ", 0), 0u) << UnitResultText(bad);
    EXPECT_EQ(NumbersIn(JoinPath(folder, "bay2/unit.dat")), "-");
    EXPECT_EQ(NumbersIn(JoinPath(folder, "bay2/unit.dat.partial")), "0 1");
    // Each unit's line ends as its outcome, reported as an event of that unit.
    std::vector<std::string> lines;
    for (const TEvent& event : driver.events) {
        if (event.kind == TEventKind::kUnitLine) {
            lines.push_back(event.unit + ": " + event.what);
        }
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "bay1: ok");
    EXPECT_EQ(lines[1].rfind("bay2: result 4: ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "bay3: ok");
}

// A cancel is passed on to every unit that still runs, once, and each says what it holds.
TEST_F(BenchJob, ACancelReachesEveryRunningUnit) {
    const std::vector<TBenchUnit> units = {{"unit1", "1"}, {"unit2", "2"}};
    std::vector<int> interrupted;
    int looks = 0;
    TUnitLauncher launcher;
    launcher.start = [](std::size_t, const TBenchUnit&, const std::string&, std::string*) {
        return true;
    };
    launcher.ended = [&](std::size_t index, TUnitOutcome* outcome) {
        const bool stopped = !interrupted.empty();
        if (stopped) {
            outcome->exit = kExitInterrupted;
        }
        return stopped && index < units.size();
    };
    launcher.lastLine = [&](std::size_t) {
        driver.cancel.requested = ++looks >= 2;
        return std::string("module 3 (3 of 20)");
    };
    launcher.interrupt = [&](std::size_t index) { interrupted.push_back(static_cast<int>(index)); };
    launcher.heldLines = [](std::size_t index) {
        return std::vector<std::string>{"holds " + std::to_string(index)};
    };
    TBenchOutcome bench;
    RunBench(context, units, launcher, &bench);
    EXPECT_TRUE(bench.interrupted);
    EXPECT_EQ(bench.end.exit, kExitInterrupted);
    EXPECT_EQ(interrupted, (std::vector<int>{0, 1}));
    EXPECT_TRUE(Said(bench.end, "unit2: holds 1"));
}

}  // namespace
}  // namespace jobtables
