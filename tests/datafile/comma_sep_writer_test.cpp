#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "datafile/record_text.h"
#include "tests/common/failing_close.h"
#include "tests/common/scratch_dir.h"

namespace {

TPcModulSetup Filled(std::uint8_t value) {
    TPcModulSetup record;
    std::memset(&record, value, sizeof(record));
    return record;
}

TPcModulSetup Counting() {
    TPcModulSetup record;
    auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
    bytes[0] = 1;
    for (std::size_t i = 1; i < sizeof(record); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i - 1);
    }
    return record;
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

// A full line of `count` numbers `value`, as it stands on disk.
std::string FullLine(const std::string& value, int count) {
    return value + Repeat(", " + value, count - 1) + ",\r\n";
}

const std::string kZeroRecord = Repeat(FullLine("0", 26), 5) + "0";
const std::string k255Record = Repeat(FullLine("255", 16), 8) + "255, 255, 255";
const std::string kCountingRecord =
    "1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,\r\n"
    "21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40,\r\n"
    "41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60,\r\n"
    "61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80,\r\n"
    "81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100,\r\n"
    "101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116,\r\n"
    "117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129";

struct WriterCase {
    const char* name;
    std::vector<TPcModulSetup> records;
    std::string expected;
};

void PrintTo(const WriterCase& row, std::ostream* out) {
    *out << row.name;
}

class WriterTest : public ::testing::TestWithParam<WriterCase> {};

TEST_P(WriterTest, WritesExactBytes) {
    ScratchDir cwd;
    WriteBytes(kFromZvFile, "left over from an earlier run");
    {
        TReturnCode result = -1;
        TCommaSepFile file(kModeWrite, &result);
        ASSERT_EQ(result, 0);
        for (TPcModulSetup record : GetParam().records) {
            EXPECT_EQ(file.WriteData(&record), 0);
        }
    }
    EXPECT_EQ(ReadBytes(kFromZvFile), GetParam().expected);
}

// The in-memory formatter lays the records out byte for byte as the writer does.
TEST_P(WriterTest, FormatterGivesTheSameBytes) {
    std::string text;
    for (std::size_t i = 0; i < GetParam().records.size(); ++i) {
        text += i == 0 ? "" : kRecordSeparator;
        AppendRecordText(GetParam().records[i], text);
    }
    EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CommaSepFile, WriterTest,
    ::testing::Values(
        WriterCase{"NoRecordLeavesEmptyFile", {}, ""},
        WriterCase{"TwoZeroRecords", {Filled(0), Filled(0)}, kZeroRecord + ",\r\n" + kZeroRecord},
        WriterCase{"All255", {Filled(255)}, k255Record},
        WriterCase{"CountingRecordFillsLineTo80", {Counting()}, kCountingRecord},
        WriterCase{"ThreeRecordsEachOnNewLine",
                   {Filled(255), Counting(), Filled(0)},
                   k255Record + ",\r\n" + kCountingRecord + ",\r\n" + kZeroRecord}),
    [](const ::testing::TestParamInfo<WriterCase>& row) { return row.param.name; });

TEST(CommaSepWriter, ShapesOfExamples) {
    EXPECT_EQ(FullLine("0", 26).size(), 77U + 2U);
    EXPECT_EQ(FullLine("255", 16).size(), 79U + 2U);
    EXPECT_EQ(kCountingRecord.find("\r\n"), 76U);
}

TEST(CommaSepWriter, CannotCreateFromZvGives10) {
    ScratchDir cwd;
    std::filesystem::create_directory(kFromZvFile);
    TReturnCode result = -1;
    TCommaSepFile file(kModeWrite, &result);
    EXPECT_EQ(result, 10);
}

TEST(CommaSepWriter, FullDeviceGives10) {
    ScratchDir cwd;
    std::filesystem::create_symlink("/dev/full", kFromZvFile);
    TReturnCode result = -1;
    TCommaSepFile file(kModeWrite, &result);
    ASSERT_EQ(result, 0);
    TPcModulSetup record = Filled(7);
    EXPECT_EQ(file.WriteData(&record), 10);
    EXPECT_EQ(file.WriteData(&record), 10);
}

// The file may grow to one record and a little more: the second record fails, the first
// stays readable.
TEST(CommaSepWriter, RecordsBeforeWriteFailureStay) {
    ScratchDir cwd;
    rlimit oldLimit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit limit = oldLimit;
    limit.rlim_cur = k255Record.size() + 100;
    auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    int first = -1;
    int second = -1;
    {
        TReturnCode result = -1;
        TCommaSepFile file(kModeWrite, &result);
        TPcModulSetup record = Filled(255);
        first = file.WriteData(&record);
        second = file.WriteData(&record);
    }
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 10);
    EXPECT_EQ(ReadBytes(kFromZvFile).substr(0, k255Record.size()), k255Record);
}

// Closing reports what the file system reports only then; the records written before stay.
TEST(CommaSepWriter, CloseReportsFailure) {
    for (const bool closeFails : {false, true}) {
        ScratchDir cwd;
        TReturnCode result = -1;
        TCommaSepFile file(kModeWrite, &result);
        TPcModulSetup record = Filled(255);
        ASSERT_EQ(file.WriteData(&record), 0);
        if (closeFails) {
            FailNextFromZvClose();
        }
        EXPECT_EQ(file.Close(), closeFails ? 10 : 0);
        EXPECT_EQ(file.Close(), 0) << "a closed file is not closed again";
        EXPECT_EQ(ReadBytes(kFromZvFile), k255Record);
    }
}

}  // namespace
