// The two fetch jobs against the scripted unit in virtual time: what lands in "fromZv.dat",
// the progress shown per pass, the pauses, and the result code.
#include <signal.h>
#include <sys/resource.h>

#include <functional>
#include <ostream>

#include "driver/jobs.h"
#include "tests/common/failing_close.h"
#include "tests/driver/driver_env.h"

namespace {

using namespace drivertest;

// For each pass of a good module fetch: the wake pause, then the pause after the pass.
std::vector<TimedPause> GoodPassPauses(std::size_t passes) {
    std::vector<TimedPause> pauses;
    for (std::uint64_t k = 0; k < passes; ++k) {
        const std::uint64_t start = k * (kWakePause + kPassPause);
        pauses.emplace_back(start, kWakePause);
        pauses.emplace_back(start + kWakePause, kPassPause);
    }
    return pauses;
}

std::vector<Bytes> UnitRecords(const std::vector<int>& moduls) {
    std::vector<Bytes> records;
    for (const int n : moduls) {
        const auto number = static_cast<std::uint8_t>(n);
        records.push_back(PcBytes(number, fake::UnitRecord(number)));
    }
    return records;
}

std::vector<Bytes> FetchRequests(const std::vector<int>& moduls) {
    std::vector<Bytes> packets;
    for (const int n : moduls) {
        packets.push_back({7, static_cast<std::uint8_t>(n)});
    }
    return packets;
}

const char kModuls3To5[] = "GetFromModulNumber=3\r\nGetToModulNumber=5\r\n";

// ---- fetch-module-setups job: a unit that answers every request ----

struct RangeCase {
    const char* name;
    const char* settings;
    std::vector<int> moduls;  // fetched in this order
};

void PrintTo(const RangeCase& row, std::ostream* out) {
    *out << row.name;
}

class FetchModulRangeTest : public DriverTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(FetchModulRangeTest, FetchesEveryModulOfTheRangeInOrder) {
    const RangeCase& row = GetParam();
    WriteSettings(row.settings);
    WriteBytes(kFromZvFile, "1, 2, 3\r\n");  // left over from an earlier run

    EXPECT_EQ(FetchModulSetupsJob(), 3);

    EXPECT_TRUE(Exists(kFromZvFile));
    EXPECT_EQ(RecordsIn(kFromZvFile), UnitRecords(row.moduls));
    EXPECT_EQ(RequestPackets(), FetchRequests(row.moduls));
    EXPECT_EQ(StatusWindowTitleHistory(), PassTitles(row.moduls));
    EXPECT_EQ(StatusWindowTitle(), kWindowTitle);
    if (row.moduls.empty()) {
        EXPECT_EQ(StatusValue("NowTransferingNo"), std::nullopt);
    } else {
        EXPECT_EQ(StatusValue("NowTransferingNo"), std::to_string(row.moduls.back()));
    }
    EXPECT_EQ(TimedPauses(), GoodPassPauses(row.moduls.size()));
    EXPECT_EQ(fake::NowMs(), row.moduls.size() * (kWakePause + kPassPause));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, FetchModulRangeTest,
    ::testing::Values(
        RangeCase{"ThreeToFive", kModuls3To5, {3, 4, 5}},
        RangeCase{"OneModul", "GetFromModulNumber=7\r\nGetToModulNumber=7\r\n", {7}},
        RangeCase{
            "UpToTheLastModul", "GetFromModulNumber=199\r\nGetToModulNumber=200\r\n", {199, 200}},
        RangeCase{"FirstAboveLastRunsNoPass", "GetFromModulNumber=5\r\nGetToModulNumber=3\r\n", {}},
        RangeCase{"MissingKeysFetchModulOne", "", {1}},
        RangeCase{
            "OutOfRangeNumbersAreOne", "GetFromModulNumber=0\r\nGetToModulNumber=201\r\n", {1}}),
    CaseName());

// ---- fetch-module-setups job: the unit fails on a module ----

constexpr std::uint64_t kGoodPassMs = kWakePause + kPassPause;
constexpr std::uint64_t kNoReplyAttemptMs = kWakePause + 5 * 1600 + kRetryPause;
constexpr std::uint64_t kWrongCodeAttemptMs = kWakePause + kRetryPause;

struct FetchFailureCase {
    const char* name;
    std::function<void()> arrange;
    std::vector<int> kept;  // records left in "fromZv.dat"
    int failed;             // the module whose pass failed: "NowTransferingNo" afterwards
    int attempts;           // requests for the failed module
    Pauses failedPass;
    std::uint64_t endMs;
};

void PrintTo(const FetchFailureCase& row, std::ostream* out) {
    *out << row.name;
}

class FetchModulFailureTest : public DriverTest,
                              public ::testing::WithParamInterface<FetchFailureCase> {};

// The loop ends at the failing module, without the pass pause, and keeps what came before.
TEST_P(FetchModulFailureTest, EndsWith4AtTheFailingModul) {
    const FetchFailureCase& row = GetParam();
    WriteSettings(kModuls3To5);
    row.arrange();

    EXPECT_EQ(FetchModulSetupsJob(), 4);

    EXPECT_EQ(RecordsIn(kFromZvFile), UnitRecords(row.kept));
    std::vector<int> passes = row.kept;
    passes.push_back(row.failed);
    std::vector<int> requested = row.kept;
    requested.insert(requested.end(), static_cast<std::size_t>(row.attempts), row.failed);
    EXPECT_EQ(RequestPackets(), FetchRequests(requested));
    EXPECT_EQ(StatusValue("NowTransferingNo"), std::to_string(row.failed));
    EXPECT_EQ(StatusWindowTitleHistory(), PassTitles(passes));
    EXPECT_EQ(PauseDurations(), kGoodPass * row.kept.size() + row.failedPass);
    EXPECT_EQ(fake::NowMs(), row.endMs);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FetchModulFailureTest,
    ::testing::Values(FetchFailureCase{"UnitRefusesModul4",
                                       [] { fake::SetUnitStatus(7, 8, 4); },
                                       {3},
                                       4,
                                       1,
                                       kRefusedPass,
                                       kGoodPassMs + kWakePause},
                      FetchFailureCase{"UnitRefusesModul3",
                                       [] { fake::SetUnitStatus(7, 1, 3); },
                                       {},
                                       3,
                                       1,
                                       kRefusedPass,
                                       kWakePause},
                      FetchFailureCase{
                          "SilentFromModul4",
                          [] { fake::AddUnitFault(FrameFault::kNoAck, 2, fake::kEveryFrame); },
                          {3},
                          4,
                          5,
                          kFailedAttempt * 5,
                          kGoodPassMs + kSilentSetupOpMs},
                      FetchFailureCase{"NoReplyForModul4",
                                       [] { fake::AddUnitFault(FrameFault::kNoReply, 2, 5); },
                                       {3},
                                       4,
                                       5,
                                       kFailedAttempt * 5,
                                       kGoodPassMs + 5 * kNoReplyAttemptMs},
                      FetchFailureCase{"WrongReplyCodeForModul4",
                                       [] { fake::AddUnitFault(FrameFault::kWrongReply, 2, 5); },
                                       {3},
                                       4,
                                       5,
                                       kFailedAttempt * 5,
                                       kGoodPassMs + 5 * kWrongCodeAttemptMs}),
    CaseName());

using FetchModulTest = DriverTest;

// Repeats belong to the device operation: the job neither repeats nor gives up on its own.
TEST_F(FetchModulTest, AModulFetchedOnItsThirdAttemptCountsAsFetched) {
    WriteSettings(kModuls3To5);
    fake::AddUnitFault(FrameFault::kNoAck, 2, 2);

    EXPECT_EQ(FetchModulSetupsJob(), 3);

    EXPECT_EQ(RecordsIn(kFromZvFile), UnitRecords({3, 4, 5}));
    EXPECT_EQ(RequestPackets(), FetchRequests({3, 4, 4, 4, 5}));
    EXPECT_EQ(PauseDurations(), kGoodPass + kFailedAttempt * 2 + kGoodPass * 2);
}

TEST_F(FetchModulTest, UncreatableFileEndsWith10WithoutAnyPass) {
    WriteSettings(kModuls3To5);
    std::filesystem::create_directory(kFromZvFile);

    EXPECT_EQ(FetchModulSetupsJob(), 10);

    EXPECT_TRUE(fake::Writes().empty());
    EXPECT_TRUE(fake::Pauses().empty());
    EXPECT_EQ(StatusValue("NowTransferingNo"), std::nullopt);
    EXPECT_EQ(StatusWindowTitleHistory(), PassTitles({}));
}

// The first record cannot be stored: the loop ends there, without the pass pause.
TEST_F(FetchModulTest, WriteErrorOnTheFirstRecordEndsWith10) {
    WriteSettings(kModuls3To5);
    std::filesystem::create_symlink("/dev/full", kFromZvFile);

    EXPECT_EQ(FetchModulSetupsJob(), 10);

    EXPECT_EQ(RequestPackets(), FetchRequests({3}));
    EXPECT_EQ(PauseDurations(), kRefusedPass);
    EXPECT_EQ(StatusValue("NowTransferingNo"), "3");
    EXPECT_EQ(StatusWindowTitleHistory(), PassTitles({3}));
}

// Lets files grow to `bytes` at most; a write beyond fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old;
        limited.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
};

// The disk fills up in the middle of the run: the record before stays, the job reports 10 and
// fetches nothing more.
TEST_F(FetchModulTest, WriteErrorMidRunKeepsEarlierRecordsAndEndsWith10) {
    WriteSettings("GetFromModulNumber=3\r\nGetToModulNumber=3\r\n");
    ASSERT_EQ(FetchModulSetupsJob(), 3);
    const std::string oneRecord = ReadBytes(kFromZvFile);
    SetUp();
    WriteSettings(kModuls3To5);

    int result = 0;
    {
        FileSizeLimit limit(oneRecord.size() + 20);
        result = FetchModulSetupsJob();
    }

    EXPECT_EQ(result, 10);
    const std::string text = ReadBytes(kFromZvFile);
    EXPECT_EQ(text.substr(0, oneRecord.size()), oneRecord);
    EXPECT_EQ(RecordsIn(kFromZvFile).at(0), UnitRecords({3}).at(0));
    EXPECT_EQ(RequestPackets(), FetchRequests({3, 4}));
    EXPECT_EQ(PauseDurations(), kGoodPass + kRefusedPass);
    EXPECT_EQ(StatusValue("NowTransferingNo"), "4");
    EXPECT_EQ(StatusWindowTitleHistory(), PassTitles({3, 4}));
}

// A write error that shows only when the file is closed: every record reached the file, but
// the host must not take it for a complete fetch.
TEST_F(FetchModulTest, FailedCloseEndsWith10KeepingTheRecords) {
    WriteSettings(kModuls3To5);
    FailNextFromZvClose();

    EXPECT_EQ(FetchModulSetupsJob(), 10);

    EXPECT_EQ(RecordsIn(kFromZvFile), UnitRecords({3, 4, 5}));
    EXPECT_EQ(StatusWindowTitleHistory(), PassTitles({3, 4, 5}));
}

// ---- fetch-central-setup job ----

struct CentralFetchCase {
    const char* name;
    std::function<void()> arrange;
    int result;
    std::size_t requests;
    std::uint64_t endMs;
};

void PrintTo(const CentralFetchCase& row, std::ostream* out) {
    *out << row.name;
}

class FetchCentralTest : public DriverTest,
                         public ::testing::WithParamInterface<CentralFetchCase> {};

// No title, no progress key; the file holds the central record numbered 0, or nothing.
TEST_P(FetchCentralTest, WritesTheCentralRecordOrNothing) {
    const CentralFetchCase& row = GetParam();
    fake::UnitRecord(kCentralRecordNumber) = fake::PatternRecord(123);
    WriteBytes(kFromZvFile, "9, 9, 9\r\n");
    row.arrange();

    EXPECT_EQ(FetchCentralSetupJob(), row.result);

    std::vector<Bytes> expected;
    if (row.result == 3) {
        expected.push_back(PcBytes(0, fake::PatternRecord(123)));
    }
    EXPECT_TRUE(Exists(kFromZvFile));
    EXPECT_EQ(RecordsIn(kFromZvFile), expected);
    EXPECT_EQ(RequestPackets(), std::vector<Bytes>(row.requests, Bytes{3, 0}));
    EXPECT_EQ(fake::NowMs(), row.endMs);
    EXPECT_EQ(StatusWindowTitleHistory(), UntouchedTitles());
    EXPECT_FALSE(Exists(kStatusFile));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, FetchCentralTest,
    ::testing::Values(
        CentralFetchCase{"UnitAnswers", [] {}, 3, 1, kWakePause},
        CentralFetchCase{"Status1", [] { fake::SetUnitStatus(3, 1); }, 4, 1, kWakePause},
        CentralFetchCase{"Status8", [] { fake::SetUnitStatus(3, 8); }, 4, 1, kWakePause},
        CentralFetchCase{"Silent",
                         [] { fake::AddUnitFault(FrameFault::kNoAck, 1, fake::kEveryFrame); }, 4, 5,
                         kSilentSetupOpMs},
        CentralFetchCase{"NoReply",
                         [] { fake::AddUnitFault(FrameFault::kNoReply, 1, fake::kEveryFrame); }, 4,
                         5, 5 * kNoReplyAttemptMs},
        CentralFetchCase{"BadAck",
                         [] { fake::AddUnitFault(FrameFault::kBadAck, 1, fake::kEveryFrame); }, 4,
                         5, 5 * (kWakePause + 400 + kRetryPause)}),
    CaseName());

using FetchCentralFileTest = DriverTest;

TEST_F(FetchCentralFileTest, UncreatableFileEndsWith10WithoutTraffic) {
    std::filesystem::create_directory(kFromZvFile);
    EXPECT_EQ(FetchCentralSetupJob(), 10);
    EXPECT_TRUE(fake::Writes().empty());
}

TEST_F(FetchCentralFileTest, FailedCloseEndsWith10KeepingTheRecord) {
    fake::UnitRecord(kCentralRecordNumber) = fake::PatternRecord(123);
    FailNextFromZvClose();
    EXPECT_EQ(FetchCentralSetupJob(), 10);
    EXPECT_EQ(RecordsIn(kFromZvFile), (std::vector<Bytes>{PcBytes(0, fake::PatternRecord(123))}));
}

TEST_F(FetchCentralFileTest, WriteErrorEndsWith10) {
    std::filesystem::create_symlink("/dev/full", kFromZvFile);
    EXPECT_EQ(FetchCentralSetupJob(), 10);
    EXPECT_EQ(RequestPackets(), (std::vector<Bytes>{{3, 0}}));
}

}  // namespace
