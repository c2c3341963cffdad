// Every job through the whole run (settings, port, job, Finish) against a unit that fails in
// every way the line allows, in virtual time: the result code, the status file, "fromZv.dat"
// byte for byte, what the unit received and stored, and every pause.
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>

#include "driver/driver.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "tests/faults/fault_model.h"
#include "zvtool/jobs/trace_summary.h"

namespace faults {

void PrintTo(const Cell& cell, std::ostream* out) {
    *out << cell.name;
}

namespace {

using namespace drivertest;

// The junk the simulator sends with --stray: never a start byte, but the end byte, the wake
// byte, a counter value and the two software flow-control characters.
const Bytes kStrayJunk = [] {
    const Bytes pattern{0x00, 0x55, 0xFF, 0x01, 0x11, 0x13};
    Bytes junk;
    for (std::size_t i = 0; i < 40; ++i) {
        junk.push_back(pattern[i % pattern.size()]);
    }
    return junk;
}();

void Arrange(const Cell& cell) {
    const JobRow& row = *cell.job;
    WriteSettings(row.settings);
    if (IsSend(row.job)) {
        WriteToZv(row.records);
    }
    if (cell.stray) {
        fake::SetUnitStrayBytes(kStrayJunk);
    }
    // Every record before `at` takes one frame.
    const int firstFrame = static_cast<int>(cell.at) + 1;
    if (cell.fault != nullptr) {
        fake::AddUnitFault(cell.fault->fault, firstFrame, cell.failed);
    }
    if (cell.status != 0) {
        const auto [code, modul] = RefusalKey(row, cell.at);
        fake::SetUnitStatus(code, cell.status, modul);
    }
}

std::vector<Bytes> StoredRecords() {
    std::vector<Bytes> stored;
    for (const fake::UnitStored& entry : fake::UnitStoredRecords()) {
        stored.push_back(PcBytes(entry.number, entry.record));
    }
    return stored;
}

class FaultMatrixTest : public DriverTest, public ::testing::WithParamInterface<Cell> {};

TEST_P(FaultMatrixTest, RunEndsWithTheRightCodeAndKeepsEveryRecord) {
    const Cell& cell = GetParam();
    const Outcome want = Expect(cell);
    Arrange(cell);
    const std::string toZvBefore = ReadBytes(kToZvFile);

    // As main() runs it without ZORDRIVE_TRACE: no trace, no file.
    unsetenv(kTraceVariable);
    TraceBegin();
    iniZorVekDriverStart();
    EXPECT_EQ(RunDriver(), want.result);
    TraceEnd();
    EXPECT_EQ(dir.Entries().size(), 2u + IsSend(cell.job->job) + want.fromZv.has_value());

    EXPECT_EQ(ReadBytes(kStatusFile), StatusFileText(want));
    if (want.fromZv) {
        EXPECT_TRUE(Exists(kFromZvFile));
        EXPECT_EQ(ReadBytes(kFromZvFile), SetupFileText(*want.fromZv));
    } else {
        EXPECT_FALSE(Exists(kFromZvFile));
    }
    EXPECT_EQ(ReadBytes(kToZvFile), toZvBefore);
    EXPECT_EQ(RequestPackets(), want.requests);
    EXPECT_EQ(StoredRecords(), want.stored);
    EXPECT_EQ(PauseDurations(), want.pauses);
    EXPECT_EQ(fake::NowMs(), want.endMs);
    EXPECT_EQ(StatusWindowTitleHistory(),
              IsModulJob(cell.job->job) ? PassTitles(want.passes) : UntouchedTitles());
    EXPECT_TRUE(StatusWindowQuitPosted());
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrixTest, ::testing::ValuesIn(AllCells()), CaseName());

class TracedRunTest : public DriverTest, public ::testing::WithParamInterface<Cell> {};

// Cells with at most one failed attempt in a row: every fault, every refusal, clean runs.
std::vector<Cell> TracedCells() {
    std::vector<Cell> cells = AllCells();
    cells.erase(
        std::remove_if(cells.begin(), cells.end(), [](const Cell& c) { return c.failed > 1; }),
        cells.end());
    return cells;
}

// The exchange of record `i` as the trace names it: "version query", "module 17 send".
std::string ExchangeName(const JobRow& row, std::size_t i) {
    switch (row.job) {
        case Job::kConnection:
            return "version query";
        case Job::kFetchCentral:
            return "central fetch";
        case Job::kSendCentral:
            return "central send";
        case Job::kFetchModuls:
            return "module " + std::to_string(row.records[i][0]) + " fetch";
        case Job::kSendModuls:
            return "module " + std::to_string(row.records[i][0]) + " send";
    }
    return "";
}

// What zvtool's account of the trace of a traced cell says: nothing for a clean run; else
// the exchange with its failed attempt (then its good repeat) or its refusal, and what to
// check, or that the job got through after one repeat and what to check.
void ExpectAccount(const Cell& cell, const Outcome& want, const TTraceAccount& account) {
    const JobRow& row = *cell.job;
    EXPECT_TRUE(account.finished);
    EXPECT_EQ(account.result, want.result);
    EXPECT_EQ(account.exchanges,
              static_cast<int>(cell.status != 0 ? cell.at + 1 : row.records.size()));
    const bool attemptFailed = cell.fault != nullptr && cell.failed > 0;
    if (!attemptFailed && cell.status == 0) {
        EXPECT_EQ(account.cause, TLineCause::kSound);
        EXPECT_EQ(account.repeats, 0);
        EXPECT_EQ(account.lines, std::vector<std::string>{});  // not a symptom counted
        EXPECT_EQ(account.advice, "");
        return;
    }
    const bool gotThrough = attemptFailed && cell.failed < row.attempts;
    TLineCause cause = TLineCause::kRefused;
    std::string exchange = ExchangeName(row, cell.at) + ": " +
                           (gotThrough ? "2 attempts" : "1 attempt") + ", failed: 1 x ";
    if (attemptFailed) {
        exchange += cell.fault->seen;
        cause = cell.fault->cause;
        // Every attempt but the failed one was answered: more than one went out, the unit
        // was heard.
        if (cause == TLineCause::kSilent && want.requests.size() > 1) {
            cause = TLineCause::kIntermittent;
        }
    } else {
        exchange += "refused with status byte " + HexByte(cell.status);
    }
    EXPECT_EQ(account.cause, cause);
    EXPECT_EQ(account.repeats, gotThrough ? 1 : 0);
    EXPECT_EQ(account.advice, CauseAdvice(cause, "COM1", HexByte(cell.status)));
    const std::string check =
        gotThrough ? RepeatsLine(1, static_cast<int>(row.records.size()), account.advice)
                   : account.advice;
    EXPECT_EQ(account.lines, (std::vector<std::string>{exchange, check}));
}

// The trace holds every byte written at its time, the model's events in order, each pause
// where it began, and accounts for every millisecond; the run itself is as untraced.
TEST_P(TracedRunTest, TellsEveryEventInOrderAtItsTime) {
    const Cell& cell = GetParam();
    const Outcome want = Expect(cell);
    Arrange(cell);
    setenv(kTraceVariable, "trace.txt", 1);
    TraceBegin();
    unsetenv(kTraceVariable);
    iniZorVekDriverStart();
    EXPECT_EQ(RunDriver(), want.result);
    TraceEnd();
    EXPECT_EQ(RequestPackets(), want.requests);
    EXPECT_EQ(PauseDurations(), want.pauses);

    using Timed = std::vector<std::pair<std::uint64_t, unsigned>>;
    Timed written, traced, pauses, tracedPauses;
    std::vector<std::string> notes;
    std::uint64_t waitedMs = 0;
    std::ifstream file("trace.txt");
    std::uint64_t atMs = 0;
    std::string ms, kind, text;
    while (file >> atMs >> ms >> kind && std::getline(file >> std::ws, text)) {
        std::istringstream hex(text);
        for (unsigned byte = 0; kind == "tx" && hex >> std::hex >> byte;) {
            traced.emplace_back(atMs, byte);
        }
        const std::size_t in = text.rfind(" in ");  // a read's or a flush's wait
        if ((kind == "rx" || text.rfind("input flushed", 0) == 0) && in != std::string::npos) {
            waitedMs += std::stoull(text.substr(in + 4));
        }
        if (text.rfind("pause ", 0) == 0) {
            tracedPauses.emplace_back(atMs, std::stoul(text.substr(6)));
        }
        if (kind == "--" && (!notes.empty() || text.find("attempt ") != std::string::npos ||
                             text.rfind("pass ", 0) == 0)) {
            notes.push_back(text);
        }
    }
    for (const fake::LineWrite& write : fake::Writes()) {
        for (const std::uint8_t byte : write.bytes) {
            written.emplace_back(write.atMs, byte);
        }
    }
    EXPECT_EQ(traced, written);
    // zvtool's account reads the same trace and counts the failed attempt or the refusal.
    ExpectAccount(cell, want, AccountOfTrace(ReadBytes("trace.txt")));
    for (const fake::LinePause& pause : fake::Pauses()) {
        waitedMs += pause.ms;
        if (pause.ms != kWakePause) {
            pauses.emplace_back(pause.atMs, pause.ms);
        }
    }
    EXPECT_EQ(tracedPauses, pauses);
    EXPECT_EQ(waitedMs, want.endMs);
    EXPECT_EQ(atMs, want.endMs);  // the result line
    ASSERT_EQ(notes.size(), want.notes.size()) << ::testing::PrintToString(notes);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_NE(notes[i].find(want.notes[i]), std::string::npos) << notes[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Cells, TracedRunTest, ::testing::ValuesIn(TracedCells()), CaseName());

// An empty variable or a file that cannot be opened: no trace, and the job runs on.
TEST(TraceFile, EmptyOrUnopenableMeansNoTrace) {
    for (const char* path : {"", "no/such/directory/trace.txt"}) {
        setenv(kTraceVariable, path, 1);
        TraceBegin();
        EXPECT_FALSE(TraceOn()) << path;
    }
    unsetenv(kTraceVariable);
}

// A few cells worked out by hand, so that the model the matrix runs on is checked too.
struct Anchor {
    const char* cell;
    int result;
    std::uint64_t endMs;
    std::size_t stored;
};

const Anchor kAnchors[] = {
    // 1150 for module 3, then five attempts of 50 + 3 x 1600 + 5000.
    {"FetchModuls_NoAck_x5_Middle", 4, 50400, 0},
    // Five attempts of 50 + 1600 + 400 + 5000, each carried out; then three 1100 ms passes.
    {"SendModuls_TruncateReply_x5_First", 4, 38550, 5},
    // Four attempts of 50 + 400 + 5000 not carried out, then the good one.
    {"SendCentral_BadAck_x4", 1, 21850, 1},
    {"Connection_NoReply_x1", 4, 8050, 0},
    {"Connection_LateAck_x1_Stray", 2, 4850, 0},
    // Two good passes of 1150, then the refused one: its wake pause only.
    {"SendModuls_Status8_Last", 2, 2350, 2},
    {"FetchCentral_WrongReply_x2", 3, 10150, 0},
};

TEST(FaultMatrixModel, AgreesWithCellsWorkedOutByHand) {
    std::map<std::string, Cell> cells;
    for (const Cell& cell : AllCells()) {
        cells.emplace(cell.name, cell);
    }
    for (const Anchor& anchor : kAnchors) {
        ASSERT_EQ(cells.count(anchor.cell), 1u) << anchor.cell;
        const Outcome out = Expect(cells.at(anchor.cell));
        EXPECT_EQ(out.result, anchor.result) << anchor.cell;
        EXPECT_EQ(out.endMs, anchor.endMs) << anchor.cell;
        EXPECT_EQ(out.stored.size(), anchor.stored) << anchor.cell;
    }
}

}  // namespace
}  // namespace faults
