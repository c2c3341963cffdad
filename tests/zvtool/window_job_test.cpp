// The window's jobs in virtual time: made from its fields, run as its worker thread runs them
// (the lock, the port, the core's job), shown through its display and ended in its words,
// against the fake unit. The same functions zvtoolw.exe calls, without the thread.
#include "zvtool/window/window_job.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/fakes/fake_unit.h"
#include "tests/zvtool/job_tables.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/run_lock.h"
#include "zvtool/window/job_display.h"
#include "zvtool/window/outcome_text.h"
#include "zvtool/window/window_rows.h"

namespace jobtables {
namespace {

// What the window showed of a job: each phase line as it changed, the last step, and the
// plan it was asked to confirm.
struct TShownJob {
    std::vector<std::string> phases;
    std::string lastStep;
    std::string plan;
    std::vector<TListRow> planRows;
};

class WindowJob : public JobTable {
  protected:
    // Runs `request` through the window's job, showing its events as the window does;
    // `confirm` answers a restore's plan, after `atPlan` has done what the row arranges for
    // the send.
    TWindowJob Run(const TJobRequest& request, bool confirm = true,
                   const std::function<void()>& atPlan = {}) {
        TWindowJob job;
        job.request = request;
        job.port = "COM1";
        job.context = context;
        TJobDisplay display;
        shown = TShownJob();
        job.context.sink = [this, &display](const TEvent& event) {
            driver.events.push_back(event);
            ShowEvent(event, &display);
            if (shown.phases.empty() || shown.phases.back() != display.phase) {
                shown.phases.push_back(display.phase);
            }
            shown.lastStep = display.step.empty() ? shown.lastStep : display.step;
        };
        job.confirm = [this, confirm, atPlan](const TJobOutcome& outcome,
                                              const TRestorePrepared& prepared) {
            shown.plan = outcome.plan;
            shown.planRows = PlanRows(prepared);
            if (atPlan) {
                atPlan();
            }
            return confirm;
        };
        RunWindowJob(&job);
        return job;
    }

    TJobRequest Fields(TZvJob kind, const TWindowFields& fields) {
        TJobRequest request;
        TZvError error;
        EXPECT_TRUE(WindowRequest(kind, fields, folder, &request, &error)) << error.message;
        return request;
    }

    TShownJob shown;
};

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : " | ") + part;
    }
    return text;
}

TEST_F(WindowJob, TestTheLink) {
    const TWindowJob job = Run(Fields(TZvJob::kTest, {"COM1", "", "", ""}));
    EXPECT_EQ(job.outcome.end.exit, kExitOk) << AllSaid(job.outcome);
    EXPECT_EQ(Joined(shown.phases), "testing the connection");
    EXPECT_EQ(StatusLine(job.outcome).rfind("test: result 0: ", 0), 0u) << StatusLine(job.outcome);
    EXPECT_EQ(Exchanges(), "V");
}

// A backup goes into the run folder under the unit's name with the date and time, into the
// ledger, and every phase of it shows.
TEST_F(WindowJob, BackUpFiveModules) {
    const TWindowJob job = Run(Fields(TZvJob::kBackup, {"COM1", "pump-3", "1-5", ""}));
    const TJobOutcome& outcome = job.outcome;
    ASSERT_EQ(outcome.end.exit, kExitOk) << AllSaid(outcome);
    EXPECT_EQ(Joined(shown.phases),
              "testing the link | testing the connection | fetching | "
              "fetching the central record | fetching modules 1-5");
    EXPECT_EQ(shown.lastStep, "module 5 (5 of 5)");
    EXPECT_EQ(outcome.file, job.request.output);
    EXPECT_EQ(outcome.file.rfind(JoinPath(folder, "pump-3-2026"), 0), 0u) << outcome.file;
    EXPECT_EQ(NumbersIn(outcome.file), "0 1 2 3 4 5");
    EXPECT_TRUE(HoldsTheUnits(outcome.file));
    EXPECT_EQ(outcome.keptAs.rfind("pump-3/", 0), 0u) << outcome.keptAs;
    EXPECT_NE(OutcomeText(outcome).find("kept in the ledger as " + outcome.keptAs + "\n"),
              std::string::npos);
    EXPECT_FALSE(OffersResume(outcome));
}

// Cancel stops the backup as Ctrl-C does; Resume goes on into the same file, at the module
// it stopped at (fetched again, to see it is the same unit).
TEST_F(WindowJob, CancelThenResume) {
    driver.CancelAtPass(3, 3);
    const TWindowJob stopped = Run(Fields(TZvJob::kBackup, {"COM1", "pump-3", "1-5", ""}));
    ASSERT_EQ(stopped.outcome.end.exit, kExitInterrupted) << AllSaid(stopped.outcome);
    EXPECT_TRUE(OffersResume(stopped.outcome));
    EXPECT_NE(OutcomeText(stopped.outcome).find("Resume goes on from where it stopped."),
              std::string::npos);
    EXPECT_EQ(NumbersIn(stopped.request.output), "-");
    driver.cancel.requested = false;
    const std::size_t before = fake::UnitRequests().size();
    TWindowJob again = stopped;
    const TWindowJob resumed = Run(ResumeRequest(again));
    ASSERT_EQ(resumed.outcome.end.exit, kExitOk) << AllSaid(resumed.outcome);
    EXPECT_EQ(resumed.outcome.file, stopped.request.output);
    EXPECT_EQ(NumbersIn(resumed.outcome.file), "0 1 2 3 4 5");
    EXPECT_EQ(ExchangesFrom(before).substr(0, 2), "V ");
    EXPECT_EQ(ExchangesFrom(before).find("C"), std::string::npos) << ExchangesFrom(before);
}

struct RestoreRow {
    const char* name;
    std::vector<int> changed;
    std::function<void(TVirtualDriver&)> arrange;
    bool confirm;
    int exit;
    const char* summary;
    const char* stored;
    std::size_t planRows;
    bool resume;
};

void PrintTo(const RestoreRow& row, std::ostream* out) {
    *out << row.name;
}

const RestoreRow kRestoreRows[] = {
    // The plan is shown first: declined, nothing goes to the unit.
    {"Declined",
     {2, 4},
     [](TVirtualDriver&) {},
     false,
     kExitOk,
     "nothing sent: the plan was not confirmed",
     "",
     2,
     false},
    {"Confirmed",
     {2, 4},
     [](TVirtualDriver&) {},
     true,
     kExitOk,
     "2 of 2 records written and read back the same",
     "2 4",
     2,
     false},
    // A unit that keeps a record otherwise than sent: the verdict names it, Resume sends again.
    {"ReadBackDiffers",
     {2, 4},
     [](TVirtualDriver&) { fake::SetUnitStoresWrong({4}); },
     true,
     kExitReadBack,
     "sent, but not all read back the same",
     "2 4",
     2,
     true},
    // Cancel pressed while the plan is shown wins over a Send pressed after it.
    {"CancelledAtThePlan",
     {3},
     [](TVirtualDriver& driver) { driver.cancel.requested = true; },
     true,
     kExitOk,
     "nothing sent: the plan was not confirmed",
     "",
     1,
     false},
};

class WindowRestore : public WindowJob, public ::testing::WithParamInterface<RestoreRow> {};

TEST_P(WindowRestore, PlanThenConfirm) {
    const RestoreRow& row = GetParam();
    const std::string file = FileToRestore(JoinPath(folder, "u.dat"), row.changed);
    const TWindowJob ran = Run(Fields(TZvJob::kRestore, {"COM1", "pump-3", "1-5", file}),
                               row.confirm, [&row, this] { row.arrange(driver); });
    const TJobOutcome& outcome = ran.outcome;
    EXPECT_EQ(outcome.end.exit, row.exit) << AllSaid(outcome);
    EXPECT_EQ(outcome.summary, row.summary);
    EXPECT_EQ(Stored(), row.stored);
    EXPECT_EQ(shown.planRows.size(), row.planRows) << shown.plan;
    for (const TListRow& planRow : shown.planRows) {
        EXPECT_EQ(planRow[1], "0");  // byte 0 was changed in each
    }
    EXPECT_NE(shown.plan.find(std::to_string(row.changed.size()) + " record"), std::string::npos)
        << shown.plan;
    EXPECT_EQ(OffersResume(outcome), row.resume);
    if (row.exit == kExitReadBack) {
        EXPECT_EQ(outcome.readBack.differ, std::vector<int>{4});
        EXPECT_NE(OutcomeText(outcome).find("read back otherwise than sent: module 4"),
                  std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowRestore, ::testing::ValuesIn(kRestoreRows),
                         [](const ::testing::TestParamInfo<RestoreRow>& row) {
                             return std::string(row.param.name);
                         });

// A ledger entry restores its copy: back up, change the unit, restore UNIT@1.
TEST_F(WindowJob, RestoreALedgerEntry) {
    ASSERT_EQ(Run(Fields(TZvJob::kBackup, {"COM1", "pump-3", "1-5", ""})).outcome.end.exit,
              kExitOk);
    fake::UnitRecord(3) = fake::PatternRecord(99);
    const TWindowJob job = Run(Fields(TZvJob::kRestore, {"COM1", "pump-3", "1-5", "pump-3@1"}));
    EXPECT_EQ(job.outcome.end.exit, kExitOk) << AllSaid(job.outcome);
    EXPECT_EQ(job.outcome.summary, "1 of 1 record written and read back the same");
    EXPECT_EQ(Stored(), "3");
    EXPECT_EQ(job.request.file.rfind(JoinPath(folder, "ledger"), 0), 0u) << job.request.file;
}

// Another job holds the driver's files: the window says so, with the holder, and runs nothing.
TEST_F(WindowJob, AnotherJobRuns) {
    TFileLock lock;
    std::string detail;
    const TRunLockRequest holder{folder, "fetch modules 1-6", "2026-12-09 05:30:12", 4711};
    ASSERT_EQ(TakeRunLock(holder, &lock, &detail), TLockResult::kTaken) << detail;
    const TWindowJob job = Run(Fields(TZvJob::kTest, {"COM1", "", "", ""}));
    ReleaseFileLock(&lock);
    EXPECT_EQ(job.outcome.end.exit, kExitLocked);
    const std::string status = StatusLine(job.outcome);
    EXPECT_EQ(status.rfind("test: another zvtool job runs on ", 0), 0u) << status;
    EXPECT_NE(status.find("fetch modules 1-6"), std::string::npos) << status;
    EXPECT_EQ(Exchanges(), "");
}

struct FieldsRow {
    const char* name;
    TZvJob job;
    TWindowFields fields;
    const char* error;  // "" when the fields make a request
};

void PrintTo(const FieldsRow& row, std::ostream* out) {
    *out << row.name;
}

const FieldsRow kFieldsRows[] = {
    {"Test", TZvJob::kTest, {"COM1", "", "garbage", ""}, ""},
    {"UnitWithASpace", TZvJob::kTest, {"COM1", "pump 3", "", ""}, "'pump 3' is not a unit name"},
    {"RangeBackwards", TZvJob::kBackup, {"COM1", "", "5-1", ""}, "'5-1' is not a module range"},
    {"RangeEmpty", TZvJob::kBackup, {"COM1", "", "", ""}, "'' is not a module range"},
    {"RestoreWithoutFile", TZvJob::kRestore, {"COM1", "", "1-5", ""}, "choose the file"},
    {"Backup", TZvJob::kBackup, {"COM1", "pump-3", "all", ""}, ""},
};

class WindowFieldsTable : public ::testing::TestWithParam<FieldsRow> {};

TEST_P(WindowFieldsTable, MakeTheRequest) {
    const FieldsRow& row = GetParam();
    TJobRequest request;
    TZvError error;
    const bool made = WindowRequest(row.job, row.fields, "/run", &request, &error);
    EXPECT_EQ(made, std::string(row.error).empty()) << error.message;
    EXPECT_EQ(error.message.rfind(row.error, 0), 0u) << error.message;
    if (made && row.job == TZvJob::kBackup) {
        EXPECT_EQ(request.output, JoinPath("/run", "pump-3.dat"));
        EXPECT_TRUE(request.dated);
        EXPECT_EQ(request.first, 1);
        EXPECT_EQ(request.last, 200);
        EXPECT_EQ(request.finishingOptions, " --dir /run --unit pump-3");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowFieldsTable, ::testing::ValuesIn(kFieldsRows),
                         [](const ::testing::TestParamInfo<FieldsRow>& row) {
                             return std::string(row.param.name);
                         });

}  // namespace
}  // namespace jobtables
