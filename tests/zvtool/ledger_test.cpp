// The ledger: its log lines, dates and names, SHA-256 against the standard test vectors, and
// keeping a backup in a folder (or not, and saying why).
#include "zvtool/ledger/ledger.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"
#include "tests/zvtool/unit_name_rows.h"
#include "zvtool/ledger/ledger_order.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/ledger/sha256.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/user_folders.h"
#include "zvtool/time_text.h"

namespace {

TEST(Sha256, StandardVectors) {
    const struct {
        std::string text;
        const char* digest;
    } rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Sha256Hex(row.text), row.digest) << row.text.size() << " bytes";
    }
}

TLedgerEntry Entry(long long time, const std::string& unit, const std::string& folder,
                   const std::string& workstation = "", long long seq = 0) {
    TLedgerEntry entry;
    entry.time = time;
    entry.kind = "backup";
    entry.unit = unit;
    entry.port = "/dev/ttyUSB0";
    entry.version = "1.0";
    entry.records = 201;
    entry.sha256 = "9f86d081" + std::string(56, 'a');
    entry.workstation = workstation;
    entry.seq = seq;
    entry.id = EntryId(entry);
    entry.file = entry.id + ".dat";
    entry.folder = folder;
    return entry;
}

TEST(Ledger, LogLinesReadBackAsWritten) {
    const TLedgerEntry entry = Entry(1796800000, "pump-3", "/srv/line 3/run", "bench2", 17);
    const std::string line = FormatLedgerLine(entry);
    EXPECT_EQ(line,
              "2026-12-09 07:06:40 UTC backup unit=pump-3 port=/dev/ttyUSB0 version=1.0 "
              "records=201 sha256=9f86d081" +
                  std::string(56, 'a') +
                  " file=pump-3/20261209-070640-9f86d081-bench2.dat "
                  "id=pump-3/20261209-070640-9f86d081-bench2 workstation=bench2 seq=17 "
                  "folder=/srv/line 3/run");
    TLedgerEntry read;
    std::string why;
    ASSERT_TRUE(ParseLedgerLine(line, &read, &why)) << why;
    EXPECT_EQ(read.time, entry.time);
    EXPECT_EQ(read.unit, entry.unit);
    EXPECT_EQ(read.records, 201);
    EXPECT_EQ(read.file, entry.file);
    EXPECT_EQ(read.id, entry.id);
    EXPECT_EQ(read.workstation, "bench2");
    EXPECT_EQ(read.seq, 17);
    EXPECT_EQ(read.folder, entry.folder);
    EXPECT_EQ(read.version, "1.0");
    // A line written before entries had names gets its name from the same parts, "local" for
    // the workstation it does not name; a key a newer writer adds is skipped.
    const std::string old =
        "2026-12-09 07:06:40 UTC backup unit=pump-3 port=COM1 version=1.0 "
        "records=201 sha256=9f86d081" +
        std::string(56, 'a') + " file=pump-3/20261209-070640-backup.dat later=1 folder=/srv";
    ASSERT_TRUE(ParseLedgerLine(old, &read, &why)) << why;
    EXPECT_EQ(read.id, "pump-3/20261209-070640-9f86d081-local");
    EXPECT_EQ(read.workstation, "");
}

// A log is a text a person may edit and a crash may cut off: every line that does not read
// is reported with its number and what is wrong, and one whose time and unit read keeps its
// place among the unit's entries, so that no other entry's name moves.
TEST(Ledger, EveryLineThatDoesNotReadIsReported) {
    const std::string good = FormatLedgerLine(Entry(1796800000, "a", "/f", "ws", 1));
    const std::string sha = good.substr(good.find("sha256="), 7 + 64);
    struct Row {
        std::string line;
        const char* why;  // a part of what is reported
        bool keepsItsPlace;
    };
    const Row rows[] = {
        {"# a note", "does not start with a time stamp", false},
        {good.substr(0, 60), "'vers' is no key=value", true},
        {"2026-13-09 07:06:40 UTC" + good.substr(23), "does not start with a time stamp", false},
        {good.substr(0, good.find("sha256=")) + "sha256=xyz" + good.substr(good.find(" file=")),
         "sha256= is not 64 hex digits", true},
        {good.substr(0, good.find("records=")) + "records=many" + good.substr(good.find(" sha")),
         "records=many is no whole number", true},
        {good.substr(0, good.find("unit=")) + "unit=../x" + good.substr(good.find(" port")),
         "unit=../x is no unit name", false},
        {good.substr(0, good.find(" id=")) + " id=" + good.substr(good.find(" workstation")),
         "id= has no value", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const TLedgerLog log = ParseLedgerLog(good + "\n" + row.line + "\n" + good + "\n");
        ASSERT_EQ(log.problems.size(), 1u);
        EXPECT_EQ(log.problems[0].line, 2);
        EXPECT_NE(log.problems[0].what.find(row.why), std::string::npos) << log.problems[0].what;
        EXPECT_EQ(log.entries.size(), row.keepsItsPlace ? 3u : 2u);
        EXPECT_FALSE(log.endsMidLine);
    }
    (void)sha;
}

// A byte-order mark and CR LF are read as editors write them; a last line without its line
// end (a write cut off) is reported, and what follows it goes on a line of its own.
TEST(Ledger, ByteOrderMarkLineEndsAndACutOffLine) {
    const std::string good = FormatLedgerLine(Entry(1796800000, "a", "/f", "ws", 1));
    TLedgerLog log = ParseLedgerLog("\xEF\xBB\xBF" + good + "\r\n" + good + "\r\n");
    EXPECT_TRUE(log.problems.empty());
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[1].folder, "/f");
    log = ParseLedgerLog(good + "\n" + good.substr(0, 70));
    EXPECT_TRUE(log.endsMidLine);
    ASSERT_EQ(log.problems.size(), 1u);
    EXPECT_EQ(log.problems[0].line, 2);
    EXPECT_NE(log.problems[0].what.find("it is cut off"), std::string::npos);
    EXPECT_TRUE(ParseLedgerLog(good).endsMidLine);
    EXPECT_TRUE(ParseLedgerLog(good).problems.empty());
}

// A time shown in local time carries its offset from UTC, in winter and in summer, east and
// west of Greenwich; the log and the JSON keep UTC.
TEST(Ledger, LocalTimeWithItsZone) {
    const char* const before = getenv("TZ");
    const std::string saved = before != nullptr ? before : "";
    const struct {
        const char* zone;
        long long time;
        const char* text;
    } rows[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1796790612, "2026-12-09 05:30:12 +01:00"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1781000000, "2026-06-09 12:13:20 +02:00"},
        {"EST5EDT,M3.2.0,M11.1.0", 1796790612, "2026-12-08 23:30:12 -05:00"},
        {"IST-5:30", 1796790612, "2026-12-09 10:00:12 +05:30"},
        {"UTC0", 1796790612, "2026-12-09 04:30:12 +00:00"},
    };
    for (const auto& row : rows) {
        setenv("TZ", row.zone, 1);
        tzset();
        EXPECT_EQ(TimeText(row.time, TZone::kLocal), row.text) << row.zone;
        EXPECT_EQ(TimeText(row.time, TZone::kUtc).substr(19), " UTC") << row.zone;
    }
    if (before != nullptr) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

TEST(Ledger, DatesAgesAndNames) {
    EXPECT_EQ(TimeText(0, TZone::kUtc), "1970-01-01 00:00:00 UTC");
    EXPECT_EQ(TimeText(951782400, TZone::kUtc), "2000-02-29 00:00:00 UTC");
    EXPECT_EQ(TimeText(4102444799, TZone::kUtc), "2099-12-31 23:59:59 UTC");
    EXPECT_EQ(FileStamp(951782400 + 3723, TZone::kUtc), "20000229-010203");
    long long back = 0;
    EXPECT_TRUE(ReadUtcText("2000-02-29 01:02:03 UTC", &back));
    EXPECT_EQ(back, 951782400 + 3723);
    EXPECT_FALSE(ReadUtcText("2000-02-29 01:02:03", &back));
    EXPECT_FALSE(ReadUtcText("2000-13-29 01:02:03 UTC", &back));
    const struct {
        long long seconds;
        const char* text;
    } ages[] = {
        {-5, "0 s"},       {59, "59 s"}, {60, "1 min"}, {3600, "1 h"}, {3600 + 300, "1 h 5 min"},
        {172800, "2 days"}};
    for (const auto& age : ages) {
        EXPECT_EQ(AgeText(age.seconds), age.text) << age.seconds;
    }
}

// The unit-name rule, the same table that unit_names_check.exe runs under Wine: each name's
// verdict and what a refusal says of it, and which names are one unit on which system.
TEST(Ledger, UnitNameRule) {
    for (const TUnitNameRow& row : kUnitNameRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CheckUnitName(row.name), row.verdict);
        // A device name of an older POSIX ledger still reads; a new unit may not take it.
        EXPECT_EQ(IsUnitName(row.name), row.verdict != TUnitName::kNotAName);
        const std::string problem = UnitNameProblem(row.name);
        EXPECT_EQ(problem.empty(), row.verdict == TUnitName::kGood) << problem;
        EXPECT_EQ(problem.find("Windows keeps it for a device") != std::string::npos,
                  row.verdict == TUnitName::kDeviceName)
            << problem;
        EXPECT_EQ(SameUnitName(row.name, row.other, true), row.sameIgnoringCase);
        EXPECT_EQ(SameUnitName(row.name, row.other, false), row.sameWithCase);
        EXPECT_EQ(SameUnitName(row.name, row.other, FileNamesIgnoreCase()), row.sameWithCase);
    }
}

// On POSIX names keep their case: pump-3 and Pump-3 are two units with two folders, as the
// ledgers of earlier versions have them (on Windows, one: the Wine rows show it).
TEST(Ledger, UnitsDifferingInCaseOnPosix) {
    ScratchDir scratch;
    const TLedgerPlace place{AbsolutePath("ledger"), "", "bench2"};
    TLedgerEntry kept;
    for (const char* unit : {"pump-3", "Pump-3"}) {
        const TKeepRequest request{"0, 1, 2", "",    kKindBackup, unit,
                                   "COM1",    "1.0", "/srv",      1796790612};
        ASSERT_EQ(KeepInLedger(place, request, &kept).exit, 0);
        EXPECT_EQ(kept.unit, unit);
    }
    EXPECT_EQ(LedgerSpelling({kept}, "PUMP-3"), "PUMP-3");
    EXPECT_TRUE(IsFolder(JoinPath(place.folder, "pump-3")));
    EXPECT_TRUE(IsFolder(JoinPath(place.folder, "Pump-3")));
}

// UNIT@N counts back from the newest, and a permanent name finds its entry wherever it is.
TEST(Ledger, UnitAtNAndPermanentNames) {
    const std::vector<TLedgerEntry> entries = {Entry(100, "a", "/f", "ws", 1),
                                               Entry(200, "b", "/g", "ws", 2),
                                               Entry(300, "a", "/g", "ws", 3)};
    const struct {
        std::string name;
        bool found;
        long long time;
        const char* error;  // a part of it; "" when the name is no entry's name at all
    } rows[] = {
        {"a@1", true, 300, ""},
        {"a@2", true, 100, ""},
        {"b@1", true, 200, ""},
        {entries[0].id, true, 100, ""},
        {"a/19700101-000140-9f86d081-ws", true, 100, ""},
        {"a/19700101-000140-9f86d081-other", false, 0, "no entry called a/19700101"},
        {"a@3", false, 0, "holds 2 entries of unit a, not 3"},
        {"c@1", false, 0, "no backup of unit c"},
        {"a@0", false, 0, ""},
        {"a", false, 0, ""},
        {"x/y@1", false, 0, ""},
        {"a@1x", false, 0, ""},
    };
    for (const auto& row : rows) {
        TLedgerEntry entry;
        std::string error;
        EXPECT_EQ(FindLedgerEntry(entries, row.name, &entry, &error), row.found) << row.name;
        if (row.found) {
            EXPECT_EQ(entry.time, row.time) << row.name;
        }
        EXPECT_NE(error.find(row.error), std::string::npos) << row.name << ": " << error;
        EXPECT_EQ(error.empty(), row.error[0] == '\0') << row.name;
    }
    EXPECT_EQ(RememberedEntry(entries, "/g")->unit, "a");
    EXPECT_EQ(RememberedEntry(entries, "/f")->unit, "a");
    EXPECT_EQ(RememberedEntry(entries, "/h"), nullptr);
    // The same path on another workstation of a shared ledger is another folder.
    std::vector<TLedgerEntry> merged = entries;
    merged.push_back(Entry(9000, "other-unit", "/g", "bench9", 1));
    merged.push_back(Entry(50, "old", "/o"));  // a line older than workstations: anyone's
    EXPECT_EQ(RememberedEntry(merged, "/g")->unit, "other-unit");
    EXPECT_EQ(RememberedEntry(EntriesMadeBy(merged, "ws"), "/g")->unit, "a");
    EXPECT_EQ(EntriesMadeBy(merged, "bench9").size(), 2u);
    EXPECT_EQ(EntriesMadeBy(merged, "ws").size(), 4u);
    EXPECT_EQ(NextSeq(entries, "ws"), 4);
    EXPECT_EQ(NextSeq(entries, "other"), 1);
}

// Newest means last made on one workstation, whatever its clock said: a clock set back a day
// cannot make the last backup an old one; it is marked instead. Workstations interleave by
// their time stamps.
TEST(Ledger, TheOrderOfMakingNotTheClock) {
    const std::vector<TLedgerEntry> entries = {
        Entry(1000, "a", "/f", "ws1", 1),
        Entry(5000, "a", "/f", "ws2", 1),
        Entry(2000, "a", "/f", "ws1", 2),
        Entry(2000 - 86400, "a", "/f", "ws1", 3),  // the clock set back a day
        Entry(1500, "a", "/f", "", 0),             // a line older than names, from this PC
    };
    const std::vector<TOrderedEntry> ordered = NewestFirst(entries);
    ASSERT_EQ(ordered.size(), 5u);
    std::vector<long long> times;
    std::vector<bool> behind;
    for (const TOrderedEntry& one : ordered) {
        times.push_back(one.entry->time);
        behind.push_back(one.clockBehind);
        EXPECT_EQ(one.back, static_cast<int>(times.size()));
    }
    EXPECT_EQ(times, (std::vector<long long>{5000, 2000 - 86400, 2000, 1500, 1000}));
    EXPECT_EQ(behind, (std::vector<bool>{false, true, false, false, false}));
}

// The user's folders from the environment, as each system names them.
TEST(UserFolders, FromTheEnvironment) {
    struct Row {
        TUserEnvironment environment;
        const char* state;
        const char* data;
        const char* former = "";
    };
    const Row rows[] = {
        {{false, "/x/state", "/x/data", "/home/u", nullptr}, "/x/state/zvtool", "/x/data/zvtool"},
        {{false, "", "", "/home/u", nullptr},
         "/home/u/.local/state/zvtool",
         "/home/u/.local/share/zvtool"},
        // A relative XDG folder is to be ignored, as the base directory rules have it.
        {{false, "relative", "relative", "/home/u", nullptr},
         "/home/u/.local/state/zvtool",
         "/home/u/.local/share/zvtool"},
        {{false, nullptr, nullptr, nullptr, "C:\\L"}, "", ""},
        // The ledger apart from zvtool's logs and lock, moved from where it was before.
        {{true, "/x", "/x", "/home/u", "C:\\Users\\u\\AppData\\Local"},
         "C:\\Users\\u\\AppData\\Local\\zvtool",
         "C:\\Users\\u\\AppData\\Local\\zvtool\\ledger",
         "C:\\Users\\u\\AppData\\Local\\zvtool"},
        {{true, "/x", "/x", "/home/u", nullptr}, "", ""},
    };
    for (const Row& row : rows) {
        const TUserFolders folders = UserFoldersFrom(row.environment);
        EXPECT_EQ(folders.state, row.state);
        EXPECT_EQ(folders.data, row.data);
        EXPECT_EQ(folders.formerData, row.former);
    }
}

TEST(Ledger, KeepWritesTheCopyAndAppendsItsLine) {
    ScratchDir cwd;
    const std::string dir = std::filesystem::current_path().string();
    const TLedgerPlace place{dir + "/data/zvtool", "no folder", "bench 2"};
    TKeepRequest request{"0, 1, 2", dir + "/b.dat", "backup", "pump-3",
                         "COM1",    "1.0",          dir,      1796800000};
    TLedgerEntry first;
    TLedgerEntry second;
    ASSERT_EQ(KeepInLedger(place, request, &first).exit, 0);
    ASSERT_EQ(KeepInLedger(place, request, &second).exit, 0);
    const std::string sha8 = Sha256Hex(std::string("0, 1, 2")).substr(0, 8);
    EXPECT_EQ(first.id, "pump-3/20261209-070640-" + sha8 + "-bench-2");
    EXPECT_EQ(second.id, first.id + "-2");
    EXPECT_EQ(first.file, first.id + ".dat");
    EXPECT_EQ(first.seq, 1);
    EXPECT_EQ(second.seq, 2);
    EXPECT_EQ(first.workstation, "bench-2");
    EXPECT_EQ(ReadBytes((dir + "/data/zvtool/" + second.file).c_str()), "0, 1, 2");
    TLedgerLog log;
    std::string error;
    ASSERT_TRUE(ReadLedger(place, &log, &error)) << error;
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[1].id, second.id);
    EXPECT_EQ(VerifyCopy(place.folder, log.entries[1]).state, TCopyState::kSound);
    EXPECT_EQ(ReadBytes((dir + "/data/zvtool/ledger.log").c_str()),
              FormatLedgerLine(first) + "\n" + FormatLedgerLine(second) + "\n");
    EXPECT_EQ(UnitForFolder(log.entries, "", dir), "pump-3");
    EXPECT_EQ(UnitForFolder(log.entries, "other", dir), "other");
    EXPECT_EQ(UnitForFolder(log.entries, "", "/elsewhere"), "unnamed");
    // A log cut off in the middle of a line: the next entry starts on a line of its own.
    WriteBytes((dir + "/data/zvtool/ledger.log").c_str(), FormatLedgerLine(first) + "\n2026-1");
    ASSERT_EQ(KeepInLedger(place, request, &second).exit, 0);
    EXPECT_EQ(ReadBytes((dir + "/data/zvtool/ledger.log").c_str()),
              FormatLedgerLine(first) + "\n2026-1\n" + FormatLedgerLine(second) + "\n");

    // A ledger folder that cannot be made (a file stands in its way, whoever runs it).
    WriteBytes("b.dat", "x");
    const TZvError failed = KeepInLedger({dir + "/b.dat/zvtool", "", "ws"}, request, &first);
    EXPECT_NE(failed.exit, 0);
    EXPECT_NE(failed.message.find("b.dat/zvtool/ledger.log: Not a directory"), std::string::npos)
        << failed.message;
    EXPECT_NE(failed.message.find("is whole all the same"), std::string::npos);
    // No folder at all: the reason is said.
    const TZvError none =
        KeepInLedger({"", "neither XDG_DATA_HOME nor HOME is set", "ws"}, request, &first);
    EXPECT_EQ(none.message.rfind("no ledger folder: neither XDG_DATA_HOME nor HOME is set", 0), 0u);
}

}  // namespace
