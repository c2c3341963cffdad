// The window's pure parts as a technician reads them: what a job's events show in the
// progress controls, the outcome panel and status line, the rows of its lists, what it
// remembers and the report it saves.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "zvtool/exit_codes.h"
#include "zvtool/window/job_display.h"
#include "zvtool/window/outcome_text.h"
#include "zvtool/window/window_memory.h"
#include "zvtool/window/window_rows.h"

namespace {

TEvent Phase(TPhase phase) {
    TEvent event;
    event.kind = TEventKind::kPhase;
    event.phase = phase;
    return event;
}

TEvent RunStart(const std::string& what, int passes) {
    TEvent event;
    event.kind = TEventKind::kRunStart;
    event.what = what;
    event.progress.total = passes;
    return event;
}

// Pass `current` of `total` (module = current) at `elapsed` s, the current pass `passElapsed`
// s old, the passes before it 1.8 s each.
TEvent Pass(int current, int total, double elapsed, double passElapsed) {
    TEvent event;
    event.kind = TEventKind::kProgress;
    event.progress.total = total;
    event.progress.current = current;
    event.progress.module = current;
    event.progress.elapsed = elapsed;
    event.progress.passElapsed = passElapsed;
    event.progress.finishedPasses = 1.8 * (current - 1);
    return event;
}

TEvent Said(const TMessage& message) {
    TEvent event;
    event.kind = TEventKind::kMessage;
    event.message = message;
    return event;
}

struct DisplayRow {
    const char* name;
    std::vector<TEvent> events;
    const char* phase;
    const char* step;
    const char* times;
    const char* warning;
    int bar;  // -1: not looked at
    bool moving;
    const char* log;
};

void PrintTo(const DisplayRow& row, std::ostream* out) {
    *out << row.name;
}

const DisplayRow kDisplayRows[] = {
    // The run's words name the phase when they begin with it.
    {"FetchNamesItsRun",
     {Phase(TPhase::kFetching), RunStart("fetching modules 1-5", 5)},
     "fetching modules 1-5",
     "",
     "",
     "",
     0,
     false,
     ""},
    // A fetch under another phase names both.
    {"CopyNamesThePhase",
     {Phase(TPhase::kCopying), RunStart("fetching modules 1-5", 5)},
     "copying the unit: fetching modules 1-5",
     "",
     "",
     "",
     0,
     false,
     ""},
    {"ReadBackNamesThePhase",
     {Phase(TPhase::kReadingBack), RunStart("fetching module 4", 1)},
     "reading back: fetching module 4",
     "",
     "",
     "",
     0,
     false,
     ""},
    // A run without passes moves the bar and counts its time.
    {"TestSpins",
     {Phase(TPhase::kTesting), RunStart("testing the connection", 0),
      [] {
          TEvent spin;
          spin.kind = TEventKind::kSpin;
          spin.elapsed = 3.2;
          return spin;
      }()},
     "testing the connection",
     "",
     "0:03 so far",
     "",
     -1,
     true,
     ""},
    {"BeforeTheFirstPass",
     {RunStart("fetching modules 1-5", 5), Pass(0, 5, 0.3, 0)},
     "fetching modules 1-5",
     "starting (5 modules)",
     "0:00 so far, about 0:09 left",
     "",
     32,
     false,
     ""},
    // Pass 3 of 5, two passes of 1.8 s behind it: 3.6 s so far, 5.4 s left, 400 of 1000.
    {"ThirdPass",
     {RunStart("fetching modules 1-5", 5), Pass(3, 5, 3.6, 0)},
     "fetching modules 1-5",
     "module 3 (3 of 5)",
     "0:04 so far, about 0:05 left",
     "",
     400,
     false,
     ""},
    // A pass far longer than a good one says what the line does, and goes again with the next.
    {"StalledPass",
     {RunStart("fetching modules 1-5", 5), Pass(3, 5, 10.6, 7.0)},
     "fetching modules 1-5",
     "module 3 (3 of 5)",
     "0:11 so far, about 0:04 left",
     "module 3: the unit is not answering; each repeat costs 10 s",
     -1,
     false,
     ""},
    {"StallEndsWithThePass",
     {RunStart("fetching modules 1-5", 5), Pass(3, 5, 10.6, 7.0), Pass(4, 5, 11.0, 0)},
     "fetching modules 1-5",
     "module 4 (4 of 5)",
     "0:11 so far, about 0:04 left",
     "",
     -1,
     false,
     ""},
    // A new run starts its controls afresh; the log keeps every message in the core's words.
    {"NewRunClears",
     {RunStart("fetching modules 1-5", 5), Pass(5, 5, 8, 1), Said(Warning("the line is weak")),
      RunStart("fetching the central record", 0)},
     "fetching the central record",
     "",
     "",
     "",
     0,
     true,
     "zvtool: warning: the line is weak\n"},
    {"MessagesInOrder",
     {Said(Info("the unit answered: version 18.52")), Said(ErrorMessage({4, "refused", "backup"}))},
     "",
     "",
     "",
     "",
     0,
     false,
     "the unit answered: version 18.52\nzvtool backup: refused\n"},
};

class WindowDisplay : public ::testing::TestWithParam<DisplayRow> {};

TEST_P(WindowDisplay, ShowsTheEvents) {
    const DisplayRow& row = GetParam();
    TJobDisplay display;
    for (const TEvent& event : row.events) {
        ShowEvent(event, &display);
    }
    EXPECT_EQ(display.phase, row.phase);
    EXPECT_EQ(display.step, row.step);
    EXPECT_EQ(display.times, row.times);
    EXPECT_EQ(display.warning, row.warning);
    if (row.bar >= 0) {
        EXPECT_EQ(display.bar, row.bar);
    }
    EXPECT_EQ(display.barMoving, row.moving);
    EXPECT_EQ(display.log, row.log);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowDisplay, ::testing::ValuesIn(kDisplayRows),
                         [](const ::testing::TestParamInfo<DisplayRow>& row) {
                             return std::string(row.param.name);
                         });

TEST(WindowDisplay, FinishingIsKept) {
    TJobDisplay display;
    TEvent finishing;
    finishing.kind = TEventKind::kFinishing;
    finishing.what = "zvtool backup -o b.dat --resume";
    ShowEvent(finishing, &display);
    EXPECT_EQ(display.finishing, "zvtool backup -o b.dat --resume");
    EXPECT_TRUE(display.changed);
    EXPECT_FALSE(display.logChanged);
}

// ---- The outcome

TJobOutcome Outcome(const char* command, int exit) {
    TJobOutcome outcome;
    outcome.command = command;
    outcome.job = command;
    outcome.end.exit = exit;
    outcome.seconds = 11.24;
    return outcome;
}

struct OutcomeRow {
    const char* name;
    TJobOutcome outcome;
    const char* status;
    std::vector<std::string> panel;   // parts of the panel, in order
    std::vector<std::string> absent;  // what the panel must not say
    bool resume;
};

void PrintTo(const OutcomeRow& row, std::ostream* out) {
    *out << row.name;
}

OutcomeRow BackupDone() {
    TJobOutcome outcome = Outcome("backup", kExitOk);
    outcome.run.result = 3;
    outcome.run.meaning = "all module records fetched";
    outcome.file = "C:\\run\\pump-3-20261209-043012.dat";
    outcome.records = 6;
    outcome.keptAs = "pump-3@1";
    outcome.unitVersion = "18.52";
    outcome.end.Say(Info("the unit answered: version 18.52"));
    outcome.end.Say(Warning("the ledger is nearly full"));
    return {"BackupDone",
            outcome,
            "backup: result 3: all module records fetched (11.2 s)",
            {"result 3: all module records fetched\n",
             "C:\\run\\pump-3-20261209-043012.dat: 6 records\n", "kept in the ledger as pump-3@1\n",
             "the unit's version: 18.52\n", "zvtool: warning: the ledger is nearly full\n"},
            {"the unit answered", "exit status"},
            false};
}

OutcomeRow BackupStopped() {
    TJobOutcome outcome = Outcome("backup", kExitInterrupted);
    outcome.end.Fail({kExitInterrupted, "interrupted: stopping the driver", ""});
    TMessage account;
    account.kind = TMessageKind::kAccount;
    account.text = "C:\\state\\logs\\s.trace";
    account.lines = {"module 3 fetch: 1 attempt, stopped"};
    outcome.end.Say(account);
    outcome.end.Say(Info("  zvtool backup -o b.dat --resume"));
    outcome.finishing = "zvtool backup -o b.dat --resume";
    return {"BackupStopped",
            outcome,
            "backup: interrupted: stopping the driver",
            {"exit status 130\n", "zvtool: interrupted: stopping the driver\n",
             "zvtool: the driver's trace (C:\\state\\logs\\s.trace) tells:\n"
             "  module 3 fetch: 1 attempt, stopped\n",
             "  zvtool backup -o b.dat --resume\n", "Resume goes on from where it stopped.\n"},
            {},
            true};
}

OutcomeRow RestoreDiffers() {
    TJobOutcome outcome = Outcome("restore", kExitReadBack);
    outcome.summary = "sent, but not all read back the same";
    outcome.readBack = {true, 2, 0, {3, 4}};
    outcome.end.Fail({kExitReadBack, "2 of 2 records read back differ from what was sent", ""});
    outcome.finishing = "zvtool restore u.dat --resume";
    return {"RestoreDiffers",
            outcome,
            "restore: 2 of 2 records read back differ from what was sent",
            {"sent, but not all read back the same\n",
             "read back otherwise than sent: module 3, module 4\n", "exit status 80\n"},
            {"result "},
            true};
}

OutcomeRow RestoreDone() {
    TJobOutcome outcome = Outcome("restore", kExitOk);
    outcome.summary = "2 of 2 records written and read back the same";
    outcome.readBack = {true, 2, 2, {}};
    outcome.run.result = 3;
    outcome.run.meaning = "all module records fetched";
    return {"RestoreDone",
            outcome,
            "restore: 2 of 2 records written and read back the same (11.2 s)",
            {"2 of 2 records written and read back the same\n"},
            {"read back otherwise", "result 3"},
            false};
}

// A test that failed is no resume, whatever it says.
OutcomeRow TestLocked() {
    TJobOutcome outcome = Outcome("test", kExitLocked);
    outcome.end.Fail({kExitLocked, "another zvtool job runs on the folder: fetch modules 1-6", ""});
    outcome.finishing = "zvtool test";
    return {"TestLocked",
            outcome,
            "test: another zvtool job runs on the folder: fetch modules 1-6",
            {"exit status 75\n", "zvtool: another zvtool job runs on the folder"},
            {"Resume"},
            false};
}

const OutcomeRow kOutcomeRows[] = {BackupDone(), BackupStopped(), RestoreDiffers(), RestoreDone(),
                                   TestLocked()};

class WindowOutcome : public ::testing::TestWithParam<OutcomeRow> {};

TEST_P(WindowOutcome, SaysWhatTheJobCameTo) {
    const OutcomeRow& row = GetParam();
    EXPECT_EQ(StatusLine(row.outcome), row.status);
    const std::string panel = OutcomeText(row.outcome);
    std::size_t at = 0;
    for (const std::string& part : row.panel) {
        const std::size_t found = panel.find(part, at);
        EXPECT_NE(found, std::string::npos) << "'" << part << "' in order in:\n" << panel;
        at = found == std::string::npos ? at : found + part.size();
    }
    for (const std::string& part : row.absent) {
        EXPECT_EQ(panel.find(part), std::string::npos) << "'" << part << "' in:\n" << panel;
    }
    EXPECT_EQ(OffersResume(row.outcome), row.resume);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowOutcome, ::testing::ValuesIn(kOutcomeRows),
                         [](const ::testing::TestParamInfo<OutcomeRow>& row) {
                             return std::string(row.param.name);
                         });

TEST(WindowReport, CarriesTheFactsTheJobAndTheTraceInWindowsLines) {
    const TReportFacts facts{"zvtoolw 1.0.0 (32-bit)",    "Windows 10.0.19045",
                             "C:\\z\\zordrive.exe",       "C:\\run",
                             "C:\\windows\\zordrive.INI", "2026-12-09 05:30:12"};
    const OutcomeRow stopped = BackupStopped();
    const std::string report = ReportText(facts, stopped.outcome, "12:00:00.000 wake\n");
    for (const char* part :
         {"zvtool report, 2026-12-09 05:30:12\r\n", "program: zvtoolw 1.0.0 (32-bit)\r\n",
          "system: Windows 10.0.19045\r\n", "driver: C:\\z\\zordrive.exe\r\n",
          "the driver's settings: C:\\windows\\zordrive.INI\r\n", "job: backup\r\n",
          "everything the job said:\r\n", "  module 3 fetch: 1 attempt, stopped\r\n",
          "12:00:00.000 wake\r\n"}) {
        EXPECT_NE(report.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(report.find("\r\r"), std::string::npos);
    for (std::size_t i = 0; i < report.size(); ++i) {
        ASSERT_TRUE(report[i] != '\n' || (i > 0 && report[i - 1] == '\r')) << "a bare LF at " << i;
    }
    EXPECT_NE(ReportText(facts, TJobOutcome(), "").find("no job has run\r\n"), std::string::npos);
}

// ---- The rows of the lists

TSerialPort Port(const char* name) {
    TSerialPort port;
    port.name = name;
    port.device = name;
    port.probed = true;
    port.mayOpen = true;
    return port;
}

TEST(WindowRows, PortsNameTheAdapterAndWhoHasIt) {
    TSerialPort usb = Port("COM7");
    usb.usb = true;
    usb.vendorId = "0403";
    usb.productId = "6001";
    usb.serial = "A50285BI";
    usb.manufacturer = "FTDI";
    usb.description = "USB Serial Port (COM7)";
    TSerialPort builtIn = Port("COM1");
    builtIn.product = "Communications Port";
    TSerialPort held = Port("COM3");
    held.holders = {"another program"};
    TSerialPort noSerial = usb;
    noSerial.serial.clear();
    noSerial.manufacturer.clear();
    const std::vector<TListRow> expected = {
        {"COM7", "USB Serial Port (COM7)", "usb:0403:6001:A50285BI  FTDI", "free, you may open it"},
        {"COM1", "Communications Port", "", "free, you may open it"},
        {"COM3", "", "", "in use by another program, you may open it"},
        {"COM7", "USB Serial Port (COM7)", "usb:0403:6001", "free, you may open it"},
    };
    const std::vector<TSerialPort> ports = {usb, builtIn, held, noSerial};
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(PortRow(ports[i]), expected[i]) << i;
        EXPECT_EQ(PortRow(ports[i]).size(), static_cast<std::size_t>(kPortColumns));
    }
}

TEST(WindowRows, HistoryNamesEachEntryAndItsCopy) {
    TListedEntry listed;
    listed.name = "pump-3@2";
    listed.entry.kind = "backup";
    listed.entry.time = 1796790612;
    listed.entry.records = 6;
    listed.entry.version = "18.52";
    listed.entry.port = "COM1";
    EXPECT_EQ(HistoryRow(listed), (TListRow{"pump-3@2", "backup", "2026-12-09 04:30:12 UTC", "6",
                                            "18.52", "COM1", "sound"}));
    listed.check.state = TCopyState::kAltered;
    EXPECT_EQ(HistoryRow(listed)[6], "altered");
    EXPECT_EQ(HistoryRow(listed).size(), static_cast<std::size_t>(kHistoryColumns));
}

TZvRecord Record(int number, std::uint8_t fill) {
    TZvRecord record{number, {}};
    record.bytes.fill(fill);
    return record;
}

TEST(WindowRows, DiffIsARowPerByteAndPerLoneRecord) {
    TZvRecord changed = Record(3, 7);
    changed.bytes[5] = 9;
    changed.bytes[129] = 0;
    const TRecordDiff diff = CompareRecords({Record(0, 1), Record(3, 7), Record(4, 2)},
                                            {Record(0, 1), changed, Record(6, 2)});
    const std::vector<TListRow> expected = {
        {"module 3", "5", "7", "9"},
        {"module 3", "129", "7", "0"},
        {"module 4", "-", "whole record", "absent"},
        {"module 6", "-", "absent", "whole record"},
    };
    EXPECT_EQ(DiffRows(diff), expected);
}

TEST(WindowRows, PlanShowsWhatEachRecordSentChangesOnTheUnit) {
    TRestorePrepared prepared;
    prepared.unit = {Record(0, 1), Record(1, 1), Record(2, 1), Record(3, 1)};
    prepared.central = Record(0, 1);
    prepared.central.bytes[0] = 4;
    prepared.plan.central = true;
    TZvRecord second = Record(2, 1);
    second.bytes[10] = 200;
    // Module 9 was not among the records copied (a resumed restore copies nothing).
    prepared.plan.modules = {second, Record(9, 5)};
    const std::vector<TListRow> expected = {
        {"central record", "0", "1", "4"},
        {"module 2", "10", "1", "200"},
        {"module 9", "-", "not copied", "whole record"},
    };
    EXPECT_EQ(PlanRows(prepared), expected);
    prepared.plan.central = false;
    EXPECT_EQ(PlanRows(prepared).size(), 2u);
}

// ---- What the window remembers

TEST(WindowMemory, RoundTripsAndSkipsWhatDoesNotRead) {
    const TWindowMemory memory{"COM12", "pump-3", "1-5"};
    const TWindowMemory back = ParseWindowMemory(WindowMemoryText(memory));
    EXPECT_EQ(back.port, "COM12");
    EXPECT_EQ(back.unit, "pump-3");
    EXPECT_EQ(back.modules, "1-5");
    const TWindowMemory read = ParseWindowMemory("garbage\r\nunit=pump-4\r\nport\r\nmodules=\r\n");
    EXPECT_EQ(read.port, "");
    EXPECT_EQ(read.unit, "pump-4");
    EXPECT_EQ(read.modules, "1-200");
    // A value cannot break into a second line of the file.
    EXPECT_EQ(ParseWindowMemory(WindowMemoryText({"COM1\nunit=x", "a", "1-2"})).unit, "a");
}

}  // namespace
