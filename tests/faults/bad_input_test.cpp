// Whole runs in virtual time on bad input from the host: settings files with junk, huge
// numbers, binary bytes, a byte-order mark or CR-only lines; a "ToZv.dat" that is binary,
// huge, or has a number too many or too few; a "fromZv.dat" or a status file that cannot be
// written. Each ends with a defined result code and the running flag cleared.
#include <filesystem>
#include <functional>
#include <ostream>

#include "device/setup_records.h"
#include "driver/driver.h"
#include "settings/ini.h"
#include "tests/driver/driver_env.h"

namespace {

using namespace drivertest;

const std::string kHeader = "[Zorvek PC interface driver]\r\n";
const std::string kFetchCentral = "TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=0\r\n";
const std::string kSendCentral = "TestMiniZvConnection=0\r\nGetData=0\r\nToZorvek=0\r\n";
const std::string kFetchModuls = "TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=1\r\n";

// A string literal with every byte in it, NULs included.
template <std::size_t N>
std::string Raw(const char (&text)[N]) {
    return std::string(text, N - 1);
}

const std::string kOtherOwners = Raw("\x00\xff junk\r\n[Other]\r\nComStatus=9\r\n");

void Settings(const std::string& bytes) {
    WriteBytes(kSettingsFile, bytes);
}

// The host's records: any bytes, numbered 17 and 4.
const Bytes kRecordA = PcBytes(17, fake::PatternRecord(81));
const Bytes kRecordB = PcBytes(4, fake::PatternRecord(82));

std::string Numbers(const Bytes& bytes, const std::string& separator = ",") {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += (i == 0 ? "" : separator) + std::to_string(bytes[i]);
    }
    return text;
}

Bytes Cut(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What the unit stored, as PC records.
std::vector<Bytes> Stored() {
    std::vector<Bytes> stored;
    for (const fake::UnitStored& entry : fake::UnitStoredRecords()) {
        stored.push_back(PcBytes(entry.number, entry.record));
    }
    return stored;
}

struct BadInputCase {
    const char* name;
    std::function<void()> arrange;
    int result;
    Bytes requests;  // the request codes that reached the unit
    std::function<void()> check;
};

void PrintTo(const BadInputCase& row, std::ostream* out) {
    *out << row.name;
}

class BadInputTest : public DriverTest, public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(BadInputTest, EndsWithADefinedResultAndTheFlagCleared) {
    const BadInputCase& row = GetParam();
    row.arrange();

    iniZorVekDriverStart();
    EXPECT_EQ(RunDriver(), row.result);

    EXPECT_EQ(RequestCodes(), row.requests);
    if (std::filesystem::is_regular_file(kStatusFile)) {
        EXPECT_EQ(ProfileGetInt(kSection, "ComStatus", -1, kStatusFile),
                  static_cast<std::uint32_t>(row.result));
        EXPECT_EQ(ProfileGetInt(kSection, "ZorVekDriverRunning", -1, kStatusFile), 0u);
    }
    if (row.check) {
        row.check();
    }
}

const BadInputCase kSettingsCases[] = {
    {"SettingsJunkWithoutSection",
     [] { Settings("hello\r\n= =\r\n[[[\r\n\x01\x02"); },
     0,
     {1},
     nullptr},
    // A value that is no number reads as 0: every key is 0, the central send runs, and
    // finds no "ToZv.dat".
    {"SettingsJunkValues",
     [] { Settings(kHeader + "TestMiniZvConnection=zero\r\nGetData=?\r\nToZorvek=-\r\n"); },
     8,
     {},
     nullptr},
    // Numbers wrap modulo 2^32: 4294967299 is 3, 4294967301 is 5.
    {"SettingsHugeNumbersWrap",
     [] {
         Settings(kHeader + kFetchModuls +
                  "GetFromModulNumber=4294967299\r\nGetToModulNumber=4294967301\r\n");
     },
     3,
     {7, 7, 7},
     [] { EXPECT_EQ(RecordsIn(kFromZvFile).size(), 3u); }},
    // 10^99 is 0 modulo 2^32: not the connection test but the default transfer, module 1.
    {"SettingsHundredDigitNumber",
     [] { Settings(kHeader + "TestMiniZvConnection=1" + std::string(99, '0') + "\r\n"); }, 3,
     Bytes{7}, nullptr},
    {"SettingsBinaryBytesBeforeTheSection",
     [] { Settings(Raw("\x00\xff\xfe\x80\r\n\x1a\x00junk=1\r\n") + kHeader + kFetchCentral); },
     3,
     {3},
     nullptr},
    {"SettingsBinaryValue",
     [] {
         Settings(kHeader + Raw("TestMiniZvConnection=\x80\xff\x00 1\r\n") +
                  "GetData=1\r\nToZorvek=0\r\n");
     },
     3,
     {3},
     nullptr},
    {"SettingsUtf8ByteOrderMark",
     [] { Settings(std::string("\xEF\xBB\xBF") + kHeader + kFetchCentral); }, 3, Bytes{3}, nullptr},
    {"SettingsCrOnlyLines",
     [] {
         Settings("[Zorvek PC interface driver]\rTestMiniZvConnection=0\rGetData=1\rToZorvek=0\r");
     },
     3, Bytes{3}, nullptr},
    {"SettingsMegabyteLine",
     [] { Settings(std::string(1 << 20, 'x') + "\r\n" + kHeader + kFetchCentral); }, 3, Bytes{3},
     nullptr},
    {"SettingsFileIsADirectory", [] { std::filesystem::create_directory(kSettingsFile); }, 0,
     Bytes{1}, nullptr},
    // "ToZorvek" is cut off: it reads as its default 1, the module send.
    {"SettingsCutInTheMiddleOfAKey",
     [] { Settings(kHeader + "TestMiniZvConnection=0\r\nGetData=0\r\nToZor"); },
     8,
     {},
     [] { EXPECT_EQ(StatusValue("NowTransferingNo"), "1"); }},
};

INSTANTIATE_TEST_SUITE_P(Settings, BadInputTest, ::testing::ValuesIn(kSettingsCases), CaseName());

void SendCentralWith(const std::string& toZv) {
    Settings(kHeader + kSendCentral);
    WriteBytes(kToZvFile, toZv);
}

void SendModulsWith(int count, const std::string& toZv) {
    Settings(kHeader + "TestMiniZvConnection=0\r\nGetData=0\r\nToZorvek=1\r\n" +
             "SendNumberOfModuls=" + std::to_string(count) + "\r\n");
    WriteBytes(kToZvFile, toZv);
}

// Every byte but the digits, the comma and Ctrl-Z.
std::string BinaryWithoutNumbers() {
    std::string bytes;
    for (int round = 0; round < 16; ++round) {
        for (int b = 0; b < 256; ++b) {
            if (b != ',' && b != 26 && (b < '0' || b > '9')) {
                bytes.push_back(static_cast<char>(b));
            }
        }
    }
    return bytes;
}

void ExpectStored(const std::vector<Bytes>& records) {
    EXPECT_EQ(Stored(), records);
}

// The central record is sent without its number.
Bytes AsCentral(const Bytes& record) {
    return Join(Bytes{0}, Cut(record, 1, record.size()));
}

const BadInputCase kToZvCases[] = {
    {"ToZvBinaryWithoutNumbers", [] { SendCentralWith(BinaryWithoutNumbers()); }, 9, {}, nullptr},
    {"ToZvCtrlZInsideTheRecord",
     [] {
         SendCentralWith(Numbers(Cut(kRecordA, 0, 65)) + ",\x1a," +
                         Numbers(Cut(kRecordA, 65, kNumbersPerRecord)));
     },
     9,
     {},
     nullptr},
    // Binary bytes between the numbers are skipped.
    {"ToZvBinaryBetweenNumbers",
     [] { SendCentralWith(Numbers(kRecordA, Raw(",\x00\xff\x80 \t"))); }, 1, Bytes{5},
     [] { ExpectStored({AsCentral(kRecordA)}); }},
    // Tens of megabytes behind the records the job needs are never read.
    {"ToZvHugeTail",
     [] {
         std::string tail;
         for (int i = 0; i < 4'000'000; ++i) {
             tail += "123456789,";
         }
         SendModulsWith(2, Numbers(kRecordA) + ",\r\n" + Numbers(kRecordB) + ",\r\n" + tail);
     },
     1,
     {9, 9},
     [] {
         ExpectStored({kRecordA, kRecordB});
     }},
    // A single number of thirty million digits: its first seven count, then the file ends.
    {"ToZvOneHugeNumber", [] { SendCentralWith(std::string(30'000'000, '7')); }, 9, {}, nullptr},
    // Only the first 131 numbers make the central record.
    {"ToZvOneNumberTooMany", [] { SendCentralWith(Numbers(kRecordA) + ",7\r\n"); }, 1, Bytes{5},
     [] { ExpectStored({AsCentral(kRecordA)}); }},
    {"ToZvOneNumberTooFew",
     [] { SendCentralWith(Numbers(Cut(kRecordA, 0, kNumbersPerRecord - 1)) + "\r\n"); },
     9,
     {},
     nullptr},
    // Records follow each other without regard to lines: a number too many shifts the next
    // record, which then goes to the module that the extra number names.
    {"ToZvModulRecordOneNumberTooMany",
     [] { SendModulsWith(2, Numbers(kRecordA) + ",7,\r\n" + Numbers(kRecordB) + "\r\n"); },
     1,
     {9, 9},
     [] {
         ExpectStored({kRecordA, Join(Bytes{7}, Cut(kRecordB, 0, kNumbersPerRecord - 1))});
     }},
    {"ToZvModulRecordOneNumberTooFew",
     [] {
         SendModulsWith(2, Numbers(Cut(kRecordA, 0, kNumbersPerRecord - 1)) + ",\r\n" +
                               Numbers(kRecordB) + "\r\n");
     },
     9,
     {9},
     [] {
         ExpectStored({Join(Cut(kRecordA, 0, kNumbersPerRecord - 1), Bytes{kRecordB[0]})});
         EXPECT_EQ(StatusValue("NowTransferingNo"), "2");
     }},
    {"ToZvIsADirectory",
     [] {
         Settings(kHeader + kSendCentral);
         std::filesystem::create_directory(kToZvFile);
     },
     8,
     {},
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(ToZv, BadInputTest, ::testing::ValuesIn(kToZvCases), CaseName());

const BadInputCase kOutputCases[] = {
    {"FromZvIsADirectory",
     [] {
         Settings(kHeader + kFetchModuls);
         std::filesystem::create_directory(kFromZvFile);
     },
     10,
     {},
     [] { EXPECT_EQ(StatusValue("NowTransferingNo"), std::nullopt); }},
    {"FromZvOnAFullDevice",
     [] {
         Settings(kHeader + kFetchCentral);
         std::filesystem::create_symlink("/dev/full", kFromZvFile);
     },
     10,
     {3},
     nullptr},
    {"FromZvOnAFullDeviceForModuls",
     [] {
         Settings(kHeader + kFetchModuls + "GetToModulNumber=3\r\n");
         std::filesystem::create_symlink("/dev/full", kFromZvFile);
     },
     10,
     {7},
     [] { EXPECT_EQ(StatusValue("NowTransferingNo"), "1"); }},
    // Nothing can be reported, but the run ends all the same, with its result.
    {"StatusFileIsADirectory",
     [] {
         Settings(kHeader + kFetchCentral);
         std::filesystem::create_directory(kStatusFile);
     },
     3,
     {3},
     [] {
         EXPECT_TRUE(std::filesystem::is_empty(kStatusFile));
         EXPECT_EQ(RecordsIn(kFromZvFile).size(), 1u);
     }},
    // Bytes of other owners in the status file stay where they are.
    {"StatusFileWithBinaryJunk",
     [] {
         Settings(kHeader + kFetchCentral);
         WriteBytes(kStatusFile, kOtherOwners);
     },
     3,
     {3},
     [] { EXPECT_EQ(ReadBytes(kStatusFile).substr(0, kOtherOwners.size()), kOtherOwners); }},
};

INSTANTIATE_TEST_SUITE_P(Output, BadInputTest, ::testing::ValuesIn(kOutputCases), CaseName());

}  // namespace
