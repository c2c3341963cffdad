// Frames on the line and their timing, against the fake line in virtual milliseconds.
#include "serial/link_frames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "tests/fakes/fake_port.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using TimedWrite = std::pair<std::uint64_t, Bytes>;
using Arrivals = std::vector<std::pair<std::uint64_t, Bytes>>;

constexpr std::uint8_t kWake = 0xFF;
constexpr std::uint64_t kFrameAt = 50;          // the frame follows the wake byte after 50 ms
constexpr std::uint64_t kSilentAck = 3 * 1600;  // three empty reads
constexpr std::uint64_t kSilentReply = 5 * 1600;

std::vector<TimedWrite> TimedWrites() {
    std::vector<TimedWrite> writes;
    for (const fake::LineWrite& write : fake::Writes()) {
        writes.emplace_back(write.atMs, write.bytes);
    }
    return writes;
}

void StartLine(std::uint8_t counter) {
    fake::ResetLine();
    ComL1SetFrameCounter(counter);
}

void Arrive(const Arrivals& arrivals) {
    for (const auto& arrival : arrivals) {
        fake::UnitSends(arrival.first, arrival.second);
    }
}

Bytes Frame255xFF() {
    Bytes frame{0xAA, 0xFF, 0xFF};
    frame.insert(frame.end(), 255, 0xFF);
    frame.insert(frame.end(), {0xFF, 0xFF, 0x55});
    return frame;
}

// ---- Sending: the frame bytes and when they go out ----

struct FrameCase {
    const char* name;
    std::uint8_t counter;
    Bytes payload;
    Bytes frame;
    Bytes ack;
    std::uint8_t nextCounter;
};

class SendFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(SendFrame, WakeBytePauseFrameAndAck) {
    const FrameCase& c = GetParam();
    StartLine(c.counter);
    fake::UnitSends(kFrameAt, c.ack);

    EXPECT_EQ(ComL1DataToMiniZv(c.payload.data(), static_cast<std::uint8_t>(c.payload.size())),
              kLinkAcked);

    const std::vector<TimedWrite> expected{{0, {kWake}}, {kFrameAt, c.frame}};
    EXPECT_EQ(TimedWrites(), expected);
    ASSERT_EQ(fake::Pauses().size(), 1u);
    EXPECT_EQ(fake::Pauses()[0].atMs, 0u);
    EXPECT_EQ(fake::Pauses()[0].ms, 50u);
    EXPECT_TRUE(fake::Flushes().empty());
    EXPECT_EQ(fake::NowMs(), kFrameAt);
    EXPECT_EQ(ComL1FrameCounter(), c.nextCounter);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SendFrame,
    ::testing::Values(FrameCase{"OneByteCounter1",
                                1,
                                {0x01},
                                {0xAA, 0x01, 0x01, 0x01, 0x03, 0x00, 0x55},
                                {0xAA, 0x01, 0x01, 0x02, 0x00, 0x55},
                                2},
                      FrameCase{"EmptyCounter1",
                                1,
                                {},
                                {0xAA, 0x01, 0x00, 0x01, 0x00, 0x55},
                                {0xAA, 0x01, 0x01, 0x02, 0x00, 0x55},
                                2},
                      FrameCase{"ModulFetchCounter2",
                                2,
                                {0x07, 0x03},
                                {0xAA, 0x02, 0x02, 0x07, 0x03, 0x0E, 0x00, 0x55},
                                {0xAA, 0x02, 0x01, 0x03, 0x00, 0x55},
                                3},
                      FrameCase{"SumCarriesIntoHighByte",
                                255,
                                {0x01},
                                {0xAA, 0xFF, 0x01, 0x01, 0x01, 0x01, 0x55},
                                {0xAA, 0xFF, 0x01, 0x00, 0x01, 0x55},
                                0},
                      FrameCase{"Payload255xFFCounter255",
                                255,
                                Bytes(255, 0xFF),
                                Frame255xFF(),
                                {0xAA, 0xFF, 0x01, 0x00, 0x01, 0x55},
                                0},
                      FrameCase{"CounterEqualsStartByte",
                                0xAA,
                                {0x55},
                                {0xAA, 0xAA, 0x01, 0x55, 0x00, 0x01, 0x55},
                                {0xAA, 0xAA, 0x01, 0xAB, 0x00, 0x55},
                                0xAB}),
    [](const ::testing::TestParamInfo<FrameCase>& param_info) { return param_info.param.name; });

TEST(SendFrameSize, LargestFrameIs261BytesInOneWrite) {
    StartLine(255);
    const Bytes payload(255, 0xFF);
    ComL1DataToMiniZv(payload.data(), 255);
    ASSERT_EQ(fake::Writes().size(), 2u);
    EXPECT_EQ(fake::Writes()[1].bytes.size(), 261u);
}

// ---- The acknowledgement: which bytes are accepted, and what a bad one costs ----

struct AckCase {
    const char* name;
    std::uint8_t counter;
    Bytes incoming;  // arrives 10 ms after the frame
    int result;
    std::vector<std::uint64_t> flushes;
    std::uint64_t endMs;
};

class WaitAck : public ::testing::TestWithParam<AckCase> {};

TEST_P(WaitAck, ResultFlushAndTime) {
    const AckCase& c = GetParam();
    StartLine(c.counter);
    fake::UnitSends(kFrameAt + 10, c.incoming);
    const std::uint8_t payload = 0x01;

    EXPECT_EQ(ComL1DataToMiniZv(&payload, 1), c.result);

    EXPECT_EQ(fake::Flushes(), c.flushes);
    EXPECT_EQ(fake::NowMs(), c.endMs);
    EXPECT_EQ(fake::UnreadBytes(), 0u);
    EXPECT_EQ(ComL1FrameCounter(), static_cast<std::uint8_t>(c.counter + 1));
}

constexpr std::uint64_t kAckAt = kFrameAt + 10;
constexpr std::uint64_t kFlushEnd = kAckAt + 400;  // one empty flush read

INSTANTIATE_TEST_SUITE_P(
    Acks, WaitAck,
    ::testing::Values(
        AckCase{"Good", 1, {0xAA, 0x01, 0x01, 0x02, 0x00, 0x55}, kLinkAcked, {}, kAckAt},
        AckCase{"Counter255", 255, {0xAA, 0xFF, 0x01, 0x00, 0x01, 0x55}, kLinkAcked, {}, kAckAt},
        AckCase{"CounterEqualsStartByte",
                0xAA,
                {0xAA, 0xAA, 0x01, 0xAB, 0x00, 0x55},
                kLinkAcked,
                {},
                kAckAt},
        AckCase{"StartWithoutCounterPassedOver",
                1,
                {0x12, 0xAA, 0x07, 0xAA, 0x01, 0x01, 0x02, 0x00, 0x55},
                kLinkAcked,
                {},
                kAckAt},
        AckCase{"SecondStartByteStartsAfresh",
                1,
                {0xAA, 0xAA, 0x01, 0x01, 0x02, 0x00, 0x55},
                kLinkAcked,
                {},
                kAckAt},
        AckCase{
            "Code2", 1, {0xAA, 0x01, 0x02, 0x03, 0x00, 0x55}, kLinkNotAcked, {kAckAt}, kFlushEnd},
        AckCase{"ChecksumLowWrong",
                1,
                {0xAA, 0x01, 0x01, 0x03, 0x00, 0x55},
                kLinkNotAcked,
                {kAckAt},
                kFlushEnd},
        AckCase{"ChecksumHighWrong",
                255,
                {0xAA, 0xFF, 0x01, 0x00, 0x00, 0x55},
                kLinkNotAcked,
                {kAckAt},
                kFlushEnd},
        AckCase{"EndByteWrong",
                1,
                {0xAA, 0x01, 0x01, 0x02, 0x00, 0x54},
                kLinkNotAcked,
                {kAckAt},
                kFlushEnd},
        // The four-byte read waits out its 1600 ms, then the flush reads 400 ms of silence.
        AckCase{"CutShort",
                1,
                {0xAA, 0x01, 0x01, 0x02},
                kLinkNotAcked,
                {kAckAt + 1600},
                kAckAt + 1600 + 400},
        AckCase{"Silence", 1, {}, kLinkNotAcked, {}, kFrameAt + kSilentAck},
        AckCase{"OtherCounterIsNoAck",
                1,
                {0xAA, 0x02, 0x01, 0x03, 0x00, 0x55},
                kLinkNotAcked,
                {},
                kAckAt + kSilentAck}),
    [](const ::testing::TestParamInfo<AckCase>& param_info) { return param_info.param.name; });

// ---- The hunt for the acknowledgement across silences ----

// A hunt across silences: what arrives when, and the result, flushes, end time and bytes left.
struct TimedCase {
    const char* name;
    Arrivals arrivals;
    int result;
    std::vector<std::uint64_t> flushes;
    std::uint64_t endMs;
    std::size_t unread;
};

class WaitAckTimed : public ::testing::TestWithParam<TimedCase> {};

TEST_P(WaitAckTimed, ResultFlushAndTime) {
    const TimedCase& c = GetParam();
    StartLine(1);
    Arrive(c.arrivals);
    const std::uint8_t payload = 0x01;

    EXPECT_EQ(ComL1DataToMiniZv(&payload, 1), c.result);

    EXPECT_EQ(fake::Flushes(), c.flushes);
    EXPECT_EQ(fake::NowMs(), c.endMs);
    EXPECT_EQ(fake::UnreadBytes(), c.unread);
}

const Bytes kAck1{0xAA, 0x01, 0x01, 0x02, 0x00, 0x55};

INSTANTIATE_TEST_SUITE_P(
    Hunt, WaitAckTimed,
    ::testing::Values(
        // Empty reads end at 1650, 3300 and 5000; the two bytes between them do not count.
        TimedCase{"BytesBetweenSilencesDoNotCount",
                  {{1700, {0x12}}, {3400, {0x34}}},
                  kLinkNotAcked,
                  {},
                  5000,
                  0},
        TimedCase{"StartSurvivesSilence",
                  {{1700, {0xAA}}, {3400, {0x01, 0x01, 0x02, 0x00, 0x55}}},
                  kLinkAcked,
                  {},
                  3400,
                  0},
        TimedCase{"ThirdSilenceEndsHuntAfterStart",
                  {{1700, {0xAA}}},
                  kLinkNotAcked,
                  {},
                  1700 + 2 * 1600,
                  0},
        TimedCase{"AckAtTheLastMoment",
                  {{kFrameAt + kSilentAck, kAck1}},
                  kLinkAcked,
                  {},
                  kFrameAt + kSilentAck,
                  0},
        TimedCase{"AckOneMillisecondLate",
                  {{kFrameAt + kSilentAck + 1, kAck1}},
                  kLinkNotAcked,
                  {},
                  kFrameAt + kSilentAck,
                  6},
        // The rest must come within one read after the counter byte.
        TimedCase{"RestTooSlow",
                  {{60, {0xAA, 0x01}}, {60 + 1601, {0x01, 0x02, 0x00, 0x55}}},
                  kLinkNotAcked,
                  {60 + 1600},
                  60 + 1600 + 2 * 400,
                  0},
        TimedCase{"RestJustInTime",
                  {{60, {0xAA, 0x01}}, {60 + 1600, {0x01, 0x02, 0x00, 0x55}}},
                  kLinkAcked,
                  {},
                  60 + 1600,
                  0}),
    [](const ::testing::TestParamInfo<TimedCase>& param_info) { return param_info.param.name; });

// ---- The counter moves on with every frame, acknowledged or not ----

TEST(FrameCounter, AdvancesOnFailureAndWraps) {
    StartLine(254);
    const std::uint8_t payload = 0x01;
    EXPECT_EQ(ComL1DataToMiniZv(&payload, 1), kLinkNotAcked);
    EXPECT_EQ(ComL1DataToMiniZv(&payload, 1), kLinkNotAcked);
    EXPECT_EQ(ComL1DataToMiniZv(&payload, 1), kLinkNotAcked);

    // Each silent exchange takes 50 ms of wake pause and 4800 ms of hunting.
    const std::vector<TimedWrite> expected{
        {0, {kWake}},    {50, {0xAA, 0xFE, 0x01, 0x01, 0x00, 0x01, 0x55}},
        {4850, {kWake}}, {4900, {0xAA, 0xFF, 0x01, 0x01, 0x01, 0x01, 0x55}},
        {9700, {kWake}}, {9750, {0xAA, 0x00, 0x01, 0x01, 0x02, 0x00, 0x55}},
    };
    EXPECT_EQ(TimedWrites(), expected);
    EXPECT_TRUE(fake::Flushes().empty());
    EXPECT_EQ(ComL1FrameCounter(), 1);
}

TEST(FrameCounter, ReceivingLeavesItAlone) {
    StartLine(9);
    fake::UnitSends(0, {0xAA, 0x07, 0x02, 0x02, 0x10, 0x1B, 0x00, 0x55});
    Bytes buffer(2);
    EXPECT_EQ(ComL1GetDataFromMiniZv(buffer.data(), 2), kLinkReceived);
    EXPECT_EQ(ComL1FrameCounter(), 9);
}

// ---- Receiving a reply ----

struct ReplyCase {
    const char* name;
    std::uint8_t length;
    Bytes incoming;  // arrives at 10 ms
    int result;
    Bytes buffer;  // the caller's buffer afterwards; it starts as 0xEE bytes
    std::vector<std::uint64_t> flushes;
    std::uint64_t endMs;
};

class GetReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(GetReply, ResultBufferFlushAndTime) {
    const ReplyCase& c = GetParam();
    StartLine(1);
    fake::UnitSends(10, c.incoming);
    Bytes buffer(c.buffer.size(), 0xEE);

    EXPECT_EQ(ComL1GetDataFromMiniZv(buffer.data(), c.length), c.result);

    EXPECT_EQ(buffer, c.buffer);
    EXPECT_EQ(fake::Flushes(), c.flushes);
    EXPECT_EQ(fake::NowMs(), c.endMs);
    EXPECT_TRUE(fake::Writes().empty());  // a reply is never acknowledged
    EXPECT_EQ(fake::UnreadBytes(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, GetReply,
    ::testing::Values(
        ReplyCase{"Good",
                  2,
                  {0xAA, 0x07, 0x02, 0x02, 0x10, 0x1B, 0x00, 0x55},
                  kLinkReceived,
                  {0x02, 0x10},
                  {},
                  10},
        ReplyCase{"LengthByteOnlySummed",
                  2,
                  {0xAA, 0x07, 0x05, 0x02, 0x10, 0x1E, 0x00, 0x55},
                  kLinkReceived,
                  {0x02, 0x10},
                  {},
                  10},
        ReplyCase{"StrayBytesBefore",
                  2,
                  {0x12, 0x55, 0x00, 0xAA, 0x07, 0x02, 0x02, 0x10, 0x1B, 0x00, 0x55},
                  kLinkReceived,
                  {0x02, 0x10},
                  {},
                  10},
        ReplyCase{"FrameBytesInside",
                  2,
                  {0xAA, 0xAA, 0x02, 0xAA, 0x55, 0xAB, 0x01, 0x55},
                  kLinkReceived,
                  {0xAA, 0x55},
                  {},
                  10},
        ReplyCase{
            "EmptyPayload", 0, {0xAA, 0x07, 0x00, 0x07, 0x00, 0x55}, kLinkReceived, {}, {}, 10},
        ReplyCase{"EndByteWrong",
                  2,
                  {0xAA, 0x07, 0x02, 0x02, 0x10, 0x1B, 0x00, 0x54},
                  kLinkReceiveFailed,
                  {0x02, 0x10},
                  {10},
                  10 + 400},
        ReplyCase{"ChecksumLowWrong",
                  2,
                  {0xAA, 0x07, 0x02, 0x02, 0x10, 0x1C, 0x00, 0x55},
                  kLinkReceiveFailed,
                  {0x02, 0x10},
                  {10},
                  10 + 400},
        ReplyCase{"ChecksumHighWrong",
                  2,
                  {0xAA, 0x07, 0x02, 0x02, 0x10, 0x1B, 0x01, 0x55},
                  kLinkReceiveFailed,
                  {0x02, 0x10},
                  {10},
                  10 + 400},
        ReplyCase{"CutShort",
                  2,
                  {0xAA, 0x07, 0x02, 0x02, 0x10},
                  kLinkReceiveFailed,
                  {0xEE, 0xEE},
                  {10 + 1600},
                  10 + 1600 + 400},
        ReplyCase{"Silence", 2, {}, kLinkReceiveFailed, {0xEE, 0xEE}, {}, kSilentReply},
        ReplyCase{"NoStartByte",
                  2,
                  {0x12, 0x34, 0x55},
                  kLinkReceiveFailed,
                  {0xEE, 0xEE},
                  {},
                  10 + kSilentReply}),
    [](const ::testing::TestParamInfo<ReplyCase>& param_info) { return param_info.param.name; });

// ---- The hunt for a reply across silences ----

class GetReplyTimed : public ::testing::TestWithParam<TimedCase> {};

TEST_P(GetReplyTimed, ResultFlushAndTime) {
    const TimedCase& c = GetParam();
    StartLine(1);
    Arrive(c.arrivals);
    Bytes buffer(2);

    EXPECT_EQ(ComL1GetDataFromMiniZv(buffer.data(), 2), c.result);

    EXPECT_EQ(fake::Flushes(), c.flushes);
    EXPECT_EQ(fake::NowMs(), c.endMs);
    EXPECT_EQ(fake::UnreadBytes(), c.unread);
}

const Bytes kReply{0xAA, 0x07, 0x02, 0x02, 0x10, 0x1B, 0x00, 0x55};

INSTANTIATE_TEST_SUITE_P(
    Hunt, GetReplyTimed,
    ::testing::Values(
        // Empty reads end at 1600, 3300, 5000, 6700 and 8400; the bytes between do not count.
        TimedCase{"BytesBetweenSilencesDoNotCount",
                  {{1700, {0x12}}, {3400, {0x34}}, {5100, {0x56}}, {6800, {0x78}}},
                  kLinkReceiveFailed,
                  {},
                  8400,
                  0},
        TimedCase{
            "ReplyAtTheLastMoment", {{kSilentReply, kReply}}, kLinkReceived, {}, kSilentReply, 0},
        TimedCase{"ReplyOneMillisecondLate",
                  {{kSilentReply + 1, kReply}},
                  kLinkReceiveFailed,
                  {},
                  kSilentReply,
                  8},
        TimedCase{"RestJustInTime",
                  {{10, {0xAA}}, {10 + 1600, {0x07, 0x02, 0x02, 0x10, 0x1B, 0x00, 0x55}}},
                  kLinkReceived,
                  {},
                  10 + 1600,
                  0},
        // The flush catches the late rest: one read brings it, the next one brings nothing.
        TimedCase{"RestTooSlow",
                  {{10, {0xAA}}, {10 + 1601, {0x07, 0x02, 0x02, 0x10, 0x1B, 0x00, 0x55}}},
                  kLinkReceiveFailed,
                  {10 + 1600},
                  10 + 1600 + 2 * 400,
                  0}),
    [](const ::testing::TestParamInfo<TimedCase>& param_info) { return param_info.param.name; });

}  // namespace
