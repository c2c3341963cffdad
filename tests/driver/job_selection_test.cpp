// Which job the settings select, the run as a whole (port, job, final status) and Finish.
#include <ostream>

#include "driver/driver.h"
#include "tests/driver/driver_env.h"

namespace {

using namespace drivertest;

struct SelectionCase {
    const char* name;
    std::optional<std::string> settings;  // none: no settings file
    std::uint8_t request;                 // the code of the one request the unit receives
    int result;
};

void PrintTo(const SelectionCase& row, std::ostream* out) {
    *out << row.name;
}

class JobSelectionTest : public DriverTest, public ::testing::WithParamInterface<SelectionCase> {};

// Every job meets a unit that answers and a one-record "ToZv.dat", so the request code the
// unit receives tells which job ran.
TEST_P(JobSelectionTest, RunsTheJobTheKeysSelect) {
    const SelectionCase& row = GetParam();
    if (row.settings) {
        WriteSettings(*row.settings);
    }
    WriteToZv({PcBytes(1, fake::PatternRecord(50))});

    EXPECT_EQ(RunSelectedJob(), row.result);

    EXPECT_EQ(RequestCodes(), Bytes{row.request});
    const bool fetch = row.request == 3 || row.request == 7;
    EXPECT_EQ(Exists(kFromZvFile), fetch);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, JobSelectionTest,
    ::testing::Values(
        SelectionCase{"NoSettingsFile", std::nullopt, 1, 0},
        SelectionCase{"EmptySection", "", 1, 0},
        SelectionCase{"TestWinsOverTheOthers",
                      "TestMiniZvConnection=1\r\nGetData=0\r\nToZorvek=0\r\n", 1, 0},
        SelectionCase{"MissingTestKeyRunsTheTest", "GetData=0\r\nToZorvek=0\r\n", 1, 0},
        SelectionCase{"AnyNonZeroIsSet", "TestMiniZvConnection=-1\r\nGetData=0\r\n", 1, 0},
        SelectionCase{"FetchModuls", "TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=1\r\n", 7, 3},
        SelectionCase{"FetchModulsByDefault", "TestMiniZvConnection=0\r\n", 7, 3},
        SelectionCase{"FetchCentral", "TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=0\r\n", 3,
                      3},
        SelectionCase{"SendModuls", "TestMiniZvConnection=0\r\nGetData=0\r\nToZorvek=1\r\n", 9, 1},
        SelectionCase{"SendCentral", "TestMiniZvConnection=0\r\nGetData=0\r\nToZorvek=0\r\n", 5,
                      1}),
    CaseName());

using RunDriverTest = DriverTest;

// A port that cannot be opened ends the run with 5 before any job: the keys select a fetch,
// yet no data file appears and nothing goes on the line.
TEST_F(RunDriverTest, PortFailureEndsWith5WithoutAJob) {
    WriteSettings("TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=1\r\n");
    fake::SetComInitialiseResult(1);

    EXPECT_EQ(RunDriver(), 5);

    EXPECT_EQ(StatusValue("ComStatus"), "5");
    EXPECT_EQ(StatusValue("ZorVekDriverRunning"), "0");
    EXPECT_EQ(StatusValue("NowTransferingNo"), std::nullopt);
    EXPECT_TRUE(fake::Writes().empty());
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{kStatusFile, kSettingsFile}));
    EXPECT_EQ(StatusWindowTitleHistory(), UntouchedTitles());
    EXPECT_TRUE(StatusWindowQuitPosted());
}

TEST_F(RunDriverTest, TheJobsResultBecomesComStatus) {
    WriteBytes(kStatusFile, SectionWith("ZorVekDriverRunning=1\r\n"));
    WriteSettings("TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=0\r\n");

    EXPECT_EQ(RunDriver(), 3);

    EXPECT_EQ(fake::ComInitialiseCalls(), 1);
    EXPECT_EQ(RequestCodes(), Bytes{3});
    EXPECT_EQ(ReadBytes(kStatusFile), SectionWith("ZorVekDriverRunning=0\r\nComStatus=3\r\n"));
    EXPECT_TRUE(StatusWindowQuitPosted());
}

using FinishTest = DriverTest;

// Written into a fresh status file, the keys stand in the order they were written: the
// result is in place before the running flag drops.
TEST_F(FinishTest, WritesComStatusBeforeTheRunningFlag) {
    Finish(11);
    EXPECT_EQ(ReadBytes(kStatusFile), SectionWith("ComStatus=11\r\nZorVekDriverRunning=0\r\n"));
    EXPECT_TRUE(StatusWindowQuitPosted());
}

TEST_F(FinishTest, KeepsTheProgressKey) {
    WriteBytes(kStatusFile, SectionWith("ZorVekDriverRunning=1\r\nNowTransferingNo=4\r\n"));
    Finish(4);
    EXPECT_EQ(ReadBytes(kStatusFile),
              SectionWith("ZorVekDriverRunning=0\r\nNowTransferingNo=4\r\nComStatus=4\r\n"));
}

}  // namespace
