#include "zvtool/records/record_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "tests/common/scratch_dir.h"
#include "zvtool/records/record_write.h"

namespace {

// Record `number` with setup byte k = (number + k) mod 256, on one line of its own.
std::string Record(int number, int count = 131) {
    std::string text = std::to_string(number);
    for (int k = 1; k < count; ++k) {
        text += ", " + std::to_string((number + k - 1) % 256);
    }
    return text;
}

// Record `number` with every setup byte `value`, on one line of its own.
std::string Filled(int number, int value) {
    std::string text = std::to_string(number);
    for (int k = 1; k < 131; ++k) {
        text += ", " + std::to_string(value);
    }
    return text;
}

std::string Records(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        text += (i == 0 ? "" : ",\r\n") + Record(numbers[i]);
    }
    return text;
}

struct Expected {
    int line;
    int column;
    const char* says;  // a part of the problem's text
};

struct ReadCase {
    const char* name;
    std::string text;
    int records;  // whole records as the driver reads them
    std::vector<Expected> problems;
};

void PrintTo(const ReadCase& row, std::ostream* out) {
    *out << row.name;
}

class StrictReadingTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(StrictReadingTest, FindsEachProblemWhereItIs) {
    const TRecordReading reading = ReadRecordText(GetParam().text);
    EXPECT_EQ(static_cast<int>(reading.records.size()), GetParam().records);
    ASSERT_EQ(reading.problemCount, static_cast<int>(GetParam().problems.size()));
    for (std::size_t i = 0; i < GetParam().problems.size(); ++i) {
        const Expected& want = GetParam().problems[i];
        const TRecordProblem& got = reading.problems[i];
        EXPECT_EQ(got.line, want.line) << got.text;
        EXPECT_EQ(got.column, want.column) << got.text;
        EXPECT_NE(got.text.find(want.says), std::string::npos) << got.text;
    }
}

// What the strict reading says the driver reads is what the driver's own reader reads.
TEST_P(StrictReadingTest, RecordsAreThoseTheDriverReads) {
    const TRecordReading reading = ReadRecordText(GetParam().text);
    ScratchDir cwd;
    WriteBytes(kToZvFile, GetParam().text);
    TReturnCode result = -1;
    TCommaSepFile file(kModeRead, &result);
    ASSERT_EQ(result, 0);
    std::vector<TZvRecord> driver;
    TPcModulSetup pc{};
    while (file.LoadData(&pc) == 0) {
        TZvRecord record{pc.number, {}};
        std::memcpy(record.bytes.data(), &pc.lead, record.bytes.size());
        driver.push_back(record);
    }
    ASSERT_EQ(driver.size(), reading.records.size());
    for (std::size_t i = 0; i < driver.size(); ++i) {
        EXPECT_EQ(driver[i].number, reading.records[i].number) << "record " << i;
        EXPECT_EQ(driver[i].bytes, reading.records[i].bytes) << "record " << i;
    }
    EXPECT_EQ(CountWholeRecords(kToZvFile), static_cast<int>(driver.size()));
}

// The records read, written again in the driver's layout, read back the same, with no
// problem about their fields.
TEST_P(StrictReadingTest, RecordsWrittenAgainReadBackTheSame) {
    const TRecordReading reading = ReadRecordText(GetParam().text);
    ScratchDir cwd;
    std::string error;
    ASSERT_TRUE(WriteRecordFile("again.dat", reading.records, &error)) << error;
    const TRecordReading again = ReadRecordText(ReadBytes("again.dat"));
    ASSERT_EQ(again.records.size(), reading.records.size());
    for (std::size_t i = 0; i < again.records.size(); ++i) {
        EXPECT_EQ(again.records[i].number, reading.records[i].number) << "record " << i;
        EXPECT_EQ(again.records[i].bytes, reading.records[i].bytes) << "record " << i;
        EXPECT_TRUE(i == 0 || again.lines[i] > again.lines[i - 1]) << "record " << i;
    }
    for (const TRecordProblem& problem : again.problems) {
        EXPECT_EQ(problem.text.find("the driver reads"), std::string::npos) << problem.text;
    }
}

const std::string kRecord3 = Record(3);
const std::string kTail3 = kRecord3.substr(1);  // ", 3, 4, ..." behind the number

INSTANTIATE_TEST_SUITE_P(
    RecordFile, StrictReadingTest,
    ::testing::Values(
        ReadCase{"SoundBackup", Records({0, 1, 2, 200}), 4, {}},
        ReadCase{"TrailingCommaLineEndAndCtrlZ", Records({5}) + ",\r\n\x1a", 1, {}},
        ReadCase{"TabsAndSpaces", "\t 7 \t" + Record(7).substr(1), 1, {}},
        ReadCase{
            "LetterJoinsDigits",
            "3, 1x2" + kTail3.substr(3),
            1,
            {{1, 5, "\"1x2\": 'x' is not allowed (the driver skips it); the driver reads 12"}}},
        ReadCase{
            "Above255",
            "3, 300" + kTail3.substr(3),
            1,
            {{1, 4, "\"300\": above 255 (the driver keeps the low 8 bits); the driver reads 44"}}},
        ReadCase{
            "EmptyField", "3," + kTail3.substr(3), 1, {{1, 3, "empty field; the driver reads 0"}}},
        ReadCase{
            "NumbersWithoutComma",
            "3, 12 34" + kTail3.substr(3),
            1,
            {{1, 4,
              "\"12 34\": numbers without a comma between them (the driver joins "
              "their digits), above 255 (the driver keeps the low 8 bits); the driver reads 210"}}},
        ReadCase{"EightDigits",
                 "3, 000000012" + kTail3.substr(3),
                 1,
                 {{1, 4,
                   "\"000000012\": 9 digits (the driver keeps the first seven); the "
                   "driver reads 0"}}},
        ReadCase{"SignAndControlByte",
                 "3, -\x0c"
                 "4" +
                     kTail3.substr(3),
                 1,
                 {{1, 4,
                   "'-' and byte 0x0C are not allowed (the driver skips them); the "
                   "driver reads 4"}}},
        ReadCase{"NumberAbove200",
                 Records({201}),
                 1,
                 {{1, 1,
                   "record number 201 is neither 0 (central) nor a module 1 to 200; a "
                   "module send stops at it with result 7"}}},
        ReadCase{"CentralNotFirst",
                 Records({4, 0}),
                 2,
                 {{2, 1, "a central record (number 0) after the first record"}}},
        ReadCase{
            "ModuleTwice", Records({4, 9, 4}), 3, {{3, 1, "module 4 again (first at line 1)"}}},
        ReadCase{"LastRecordShort",
                 Records({4}) + ",\r\n" + Record(5, 130),
                 1,
                 {{2, 1,
                   "the last record holds only 130 of 131 numbers; a send that reaches "
                   "it ends with result 9"}}},
        // Module 5 lost a number: the driver takes module 6's number as 5's last byte, and
        // 6's first setup byte as the next record's number.
        ReadCase{"RecordShortShiftsTheRest",
                 Records({4}) + ",\r\n" + Record(5, 130) + ",\r\n" + Records({6, 7}),
                 3,
                 {{3, 4,
                   "the driver's record 3 starts here, in the middle of a line, and reads "
                   "6 as its number: the record at line 2 probably"},
                  {4, 4, "the last record holds only 130 of 131"}}},
        // Behind the shift every record number is misread: those problems are echoes of the
        // one lost number, counted in the shift's problem rather than listed.
        ReadCase{"ShiftEchoesAreNotListed",
                 Records({4}) + ",\r\n" + Record(5, 130) + ",\r\n" + Filled(6, 250) + ",\r\n" +
                     Filled(7, 250) + ",\r\n" + Filled(8, 250),
                 4,
                 {{3, 4, "record number 250 is neither 0 (central) nor a module"},
                  {3, 4,
                   "shifts every record behind it (the 2 problems of record numbers behind it "
                   "follow from it and are not listed)"},
                  {5, 4, "the last record holds only 130 of 131"}}},
        ReadCase{"TextBehindCtrlZ",
                 Records({4}) + "\x1a" + ",\r\n" + Records({5}),
                 1,
                 {{1, static_cast<int>(Records({4}).size()) + 1,
                   "text behind a Ctrl-Z: the driver stops reading here and ignores the"}}},
        ReadCase{"EmptyFile", " \r\n", 0, {{1, 1, "the file holds no record"}}},
        // A comma behind 130 numbers makes a 131st, empty one: the record is whole.
        ReadCase{"CommaAfter130Numbers",
                 Record(5, 130) + ",",
                 1,
                 {{1, static_cast<int>(Record(5, 130).size()) + 2, "empty field"}}}),
    [](const ::testing::TestParamInfo<ReadCase>& row) { return row.param.name; });

TEST(RecordFile, DescribesNumbersInRanges) {
    std::vector<TZvRecord> records;
    for (int n : {0, 1, 2, 3, 7, 9, 10, 230}) {
        records.push_back({n, {}});
    }
    EXPECT_EQ(DescribeNumbers(records), "central, modules 1-3, 7, 9-10, number 230");
    EXPECT_EQ(DescribeNumbers({{12, {}}}), "module 12");
}

TEST(RecordFile, CannotReadGivesTheSystemsReason) {
    ScratchDir cwd;
    std::string text;
    std::string error;
    EXPECT_FALSE(ReadRecordFile("missing.dat", &text, &error));
    EXPECT_EQ(error, "No such file or directory");
    // Far larger than any record file: refused before it is all read.
    WriteBytes("huge.dat", std::string(17u * 1024 * 1024, '1'));
    EXPECT_FALSE(ReadRecordFile("huge.dat", &text, &error));
    EXPECT_EQ(error, "larger than 16 MB, so no record file (201 records take about 110 KB)");
}

}  // namespace
