#include "settings/ini.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "settings/profile.h"
#include "tests/common/scratch_dir.h"

namespace {

// Every reader's result widened to int, so one table holds flags, numbers and the port.
struct Reader {
    const char* key;
    int (*read)();
};

const Reader kComport{"Comport", [] { return int{iniGetComPort()}; }};
const Reader kTestConnection{"TestMiniZvConnection", [] { return iniTestMiniZvConnection(); }};
const Reader kGetData{"GetData", [] { return iniGetData(); }};
const Reader kToZorvek{"ToZorvek", [] { return iniToZorvek(); }};
const Reader kSendNumber{"SendNumberOfModuls", [] { return int{iniSendNumberOfModuls()}; }};
const Reader kFromNumber{"GetFromModulNumber", [] { return int{iniGetFromModulNumber()}; }};
const Reader kToNumber{"GetToModulNumber", [] { return int{iniGetToModulNumber()}; }};
const Reader kIgnoreMutBlock{"IgnoreMutBlock", [] { return iniIgnoreMutBlock(); }};

TEST(IniRead, NoSettingsFileGivesDefaults) {
    ScratchDir dir;
    EXPECT_EQ(iniGetComPort(), 1);
    EXPECT_EQ(iniTestMiniZvConnection(), 1);
    EXPECT_EQ(iniGetData(), 1);
    EXPECT_EQ(iniToZorvek(), 1);
    EXPECT_EQ(iniSendNumberOfModuls(), 1);
    EXPECT_EQ(iniGetFromModulNumber(), 1);
    EXPECT_EQ(iniGetToModulNumber(), 1);
    EXPECT_EQ(iniIgnoreMutBlock(), 0);
}

struct IniCase {
    Reader reader;
    const char* value;  // nullptr: the key is missing from an otherwise full file
    int expected;
};

void PrintTo(const IniCase& row, std::ostream* out) {
    *out << row.reader.key << "=" << (row.value != nullptr ? row.value : "(missing)");
}

class IniReadTest : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniReadTest, ConvertsTheSetting) {
    ScratchDir dir;
    const IniCase& row = GetParam();
    std::string lines = "Other=5\r\n";
    if (row.value != nullptr) {
        lines += std::string(row.reader.key) + "=" + row.value + "\r\n";
    }
    WriteBytes(kSettingsFile, SectionWith(lines));
    EXPECT_EQ(row.reader.read(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, IniReadTest,
    ::testing::Values(IniCase{kGetData, "7", 1}, IniCase{kGetData, "0", 0},
                      IniCase{kGetData, "-1", 1}, IniCase{kGetData, nullptr, 1},
                      IniCase{kTestConnection, "0", 0}, IniCase{kTestConnection, nullptr, 1},
                      IniCase{kToZorvek, "0", 0}, IniCase{kToZorvek, "x", 0},
                      IniCase{kIgnoreMutBlock, "2", 1}, IniCase{kIgnoreMutBlock, "1", 1},
                      IniCase{kIgnoreMutBlock, nullptr, 0}));

// Out of 1..200 as a signed 32-bit number reads as 1; 4294967496 wraps to 200.
INSTANTIATE_TEST_SUITE_P(
    Numbers, IniReadTest,
    ::testing::Values(IniCase{kSendNumber, "0", 1}, IniCase{kSendNumber, "201", 1},
                      IniCase{kSendNumber, "1000", 1}, IniCase{kSendNumber, "-1", 1},
                      IniCase{kSendNumber, "200", 200}, IniCase{kSendNumber, "1", 1},
                      IniCase{kSendNumber, "2147483848", 1}, IniCase{kSendNumber, nullptr, 1},
                      IniCase{kFromNumber, "0", 1}, IniCase{kFromNumber, "201", 1},
                      IniCase{kFromNumber, "200", 200}, IniCase{kFromNumber, "57", 57},
                      IniCase{kToNumber, "1000", 1}, IniCase{kToNumber, "-1", 1},
                      IniCase{kToNumber, "200", 200}, IniCase{kToNumber, "4294967496", 200}));

INSTANTIATE_TEST_SUITE_P(Port, IniReadTest,
                         ::testing::Values(IniCase{kComport, "258", 2}, IniCase{kComport, "0", 0},
                                           IniCase{kComport, "256", 0},
                                           IniCase{kComport, "255", 255},
                                           IniCase{kComport, "-1", 255},
                                           IniCase{kComport, nullptr, 1}));

TEST(IniWrite, StatusKeysGoIntoOneSection) {
    ScratchDir dir;
    iniZorVekDriverStart();
    EXPECT_EQ(ReadBytes(kStatusFile), SectionWith("ZorVekDriverRunning=1\r\n"));
    iniNowTransferingNo(17);
    EXPECT_EQ(ReadBytes(kStatusFile),
              SectionWith("ZorVekDriverRunning=1\r\nNowTransferingNo=17\r\n"));
    iniNowTransferingNo(-5);
    iniZorVekDriverStart();
    EXPECT_EQ(ReadBytes(kStatusFile),
              SectionWith("ZorVekDriverRunning=1\r\nNowTransferingNo=-5\r\n"));
    EXPECT_FALSE(std::ifstream(kSettingsFile).good());
}

}  // namespace
