#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "settings/profile.h"
#include "tests/common/scratch_dir.h"

namespace {

using namespace std::string_literals;

constexpr int kDefault = 77;

struct ReadCase {
    const char* name;
    std::string file;        // bytes of "zordrive.INI"
    std::uint32_t expected;  // what "Comport" reads as, with default 77
};

void PrintTo(const ReadCase& row, std::ostream* out) {
    *out << row.name;
}

class ProfileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReadTest, ReadsComportAsWindowsWould) {
    ScratchDir dir;
    WriteBytes(kSettingsFile, GetParam().file);
    EXPECT_EQ(ProfileGetInt(kSection, "Comport", kDefault, kSettingsFile), GetParam().expected);
}

const std::string kLongLine(100000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Values, ProfileReadTest,
    ::testing::Values(
        ReadCase{"Decimal", SectionWith("Comport=3\r\n"), 3},
        ReadCase{"StopsAtFirstOtherCharacter", SectionWith("Comport=12abc\r\n"), 12},
        ReadCase{"Hexadecimal", SectionWith("Comport=0x10\r\n"), 16},
        ReadCase{"HexadecimalDigitsInBothCases", SectionWith("Comport=0xfF\r\n"), 255},
        ReadCase{"CapitalXIsNoPrefix", SectionWith("Comport=0X10\r\n"), 0},
        ReadCase{"LeadingZeroIsStillDecimal", SectionWith("Comport=010\r\n"), 10},
        ReadCase{"MinusOneWraps", SectionWith("Comport=-1\r\n"), 4294967295u},
        ReadCase{"NegativeHexadecimal", SectionWith("Comport=-0x10\r\n"), 4294967280u},
        ReadCase{"PlusSign", SectionWith("Comport=+5\r\n"), 5},
        ReadCase{"SignAlone", SectionWith("Comport=-\r\n"), 0},
        ReadCase{"NotANumber", SectionWith("Comport=abc\r\n"), 0},
        ReadCase{"WrapsModulo2To32", SectionWith("Comport=4294967298\r\n"), 2},
        ReadCase{"HugeNumberWraps", SectionWith("Comport=99999999999\r\n"), 1215752191u},
        ReadCase{"ValueWithEqualsSign", SectionWith("Comport=5=6\r\n"), 5},
        ReadCase{"EmptyValueGivesDefault", SectionWith("Comport=\r\n"), kDefault},
        ReadCase{"BlankValueGivesDefault", SectionWith("Comport= \t \r\n"), kDefault},
        ReadCase{"EmptyQuotesGiveDefault", SectionWith("Comport=\"\"\r\n"), kDefault},
        ReadCase{"DoubleQuotes", SectionWith("Comport=\"7\"\r\n"), 7},
        ReadCase{"SingleQuotes", SectionWith("Comport='7'\r\n"), 7},
        ReadCase{"BlanksInsideQuotes", SectionWith("Comport=\" 7 \"\r\n"), 7},
        ReadCase{"UnmatchedQuoteStaysAndStopsTheNumber", SectionWith("Comport=\"7\r\n"), 0},
        ReadCase{"QuotedBlankIsNotEmpty", SectionWith("Comport=\" \"\r\n"), 0},
        ReadCase{"NulEndsTheValue",
                 SectionWith("Comport=\0"s
                             "5\r\n"),
                 kDefault},
        ReadCase{"KeyWithoutEqualsSign", SectionWith("Comport\r\n"), kDefault},
        ReadCase{"NamesInAnyCaseAndPadded",
                 "  [  zorvek pc INTERFACE driver ]  \r\n  comPORT  =  9  \r\n", 9},
        ReadCase{"TextAfterSectionBracketIgnored",
                 "[Zorvek PC interface driver] old\r\nComport=9\r\n", 9},
        ReadCase{"FirstKeyWins", SectionWith("Comport=4\r\nComport=5\r\n"), 4},
        ReadCase{"FirstSectionWins",
                 SectionWith("Comport=4\r\n[Zorvek PC interface driver]\r\nComport=5\r\n"), 4},
        ReadCase{"SecondSectionOfSameNameIsNotSearched",
                 SectionWith("A=1\r\n[Zorvek PC interface driver]\r\nComport=5\r\n"), kDefault},
        ReadCase{"KeyInOtherSection", "[Other]\r\nComport=5\r\n", kDefault},
        ReadCase{"KeyBeforeAnySection", "Comport=5\r\n[Zorvek PC interface driver]\r\n", kDefault},
        ReadCase{"KeyAfterSectionEnds", SectionWith("[Other]\r\nComport=5\r\n"), kDefault},
        ReadCase{"CommentedOut", SectionWith(";Comport=5\r\n  ; Comport=6\r\nComport=7\r\n"), 7},
        ReadCase{"HeaderWithoutBracketIsNoSection", SectionWith("[Other\r\nComport=5\r\n"), 5},
        ReadCase{"LfOnly", "[Other]\nComport=1\n[Zorvek PC interface driver]\nComport=6\n", 6},
        ReadCase{"CrOnly", "[Other]\rComport=1\r[Zorvek PC interface driver]\rComport=6\r", 6},
        ReadCase{"NoLineEndAtEnd", SectionWith("Comport=6"), 6},
        ReadCase{"Utf8ByteOrderMark", "\xEF\xBB\xBF" + SectionWith("Comport=8\r\n"), 8},
        ReadCase{"CtrlZAtEnd", SectionWith("Comport=8\x1a"), 8},
        ReadCase{"LongAndBinaryLines",
                 SectionWith(kLongLine + "\r\n\xff\xfe\0\x01=\r\n"s + "Comport=8\r\n"), 8},
        ReadCase{"EmptyFile", "", kDefault}),
    [](const ::testing::TestParamInfo<ReadCase>& row) { return row.param.name; });

TEST(ProfileRead, NoFileGivesDefault) {
    ScratchDir dir;
    EXPECT_EQ(ProfileGetInt(kSection, "Comport", kDefault, kSettingsFile), 77u);
    EXPECT_EQ(ProfileGetInt(kSection, "Comport", -3, kSettingsFile), 4294967293u);
}

TEST(ProfileRead, NameMatchesExactCaseOnly) {
    ScratchDir dir;
    WriteBytes("ZORDRIVE.INI", SectionWith("Comport=3\r\n"));
    EXPECT_EQ(ProfileGetInt(kSection, "Comport", kDefault, kSettingsFile), 77u);
}

// Whatever else bears the name is no settings file; a FIFO must not block the driver.
TEST(ProfileRead, DirectoryOrFifoGivesDefault) {
    ScratchDir dir;
    ASSERT_EQ(mkdir(kSettingsFile, 0755), 0);
    EXPECT_EQ(ProfileGetInt(kSection, "Comport", kDefault, kSettingsFile), 77u);
    ASSERT_EQ(mkfifo(kStatusFile, 0644), 0);
    EXPECT_EQ(ProfileGetInt(kSection, "Comport", kDefault, kStatusFile), 77u);
}

}  // namespace
