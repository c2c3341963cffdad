// Every job through the whole run (settings, port, job, Finish) against a unit that fails in
// every way the line allows, in virtual time: the result code, the status file, "fromZv.dat"
// byte for byte, what the unit received and stored, and every pause.
#include <stdlib.h>

#include <fstream>
#include <map>
#include <ostream>
#include <sstream>

#include "driver/driver.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "tests/faults/fault_model.h"

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

struct TraceLine {
    std::uint64_t atMs;
    std::string kind;  // "tx", "rx" or "--"
    std::string text;
};

std::vector<TraceLine> ReadTrace(const char* name) {
    std::vector<TraceLine> lines;
    std::ifstream file(name);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream in(line);
        TraceLine parsed;
        std::string ms;
        in >> parsed.atMs >> ms >> parsed.kind >> std::ws;
        std::getline(in, parsed.text);
        lines.push_back(parsed);
    }
    return lines;
}

// The number in "... in N ms...", which rx lines and flush notes carry.
std::uint64_t TookMs(const std::string& text) {
    const std::size_t at = text.rfind(" in ");
    return at == std::string::npos ? 0 : std::stoull(text.substr(at + 4));
}

// Cells with at most one failed attempt in a row: every fault, every refusal, clean runs.
std::vector<Cell> TracedCells() {
    std::vector<Cell> cells;
    for (const Cell& cell : AllCells()) {
        if (cell.failed <= 1) {
            cells.push_back(cell);
        }
    }
    return cells;
}

class TracedRunTest : public DriverTest, public ::testing::WithParamInterface<Cell> {};

// The trace holds every write at its time, the model's events in order, each pause where it
// began, and accounts for every millisecond of the run; the run itself is as untraced.
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
    EXPECT_EQ(fake::NowMs(), want.endMs);

    std::vector<fake::LineWrite> writes;
    std::vector<std::string> notes;
    std::vector<fake::LinePause> pauses;
    std::uint64_t waitedMs = 0;
    bool continues = false;  // a tx line of 32 bytes may go on in the next line
    for (const TraceLine& line : ReadTrace("trace.txt")) {
        if (line.kind == "tx") {
            if (!continues) {
                writes.push_back({line.atMs, {}});
            }
            std::istringstream hex(line.text);
            unsigned byte = 0;
            std::size_t count = 0;
            for (; hex >> std::hex >> byte; ++count) {
                writes.back().bytes.push_back(static_cast<std::uint8_t>(byte));
            }
            continues = count == 32;
            continue;
        }
        continues = false;
        if (line.kind == "rx" || line.text.rfind("input flushed", 0) == 0) {
            waitedMs += TookMs(line.text);
        }
        if (line.kind == "--" && line.text.rfind("pause ", 0) == 0) {
            pauses.push_back(
                {line.atMs, static_cast<std::uint32_t>(std::stoul(line.text.substr(6)))});
        }
        const bool started = !notes.empty() || line.text.find("attempt ") != std::string::npos ||
                             line.text.rfind("pass ", 0) == 0;
        if (line.kind == "--" && started) {
            notes.push_back(line.text);
        }
        if (line.text.rfind("result ", 0) == 0) {
            EXPECT_EQ(line.atMs, want.endMs);
        }
    }
    ASSERT_EQ(writes.size(), fake::Writes().size());
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].atMs, fake::Writes()[i].atMs) << "write " << i;
        EXPECT_EQ(writes[i].bytes, fake::Writes()[i].bytes) << "write " << i;
    }
    ASSERT_EQ(notes.size(), want.notes.size()) << ::testing::PrintToString(notes);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_NE(notes[i].find(want.notes[i]), std::string::npos) << notes[i];
    }
    std::uint64_t pausedMs = 0;
    std::size_t p = 0;
    for (const fake::LinePause& pause : fake::Pauses()) {
        pausedMs += pause.ms;
        if (pause.ms != kWakePause) {
            ASSERT_LT(p, pauses.size());
            EXPECT_EQ(pauses[p].atMs, pause.atMs);
            EXPECT_EQ(pauses[p++].ms, pause.ms);
        }
    }
    EXPECT_EQ(p, pauses.size());
    EXPECT_EQ(waitedMs + pausedMs, want.endMs);
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
    {"SendModuls_TruncatedReply_x5_First", 4, 38550, 5},
    // Four attempts of 50 + 400 + 5000 not carried out, then the good one.
    {"SendCentral_BadAck_x4", 1, 21850, 1},
    {"Connection_NoReply_x1", 4, 8050, 0},
    {"Connection_LateAck_x1_Stray", 2, 4850, 0},
    // Two good passes of 1150, then the refused one: its wake pause only.
    {"SendModuls_Status8_Last", 2, 2350, 2},
    {"FetchCentral_WrongReplyCode_x2", 3, 10150, 0},
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
