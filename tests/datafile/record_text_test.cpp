// The record text in memory: the fields the scanner hands over, and the formatter's bytes
// against the driver's writer.
#include "datafile/record_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "tests/common/scratch_dir.h"

namespace {

// A field as a row states it: its byte, all its digits, its runs of digits, the characters
// that are neither digits nor white space, where it starts, where its content starts, and
// whether a line end stands in front of that.
struct Want {
    int byte;
    int digits;
    int runs;
    int others;
    TTextPosition start;
    TTextPosition first;
    bool beginsLine;
};

struct ScanCase {
    const char* name;
    std::string text;
    std::vector<Want> fields;
    TTextPosition end;  // where the scanner stops: the end of the text or its Ctrl-Z
};

void PrintTo(const ScanCase& row, std::ostream* out) {
    *out << row.name;
}

class ScannerTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScannerTest, HandsOverEachField) {
    const std::string& text = GetParam().text;
    TFieldReader reader = ReadFields(text.data(), text.size());
    std::vector<TRecordField> got;
    TRecordField field;
    while (NextField(reader, field)) {
        got.push_back(field);
    }
    ASSERT_EQ(got.size(), GetParam().fields.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Want& want = GetParam().fields[i];
        const TRecordField& f = got[i];
        EXPECT_EQ(FieldByte(f), want.byte) << "field " << i;
        EXPECT_EQ(f.digits, want.digits) << "field " << i;
        EXPECT_EQ(f.digitRuns, want.runs) << "field " << i;
        EXPECT_EQ(f.others, want.others) << "field " << i;
        EXPECT_EQ(f.start.line, want.start.line) << "field " << i;
        EXPECT_EQ(f.start.column, want.start.column) << "field " << i;
        EXPECT_EQ(f.first.line, want.first.line) << "field " << i;
        EXPECT_EQ(f.first.column, want.first.column) << "field " << i;
        EXPECT_EQ(f.beginsLine, want.beginsLine) << "field " << i;
        EXPECT_EQ(f.endsText, i + 1 == got.size()) << "field " << i;
        EXPECT_LE(f.end, text.size()) << "field " << i;
        EXPECT_TRUE(f.end == text.size() || text[f.end] == ',' || text[f.end] == kEndOfText);
    }
    EXPECT_EQ(reader.scanner.here.line, GetParam().end.line);
    EXPECT_EQ(reader.scanner.here.column, GetParam().end.column);
}

// Positions: {line, column}; a field without content keeps `first` at 1:1.
INSTANTIATE_TEST_SUITE_P(
    RecordText, ScannerTest,
    ::testing::Values(
        ScanCase{"EmptyTextIsOneEmptyField", "", {{0, 0, 0, 0, {1, 1}, {1, 1}, true}}, {1, 1}},
        ScanCase{"TrailingCommaGivesEmptyLastField",
                 "5,",
                 {{5, 1, 1, 0, {1, 1}, {1, 1}, true}, {0, 0, 0, 0, {1, 3}, {1, 1}, false}},
                 {1, 3}},
        ScanCase{"SkippedCharactersJoinDigits",
                 "12a3, -4,\r\n 300,256",
                 {{123, 3, 2, 1, {1, 1}, {1, 1}, true},
                  {4, 1, 1, 1, {1, 6}, {1, 7}, false},
                  {44, 3, 1, 0, {1, 10}, {2, 2}, true},
                  {0, 3, 1, 0, {2, 6}, {2, 6}, false}},
                 {2, 9}},
        ScanCase{"SpacesPartRunsOfDigits",
                 "12 34,7",
                 {{210, 4, 2, 0, {1, 1}, {1, 1}, true}, {7, 1, 1, 0, {1, 7}, {1, 7}, false}},
                 {1, 8}},
        // 1234567 is 0x12D687: the digits behind the seventh are counted and dropped.
        ScanCase{"OverLongNumberKeepsFirstSeven",
                 "123456789,9",
                 {{0x87, 9, 1, 0, {1, 1}, {1, 1}, true}, {9, 1, 1, 0, {1, 11}, {1, 11}, false}},
                 {1, 12}},
        ScanCase{"LongRunOfDigits",
                 std::string(5000, '9'),
                 {{9999999 % 256, 5000, 1, 0, {1, 1}, {1, 1}, true}},
                 {1, 5001}},
        ScanCase{"CtrlZEndsTheText",
                 "5,6\x1a"
                 "7,8",
                 {{5, 1, 1, 0, {1, 1}, {1, 1}, true}, {6, 1, 1, 0, {1, 3}, {1, 3}, false}},
                 {1, 4}},
        ScanCase{"BytesAbove127AreOthers",
                 "1\xff"
                 "2\x80",
                 {{12, 2, 2, 2, {1, 1}, {1, 1}, true}},
                 {1, 5}},
        ScanCase{"LineEndBeforeContentBeginsLine",
                 "1,\r\n\t2,3\n",
                 {{1, 1, 1, 0, {1, 1}, {1, 1}, true},
                  {2, 1, 1, 0, {1, 3}, {2, 2}, true},
                  {3, 1, 1, 0, {2, 4}, {2, 4}, false}},
                 {3, 1}}),
    [](const ::testing::TestParamInfo<ScanCase>& row) { return row.param.name; });

// A file of gigabytes of digits, or of one line, must not overflow a count: they stop.
TEST(RecordText, CountsStopAtTheLargestInt) {
    constexpr int kMax = std::numeric_limits<int>::max();
    TFieldScanner scanner;
    scanner.field.digits = kMax;
    scanner.field.digitRuns = kMax;
    scanner.field.others = kMax - 1;
    scanner.here.column = kMax - 1;
    TRecordField ended;
    for (char c : std::string("12x3 y,")) {
        ScanChar(scanner, c, ended);
    }
    EXPECT_EQ(ended.digits, kMax);
    EXPECT_EQ(ended.digitRuns, kMax);
    EXPECT_EQ(ended.others, kMax);
    EXPECT_EQ(scanner.here.column, kMax);
    EXPECT_EQ(scanner.field.start.column, kMax);
}

TEST(RecordText, WholeRecordsCountFieldsAsTheDriverDoes) {
    std::string record = "0";
    for (std::size_t i = 1; i < kNumbersPerRecord; ++i) {
        record += ", 1";
    }
    EXPECT_EQ(WholeRecordsIn("", 0), 0);
    EXPECT_EQ(WholeRecordsIn(record.data(), record.size()), 1);
    // Two numbers without a comma between them are one field: the record lacks one.
    const std::string joined = "12 34" + record.substr(1);
    EXPECT_EQ(WholeRecordsIn(joined.data(), joined.size() - 3), 0);
    const std::string two = record + ",\r\n" + record + ",\x1a" + record;
    EXPECT_EQ(WholeRecordsIn(two.data(), two.size()), 2);
}

// Records the formatter lays out read back through the scanner, and are the bytes the
// driver's writer puts in "fromZv.dat".
TEST(RecordText, FormatterMatchesTheWriterAndReadsBack) {
    std::mt19937 random(17);
    std::vector<TPcModulSetup> records(40);
    for (TPcModulSetup& record : records) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
        const int shape = static_cast<int>(random() % 3);
        for (std::size_t i = 0; i < kNumbersPerRecord; ++i) {
            bytes[i] = static_cast<std::uint8_t>(shape == 0 ? random() : shape == 1 ? 255 : 7);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < records.size(); ++i) {
        text += i == 0 ? "" : kRecordSeparator;
        AppendRecordText(records[i], text);
    }
    ScratchDir cwd;
    {
        TReturnCode result = -1;
        TCommaSepFile file(kModeWrite, &result);
        ASSERT_EQ(result, 0);
        for (TPcModulSetup record : records) {
            ASSERT_EQ(file.WriteData(&record), 0);
        }
    }
    EXPECT_EQ(ReadBytes(kFromZvFile), text);

    TFieldReader reader = ReadFields(text.data(), text.size());
    TRecordField field;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&records[r]);
        for (std::size_t i = 0; i < kNumbersPerRecord; ++i) {
            ASSERT_TRUE(NextField(reader, field));
            ASSERT_EQ(FieldByte(field), bytes[i]) << "record " << r << " number " << i;
            ASSERT_EQ(field.others, 0);
        }
    }
    EXPECT_FALSE(NextField(reader, field));
}

}  // namespace
