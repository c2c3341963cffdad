// Backups in virtual time: the driver's own job code against the fake unit, every driver run
// of a backup followed as zvtool follows it, in milliseconds of real time.
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/fakes/fake_unit.h"
#include "tests/zvtool/job_tables.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/backup.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/ledger/ledger_commands.h"

namespace jobtables {
namespace {

struct BackupRow {
    const char* name;
    std::function<void(TVirtualDriver&)> arrange;  // the unit's faults, a stop
    const char* partialBefore;                     // what FILE.partial holds first; "" none
    bool resume;
    bool skipRefused;
    int exit;
    const char* exchanges;  // what the unit received (see Exchanges)
    const char* file;       // the record numbers FILE holds; "-" not written
    const char* partial;    // and FILE.partial
    int result;             // the outcome's driver result
    int failedModule;
    const char* said;  // a part of one message
};

void PrintTo(const BackupRow& row, std::ostream* out) {
    *out << row.name;
}

void Refuse(int module) {
    fake::SetUnitStatus(7, 1, module);
}

const BackupRow kRows[] = {
    {"Whole", nullptr, "", false, false, kExitOk, "V C 1 2 3 4 5", "0 1 2 3 4 5", "-", 3, -1,
     "kept in the ledger as unnamed@1 (unnamed/20261209-0430"},
    // --resume fetches only what the partial file lacks: never the central record or module 1
    // again; its last record once more, to see that this is the unit it came from.
    {"ResumesWhereThePartialFileEnds", nullptr, "0 1 2", true, false, kExitOk, "V 2 3 4 5",
     "0 1 2 3 4 5", "-", 3, -1, "resuming from "},
    // A partial file whose last record is not what the unit holds is another unit's.
    {"ResumeOnAnotherUnitIsRefused",
     [](TVirtualDriver&) { fake::UnitRecord(2) = fake::PatternRecord(99); }, "0 1 2", true, false,
     kExitNotTheSame, "V 2", "-", "0 1 2", 3, -1,
     "the unit's module 2 is not what it holds, so this is not the unit"},
    {"ResumeWithoutAPartialFileStartsAtTheBeginning", nullptr, "", true, false, kExitOk,
     "V C 1 2 3 4 5", "0 1 2 3 4 5", "-", 3, -1, "to resume from; the backup starts at the"},
    // A refusal ends the backup; what came before it is kept beside FILE, never under it.
    {"RefusalAtModule3", [](TVirtualDriver&) { Refuse(3); }, "", false, false, 4, "V C 1 2 3", "-",
     "0 1 2", 4, 3, "To continue at the first module it lacks:"},
    // Past refused modules the backup ends on the first refusal, not on the last run's
    // success: result 4 and module 2, exit 79.
    {"SkipRefusedEndsOnTheRefusal", [](TVirtualDriver&) { Refuse(2), Refuse(4); }, "", false, true,
     kExitIncomplete, "V C 1 2 3 4 5", "-", "0 1 3 5", 4, 2, "the unit refused modules 2, 4; "},
    {"SilentUnitIsFoundInSeconds",
     [](TVirtualDriver&) { fake::AddUnitFault(FrameFault::kNoAck, 1, fake::kEveryFrame); }, "",
     false, false, 2, "V", "-", "-", 2, -1, "the line is silent"},
    // Ctrl-C while the third pass waits for its reply: the driver is stopped, its two whole
    // passes are kept.
    {"CtrlCInAPass",
     [](TVirtualDriver& driver) {
         fake::SetUnitDelays(0, 500);
         driver.CancelAtPass(3, 3);
     },
     "", false, false, kExitInterrupted, "V C 1 2 3", "-", "0 1 2", -1, -1,
     "the driver left ZorVekDriverRunning=1"},
    // A driver killed from outside gives no result: no success is read into it.
    {"DriverKilledInAPass", [](TVirtualDriver& driver) { driver.KillAtPass(3, 2); }, "", false,
     false, kExitSoftware, "V C 1", "-", "0 1", -1, -1, "the driver ended without a result"},
    // Ended as Windows' Task Manager ends it, with exit status 1, which looks like a result:
    // it set its running flag and wrote no result, so it was ended, not pointed elsewhere.
    {"DriverEndedWithAResultAsItsExitStatus",
     [](TVirtualDriver& driver) { driver.KillAtPass(3, 2, 1); }, "", false, false, kExitSoftware,
     "V C 1", "-", "0 1", -1, -1, "it was ended before it finished (exit status 1, and it left "},
    // The console's Ctrl-C reaches the driver too and ends it before zvtool looks: Ctrl-C all
    // the same, with what the partial file holds and the command that continues.
    {"CtrlCThatEndsTheDriverFirst",
     [](TVirtualDriver& driver) { driver.KillAtPass(3, 3, 0, true); }, "", false, false,
     kExitInterrupted, "V C 1 2 3", "-", "0 1 2 3", -1, -1, "interrupted: stopping the driver"},
};

class BackupJob : public JobTable, public ::testing::WithParamInterface<BackupRow> {};

TEST_P(BackupJob, FetchesWhatIsMissingAndKeepsWhatCame) {
    const BackupRow& row = GetParam();
    const std::string file = JoinPath(folder, "unit.dat");
    if (row.partialBefore[0] != '\0') {
        std::vector<int> numbers;
        for (const char* at = row.partialBefore; *at != '\0'; ++at) {
            if (*at != ' ') {
                numbers.push_back(*at - '0');
            }
        }
        WriteRecords(file + ".partial", UnitRecords(numbers));
    }
    // After the partial file: a unit arranged otherwise is no longer the one it came from.
    if (row.arrange) {
        row.arrange(driver);
    }
    TJobRequest request = Request(TZvJob::kBackup, file);
    request.resume = row.resume;
    request.skipRefused = row.skipRefused;
    TJobOutcome outcome;
    outcome.command = "backup";
    RunBackup(context, request, &outcome);
    SCOPED_TRACE(AllSaid(outcome));
    EXPECT_EQ(outcome.end.exit, row.exit);
    EXPECT_EQ(Exchanges(), row.exchanges);
    EXPECT_EQ(NumbersIn(file), row.file);
    EXPECT_EQ(NumbersIn(file + ".partial"), row.partial);
    EXPECT_TRUE(HoldsTheUnits(file) || NumbersIn(file) == "-");
    // A refused resume leaves the partial file as it was: another unit's records.
    const bool refused = row.exit == kExitNotTheSame;
    EXPECT_TRUE(refused || HoldsTheUnits(file + ".partial") || NumbersIn(file + ".partial") == "-");
    EXPECT_EQ(outcome.run.result, row.result);
    EXPECT_EQ(outcome.run.failedModule, row.failedModule);
    EXPECT_TRUE(Said(outcome, row.said)) << row.said;
    EXPECT_EQ(outcome.partial, !refused && std::string(row.partial) != "-");
}

INSTANTIATE_TEST_SUITE_P(Rows, BackupJob, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<BackupRow>& row) {
                             return std::string(row.param.name);
                         });

// The job's progress as it ran on the line: each pass in order with the phases, the times of
// the protocol (a pass of about 1.2 s at the fake's speed), and the ledger's copy named.
TEST_F(BackupJob, ReportsEveryPassAndKeepsTheCopy) {
    TJobRequest request = Request(TZvJob::kBackup, JoinPath(folder, "unit.dat"), 1, 3);
    request.unit = "pump-3";
    TJobOutcome outcome;
    RunBackup(context, request, &outcome);
    ASSERT_EQ(outcome.end.exit, kExitOk) << AllSaid(outcome);
    EXPECT_EQ(Phases(driver.events), "testing the link, fetching");
    EXPECT_EQ(Passes(driver.events), "1 2 3");
    EXPECT_EQ(outcome.keptAs.rfind("pump-3/20261209-0430", 0), 0u) << outcome.keptAs;
    EXPECT_EQ(outcome.keptAs.substr(outcome.keptAs.size() - 7), "-bench2");
    EXPECT_EQ(outcome.unitVersion, "18.52");  // the fake's version bytes 0x12 0x34
    EXPECT_EQ(outcome.fetched, 4);
    EXPECT_EQ(outcome.records, 4);
    EXPECT_EQ(driver.runs, 3);
    EXPECT_GT(outcome.seconds, 3.0);
    EXPECT_LT(outcome.seconds, 10.0);
    const THistoryResult history = LedgerHistory(context.ledger, "pump-3", 0);
    ASSERT_EQ(history.entries.size(), 1u);
    EXPECT_EQ(history.entries[0].entry.kind, "backup");
    EXPECT_TRUE(HoldsTheUnits(history.entries[0].path));
    EXPECT_EQ(ReadBytes(history.entries[0].path.c_str()),
              ReadBytes(JoinPath(folder, "unit.dat").c_str()));
}

// Stopped, then resumed with the same request: every record is fetched once.
TEST_F(BackupJob, StoppedThenResumedFetchesEachRecordOnce) {
    const std::string file = JoinPath(folder, "unit.dat");
    TJobRequest request = Request(TZvJob::kBackup, file, 1, 5);
    driver.CancelAtPass(3, 4);
    TJobOutcome stopped;
    RunBackup(context, request, &stopped);
    ASSERT_EQ(stopped.end.exit, kExitInterrupted) << AllSaid(stopped);
    EXPECT_EQ(stopped.finishing, "zvtool backup -o " + file + " --modules 1-5 --resume");
    driver.cancel.requested = false;
    request.resume = true;
    TJobOutcome resumed;
    RunBackup(context, request, &resumed);
    ASSERT_EQ(resumed.end.exit, kExitOk) << AllSaid(resumed);
    EXPECT_EQ(Exchanges(), "V C 1 2 3 V 3 4 5");
    EXPECT_EQ(NumbersIn(file), "0 1 2 3 4 5");
    EXPECT_TRUE(HoldsTheUnits(file));
    EXPECT_EQ(resumed.fetched, 2);
}

// A resume checks that it goes on with the same records from the same unit on the same port:
// the note a stopped backup leaves beside FILE.partial says which.
class ResumeCheck : public JobTable {
  protected:
    // A backup of modules 1-5 stopped by Ctrl-C in its fourth pass, on COM1 led to /dev/null.
    void Stop() {
        std::filesystem::create_symlink("/dev/null", JoinPath(folder, "COM1"));
        driver.CancelAtPass(3, 4);
        TJobOutcome stopped;
        RunBackup(context, request, &stopped);
        ASSERT_EQ(stopped.end.exit, kExitInterrupted) << AllSaid(stopped);
        ASSERT_EQ(NumbersIn(file + ".partial"), "0 1 2 3");
        driver.cancel.requested = false;
        request.resume = true;
    }

    TJobOutcome Resume() {
        TJobOutcome resumed;
        RunBackup(context, request, &resumed);
        return resumed;
    }

    std::string file = JoinPath(folder, "unit.dat");
    TJobRequest request = Request(TZvJob::kBackup, file, 1, 5);
};

TEST_F(ResumeCheck, TheSameUnitGoesOn) {
    Stop();
    const TJobOutcome resumed = Resume();
    EXPECT_EQ(resumed.end.exit, kExitOk) << AllSaid(resumed);
    EXPECT_FALSE(FileExists(file + ".partial.note"));
    EXPECT_EQ(resumed.portIdentity, "/dev/null");
}

TEST_F(ResumeCheck, AnEditedPartialFileIsRefused) {
    Stop();
    std::vector<TZvRecord> records = UnitRecords({0, 1, 2, 3});
    records[1].bytes[7] = static_cast<std::uint8_t>(records[1].bytes[7] + 1);
    WriteRecords(file + ".partial", records);
    const TJobOutcome resumed = Resume();
    EXPECT_EQ(resumed.end.exit, kExitNotTheSame);
    EXPECT_TRUE(Said(resumed, "was changed since the backup stopped: its records' SHA-256 is "))
        << AllSaid(resumed);
    EXPECT_EQ(driver.runs, 3);  // no driver ran for the refused resume
}

TEST_F(ResumeCheck, AnotherPortIsRefused) {
    Stop();
    std::filesystem::remove(JoinPath(folder, "COM1"));
    std::filesystem::create_symlink("/dev/zero", JoinPath(folder, "COM1"));
    const TJobOutcome resumed = Resume();
    EXPECT_EQ(resumed.end.exit, kExitNotTheSame);
    EXPECT_TRUE(Said(resumed,
                     "it was taken on the port /dev/null, and this job's port is "
                     "/dev/zero"))
        << AllSaid(resumed);
    EXPECT_TRUE(Said(resumed, "only the port tells them apart"));
}

TEST_F(ResumeCheck, AnotherVersionIsRefused) {
    Stop();
    fake::SetUnitVersion(2, 0);
    const TJobOutcome resumed = Resume();
    EXPECT_EQ(resumed.end.exit, kExitNotTheSame);
    EXPECT_TRUE(Said(resumed,
                     "it was taken from a unit of version 18.52, and the unit on this "
                     "port is version 2.0"))
        << AllSaid(resumed);
}

// The port a job started on is the port it ends on: COM1 led elsewhere between two driver runs
// of one backup stops the backup before its next run, with the command that finishes it.
TEST_F(ResumeCheck, APortThatGoesAwayStopsTheJob) {
    std::filesystem::create_symlink("/dev/null", JoinPath(folder, "COM1"));
    driver.AfterRun(2, [this] {
        std::filesystem::remove(JoinPath(folder, "COM1"));
        std::filesystem::create_symlink("/dev/zero", JoinPath(folder, "COM1"));
    });
    TJobOutcome outcome;
    RunBackup(context, request, &outcome);
    EXPECT_EQ(outcome.end.exit, kExitPortGone);
    EXPECT_TRUE(Said(outcome,
                     "the port went away: COM1 was /dev/null when the job began, and is "
                     "/dev/zero now"))
        << AllSaid(outcome);
    EXPECT_EQ(driver.runs, 2);
    EXPECT_EQ(outcome.finishing, "zvtool backup -o " + file + " --modules 1-5 --resume");
}

}  // namespace
}  // namespace jobtables
