#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "datafile/record_text.h"
#include "tests/common/scratch_dir.h"

namespace {

constexpr std::uint8_t kUntouched = 0xA5;

// The numbers start, start + 1, ... as the host might write them, `count` of them.
std::string Numbers(int start, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string((start + i) % 256);
    }
    return text;
}

struct Step {
    int code;
    int value;  // byte after the call; kUntouched when a 9 leaves it as it was
};

struct NumberCase {
    const char* name;
    std::string bytes;
    std::vector<Step> steps;
};

void PrintTo(const NumberCase& row, std::ostream* out) {
    *out << row.name;
}

class GetOneNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(GetOneNumberTest, ReadsNumberByNumber) {
    ScratchDir cwd;
    WriteBytes(kToZvFile, GetParam().bytes);
    TReturnCode result = -1;
    TCommaSepFile file(kModeRead, &result);
    ASSERT_EQ(result, 0);
    for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
        std::uint8_t target = kUntouched;
        EXPECT_EQ(file.GetOneNumber(&target), GetParam().steps[i].code) << "number " << i;
        EXPECT_EQ(target, GetParam().steps[i].value) << "number " << i;
    }
}

// The same text read in memory: a field for every number the file gives, then none.
TEST_P(GetOneNumberTest, InMemoryFieldsAreTheSameNumbers) {
    const std::string& text = GetParam().bytes;
    TFieldReader reader = ReadFields(text.data(), text.size());
    TRecordField field;
    for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
        const bool more = NextField(reader, field);
        EXPECT_EQ(more, GetParam().steps[i].code == 0) << "number " << i;
        if (more) {
            EXPECT_EQ(FieldByte(field), GetParam().steps[i].value) << "number " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommaSepFile, GetOneNumberTest,
    ::testing::Values(
        NumberCase{"SkipsOtherCharactersKeepsLow8Bits",
                   {'1', '2', 'a', '3', ',', ' ', '-', '4', ',', '\r', '\n',
                    ' ', '3', '0', '0', ',', '2', '5', '6', ',', ',',  '7'},
                   {{0, 123}, {0, 4}, {0, 44}, {0, 0}, {0, 0}, {0, 7}, {9, kUntouched}}},
        NumberCase{"EmptyFile", "", {{0, 0}, {9, kUntouched}, {9, kUntouched}}},
        NumberCase{"TrailingCommaGivesEmptyField", "5,", {{0, 5}, {0, 0}, {9, kUntouched}}},
        NumberCase{"CtrlZEndsFile",
                   "5,6\x1a"
                   "7,8",
                   {{0, 5}, {0, 6}, {9, kUntouched}}},
        NumberCase{"BytesAbove127Skipped",
                   "1\xff"
                   "2\x80,3",
                   {{0, 12}, {0, 3}, {9, kUntouched}}},
        // 1234567 is 0x12D687; the eighth digit and beyond are dropped, the comma still ends
        // the field.
        NumberCase{"EightDigitsKeepFirstSeven", "12345678,9", {{0, 0x87}, {0, 9}}},
        NumberCase{"LongRunOfDigits",
                   std::string(5000, '9') + ",1",
                   {{0, 9999999 % 256}, {0, 1}, {9, kUntouched}}}),
    [](const ::testing::TestParamInfo<NumberCase>& row) { return row.param.name; });

struct LoadCase {
    const char* name;
    std::string bytes;
    std::vector<int> codes;   // of successive LoadData calls
    std::string firstRecord;  // the 131 bytes after the first call
};

// The record Numbers(0, 131) reads into, and its first `count` bytes over untouched ones.
std::string CountingBytes(std::size_t count) {
    std::string bytes(sizeof(TPcModulSetup), static_cast<char>(kUntouched));
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<char>(i);
    }
    return bytes;
}

std::string ZeroThenUntouched() {
    std::string bytes(sizeof(TPcModulSetup), static_cast<char>(kUntouched));
    bytes[0] = 0;
    return bytes;
}

void PrintTo(const LoadCase& row, std::ostream* out) {
    *out << row.name;
}

class LoadDataTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadDataTest, LoadsRecords) {
    ScratchDir cwd;
    WriteBytes(kToZvFile, GetParam().bytes);
    TReturnCode result = -1;
    TCommaSepFile file(kModeRead, &result);
    ASSERT_EQ(result, 0);
    for (std::size_t i = 0; i < GetParam().codes.size(); ++i) {
        TPcModulSetup record;
        std::memset(&record, kUntouched, sizeof(record));
        EXPECT_EQ(file.LoadData(&record), GetParam().codes[i]) << "call " << i;
        if (i == 0) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record), sizeof(record)),
                      GetParam().firstRecord);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommaSepFile, LoadDataTest,
    ::testing::Values(
        LoadCase{"EmptyFile", "", {9, 9}, ZeroThenUntouched()},
        LoadCase{"OneRecordNothingAfter", Numbers(0, 131), {0, 9, 9}, CountingBytes(131)},
        LoadCase{"OneRecordThenComma", Numbers(0, 131) + ",", {0, 9}, CountingBytes(131)},
        LoadCase{"OneRecordThenLineEnd", Numbers(0, 131) + "\r\n", {0, 9}, CountingBytes(131)},
        LoadCase{"EndsAfter130Numbers", Numbers(0, 130), {9}, CountingBytes(130)},
        LoadCase{"CommaAfter130Numbers",
                 Numbers(0, 130) + ",",
                 {0, 9},
                 CountingBytes(130).replace(130, 1, 1, '\0')},
        LoadCase{"LineLayoutIgnored",
                 "0,\r\n1,\n2\r,3" + ("," + Numbers(4, 127)),
                 {0, 9},
                 CountingBytes(131)},
        LoadCase{"CtrlZEndsFileForGood",
                 Numbers(0, 131) + ",\x1a" + Numbers(0, 131),
                 {0, 9, 9},
                 CountingBytes(131)},
        LoadCase{"TwoRecords",
                 Numbers(0, 131) + ",\r\n" + Numbers(0, 131),
                 {0, 0, 9},
                 CountingBytes(131)}),
    [](const ::testing::TestParamInfo<LoadCase>& row) { return row.param.name; });

TEST(CommaSepReader, MissingToZvGives8) {
    ScratchDir cwd;
    TReturnCode result = -1;
    TCommaSepFile file(kModeRead, &result);
    EXPECT_EQ(result, 8);
}

}  // namespace
