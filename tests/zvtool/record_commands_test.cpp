#include "zvtool/records/record_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"
#include "zvtool/cli/run.h"
#include "zvtool/exit_codes.h"
#include "zvtool/records/record_write.h"

namespace {

// Record `number` with setup byte k = (number + k) mod 256, bytes listed in `changes` set to
// 255, as the driver writes it: 131 numbers on one line here, which the format allows.
std::string Record(int number, std::vector<int> changes = {}) {
    std::string text = std::to_string(number);
    for (int k = 0; k < 130; ++k) {
        bool changed = false;
        for (int c : changes) {
            changed = changed || c == k;
        }
        text += ", " + std::to_string(changed ? 255 : (number + k) % 256);
    }
    return text;
}

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

// A record-file command, run as zvtool runs it: through its command line.
CommandRun Command(std::vector<std::string> args) {
    std::vector<const char*> argv{"zvtool"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = RunZvtool(static_cast<int>(argv.size()), argv.data());
    std::fflush(stdout);
    std::fflush(stderr);
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
}

struct CommandCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string out;  // the whole of stdout, or a part of it when `part` is set
    const char* err;  // a part of stderr ("" when stderr must stay empty)
    bool part;
};

void PrintTo(const CommandCase& row, std::ostream* out) {
    *out << row.name;
}

class RecordCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(RecordCommandTest, PrintsAndExits) {
    ScratchDir cwd;
    WriteBytes("a.dat", Record(3) + ",\r\n" + Record(4));
    WriteBytes("b.dat", Record(5) + ",\r\n" + Record(4, {0, 129}));
    WriteBytes("same.dat", Record(4) + ",\r\n" + Record(3));
    // Module 3 with 25 empty fields in place of its bytes 0 to 24.
    WriteBytes("bad.dat", "3" + std::string(26, ',') + Record(3).substr(Record(3).find("28")));
    const CommandCase& row = GetParam();
    const CommandRun run = Command(row.args);
    EXPECT_EQ(run.status, row.status) << run.out << run.err;
    if (row.part) {
        EXPECT_NE(run.out.find(row.out), std::string::npos) << run.out;
    } else {
        EXPECT_EQ(run.out, row.out);
    }
    if (row.err[0] == '\0') {
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Zvtool, RecordCommandTest,
    ::testing::Values(
        CommandCase{"CheckSound",
                    {"check", "a.dat"},
                    0,
                    "a.dat: sound: 2 records (modules 3-4)\n",
                    "",
                    false},
        CommandCase{"CheckListsTwentyProblems",
                    {"check", "bad.dat"},
                    1,
                    "bad.dat:1:22: empty field; the driver reads 0\n"
                    "bad.dat: ... and 5 more problems\n"
                    "bad.dat: 25 problems; a send would not carry what the file seems to say\n",
                    "",
                    true},
        CommandCase{"CheckAll",
                    {"check", "--all", "bad.dat"},
                    1,
                    "bad.dat:1:27: empty field; the driver reads 0\nbad.dat: 25 problems",
                    "",
                    true},
        CommandCase{"CheckMissingFile",
                    {"check", "a.dat", "none.dat"},
                    2,
                    "a.dat: sound",
                    "zvtool check: cannot read none.dat: No such file",
                    true},
        CommandCase{"CheckNoFile", {"check"}, 2, "", "zvtool check: no file named", false},
        CommandCase{"CheckHelp", {"check", "--help"}, 0, "Usage: zvtool check", "", true},
        CommandCase{"ShowOneRecord",
                    {"show", "--record", "4", "a.dat"},
                    0,
                    "module 4 (line 2)\n"
                    "offset   +0   +1   +2   +3   +4   +5   +6   +7   +8   +9  +10  +11  +12  +13"
                    "  +14  +15\n"
                    "     0    4    5    6    7    8    9   10   11   12   13   14   15   16   17"
                    "   18   19\n",
                    "",
                    true},
        CommandCase{"ShowMissingRecord",
                    {"show", "--hex", "--record=central", "same.dat"},
                    2,
                    "",
                    "zvtool show: same.dat holds no central record (it holds modules 4, 3)",
                    false},
        CommandCase{"ShowHex",
                    {"show", "--hex", "a.dat"},
                    0,
                    "  0x80  83  84\n\nmodule 4 (line 2)\noffset  +0  +1",
                    "",
                    true},
        CommandCase{"ShowUnsoundFile",
                    {"show", "bad.dat"},
                    1,
                    "module 3 (line 1)",
                    "warning: bad.dat fails the check (25 problems, the first at line 1",
                    true},
        CommandCase{"ShowBadRecordOption",
                    {"show", "--record", "x", "a.dat"},
                    2,
                    "",
                    "--record takes a record number",
                    false},
        CommandCase{"DiffDiffer",
                    {"diff", "a.dat", "b.dat"},
                    1,
                    "A = a.dat, B = b.dat\n"
                    "module 3: only in A\n"
                    "module 4: 2 of 130 bytes differ\n"
                    "  offset    A    B\n"
                    "       0    4  255\n"
                    "     129  133  255\n"
                    "module 5: only in B\n"
                    "1 changed, 1 only in A, 1 only in B, 0 the same\n",
                    "",
                    false},
        CommandCase{"DiffSameInOtherOrder",
                    {"diff", "a.dat", "same.dat"},
                    0,
                    "A = a.dat, B = same.dat\na.dat and same.dat hold the same 2 records\n",
                    "",
                    false},
        CommandCase{
            "DiffHex", {"diff", "--hex", "a.dat", "b.dat"}, 1, "    0x81   85   FF\n", "", true},
        CommandCase{
            "DiffMissingFile", {"diff", "a.dat", "none.dat"}, 2, "", "cannot read none.dat", false},
        CommandCase{"DiffOneFile", {"diff", "a.dat"}, 2, "", "two files to compare", false},
        CommandCase{"DiffUnknownLedgerName",
                    {"diff", "a.dat", "nosuchunit@1"},
                    2,
                    "",
                    "zvtool diff: the ledger holds no backup of unit nosuchunit",
                    false},
        CommandCase{"SetShowsTheChange",
                    {"set", "a.dat", "module", "4", "0", "255", "module", "3", "0x81", "0"},
                    0,
                    "A = a.dat (before), B = a.dat\n"
                    "module 3: 1 of 130 bytes differ\n"
                    "  offset    A    B\n"
                    "     129  132    0\n"
                    "module 4: 1 of 130 bytes differ\n"
                    "  offset    A    B\n"
                    "       0    4  255\n"
                    "2 changed, 0 only in A, 0 only in B, 0 the same\n",
                    "",
                    false},
        CommandCase{"SetNoSuchRecord",
                    {"set", "a.dat", "central", "0", "1"},
                    64,
                    "",
                    "zvtool set: a.dat: the file holds no central record; set changes",
                    false},
        CommandCase{"SetUnsoundFile",
                    {"set", "bad.dat", "module", "3", "0", "1"},
                    65,
                    "",
                    "bad.dat fails the check",
                    false},
        CommandCase{"SetBadValue",
                    {"set", "a.dat", "module", "3", "0", "300"},
                    64,
                    "",
                    "zvtool set: '300' is not a byte value 0 to 255",
                    false},
        CommandCase{"SetNoChange", {"set", "a.dat"}, 64, "", "no change given", false},
        CommandCase{"SetHelp", {"set", "--help"}, 0, "Usage: zvtool set FILE CHANGE", "", true}),
    [](const ::testing::TestParamInfo<CommandCase>& row) { return row.param.name; });

// set writes the file again whole in the driver's layout, to -o when given.
TEST(Zvtool, SetWritesTheDriversLayout) {
    ScratchDir cwd;
    WriteBytes("a.dat", Record(0) + ",\r\n" + Record(200));
    ASSERT_EQ(Command({"set", "a.dat", "-o", "b.dat", "module", "200", "129", "7"}).status, 0);
    std::vector<TZvRecord> records;
    std::vector<std::string> problems;
    ASSERT_EQ(LoadCheckedRecords("b.dat", &records, &problems).exit, kExitOk);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[1].bytes[129], 7);
    EXPECT_EQ(records[1].bytes[128], (200 + 128) % 256);
    EXPECT_EQ(ReadBytes("a.dat"), Record(0) + ",\r\n" + Record(200));
    std::vector<TZvRecord> expected;
    ASSERT_EQ(LoadCheckedRecords("a.dat", &expected, &problems).exit, kExitOk);
    expected[1].bytes[129] = 7;
    std::string error;
    ASSERT_TRUE(WriteRecordFile("c.dat", expected, &error)) << error;
    EXPECT_EQ(ReadBytes("b.dat"), ReadBytes("c.dat"));
    EXPECT_EQ(ReadBytes("b.dat").find("\r\n") <= 80, true);
    EXPECT_EQ(cwd.Entries(), (std::vector<std::string>{"a.dat", "b.dat", "c.dat"}));
}

TEST(Zvtool, LoadCheckedRecordsTakesOnlySoundFiles) {
    ScratchDir cwd;
    WriteBytes("a.dat", Record(0) + ",\r\n" + Record(200));
    WriteBytes("bad.dat", Record(3) + ", 4");
    std::vector<TZvRecord> records;
    std::vector<std::string> problems;
    ASSERT_EQ(LoadCheckedRecords("a.dat", &records, &problems).exit, kExitOk);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[1].number, 200);
    EXPECT_EQ(records[1].bytes[129], (200 + 129) % 256);
    EXPECT_TRUE(problems.empty());

    std::vector<TZvRecord> none;
    const TZvError bad = LoadCheckedRecords("bad.dat", &none, &problems);
    EXPECT_EQ(bad.exit, kExitDataError);
    EXPECT_EQ(bad.message.rfind("bad.dat fails the check (2 problems)", 0), 0u) << bad.message;
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0].rfind("bad.dat:1:", 0), 0u) << problems[0];
    EXPECT_EQ(LoadCheckedRecords("missing.dat", &none, &problems).exit, kExitNoInput);
    EXPECT_TRUE(none.empty());
}

// The comparison behind `diff`, without its printing: records matched by number, the later
// of a number held twice, and every differing offset.
TEST(Zvtool, CompareRecordsMatchesByNumber) {
    auto record = [](int number, std::vector<int> changes = {}) {
        TZvRecord made{number, {}};
        for (int k = 0; k < static_cast<int>(kSetupBytes); ++k) {
            made.bytes[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((number + k) % 256);
        }
        for (int c : changes) {
            made.bytes[static_cast<std::size_t>(c)] = 255;
        }
        return made;
    };
    struct Row {
        const char* name;
        std::vector<TZvRecord> a;
        std::vector<TZvRecord> b;
        std::vector<std::pair<int, int>> records;  // number, in (1 A, 2 B, 3 changed)
        std::vector<int> offsets;                  // of the first changed record
        int changed, onlyA, onlyB, same;
    };
    const Row rows[] = {
        {"both empty", {}, {}, {}, {}, 0, 0, 0, 0},
        {"same in another order",
         {record(3), record(4)},
         {record(4), record(3)},
         {},
         {},
         0,
         0,
         0,
         2},
        {"one in each only", {record(3)}, {record(0)}, {{0, 2}, {3, 1}}, {}, 0, 1, 1, 0},
        {"first and last byte", {record(4)}, {record(4, {0, 129})}, {{4, 3}}, {0, 129}, 1, 0, 0, 0},
        {"the later of a number twice",
         {record(5, {7}), record(5)},
         {record(5)},
         {},
         {},
         0,
         0,
         0,
         1},
        {"the earlier one does not count",
         {record(5)},
         {record(5), record(5, {7})},
         {{5, 3}},
         {7},
         1,
         0,
         0,
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TRecordDiff diff = CompareRecords(row.a, row.b);
        ASSERT_EQ(diff.records.size(), row.records.size());
        for (std::size_t i = 0; i < row.records.size(); ++i) {
            EXPECT_EQ(diff.records[i].number, row.records[i].first);
            EXPECT_EQ(diff.records[i].in, row.records[i].second);
        }
        if (!row.offsets.empty()) {
            ASSERT_EQ(diff.records[0].bytes.size(), row.offsets.size());
            for (std::size_t i = 0; i < row.offsets.size(); ++i) {
                const TByteChange& change = diff.records[0].bytes[i];
                EXPECT_EQ(change.offset, row.offsets[i]);
                EXPECT_EQ(change.b, 255);
                EXPECT_NE(change.a, change.b);
            }
        }
        EXPECT_EQ(diff.changed, row.changed);
        EXPECT_EQ(diff.onlyA, row.onlyA);
        EXPECT_EQ(diff.onlyB, row.onlyB);
        EXPECT_EQ(diff.same, row.same);
    }
}

}  // namespace
