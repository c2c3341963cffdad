// What the terminal shows of a job, in virtual time: every event through the terminal's own
// plain-line renderer and the outcome through its own end lines, as a technician reads them
// on a pipe. The rows are the real-time cases whose point is the words of the orchestration.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/fakes/fake_unit.h"
#include "tests/zvtool/job_tables.h"
#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/job_view.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/backup.h"
#include "zvtool/jobs/driver_jobs.h"
#include "zvtool/jobs/restore.h"

namespace jobtables {
namespace {

struct TextRow {
    const char* name;
    std::function<void(TVirtualDriver&, const std::string& folder)> arrange;
    std::function<TJobRequest(const std::string& folder)> request;
    int exit;
    std::vector<std::string> out;     // parts of standard output
    std::vector<std::string> err;     // parts of standard error
    std::vector<std::string> absent;  // what standard error must not say
    int repeats = -1;                 // the repeats the outcome counts (-1: not looked at)
    const char* account = "";         // a part of one of the account's lines
};

void PrintTo(const TextRow& row, std::ostream* out) {
    *out << row.name;
}

struct TShown {
    std::string out;
    std::string err;
    TJobOutcome outcome;
};

// Runs the job as the terminal does: what it printed on standard output and error, and its
// outcome.
TShown Shown(const TJobContext& context, const TJobRequest& request, const TVirtualDriver& driver) {
    TJobOutcome outcome;
    outcome.command = JobCommand(request.job);
    outcome.job = JobName(request);
    std::string out;
    switch (request.job) {
        case TZvJob::kBackup:
            RunBackup(context, request, &outcome);
            break;
        case TZvJob::kRestore: {
            TRestorePrepared prepared;
            PlanUnitRestore(context, request, &outcome, &prepared);
            out += PlanText(outcome);
            if (prepared.ready) {
                SendUnitRestore(context, request, prepared, &outcome);
            }
            break;
        }
        default:
            RunFetchJob(context, request, &outcome);
            break;
    }
    std::string err;
    for (const TEvent& event : driver.events) {
        err += PlainEventText(event);
    }
    return {out + JobEndText(outcome) + "exit " + std::to_string(outcome.end.exit) + "\n", err,
            outcome};
}

TJobRequest Fetch(int first, int last) {
    TJobRequest request;
    request.job = TZvJob::kFetchModules;
    request.first = first;
    request.last = last;
    return request;
}

TJobRequest FetchCentral() {
    TJobRequest request;
    request.job = TZvJob::kFetchCentral;
    return request;
}

void Fault(FrameFault fault, int count) {
    fake::AddUnitFault(fault, 1, count);
}

// A setup file of the unit's records with module 3 changed, written as c.dat.
void ChangedFile(const std::string& folder) {
    std::vector<TZvRecord> records = UnitRecords({0, 1, 2, 3, 4});
    records[3].bytes[5] = 1;
    WriteRecords(JoinPath(folder, "c.dat"), records);
}

const TextRow kRows[] = {
    // A unit that never answers: the pass line, then the warning, then result 4.
    {"SilentFetch",
     [](TVirtualDriver&, const std::string&) { Fault(FrameFault::kNoAck, 1000); },
     [](const std::string&) { return Fetch(9, 9); },
     4,
     {"result 4: the exchange failed or the unit refused the record"},
     {"fetching module 9 ...\n", "module 9 (1 of 1) at 0:00, about 0:02 left\n",
      "module 9: the unit is not answering; each repeat costs 10 s\n",
      "fromZv.dat holds the 0 records fetched before the job ended"},
     {}},
    // Damaged replies: the progress line and the account say so, not that it is silent.
    {"GarbledFetch",
     [](TVirtualDriver&, const std::string&) { Fault(FrameFault::kDamageReply, 5); },
     [](const std::string&) { return Fetch(4, 4); },
     4,
     {},
     {"module 4: replies arrive damaged; each repeat costs 6 s\n",
      "  module 4 fetch: 5 attempts, failed: 5 x bad checksum\n",
      "the line is answering but garbling replies"},
     {"not answering"}},
    // A job that got through after repeats says so, and names the cause.
    {"RepeatsNoAck",
     [](TVirtualDriver&, const std::string&) { Fault(FrameFault::kNoAck, 2); },
     [](const std::string&) { return FetchCentral(); },
     kExitOk,
     {"result 3: "},
     {"zvtool: 2 repeats in 1 exchange; the line is weak: the unit answered at times"},
     {},
     2,
     "no acknowledgement"},
    {"RepeatsBadAck",
     [](TVirtualDriver&, const std::string&) { Fault(FrameFault::kBadAck, 2); },
     [](const std::string&) { return FetchCentral(); },
     kExitOk,
     {},
     {"2 repeats in 1 exchange; the line is weak: ", "receives the requests damaged"},
     {},
     2,
     "bad acknowledgement"},
    {"RepeatsWrongReply",
     [](TVirtualDriver&, const std::string&) { Fault(FrameFault::kWrongReply, 2); },
     [](const std::string&) { return FetchCentral(); },
     kExitOk,
     {},
     {"2 repeats in 1 exchange; the line is weak: ", "answers with another reply"},
     {},
     2,
     "wrong reply code"},
    {"RepeatsShortReply",
     [](TVirtualDriver&, const std::string&) { Fault(FrameFault::kTruncateReply, 2); },
     [](const std::string&) { return FetchCentral(); },
     kExitOk,
     {},
     {"2 repeats in 1 exchange; the line is weak: ", "garbling replies"},
     {},
     2,
     "short reply"},
    // Module 3 refused: the backup keeps what it fetched beside FILE, never under it.
    {"BackupFails",
     [](TVirtualDriver&, const std::string&) { fake::SetUnitStatus(7, 1, 3); },
     [](const std::string& folder) {
         return Request(TZvJob::kBackup, JoinPath(folder, "unit.dat"), 1, 4);
     },
     4,
     {"result 4: "},
     {"the unit answered: version 18.52\n", "unit.dat.partial holds the 3 records fetched",
      "To continue at the first module it lacks:\n  zvtool backup -o "},
     {}},
    // A backup that failed at module 3 continues there, not at the central record.
    {"BackupResume",
     [](TVirtualDriver&, const std::string& folder) {
         WriteRecords(JoinPath(folder, "u.dat.partial"), UnitRecords({0, 1, 2}));
     },
     [](const std::string& folder) {
         TJobRequest request = Request(TZvJob::kBackup, JoinPath(folder, "u.dat"), 1, 5);
         request.resume = true;
         return request;
     },
     kExitOk,
     {"u.dat: 6 records\n"},
     {".partial: central, modules 1-2\n", "fetching modules 3-5 ..."},
     {"fetching the central record"}},
    // Past a refused module: exit 79, and the outcome is the refusal, not the success after it.
    {"SkipRefused",
     [](TVirtualDriver&, const std::string&) { fake::SetUnitStatus(7, 1, 3); },
     [](const std::string& folder) {
         TJobRequest request = Request(TZvJob::kBackup, JoinPath(folder, "u.dat"), 1, 5);
         request.skipRefused = true;
         request.unit = "pump-9";
         request.finishingOptions = " --unit pump-9";
         return request;
     },
     kExitIncomplete,
     {"result 4: the exchange failed or the unit refused the record"},
     {"zvtool: module 3 refused; going on from module 4\n",
      "the backup is incomplete: the unit refused module 3; ",
      "u.dat.partial holds the other 5 records",
      "To try the refused ones again:\n  zvtool backup -o "},
     {"every requested record"}},
    // A unit that stores module 3 wrong and answers done: the read-back catches it.
    {"StoreWrong",
     [](TVirtualDriver&, const std::string& folder) {
         fake::SetUnitStoresWrong({3});
         ChangedFile(folder);
     },
     [](const std::string& folder) {
         return Request(TZvJob::kRestore, JoinPath(folder, "c.dat"), 1, 200);
     },
     kExitReadBack,
     {"plan: send module 3 (1 record)", "sent, but not all read back the same"},
     {"1 of 1 records read back differ from what was sent (module 3); module 3: 1 byte "
      "differs, the first at offset 0"},
     {}},
};

class JobText : public JobTable, public ::testing::WithParamInterface<TextRow> {};

TEST_P(JobText, SaysWhatHappened) {
    const TextRow& row = GetParam();
    row.arrange(driver, folder);
    const auto [out, err, outcome] = Shown(context, row.request(folder), driver);
    SCOPED_TRACE("stdout:\n" + out + "stderr:\n" + err);
    if (row.repeats >= 0) {
        EXPECT_EQ(outcome.run.repeats, row.repeats);
    }
    bool accounted = row.account[0] == '\0';
    for (const std::string& line : outcome.run.account) {
        accounted = accounted || line.find(row.account) != std::string::npos;
    }
    EXPECT_TRUE(accounted) << row.account;
    EXPECT_NE(out.find("exit " + std::to_string(row.exit) + "\n"), std::string::npos);
    for (const std::string& part : row.out) {
        EXPECT_NE(out.find(part), std::string::npos) << part;
    }
    for (const std::string& part : row.err) {
        EXPECT_NE(err.find(part), std::string::npos) << part;
    }
    for (const std::string& part : row.absent) {
        EXPECT_EQ(err.find(part), std::string::npos) << part;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, JobText, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<TextRow>& row) {
                             return std::string(row.param.name);
                         });

// The read-back that differed is sent again by --resume, with the same words.
TEST_F(JobText, StoreWrongResumed) {
    fake::SetUnitStoresWrong({3});
    ChangedFile(folder);
    TJobRequest request = Request(TZvJob::kRestore, JoinPath(folder, "c.dat"), 1, 200);
    const TShown first = Shown(context, request, driver);
    // The byte as sent and as the unit kept it: its top bit flipped.
    const int sent = UnitRecords({3})[0].bytes[0] ^ 0x80;
    EXPECT_NE(first.err.find("(sent " + std::to_string(sent) + ", read back " +
                             std::to_string(sent ^ 0x80) + ")"),
              std::string::npos)
        << first.err;
    driver.events.clear();
    request.resume = true;
    const auto [out, err, outcome] = Shown(context, request, driver);
    EXPECT_NE(out.find("exit 80\n"), std::string::npos) << out;
    EXPECT_NE(err.find("resuming the restore of " + JoinPath(folder, "c.dat") +
                       ": module 3 still to do\n"),
              std::string::npos)
        << err;
}

// Past a refused module, the JSON says what a script needs: which were refused, the cause,
// the records there are, and the command that tries them again.
TEST_F(JobText, SkipRefusedAsAScriptReadsIt) {
    fake::SetUnitStatus(7, 1, 3);
    TJobRequest request = Request(TZvJob::kBackup, JoinPath(folder, "u.dat"), 1, 5);
    request.skipRefused = true;
    request.unit = "pump-9";
    request.finishingOptions = " --unit pump-9";
    const TShown shown = Shown(context, request, driver);
    const std::string json = JobJson(kBackupBit, shown.outcome);
    for (const char* part :
         {"\"exit\": 79", "\"partial\": true", "\"refused\": [3]", "\"records\": 5",
          "\"result\": 4", "\"failed_module\": 3", "\"cause\": \"refused\""}) {
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    }
    EXPECT_NE(shown.err.find("To try the refused ones again:\n  zvtool backup -o " +
                             JoinPath(folder, "u.dat") + " --modules 1-5 --unit pump-9 --resume"),
              std::string::npos)
        << shown.err;
}

}  // namespace
}  // namespace jobtables
