// The ledger: its log lines, dates and names, SHA-256 against the standard test vectors, and
// keeping a backup in a folder (or not, and saying why).
#include "zvtool/ledger/ledger.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/ledger/sha256.h"
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

TLedgerEntry Entry(long long time, const std::string& unit, const std::string& folder) {
    TLedgerEntry entry;
    entry.time = time;
    entry.kind = "backup";
    entry.unit = unit;
    entry.port = "COM1";
    entry.version = "1.0";
    entry.records = 201;
    entry.sha256 = std::string(64, 'a');
    entry.file = unit + "/" + FileStamp(time, TZone::kUtc) + "-backup.dat";
    entry.folder = folder;
    return entry;
}

TEST(Ledger, LogLinesReadBackAsWritten) {
    const TLedgerEntry entry = Entry(1796800000, "pump-3", "/srv/line 3/run");
    const std::string line = FormatLedgerLine(entry);
    EXPECT_EQ(line,
              "2026-12-09 07:06:40 UTC backup unit=pump-3 port=COM1 version=1.0 records=201 "
              "sha256=" +
                  std::string(64, 'a') +
                  " file=pump-3/20261209-070640-backup.dat folder=/srv/line 3/run");
    TLedgerEntry read;
    ASSERT_TRUE(ParseLedgerLine(line, &read));
    EXPECT_EQ(read.time, entry.time);
    EXPECT_EQ(read.unit, entry.unit);
    EXPECT_EQ(read.records, 201);
    EXPECT_EQ(read.file, entry.file);
    EXPECT_EQ(read.folder, entry.folder);
    EXPECT_EQ(read.version, "1.0");
}

// A log is a text a person may edit: a line that is no entry is skipped, never fatal.
TEST(Ledger, DamagedLinesAreSkipped) {
    const std::string good = FormatLedgerLine(Entry(1796800000, "a", "/f"));
    const std::string rows[] = {
        "",
        "# a note",
        good.substr(0, 60),
        "2026-13-09 07:06:40 UTC" + good.substr(23),
        good.substr(0, good.find("sha256=")) + "sha256=xyz" + good.substr(good.find(" file=")),
        good.substr(0, good.find("records=")) + "records=many" + good.substr(good.find(" sha")),
        good.substr(0, good.find("unit=")) + "unit=../x" + good.substr(good.find(" port")),
    };
    for (const std::string& row : rows) {
        TLedgerEntry entry;
        EXPECT_FALSE(ParseLedgerLine(row, &entry)) << row;
    }
    const std::vector<TLedgerEntry> entries =
        ParseLedgerLog(rows[1] + "\n" + good + "\r\n" + rows[3] + "\n" + good);
    EXPECT_EQ(entries.size(), 2u);
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
    for (const char* name : {"pump-3", "A.b_c", "x",
                             "0123456789012345678901234567890123456789"
                             "012345678901234567890123"}) {
        EXPECT_TRUE(IsUnitName(name)) << name;
    }
    for (const char* name : {"", ".hidden", "a/b", "a b", "a@1", "..", "a\\b",
                             "01234567890123456789012345678901234567890123456789012345678901234"}) {
        EXPECT_FALSE(IsUnitName(name)) << name;
    }
}

TEST(Ledger, UnitAtNCountsBackFromTheNewest) {
    const std::vector<TLedgerEntry> entries = {Entry(100, "a", "/f"), Entry(200, "b", "/g"),
                                               Entry(300, "a", "/g")};
    const struct {
        const char* name;
        bool found;
        long long time;
        const char* error;  // a part of it; "" when the name is no UNIT@N at all
    } rows[] = {
        {"a@1", true, 300, ""},
        {"a@2", true, 100, ""},
        {"b@1", true, 200, ""},
        {"a@3", false, 0, "holds 2 backups of unit a, not 3"},
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
    EXPECT_EQ(RememberedUnit(entries, "/g"), "a");
    EXPECT_EQ(RememberedUnit(entries, "/f"), "a");
    EXPECT_EQ(RememberedUnit(entries, "/h"), "");
}

// The user's folders from the environment, as each system names them.
TEST(UserFolders, FromTheEnvironment) {
    struct Row {
        TUserEnvironment environment;
        const char* state;
        const char* data;
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
        {{true, "/x", "/x", "/home/u", "C:\\Users\\u\\AppData\\Local"},
         "C:\\Users\\u\\AppData\\Local\\zvtool",
         "C:\\Users\\u\\AppData\\Local\\zvtool"},
        {{true, "/x", "/x", "/home/u", nullptr}, "", ""},
    };
    for (const Row& row : rows) {
        const TUserFolders folders = UserFoldersFrom(row.environment);
        EXPECT_EQ(folders.state, row.state);
        EXPECT_EQ(folders.data, row.data);
    }
}

TEST(Ledger, KeepCopiesTheFileAndAppendsItsLine) {
    ScratchDir cwd;
    const std::string dir = std::filesystem::current_path().string();
    const TLedgerPlace place{dir + "/data/zvtool", "no folder"};
    WriteBytes("b.dat", "0, 1, 2");
    TKeepRequest request{dir + "/b.dat", "backup", "pump-3", "COM1", "1.0", dir, 1796800000};
    TLedgerEntry first;
    TLedgerEntry second;
    ASSERT_EQ(KeepInLedger(place, request, &first).exit, 0);
    ASSERT_EQ(KeepInLedger(place, request, &second).exit, 0);
    EXPECT_EQ(first.file, "pump-3/20261209-070640-backup.dat");
    EXPECT_EQ(second.file, "pump-3/20261209-070640-backup-2.dat");
    EXPECT_EQ(first.sha256, Sha256Hex(std::string("0, 1, 2")));
    EXPECT_EQ(ReadBytes((dir + "/data/zvtool/" + second.file).c_str()), "0, 1, 2");
    std::vector<TLedgerEntry> entries;
    std::string error;
    ASSERT_TRUE(ReadLedger(place, &entries, &error)) << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].file, second.file);
    EXPECT_EQ(ReadBytes((dir + "/data/zvtool/ledger.log").c_str()),
              FormatLedgerLine(first) + "\n" + FormatLedgerLine(second) + "\n");
    EXPECT_EQ(UnitForFolder(place, "", dir), "pump-3");
    EXPECT_EQ(UnitForFolder(place, "other", dir), "other");
    EXPECT_EQ(UnitForFolder(place, "", "/elsewhere"), "unnamed");

    // A ledger folder that cannot be made (a file stands in its way, whoever runs it).
    const TZvError failed = KeepInLedger({dir + "/b.dat/zvtool", ""}, request, &first);
    EXPECT_NE(failed.exit, 0);
    EXPECT_NE(failed.message.find("cannot make the ledger folder"), std::string::npos)
        << failed.message;
    EXPECT_NE(failed.message.find("is whole all the same"), std::string::npos);
    // No folder at all: the reason is said.
    const TZvError none =
        KeepInLedger({"", "neither XDG_DATA_HOME nor HOME is set"}, request, &first);
    EXPECT_EQ(none.message.rfind("no ledger folder: neither XDG_DATA_HOME nor HOME is set", 0), 0u);
}

}  // namespace
