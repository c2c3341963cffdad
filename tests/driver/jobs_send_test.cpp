// The two send jobs against the scripted unit in virtual time: which records reach which
// module, the progress shown per pass, the pauses, and the result code.
#include <functional>
#include <optional>
#include <ostream>

#include "driver/jobs.h"
#include "tests/driver/driver_env.h"

namespace {

using namespace drivertest;

// Record i of a test's "ToZv.dat" holds these bytes, whatever number it carries.
modul_setup FileSetup(std::size_t i) {
    return fake::PatternRecord(static_cast<std::uint8_t>(60 + i));
}

std::vector<Bytes> FileRecords(const std::vector<int>& numbers) {
    std::vector<Bytes> records;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        records.push_back(PcBytes(static_cast<std::uint8_t>(numbers[i]), FileSetup(i)));
    }
    return records;
}

const Pauses kFailedOp = kFailedAttempt * 5;

// ---- send-module-setups job ----

struct SendModulsCase {
    const char* name;
    int count;                                // "SendNumberOfModuls"
    std::optional<std::vector<int>> numbers;  // the records of "ToZv.dat"; none: no file
    std::function<void()> arrange;
    int result;
    std::vector<std::size_t> requests;  // indexes of the file records that reached the unit
    int passes;
    Pauses pauses;
};

void PrintTo(const SendModulsCase& row, std::ostream* out) {
    *out << row.name;
}

class SendModulsTest : public DriverTest, public ::testing::WithParamInterface<SendModulsCase> {};

TEST_P(SendModulsTest, SendsEachRecordToTheModulItNames) {
    const SendModulsCase& row = GetParam();
    WriteSettings("SendNumberOfModuls=" + std::to_string(row.count) + "\r\n");
    std::vector<Bytes> records;
    if (row.numbers) {
        records = FileRecords(*row.numbers);
        WriteToZv(records);
    }
    const std::string fileBefore = ReadBytes(kToZvFile);
    row.arrange();

    EXPECT_EQ(SendModulSetupsJob(), row.result);

    std::vector<Bytes> expected;
    for (const std::size_t i : row.requests) {
        Bytes packet{9};
        packet.insert(packet.end(), records.at(i).begin(), records.at(i).end());
        expected.push_back(packet);
    }
    EXPECT_EQ(RequestPackets(), expected);
    std::vector<int> passes;
    for (int n = 1; n <= row.passes; ++n) {
        passes.push_back(n);
    }
    EXPECT_EQ(StatusWindowTitleHistory(), PassTitles(passes));
    EXPECT_EQ(StatusValue("NowTransferingNo"), std::to_string(row.passes));
    EXPECT_EQ(PauseDurations(), row.pauses);
    EXPECT_EQ(ReadBytes(kToZvFile), fileBefore);
    EXPECT_FALSE(Exists(kFromZvFile));
}

void Good() {}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SendModulsTest,
    ::testing::Values(
        SendModulsCase{
            "AllSent", 3, std::vector<int>{1, 2, 3}, Good, 1, {0, 1, 2}, 3, kGoodPass * 3},
        SendModulsCase{"RecordsGoToTheModulesTheyName",
                       2,
                       std::vector<int>{17, 4},
                       Good,
                       1,
                       {0, 1},
                       2,
                       kGoodPass * 2},
        SendModulsCase{"OnlyCountRecordsAreRead",
                       2,
                       std::vector<int>{1, 2, 3},
                       Good,
                       1,
                       {0, 1},
                       2,
                       kGoodPass * 2},
        SendModulsCase{"FileEndsAtPass4",
                       5,
                       std::vector<int>{1, 2, 3},
                       Good,
                       9,
                       {0, 1, 2},
                       5,
                       kGoodPass * 3 + kIdlePass * 2},
        SendModulsCase{"FileMissing", 3, std::nullopt, Good, 8, {}, 3, kIdlePass * 3},
        SendModulsCase{"FileEmpty", 2, std::vector<int>{}, Good, 9, {}, 2, kIdlePass * 2},
        SendModulsCase{"SecondNumberedZero",
                       3,
                       std::vector<int>{1, 0, 3},
                       Good,
                       7,
                       {0},
                       3,
                       kGoodPass + kIdlePass * 2},
        SendModulsCase{"SecondNumbered201",
                       3,
                       std::vector<int>{1, 201, 3},
                       Good,
                       7,
                       {0},
                       3,
                       kGoodPass + kIdlePass * 2},
        SendModulsCase{"UnitRefusesSecondWith8",
                       3,
                       std::vector<int>{1, 2, 3},
                       [] { fake::SetUnitStatus(9, 8, 2); },
                       2,
                       {0, 1},
                       2,
                       kGoodPass + kRefusedPass},
        SendModulsCase{"UnitRefusesFirstWithFA",
                       3,
                       std::vector<int>{1, 2, 3},
                       [] { fake::SetUnitStatus(9, 0xFA, 1); },
                       2,
                       {0},
                       1,
                       kRefusedPass},
        SendModulsCase{"UnitRefusesLastWith1",
                       3,
                       std::vector<int>{1, 2, 3},
                       [] { fake::SetUnitStatus(9, 1, 3); },
                       2,
                       {0, 1, 2},
                       3,
                       kGoodPass * 2 + kRefusedPass},
        SendModulsCase{"SecondNotAcknowledged",
                       3,
                       std::vector<int>{1, 2, 3},
                       [] { fake::AddUnitFault(FrameFault::kNoAck, 2, fake::kEveryFrame); },
                       2,
                       {0, 1, 1, 1, 1, 1},
                       3,
                       kGoodPass + kFailedOp + kIdlePass * 2},
        SendModulsCase{"NoReplyToSecond",
                       3,
                       std::vector<int>{1, 2, 3},
                       [] { fake::AddUnitFault(FrameFault::kNoReply, 2, 5); },
                       4,
                       {0, 1, 1, 1, 1, 1},
                       3,
                       kGoodPass + kFailedOp + kIdlePass * 2},
        SendModulsCase{"SecondSentOnItsThirdAttempt",
                       3,
                       std::vector<int>{1, 2, 3},
                       [] { fake::AddUnitFault(FrameFault::kNoAck, 2, 2); },
                       1,
                       {0, 1, 1, 1, 2},
                       3,
                       kGoodPass + kFailedAttempt * 2 + kGoodPass * 2}),
    CaseName());

using SendModulsStoreTest = DriverTest;

// The unit keeps each record under the number it carries; the pass number plays no part.
TEST_F(SendModulsStoreTest, UnitStoresTheFileBytesUnderTheRecordsOwnNumbers) {
    WriteSettings("SendNumberOfModuls=2\r\n");
    WriteToZv(FileRecords({17, 4}));

    EXPECT_EQ(SendModulSetupsJob(), 1);

    ASSERT_EQ(fake::UnitStoredRecords().size(), 2u);
    EXPECT_EQ(fake::UnitStoredRecords()[0].number, 17);
    EXPECT_EQ(PcBytes(17, fake::UnitStoredRecords()[0].record), FileRecords({17}).at(0));
    EXPECT_EQ(fake::UnitStoredRecords()[1].number, 4);
    EXPECT_EQ(PcBytes(4, fake::UnitStoredRecords()[1].record), FileRecords({17, 4}).at(1));
    EXPECT_EQ(SetupBytes(fake::UnitRecord(1)), SetupBytes(fake::PatternRecord(1)));
    EXPECT_EQ(SetupBytes(fake::UnitRecord(2)), SetupBytes(fake::PatternRecord(2)));
}

// ---- send-central-setup job ----

// The request that carries file record 0 as the central record with `flag`.
Bytes CentralRequest(std::uint8_t flag) {
    Bytes packet{5, flag};
    const Bytes record = PcBytes(0, FileSetup(0));
    packet.insert(packet.end(), record.begin() + 1, record.end());
    return packet;
}

struct SendCentralCase {
    const char* name;
    std::function<void()> arrange;
    int result;
    std::size_t requests;
};

void PrintTo(const SendCentralCase& row, std::ostream* out) {
    *out << row.name;
}

class SendCentralTest : public DriverTest, public ::testing::WithParamInterface<SendCentralCase> {};

TEST_P(SendCentralTest, MapsTheUnitsAnswer) {
    const SendCentralCase& row = GetParam();
    WriteToZv(FileRecords({0}));
    row.arrange();

    EXPECT_EQ(SendCentralSetupJob(), row.result);

    EXPECT_EQ(RequestPackets(), std::vector<Bytes>(row.requests, CentralRequest(0)));
    EXPECT_EQ(StatusWindowTitleHistory(), UntouchedTitles());
    EXPECT_FALSE(Exists(kStatusFile));
    EXPECT_FALSE(Exists(kFromZvFile));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SendCentralTest,
    ::testing::Values(
        SendCentralCase{"Status0", Good, 1, 1},
        SendCentralCase{"Status8", [] { fake::SetUnitStatus(5, 8); }, 6, 1},
        SendCentralCase{"StatusFA", [] { fake::SetUnitStatus(5, 0xFA); }, 11, 1},
        SendCentralCase{"Status1", [] { fake::SetUnitStatus(5, 1); }, 2, 1},
        SendCentralCase{"Status9", [] { fake::SetUnitStatus(5, 9); }, 2, 1},
        SendCentralCase{"NotAcknowledged",
                        [] { fake::AddUnitFault(FrameFault::kNoAck, 1, fake::kEveryFrame); }, 2, 5},
        SendCentralCase{"BadAcknowledgement",
                        [] { fake::AddUnitFault(FrameFault::kBadAck, 1, fake::kEveryFrame); }, 2,
                        5},
        SendCentralCase{"NoReply",
                        [] { fake::AddUnitFault(FrameFault::kNoReply, 1, fake::kEveryFrame); }, 4,
                        5},
        SendCentralCase{"WrongReplyCode",
                        [] { fake::AddUnitFault(FrameFault::kWrongReply, 1, fake::kEveryFrame); },
                        4, 5}),
    CaseName());

using SendCentralFileTest = DriverTest;

TEST_F(SendCentralFileTest, TheUnitKeepsTheRecordSent) {
    WriteToZv(FileRecords({0}));
    EXPECT_EQ(SendCentralSetupJob(), 1);
    ASSERT_EQ(fake::UnitStoredRecords().size(), 1u);
    EXPECT_EQ(fake::UnitStoredRecords()[0].number, 0);
    EXPECT_EQ(SetupBytes(fake::UnitRecord(0)), SetupBytes(FileSetup(0)));
    EXPECT_EQ(fake::NowMs(), kWakePause);
}

// The record's own number is not sent; only its 130 setup bytes are. Records after the
// first are not read.
TEST_F(SendCentralFileTest, SendsTheFirstRecordsSetupBytesWhateverItsNumber) {
    for (const int number : {0, 9, 200, 255}) {
        SetUp();
        WriteToZv(FileRecords({number, 5}));
        EXPECT_EQ(SendCentralSetupJob(), 1) << number;
        EXPECT_EQ(RequestPackets(), std::vector<Bytes>{CentralRequest(0)}) << number;
    }
}

TEST_F(SendCentralFileTest, IgnoreMutBlockGoesOutAsTheFlagByte) {
    const std::pair<const char*, std::uint8_t> rows[] = {{"IgnoreMutBlock=1\r\n", 1},
                                                         {"IgnoreMutBlock=0\r\n", 0},
                                                         {"", 0},
                                                         {"IgnoreMutBlock=7\r\n", 1}};
    for (const auto& [lines, flag] : rows) {
        SetUp();
        WriteSettings(lines);
        WriteToZv(FileRecords({0}));
        EXPECT_EQ(SendCentralSetupJob(), 1) << lines;
        EXPECT_EQ(RequestPackets(), std::vector<Bytes>{CentralRequest(flag)}) << lines;
    }
}

TEST_F(SendCentralFileTest, MissingFileEndsWith8WithoutTraffic) {
    EXPECT_EQ(SendCentralSetupJob(), 8);
    EXPECT_TRUE(fake::Writes().empty());
    EXPECT_FALSE(Exists(kToZvFile));
}

TEST_F(SendCentralFileTest, ShortFileEndsWith9WithoutTraffic) {
    for (const char* text : {"", "1, 2, 3\r\n"}) {
        SetUp();
        WriteBytes(kToZvFile, text);
        EXPECT_EQ(SendCentralSetupJob(), 9) << text;
        EXPECT_TRUE(fake::Writes().empty()) << text;
    }
}

}  // namespace
