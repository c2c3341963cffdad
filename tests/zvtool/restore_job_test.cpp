// Restores in virtual time: the plan, the delta send and the read-back against the fake unit,
// a stop in each phase and what a resume then does.
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/fakes/fake_unit.h"
#include "tests/zvtool/job_tables.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/backup.h"
#include "zvtool/jobs/restore.h"
#include "zvtool/ledger/ledger_commands.h"

namespace jobtables {
namespace {

void Restore(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome) {
    outcome->command = "restore";
    TRestorePrepared prepared;
    PlanUnitRestore(context, request, outcome, &prepared);
    if (prepared.ready) {
        SendUnitRestore(context, request, prepared, outcome);
    }
}

struct RestoreRow {
    const char* name;
    std::vector<int> changed;                      // records of the file that differ
    std::function<void(TVirtualDriver&)> arrange;  // faults, a stop
    std::function<void(TJobRequest*)> ask;         // the request's switches
    int exit;
    const char* exchanges;
    const char* stored;  // what the unit stored
    const char* summary;
    const char* said;  // a part of one message ("" none)
};

void PrintTo(const RestoreRow& row, std::ostream* out) {
    *out << row.name;
}

const RestoreRow kRows[] = {
    {"SendsOnlyWhatDiffersAndReadsItBack",
     {2, 4},
     nullptr,
     nullptr,
     kExitOk,
     "V C 1 2 3 4 5 S2 S4 2 4",
     "2 4",
     "2 of 2 records written and read back the same",
     "kept in the ledger as unnamed@1"},
    {"TheCentralRecordGoesWithItsOwnJob",
     {0},
     nullptr,
     nullptr,
     kExitOk,
     "V C 1 2 3 4 5 S0 C",
     "0",
     "1 of 1 record written and read back the same",
     ""},
    {"NothingDiffers", {}, nullptr, nullptr, kExitOk, "V C 1 2 3 4 5", "", "nothing to send", ""},
    {"DryRunSendsNothing",
     {2},
     nullptr,
     [](TJobRequest* r) { r->dryRun = true; },
     kExitOk,
     "V C 1 2 3 4 5",
     "",
     "dry run: nothing sent",
     ""},
    {"ModulesLeaveTheRestAlone",
     {2, 4},
     nullptr,
     [](TJobRequest* r) {
         r->first = 3;
         r->rangeGiven = true;
     },
     kExitOk,
     "V 3 4 5 S4 4",
     "4",
     "1 of 1 record written and read back the same",
     ""},
    {"NoBackupSendsEveryRecord",
     {2},
     nullptr,
     [](TJobRequest* r) { r->noBackup = true; },
     kExitOk,
     "V S0 S1 S2 S3 S4 S5 C 1 2 3 4 5",
     "0 1 2 3 4 5",
     "6 of 6 records written and read back the same",
     "--no-backup: no copy of the unit"},
    // A record the unit keeps otherwise than it was sent is no success.
    {"AReadBackThatDiffers",
     {2},
     [](TVirtualDriver&) { fake::SetUnitStoresWrong({2}); },
     nullptr,
     kExitReadBack,
     "V C 1 2 3 4 5 S2 2",
     "2",
     "sent, but not all read back the same",
     "1 of 1 records read back differ from what was sent (module 2); module 2: 1 byte differs"},
    {"SilentUnit",
     {2},
     [](TVirtualDriver&) { fake::AddUnitFault(FrameFault::kNoAck, 1, fake::kEveryFrame); },
     nullptr,
     2,
     "V",
     "",
     "nothing sent: the unit did not answer",
     "the line is silent"},
    // Ctrl-C in each phase: the unit holds what it held, what was sent, or all of it.
    {"CtrlCWhileCopying",
     {2},
     [](TVirtualDriver& driver) { driver.CancelAtPass(3, 2); },
     nullptr,
     kExitInterrupted,
     "V C 1",
     "",
     "nothing sent: the unit could not be copied",
     "the copy of the unit was stopped, so nothing was sent"},
    {"CtrlCWhileSending",
     {1, 2, 3},
     [](TVirtualDriver& driver) {
         fake::SetUnitDelays(0, 500);
         driver.CancelAtPass(4, 2);
     },
     nullptr,
     kExitInterrupted,
     "V C 1 2 3 4 5 S1",
     "1",
     "stopped while sending",
     "the restore stopped: the unit holds the file's module 1; modules 2-3 are still as before"},
    {"CtrlCWhileReadingBack",
     {1, 2, 3},
     [](TVirtualDriver& driver) {
         fake::SetUnitDelays(0, 500);
         driver.CancelAtPass(5, 2);
     },
     nullptr,
     kExitInterrupted,
     "V C 1 2 3 4 5 S1 S2 S3 1",
     "1 2 3",
     "sent, but not all read back",
     "the unit holds every record sent (modules 1-3), but reading them back stopped"},
};

class RestoreJob : public JobTable, public ::testing::WithParamInterface<RestoreRow> {};

TEST_P(RestoreJob, SendsWhatDiffersAndReadsItBack) {
    const RestoreRow& row = GetParam();
    const std::string file = FileToRestore(JoinPath(folder, "unit.dat"), row.changed);
    if (row.arrange) {
        row.arrange(driver);
    }
    TJobRequest request = Request(TZvJob::kRestore, file, 1, 200);
    if (row.ask) {
        row.ask(&request);
    }
    TJobOutcome outcome;
    Restore(context, request, &outcome);
    SCOPED_TRACE(AllSaid(outcome));
    EXPECT_EQ(outcome.end.exit, row.exit);
    EXPECT_EQ(Exchanges(), row.exchanges);
    EXPECT_EQ(Stored(), row.stored);
    EXPECT_EQ(outcome.summary, row.summary);
    EXPECT_TRUE(row.said[0] == '\0' || Said(outcome, row.said)) << row.said;
}

INSTANTIATE_TEST_SUITE_P(Rows, RestoreJob, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<RestoreRow>& row) {
                             return std::string(row.param.name);
                         });

// A restore is two calls: the plan comes back before anything is sent, and the second call
// sends that plan.
TEST_F(RestoreJob, ThePlanComesBeforeAnythingIsSent) {
    const std::string file = FileToRestore(JoinPath(folder, "unit.dat"), {2, 4});
    const TJobRequest request = Request(TZvJob::kRestore, file, 1, 200);
    TJobOutcome outcome;
    TRestorePrepared prepared;
    PlanUnitRestore(context, request, &outcome, &prepared);
    ASSERT_TRUE(prepared.ready) << AllSaid(outcome);
    EXPECT_EQ(outcome.plan,
              "send modules 2, 4 (2 records), then read them back: about 7 s; 4 records already "
              "hold the file's values");
    EXPECT_EQ(Stored(), "");
    EXPECT_EQ(Phases(driver.events), "testing the link, copying the unit, planning");
    // The copy of the unit before the restore is in the ledger.
    const THistoryResult history = LedgerHistory(context.ledger, "", 0);
    ASSERT_EQ(history.entries.size(), 1u);
    EXPECT_EQ(history.entries[0].entry.kind, "pre-restore");
    SendUnitRestore(context, request, prepared, &outcome);
    EXPECT_EQ(outcome.end.exit, kExitOk) << AllSaid(outcome);
    EXPECT_EQ(Stored(), "2 4");
    EXPECT_EQ(outcome.readBack.sent, 2);
    EXPECT_EQ(outcome.readBack.same, 2);
    EXPECT_EQ(Phases(driver.events),
              "testing the link, copying the unit, planning, sending, reading back");
}

// Stopped while sending, then resumed: the resume reads only what was still to do, sends
// what of it differs and reads it back; no record is sent twice and the unit holds the file.
TEST_F(RestoreJob, ResumedAfterAStopInTheSend) {
    const std::string file = FileToRestore(JoinPath(folder, "unit.dat"), {1, 2, 3});
    TJobRequest request = Request(TZvJob::kRestore, file, 1, 200);
    fake::SetUnitDelays(0, 500);
    driver.CancelAtPass(4, 2);
    TJobOutcome stopped;
    Restore(context, request, &stopped);
    ASSERT_EQ(stopped.end.exit, kExitInterrupted) << AllSaid(stopped);
    EXPECT_EQ(stopped.finishing, "zvtool restore " + file + " --resume");
    driver.cancel.requested = false;
    const std::size_t before = fake::UnitRequests().size();
    request.resume = true;
    TJobOutcome resumed;
    Restore(context, request, &resumed);
    ASSERT_EQ(resumed.end.exit, kExitOk) << AllSaid(resumed);
    EXPECT_EQ(ExchangesFrom(before), "V 1 2 3 S2 S3 2 3");
    EXPECT_EQ(Stored(), "1 2 3");
    // What the unit now holds is the file, record for record.
    EXPECT_TRUE(HoldsTheUnits(file));
    EXPECT_TRUE(Said(resumed, "resuming the restore of " + file + ": modules 1-3 still to do"));
}

// A read-back that differs leaves a note, and a resume sends those records again.
TEST_F(RestoreJob, ResumedAfterAReadBackThatDiffered) {
    const std::string file = FileToRestore(JoinPath(folder, "unit.dat"), {2, 4});
    TJobRequest request = Request(TZvJob::kRestore, file, 1, 200);
    fake::SetUnitStoresWrong({4});
    TJobOutcome wrong;
    Restore(context, request, &wrong);
    ASSERT_EQ(wrong.end.exit, kExitReadBack) << AllSaid(wrong);
    EXPECT_EQ(wrong.readBack.differ, std::vector<int>{4});
    fake::SetUnitStoresWrong({});
    const std::size_t before = fake::UnitRequests().size();
    request.resume = true;
    TJobOutcome resumed;
    Restore(context, request, &resumed);
    EXPECT_EQ(resumed.end.exit, kExitOk) << AllSaid(resumed);
    EXPECT_EQ(ExchangesFrom(before), "V 4 S4 4");
}

}  // namespace
}  // namespace jobtables

namespace jobtables {
namespace {

// What a stopped restore leaves names the port it ran on: a resume on another port, or a
// backup without --unit in a folder whose unit was on another port, is refused before anything
// is sent, naming both ports.
class OtherPort : public JobTable {
  protected:
    void LeadCom1To(const char* device) {
        std::filesystem::remove(JoinPath(folder, "COM1"));
        std::filesystem::create_symlink(device, JoinPath(folder, "COM1"));
    }
};

TEST_F(OtherPort, ARestoreResumedThereIsRefused) {
    LeadCom1To("/dev/null");
    const std::string file = FileToRestore(JoinPath(folder, "unit.dat"), {1, 2, 3});
    TJobRequest request = Request(TZvJob::kRestore, file, 1, 200);
    driver.CancelAtPass(4, 2);
    TJobOutcome stopped;
    Restore(context, request, &stopped);
    ASSERT_EQ(stopped.end.exit, kExitInterrupted) << AllSaid(stopped);
    driver.cancel.requested = false;
    LeadCom1To("/dev/zero");
    const int runs = driver.runs;
    request.resume = true;
    TJobOutcome resumed;
    Restore(context, request, &resumed);
    EXPECT_EQ(resumed.end.exit, kExitNotTheSame);
    EXPECT_TRUE(Said(resumed, "cannot resume the restore of " + file +
                                  ": it was taken on the port /dev/null, and this job's port "
                                  "is /dev/zero"))
        << AllSaid(resumed);
    EXPECT_EQ(driver.runs, runs);
    EXPECT_TRUE(FileExists(JoinPath(folder, "zvtool-restore.todo")));
}

TEST_F(OtherPort, TheFoldersUnitIsNotFiledForAnother) {
    LeadCom1To("/dev/null");
    TJobRequest request = Request(TZvJob::kBackup, JoinPath(folder, "a.dat"), 1, 2);
    request.unit = "pump-3";
    TJobOutcome first;
    RunBackup(context, request, &first);
    ASSERT_EQ(first.end.exit, kExitOk) << AllSaid(first);
    LeadCom1To("/dev/zero");
    request.unit.clear();
    request.output = JoinPath(folder, "b.dat");
    TJobOutcome second;
    RunBackup(context, request, &second);
    EXPECT_EQ(second.end.exit, kExitNotTheSame);
    EXPECT_TRUE(Said(second,
                     "this folder remembers the unit pump-3, last on the port "
                     "/dev/null, and this job's port is /dev/zero"))
        << AllSaid(second);
    EXPECT_FALSE(FileExists(request.output));
    // Named, the same unit on its new port is that unit's next copy.
    request.unit = "pump-3";
    TJobOutcome named;
    RunBackup(context, request, &named);
    EXPECT_EQ(named.end.exit, kExitOk) << AllSaid(named);
}

}  // namespace
}  // namespace jobtables
