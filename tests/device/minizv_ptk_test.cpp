// The command layer against the scripted unit, in virtual time: what reaches the unit, how
// often, the pauses between attempts, and what the caller gets back.
#include "device/minizv_ptk.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "serial/link_frames.h"
#include "tests/fakes/fake_port.h"
#include "tests/fakes/fake_unit.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Record = std::array<std::uint8_t, 130>;

constexpr std::uint8_t kUntouched = 0xEE;
constexpr std::uint8_t kModul = 5;
constexpr std::uint8_t kFlag = 1;
constexpr std::uint32_t kWakePause = 50;
constexpr std::uint32_t kRetryPause = 5000;

Record BytesOf(const modul_setup& record) {
    Record bytes;
    std::memcpy(bytes.data(), &record, bytes.size());
    return bytes;
}

modul_setup UntouchedRecord() {
    modul_setup record;
    std::memset(&record, kUntouched, sizeof record);
    return record;
}

// What the send operations send: a record unlike any the unit holds.
const modul_setup kSent = fake::PatternRecord(99);

TPcModulSetup PcRecord(std::uint8_t number, const modul_setup& setup) {
    TPcModulSetup pc;
    UnitToPcSetup(setup, number, pc);
    return pc;
}

void StartUnit() {
    fake::StartUnit();
    ComL1SetFrameCounter(1);
}

std::vector<std::uint32_t> PauseDurations() {
    std::vector<std::uint32_t> durations;
    for (const fake::LinePause& pause : fake::Pauses()) {
        durations.push_back(pause.ms);
    }
    return durations;
}

enum class Op { kGetCp, kSendCp, kGetZv, kSendZv };

std::string Name(Op op) {
    switch (op) {
        case Op::kGetCp:
            return "GetCp";
        case Op::kSendCp:
            return "SendCp";
        case Op::kGetZv:
            return "GetZv";
        case Op::kSendZv:
            return "SendZv";
    }
    return "";
}

bool IsFetch(Op op) {
    return op == Op::kGetCp || op == Op::kGetZv;
}

std::uint8_t RequestCode(Op op) {
    switch (op) {
        case Op::kGetCp:
            return 3;
        case Op::kSendCp:
            return 5;
        case Op::kGetZv:
            return 7;
        case Op::kSendZv:
            return 9;
    }
    return 0;
}

Bytes RequestPacket(Op op) {
    const Record sent = BytesOf(kSent);
    Bytes packet;
    switch (op) {
        case Op::kGetCp:
            return {3, 0};
        case Op::kSendCp:
            packet = {5, kFlag};
            break;
        case Op::kGetZv:
            return {7, kModul};
        case Op::kSendZv:
            packet = {9, kModul};
            break;
    }
    packet.insert(packet.end(), sent.begin(), sent.end());
    return packet;
}

// The record the operation moves: fetched from the unit's store, or sent to it.
Record MovedRecord(Op op) {
    switch (op) {
        case Op::kGetCp:
            return BytesOf(fake::UnitRecord(kCentralRecordNumber));
        case Op::kGetZv:
            return BytesOf(fake::UnitRecord(kModul));
        default:
            return BytesOf(kSent);
    }
}

struct Outcome {
    int result;
    std::uint8_t status;
    Record record;  // the fetch out-argument; sends leave it untouched
};

Outcome RunOp(Op op) {
    TMiniZvPtk ptk;
    std::uint8_t status = kUntouched;
    modul_setup record = UntouchedRecord();
    int result = -1;
    switch (op) {
        case Op::kGetCp:
            result = ptk.GetCpModulSetup(record, status);
            break;
        case Op::kSendCp:
            result = ptk.SendCpModulSetup(kSent, status, kFlag);
            break;
        case Op::kGetZv:
            result = ptk.GetZVModulSetup(record, status, kModul);
            break;
        case Op::kSendZv:
            result = ptk.SendZVModulSetup(PcRecord(kModul, kSent), status);
            break;
    }
    return {result, status, BytesOf(record)};
}

const Op kOps[] = {Op::kGetCp, Op::kSendCp, Op::kGetZv, Op::kSendZv};

// ---- Attempts, pauses and out-arguments of the four setup operations ----

struct RepeatCase {
    const char* name;
    std::vector<FrameFault> faults;  // for frames 1, 2, ...; later frames are answered well
    int result;
    std::size_t transmissions;
    std::uint64_t endMs;
};

class SetupRepeats : public ::testing::TestWithParam<std::tuple<Op, RepeatCase>> {};

TEST_P(SetupRepeats, AttemptsPausesAndOutArguments) {
    const Op op = std::get<0>(GetParam());
    const RepeatCase& c = std::get<1>(GetParam());
    StartUnit();
    for (std::size_t i = 0; i < c.faults.size(); ++i) {
        fake::AddUnitFault(c.faults[i], static_cast<int>(i) + 1);
    }

    const Outcome out = RunOp(op);

    EXPECT_EQ(out.result, c.result);
    // Every attempt sends the same request with the next frame counter.
    ASSERT_EQ(fake::UnitRequests().size(), c.transmissions);
    for (std::size_t i = 0; i < c.transmissions; ++i) {
        EXPECT_EQ(fake::UnitRequests()[i].counter, i + 1);
        EXPECT_EQ(fake::UnitRequests()[i].packet, RequestPacket(op));
    }
    // The wake pause of each transmission, and 5000 ms after each failed attempt.
    std::vector<std::uint32_t> pauses;
    for (std::size_t i = 0; i < c.transmissions; ++i) {
        pauses.push_back(kWakePause);
        if (i + 1 < c.transmissions || c.result != 0) {
            pauses.push_back(kRetryPause);
        }
    }
    EXPECT_EQ(PauseDurations(), pauses);
    EXPECT_EQ(fake::NowMs(), c.endMs);

    if (c.result != 0) {
        EXPECT_EQ(out.status, kUntouched);
        EXPECT_EQ(out.record, BytesOf(UntouchedRecord()));
        return;
    }
    EXPECT_EQ(out.status, 0);
    if (IsFetch(op)) {
        EXPECT_EQ(out.record, MovedRecord(op));
    } else {
        EXPECT_EQ(out.record, BytesOf(UntouchedRecord()));
        ASSERT_FALSE(fake::UnitStoredRecords().empty());
        EXPECT_EQ(BytesOf(fake::UnitStoredRecords().back().record), MovedRecord(op));
    }
}

// What one attempt costs from its wake byte on, before the 5000 ms pause that follows a failure:
// success 50 (the wake pause); silent 50 + 3 x 1600; bad acknowledgement, bad checksum or end
// byte 50 + a 400 ms flush; no reply 50 + 5 x 1600; wrong reply code 50 (the frame itself was
// good, so nothing is flushed); truncated reply 50 + 1600 + a 400 ms flush.
const RepeatCase kRepeatCases[] = {
    {"AnswersAtOnce", {}, 0, 1, 50},
    {"SilentUnit", std::vector<FrameFault>(5, FrameFault::kNoAck), 2, 5, 5 * 9850},
    {"BadAckEveryTime", std::vector<FrameFault>(5, FrameFault::kBadAck), 2, 5, 5 * 5450},
    {"WrongReplyCodeEveryTime", std::vector<FrameFault>(5, FrameFault::kWrongReply), 4, 5,
     5 * 5050},
    {"TwoFailuresThenSuccess",
     {FrameFault::kNoAck, FrameFault::kDamageReply},
     0,
     3,
     9850 + 5450 + 50},
    {"SendFailureThenFourReceiveFailures",
     {FrameFault::kNoAck, FrameFault::kNoReply, FrameFault::kBadEndByte, FrameFault::kTruncateReply,
      FrameFault::kWrongReply},
     4,
     5,
     9850 + 13050 + 5450 + 7050 + 5050},
    {"ReceiveFailuresThenSendFailure",
     {FrameFault::kNoReply, FrameFault::kDamageReply, FrameFault::kNoReply,
      FrameFault::kTruncateReply, FrameFault::kBadAck},
     2,
     5,
     13050 + 5450 + 13050 + 7050 + 5450},
    {"SuccessOnFifth",
     {FrameFault::kNoAck, FrameFault::kBadAck, FrameFault::kNoReply, FrameFault::kWrongReply},
     0,
     5,
     9850 + 5450 + 13050 + 5050 + 50},
    // The stale acknowledgement and reply of frame 1 lie on the line when frame 2 goes out.
    {"LateAckThenSuccess", {FrameFault::kLateAck}, 0, 2, 9850 + 50},
};

INSTANTIATE_TEST_SUITE_P(Matrix, SetupRepeats,
                         ::testing::Combine(::testing::ValuesIn(kOps),
                                            ::testing::ValuesIn(kRepeatCases)),
                         [](const ::testing::TestParamInfo<SetupRepeats::ParamType>& param_info) {
                             return Name(std::get<0>(param_info.param)) + "_" +
                                    std::get<1>(param_info.param).name;
                         });

// A unit that never answers costs five rounds of 50 + 3 x 1600 + 5000 ms.
TEST(SetupTiming, SilentUnitTakes49250Ms) {
    StartUnit();
    fake::AddUnitFault(FrameFault::kNoAck, 1, fake::kEveryFrame);
    EXPECT_EQ(RunOp(Op::kGetZv).result, 2);

    ASSERT_EQ(fake::Writes().size(), 10u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(fake::Writes()[2 * i].atMs, 9850u * i);
        EXPECT_EQ(fake::Writes()[2 * i + 1].atMs, 9850u * i + 50);
        EXPECT_EQ(fake::Pauses()[2 * i + 1].atMs, 9850u * i + 4850);
    }
    EXPECT_EQ(fake::NowMs(), 49250u);
}

// ---- Status bytes pass through; a refusal is not a failed exchange ----

class StatusPassThrough : public ::testing::TestWithParam<std::tuple<Op, std::uint8_t>> {};

TEST_P(StatusPassThrough, ResultZeroWithTheUnitsStatus) {
    const Op op = std::get<0>(GetParam());
    const std::uint8_t status = std::get<1>(GetParam());
    StartUnit();
    fake::SetUnitStatus(RequestCode(op), status);

    const Outcome out = RunOp(op);

    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(out.status, status);
    EXPECT_EQ(fake::UnitRequests().size(), 1u);
    if (IsFetch(op)) {
        EXPECT_EQ(out.record, MovedRecord(op));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusPassThrough,
    ::testing::Combine(::testing::ValuesIn(kOps), ::testing::Values(1, 8, 0xFA, 0xFF)),
    [](const ::testing::TestParamInfo<StatusPassThrough::ParamType>& param_info) {
        return Name(std::get<0>(param_info.param)) + "_" +
               std::to_string(std::get<1>(param_info.param));
    });

// ---- The version query: one attempt, no pause ----

struct VersionCase {
    const char* name;
    FrameFault fault;  // for every frame
    int result;
};

class Version : public ::testing::TestWithParam<VersionCase> {};

TEST_P(Version, OneAttemptNoPause) {
    const VersionCase& c = GetParam();
    StartUnit();
    fake::SetUnitVersion(0xA1, 0x07);
    fake::AddUnitFault(c.fault, 1, fake::kEveryFrame);
    TMiniZvPtk ptk;
    std::uint8_t first = kUntouched;
    std::uint8_t second = kUntouched;

    EXPECT_EQ(ptk.GetVersion(first, second), c.result);

    ASSERT_EQ(fake::UnitRequests().size(), 1u);
    EXPECT_EQ(fake::UnitRequests()[0].packet, (Bytes{1, 0}));
    EXPECT_EQ(PauseDurations(), std::vector<std::uint32_t>{kWakePause});
    EXPECT_EQ(first, c.result == 0 ? 0xA1 : kUntouched);
    EXPECT_EQ(second, c.result == 0 ? 0x07 : kUntouched);
}

INSTANTIATE_TEST_SUITE_P(Faults, Version,
                         ::testing::Values(VersionCase{"Answers", FrameFault::kNone, 0},
                                           VersionCase{"Silent", FrameFault::kNoAck, 2},
                                           VersionCase{"BadAck", FrameFault::kBadAck, 2},
                                           VersionCase{"NoReply", FrameFault::kNoReply, 4},
                                           VersionCase{"WrongCode", FrameFault::kWrongReply, 4},
                                           VersionCase{"BadChecksum", FrameFault::kDamageReply, 4}),
                         [](const ::testing::TestParamInfo<VersionCase>& param_info) {
                             return param_info.param.name;
                         });

// ---- Module numbers ----

struct NumberCase {
    std::uint8_t number;
    int result;
};

class ModulSendNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ModulSendNumber, OnlyModules1To200AreSent) {
    const NumberCase& c = GetParam();
    StartUnit();
    TMiniZvPtk ptk;
    std::uint8_t status = kUntouched;

    EXPECT_EQ(ptk.SendZVModulSetup(PcRecord(c.number, kSent), status), c.result);

    if (c.result == 7) {
        EXPECT_TRUE(fake::Writes().empty());
        EXPECT_TRUE(fake::Pauses().empty());
        EXPECT_EQ(status, kUntouched);
        return;
    }
    Bytes packet{9, c.number};
    const Record sent = BytesOf(kSent);
    packet.insert(packet.end(), sent.begin(), sent.end());
    ASSERT_EQ(fake::UnitRequests().size(), 1u);
    EXPECT_EQ(fake::UnitRequests()[0].packet, packet);
    EXPECT_EQ(BytesOf(fake::UnitRecord(c.number)), sent);
}

INSTANTIATE_TEST_SUITE_P(Numbers, ModulSendNumber,
                         ::testing::Values(NumberCase{0, 7}, NumberCase{201, 7}, NumberCase{255, 7},
                                           NumberCase{1, 0}, NumberCase{200, 0}),
                         [](const ::testing::TestParamInfo<NumberCase>& param_info) {
                             return std::to_string(param_info.param.number);
                         });

class ModulFetchNumber : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(ModulFetchNumber, SentUnchecked) {
    StartUnit();
    TMiniZvPtk ptk;
    modul_setup record{};
    std::uint8_t status = kUntouched;

    EXPECT_EQ(ptk.GetZVModulSetup(record, status, GetParam()), 0);

    ASSERT_EQ(fake::UnitRequests().size(), 1u);
    EXPECT_EQ(fake::UnitRequests()[0].packet, (Bytes{7, GetParam()}));
}

INSTANTIATE_TEST_SUITE_P(Numbers, ModulFetchNumber, ::testing::Values(0, 1, 200, 201, 255));

TEST(CentralSend, FlagByteLeadsThePayload) {
    for (const std::uint8_t flag : {std::uint8_t{0}, std::uint8_t{1}}) {
        StartUnit();
        TMiniZvPtk ptk;
        std::uint8_t status = kUntouched;
        EXPECT_EQ(ptk.SendCpModulSetup(kSent, status, flag), 0);
        ASSERT_EQ(fake::UnitRequests().size(), 1u);
        EXPECT_EQ(fake::UnitRequests()[0].packet[1], flag);
    }
}

}  // namespace
