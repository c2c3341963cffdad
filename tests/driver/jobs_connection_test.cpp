// The connection test: one version query, no repeats, and nothing else touched.
#include <functional>
#include <ostream>

#include "driver/jobs.h"
#include "tests/driver/driver_env.h"

namespace {

using namespace drivertest;

struct ConnectionCase {
    const char* name;
    std::function<void()> arrange;
    int result;
    std::uint64_t endMs;
};

void PrintTo(const ConnectionCase& row, std::ostream* out) {
    *out << row.name;
}

class ConnectionTest : public DriverTest, public ::testing::WithParamInterface<ConnectionCase> {};

TEST_P(ConnectionTest, AsksOnceForTheVersion) {
    const ConnectionCase& row = GetParam();
    WriteSettings("GetData=1\r\nToZorvek=1\r\n");
    row.arrange();

    EXPECT_EQ(ConnectionTestJob(), row.result);

    EXPECT_EQ(RequestPackets(), (std::vector<Bytes>{{1, 0}}));
    EXPECT_EQ(PauseDurations(), Pauses{kWakePause});
    EXPECT_EQ(fake::NowMs(), row.endMs);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{kSettingsFile});
    EXPECT_EQ(StatusWindowTitleHistory(), UntouchedTitles());
}

// Acknowledgement hunt: three empty reads. Reply hunt: five. A bad acknowledgement is
// followed by one 400 ms flush read that brings nothing.
INSTANTIATE_TEST_SUITE_P(
    Outcomes, ConnectionTest,
    ::testing::Values(
        ConnectionCase{"UnitAnswers", [] {}, 0, kWakePause},
        ConnectionCase{"NoUnit",
                       [] { fake::AddUnitFault(FrameFault::kNoAck, 1, fake::kEveryFrame); }, 2,
                       kNotAckedAttemptMs},
        ConnectionCase{"BadAcknowledgement", [] { fake::AddUnitFault(FrameFault::kBadAck, 1); }, 2,
                       kWakePause + 400},
        ConnectionCase{"NoReply", [] { fake::AddUnitFault(FrameFault::kNoReply, 1); }, 4,
                       kWakePause + 5 * 1600},
        ConnectionCase{"WrongReplyCode", [] { fake::AddUnitFault(FrameFault::kWrongReply, 1); }, 4,
                       kWakePause}),
    CaseName());

}  // namespace
