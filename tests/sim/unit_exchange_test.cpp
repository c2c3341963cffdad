// The unit's answers to good requests, and its silence for bad frames.
#include <gtest/gtest.h>

#include "sim_bytes.h"

namespace {

const Bytes kWake = {0xFF};

// The bytes of a record the simulator holds without a store file.
Bytes DefaultModul(unsigned n) {
    Bytes record;
    for (unsigned k = 0; k < 130; ++k) {
        record.push_back(static_cast<std::uint8_t>((n * 7 + k) & 0xFF));
    }
    return record;
}

Bytes DefaultCentral() {
    Bytes record;
    for (unsigned k = 0; k < 130; ++k) {
        record.push_back(static_cast<std::uint8_t>((k * 3 + 1) & 0xFF));
    }
    return record;
}

Bytes TestRecord(unsigned seed) {
    Bytes record;
    for (unsigned k = 0; k < 130; ++k) {
        record.push_back(static_cast<std::uint8_t>(seed + k * 5));
    }
    return record;
}

Bytes Ack(std::uint8_t counter) {
    const unsigned sum = counter + 1u;
    return {0xAA,
            counter,
            0x01,
            static_cast<std::uint8_t>(sum & 0xFF),
            static_cast<std::uint8_t>(sum >> 8),
            0x55};
}

// Acknowledgement of frame `counter` and the reply `packet` with reply counter `replyCounter`.
Bytes Answer(std::uint8_t counter, std::uint8_t replyCounter, const Bytes& packet) {
    return Concat(Ack(counter), Frame(replyCounter, packet));
}

TEST(SimExchange, VersionRequestGetsAckAndReply) {
    SimUnit unit = MakeUnit();
    EXPECT_EQ(Feed(unit, Concat(kWake, Hex("AA 01 02 01 00 04 00 55"))),
              Hex("AA 01 01 02 00 55  AA 01 03 02 01 00 07 00 55"));
}

TEST(SimExchange, VersionBytesAreConfigurable) {
    UnitConfig config;
    config.version[0] = 7;
    config.version[1] = 9;
    SimUnit unit = MakeUnit(config);
    EXPECT_EQ(Feed(unit, Frame(1, Packet(1, 0))),
              Hex("AA 01 01 02 00 55  AA 01 03 02 07 09 16 00 55"));
}

TEST(SimExchange, AckOfCounter255CarriesIntoHighByte) {
    SimUnit unit = MakeUnit();
    const Bytes out = Feed(unit, Frame(255, Packet(1, 0)));
    ASSERT_GE(out.size(), 6u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), Hex("AA FF 01 00 01 55"));
}

TEST(SimExchange, ModulFetchReturnsTheStoredRecord) {
    for (unsigned n : {1u, 3u, 200u}) {
        SimUnit unit = MakeUnit();
        const Bytes out = Feed(unit, Frame(4, Packet(7, static_cast<std::uint8_t>(n))));
        EXPECT_EQ(out, Answer(4, 1, Concat({8, 0}, DefaultModul(n)))) << "module " << n;
        EXPECT_EQ(out.size(), 6u + 138u);
    }
}

TEST(SimExchange, CentralFetchReturnsTheCentralRecord) {
    SimUnit unit = MakeUnit();
    EXPECT_EQ(Feed(unit, Frame(1, Packet(3, 0))), Answer(1, 1, Concat({4, 0}, DefaultCentral())));
}

TEST(SimExchange, ModulSendStoresAndALaterFetchReturnsIt) {
    SimUnit unit = MakeUnit();
    std::vector<UnitEvent> events;
    EXPECT_EQ(Feed(unit, Frame(1, Packet(9, 17, TestRecord(3))), 0, &events),
              Answer(1, 1, {10, 0}));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].stored, 17);
    EXPECT_EQ(Feed(unit, Frame(2, Packet(7, 17))), Answer(2, 2, Concat({8, 0}, TestRecord(3))));
    EXPECT_EQ(Feed(unit, Frame(3, Packet(7, 16))), Answer(3, 3, Concat({8, 0}, DefaultModul(16))));
}

TEST(SimExchange, CentralSendStoresTheRecordAndItsFlag) {
    SimUnit unit = MakeUnit();
    EXPECT_EQ(Feed(unit, Frame(1, Packet(5, 1, TestRecord(40)))), Answer(1, 1, {6, 0}));
    EXPECT_EQ(unit.store.centralFlag, 1);
    EXPECT_EQ(Feed(unit, Frame(2, Packet(3, 0))), Answer(2, 2, Concat({4, 0}, TestRecord(40))));
}

TEST(SimExchange, ModulsOutsideOneTo200AreRefused) {
    for (unsigned value : {0u, 201u, 255u}) {
        const auto n = static_cast<std::uint8_t>(value);
        SimUnit unit = MakeUnit();
        const SimStore before = unit.store;
        EXPECT_EQ(Feed(unit, Frame(1, Packet(7, n))), Answer(1, 1, Concat({8, 1}, Bytes(130, 0))))
            << "fetch " << int{n};
        std::vector<UnitEvent> events;
        EXPECT_EQ(Feed(unit, Frame(2, Packet(9, n, TestRecord(1))), 0, &events),
                  Answer(2, 2, {10, 1}))
            << "send " << int{n};
        EXPECT_EQ(events.at(0).stored, -1);
        EXPECT_EQ(unit.store.records, before.records);
    }
}

// A good frame behind each bad one must still be answered: the receiver finds its feet.
TEST(SimExchange, BadFramesGetNoAnswer) {
    struct Row {
        const char* what;
        Bytes frame;
    };
    const Bytes good = Frame(1, Packet(7, 3));
    Bytes badSum = good;
    badSum[5] = static_cast<std::uint8_t>(badSum[5] ^ 0x01);
    Bytes badEnd = good;
    badEnd.back() = 0x56;
    const Row rows[] = {
        {"wrong checksum low byte", badSum},
        {"wrong end byte", badEnd},
        {"unknown request 2", Frame(1, Packet(2, 0))},
        {"unknown request 11", Frame(1, Packet(11, 0))},
        {"reply code 8 as request", Frame(1, Concat({8, 0}, Bytes(130, 0)))},
        {"central send too short", Frame(1, Packet(5, 0))},
        {"module fetch too long", Frame(1, Packet(7, 3, Bytes(130, 0)))},
        {"empty packet", Frame(1, {})},
        {"three-byte packet", Frame(1, {1, 0, 0})},
    };
    for (const Row& row : rows) {
        SimUnit unit = MakeUnit();
        EXPECT_EQ(Feed(unit, row.frame), Bytes{}) << row.what;
        EXPECT_EQ(Feed(unit, Frame(2, Packet(1, 0))), Answer(2, 1, {2, 1, 0})) << row.what;
    }
}

TEST(SimExchange, FrameSplitAcrossReadsIsAnsweredOnce) {
    const Bytes frame = Frame(1, Packet(1, 0));
    const Bytes answer = Answer(1, 1, {2, 1, 0});
    for (std::size_t split = 1; split < frame.size(); ++split) {
        SimUnit unit = MakeUnit();
        EXPECT_EQ(Feed(unit, Bytes(frame.begin(), frame.begin() + static_cast<long>(split)), 0),
                  Bytes{})
            << "split at " << split;
        EXPECT_EQ(Feed(unit, Bytes(frame.begin() + static_cast<long>(split), frame.end()), 5),
                  answer)
            << "split at " << split;
    }
}

TEST(SimExchange, ModulSendArrivingByteByByteAtLineSpeedIsStored) {
    SimUnit unit = MakeUnit();
    const Bytes frame = Frame(1, Packet(9, 5, TestRecord(9)));
    Bytes out;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        out = Concat(out, Feed(unit, {frame[i]}, i * 4));
    }
    EXPECT_EQ(out, Answer(1, 1, {10, 0}));
    EXPECT_EQ(Bytes(unit.store.records[5].begin(), unit.store.records[5].end()), TestRecord(9));
}

TEST(SimExchange, GarbageBeforeAFrameIsPassedOver) {
    struct Row {
        const char* what;
        Bytes garbage;
    };
    const Row rows[] = {
        {"junk without a start byte", Hex("00 55 13 11 FF FF 01")},
        {"start bytes", Hex("AA AA AA")},
        {"a frame cut short", Hex("AA 01 02 07 03")},
        {"a frame with a bad end byte", Hex("AA 05 02 07 04 10 00 54")},
        {"a start byte and a counter that looks like a start", Hex("AA AA 02")},
    };
    for (const Row& row : rows) {
        SimUnit unit = MakeUnit();
        std::vector<UnitEvent> events;
        const Bytes out =
            Feed(unit, Concat(Concat(row.garbage, kWake), Frame(2, Packet(7, 4))), 0, &events);
        EXPECT_EQ(out, Answer(2, 1, Concat({8, 0}, DefaultModul(4)))) << row.what;
    }
}

// A false start that reads like the head of a 132-byte send takes the frame behind it for
// its body; the driver's repeat, 5 s later, is answered.
TEST(SimExchange, FalseStartOfALongFrameCostsOneAttempt) {
    SimUnit unit = MakeUnit();
    EXPECT_EQ(Feed(unit, Concat(Hex("AA 09 84 09"), Frame(2, Packet(7, 4))), 0), Bytes{});
    EXPECT_EQ(Feed(unit, Concat(kWake, Frame(3, Packet(7, 4))), 5050),
              Answer(3, 1, Concat({8, 0}, DefaultModul(4))));
}

TEST(SimExchange, FrameThatStallsIsDroppedWhenNewBytesCome) {
    SimUnit unit = MakeUnit();
    // A module send cut off after five bytes, as if its driver had been killed; the next
    // run's version request comes 1.5 s later and must not be taken for its body.
    EXPECT_EQ(Feed(unit, Hex("AA 01 84 09 05"), 0), Bytes{});
    EXPECT_EQ(Feed(unit, Concat(kWake, Frame(1, Packet(1, 0))), 1500), Answer(1, 1, {2, 1, 0}));
}

TEST(SimExchange, PauseWithinAFrameShorterThanTheStallLimitIsBridged) {
    SimUnit unit = MakeUnit();
    const Bytes frame = Frame(1, Packet(1, 0));
    EXPECT_EQ(Feed(unit, Bytes(frame.begin(), frame.begin() + 4), 0), Bytes{});
    EXPECT_EQ(Feed(unit, Bytes(frame.begin() + 4, frame.end()), 900), Answer(1, 1, {2, 1, 0}));
}

TEST(SimExchange, TwoFramesInOneReadAreBothAnswered) {
    SimUnit unit = MakeUnit();
    EXPECT_EQ(Feed(unit, Concat(Frame(1, Packet(7, 1)), Frame(2, Packet(3, 0)))),
              Concat(Answer(1, 1, Concat({8, 0}, DefaultModul(1))),
                     Answer(2, 2, Concat({4, 0}, DefaultCentral()))));
}

}  // namespace
