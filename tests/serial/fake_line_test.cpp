// The fake line keeps virtual time the way the real port does; the link tests rely on it.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "serial/com_port.h"
#include "serial/pause.h"
#include "tests/fakes/fake_port.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct ReadCase {
    const char* name;
    std::uint64_t arrivesAt;  // five bytes, 10 ms apart from here
    std::uint32_t count;
    std::uint32_t received;
    std::uint64_t endMs;
};

class FakeRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(FakeRead, ReturnsAtTheCountthByteOrTheDeadline) {
    const ReadCase& c = GetParam();
    fake::ResetLine();
    for (std::uint8_t i = 0; i < 5; ++i) {
        fake::UnitSends(c.arrivesAt + 10u * i, {static_cast<std::uint8_t>(i + 1)});
    }
    std::array<std::uint8_t, 8> buffer;
    buffer.fill(0xEE);

    EXPECT_EQ(ComRead(buffer.data(), c.count), c.received);

    EXPECT_EQ(fake::NowMs(), c.endMs);
    EXPECT_EQ(buffer[c.received], 0);
    for (std::uint32_t i = 0; i < c.received; ++i) {
        EXPECT_EQ(buffer[i], i + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Reads, FakeRead,
                         ::testing::Values(ReadCase{"AlreadyWaiting", 0, 5, 5, 40},
                                           ReadCase{"FewerWanted", 0, 2, 2, 10},
                                           ReadCase{"TwoArriveInTime", 1600 - 10, 4, 2, 1600},
                                           ReadCase{"NothingInTime", 1601, 1, 0, 1600}),
                         [](const ::testing::TestParamInfo<ReadCase>& param_info) {
                             return param_info.param.name;
                         });

TEST(FakeFlush, SilentLineCostsOneShortRead) {
    fake::ResetLine();
    PauseMs(100);
    ComFlushInput();
    EXPECT_EQ(fake::Flushes(), std::vector<std::uint64_t>{100});
    EXPECT_EQ(fake::NowMs(), 500u);
    std::uint8_t byte[2];
    ComRead(byte, 1);
    EXPECT_EQ(fake::NowMs(), 500u + 1600u);
}

TEST(FakeFlush, LastsUntil400MsOfSilence) {
    fake::ResetLine();
    fake::UnitSends(0, Bytes(250, 0x11));  // a full chunk and more
    fake::UnitSends(700, {0x22});
    ComFlushInput();
    // 200 bytes at once, 50 by 400, the late byte by 800, silence to 1200.
    EXPECT_EQ(fake::NowMs(), 1200u);
    EXPECT_EQ(fake::UnreadBytes(), 0u);
}

TEST(FakeWrite, RecordedWithTimeAndHandedToTheResponder) {
    fake::ResetLine();
    std::vector<std::uint64_t> seen;
    fake::SetResponder([&seen](const Bytes& bytes, std::uint64_t atMs) {
        seen.push_back(atMs);
        fake::UnitSends(atMs + 5, bytes);
    });
    PauseMs(30);
    const std::uint8_t bytes[] = {1, 2};
    EXPECT_EQ(ComWrite(bytes, 2), 2u);
    EXPECT_EQ(fake::NowMs(), 30u);
    ASSERT_EQ(fake::Writes().size(), 1u);
    EXPECT_EQ(fake::Writes()[0].atMs, 30u);
    EXPECT_EQ(fake::WrittenBytes(), (Bytes{1, 2}));
    EXPECT_EQ(seen, std::vector<std::uint64_t>{30});
    EXPECT_EQ(fake::UnreadBytes(), 2u);
    ASSERT_EQ(fake::Pauses().size(), 1u);
    EXPECT_EQ(fake::Pauses()[0].ms, 30u);
}

}  // namespace
