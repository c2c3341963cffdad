// The headless status window's system commands: 102..106 run a job and finish the run,
// 100 is the About box, everything else goes to the default processing.
#include <ostream>

#include "driver/driver.h"
#include "tests/driver/driver_env.h"

namespace {

using namespace drivertest;

class WindowCommandTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        StatusWindowSetJobs(DriverJobCommands());
        // The keys select the connection test: a command must not go by them.
        WriteSettings("TestMiniZvConnection=1\r\n");
        WriteToZv({PcBytes(1, fake::PatternRecord(50))});
    }
};

struct JobCommandCase {
    const char* name;
    unsigned id;
    std::uint8_t request;  // the code of the one request the unit receives
    const char* comStatus;
};

void PrintTo(const JobCommandCase& row, std::ostream* out) {
    *out << row.name;
}

class JobCommandTest : public WindowCommandTest,
                       public ::testing::WithParamInterface<JobCommandCase> {};

TEST_P(JobCommandTest, RunsItsJobThenFinishes) {
    const JobCommandCase& row = GetParam();

    EXPECT_EQ(StatusWindowSysCommand(row.id), 0);

    EXPECT_EQ(RequestCodes(), Bytes{row.request});
    EXPECT_EQ(StatusValue("ComStatus"), row.comStatus);
    EXPECT_EQ(StatusValue("ZorVekDriverRunning"), "0");
    EXPECT_TRUE(StatusWindowQuitPosted());
}

INSTANTIATE_TEST_SUITE_P(Jobs, JobCommandTest,
                         ::testing::Values(JobCommandCase{"SendCentral", 102, 5, "1"},
                                           JobCommandCase{"FetchCentral", 103, 3, "3"},
                                           JobCommandCase{"SendModuls", 104, 9, "1"},
                                           JobCommandCase{"FetchModuls", 105, 7, "3"},
                                           JobCommandCase{"TestConnection", 106, 1, "0"}),
                         CaseName());

TEST_F(WindowCommandTest, JobResultReachesComStatusUnchanged) {
    fake::SetUnitStatus(5, 0xFA);
    EXPECT_EQ(StatusWindowSysCommand(kCmdSendCentral), 0);
    EXPECT_EQ(StatusValue("ComStatus"), "11");
}

TEST_F(WindowCommandTest, AboutIsHandledAndRunsNothing) {
    EXPECT_EQ(StatusWindowSysCommand(kCmdAbout), 0);
    EXPECT_TRUE(fake::Writes().empty());
    EXPECT_FALSE(Exists(kStatusFile));
    EXPECT_FALSE(StatusWindowQuitPosted());
}

// 101, the standard system commands and anything that is not exactly one of ours.
TEST_F(WindowCommandTest, OtherCommandsGoToTheDefaultProcessing) {
    for (const unsigned id : {101u, 0xF060u, 0xF020u, 0xF120u, 0u, 99u, 107u, 0x10066u}) {
        EXPECT_EQ(StatusWindowSysCommand(id), -1) << id;
    }
    EXPECT_TRUE(fake::Writes().empty());
    EXPECT_FALSE(Exists(kStatusFile));
    EXPECT_FALSE(Exists(kFromZvFile));
    EXPECT_FALSE(StatusWindowQuitPosted());
    EXPECT_EQ(StatusWindowTitleHistory(), UntouchedTitles());
}

}  // namespace
