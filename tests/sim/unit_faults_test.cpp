// Each fault switch changes the unit's answer as its --help text says.
#include <gtest/gtest.h>

#include "sim_bytes.h"

namespace {

// Version requests with counters 1, 2, 3 and the exact bytes the unit sends for each.
struct FaultRow {
    const char* what;
    UnitConfig config;
    const char* answers[3];
};

UnitConfig With(unsigned UnitFaults::*budget, unsigned count) {
    UnitConfig config;
    config.faults.*budget = count;
    return config;
}

UnitConfig Silent() {
    UnitConfig config;
    config.faults.silent = true;
    return config;
}

UnitConfig Stray(unsigned count) {
    UnitConfig config;
    config.stray = StrayJunk(count);
    return config;
}

TEST(SimFaults, EachSwitchChangesTheAnswersToVersionRequests) {
    const FaultRow rows[] = {
        {"no faults",
         {},
         {"AA 01 01 02 00 55  AA 01 03 02 01 00 07 00 55",
          "AA 02 01 03 00 55  AA 02 03 02 01 00 08 00 55",
          "AA 03 01 04 00 55  AA 03 03 02 01 00 09 00 55"}},
        {"--silent", Silent(), {"", "", ""}},
        {"--no-ack 2",
         With(&UnitFaults::noAck, 2),
         {"", "", "AA 03 01 04 00 55  AA 01 03 02 01 00 07 00 55"}},
        {"--bad-ack 1",
         With(&UnitFaults::badAck, 1),
         {"AA 01 02 03 00 55", "AA 02 01 03 00 55  AA 01 03 02 01 00 07 00 55",
          "AA 03 01 04 00 55  AA 02 03 02 01 00 08 00 55"}},
        {"--wrong-reply 2",
         With(&UnitFaults::wrongReply, 2),
         {"AA 01 01 02 00 55  AA 01 03 04 01 00 09 00 55",
          "AA 02 01 03 00 55  AA 02 03 04 01 00 0A 00 55",
          "AA 03 01 04 00 55  AA 03 03 02 01 00 09 00 55"}},
        {"--damage-reply 1",
         With(&UnitFaults::damageReply, 1),
         {"AA 01 01 02 00 55  AA 01 03 02 01 00 06 00 55",
          "AA 02 01 03 00 55  AA 02 03 02 01 00 08 00 55",
          "AA 03 01 04 00 55  AA 03 03 02 01 00 09 00 55"}},
        {"--truncate-reply 1",
         With(&UnitFaults::truncateReply, 1),
         {"AA 01 01 02 00 55  AA 01 03 02", "AA 02 01 03 00 55  AA 02 03 02 01 00 08 00 55",
          "AA 03 01 04 00 55  AA 03 03 02 01 00 09 00 55"}},
        {"--stray 8",
         Stray(8),
         {"00 55 FF 01 11 13 00 55  AA 01 01 02 00 55  00 55 FF 01 11 13 00 55  "
          "AA 01 03 02 01 00 07 00 55",
          "00 55 FF 01 11 13 00 55  AA 02 01 03 00 55  00 55 FF 01 11 13 00 55  "
          "AA 02 03 02 01 00 08 00 55",
          "00 55 FF 01 11 13 00 55  AA 03 01 04 00 55  00 55 FF 01 11 13 00 55  "
          "AA 03 03 02 01 00 09 00 55"}},
    };
    for (const FaultRow& row : rows) {
        SimUnit unit = MakeUnit(row.config);
        for (std::uint8_t counter = 1; counter <= 3; ++counter) {
            EXPECT_EQ(Feed(unit, Frame(counter, Packet(1, 0))), Hex(row.answers[counter - 1]))
                << row.what << ", frame " << int{counter};
        }
    }
}

// Five faults one after another, then a good answer: the five attempts of one request.
TEST(SimFaults, FaultsTakeTurnsInTheirListedOrder) {
    UnitConfig config;
    config.faults.noAck = 1;
    config.faults.badAck = 1;
    config.faults.wrongReply = 1;
    config.faults.damageReply = 1;
    config.faults.truncateReply = 1;
    SimUnit unit = MakeUnit(config);
    const char* answers[] = {
        "",
        "AA 02 02 04 00 55",
        "AA 03 01 04 00 55  AA 01 03 04 01 00 09 00 55",
        "AA 04 01 05 00 55  AA 02 03 02 01 00 09 00 55",
        "AA 05 01 06 00 55  AA 03 03 02",
        "AA 06 01 07 00 55  AA 04 03 02 01 00 0A 00 55",
    };
    for (std::uint8_t counter = 1; counter <= 6; ++counter) {
        EXPECT_EQ(Feed(unit, Frame(counter, Packet(1, 0))), Hex(answers[counter - 1]))
            << "frame " << int{counter};
    }
}

// A wrong reply code is another code of the table, so only a check of the code catches it.
TEST(SimFaults, WrongReplyCodeIsTheNextReplyCodeOfTheTable) {
    struct Row {
        Bytes request;
        std::uint8_t replyCode;
        std::size_t replyFrameSize;  // the table's length for the request, unchanged
    };
    const Row rows[] = {{Packet(1, 0), 4, 9},
                        {Packet(3, 0), 6, 138},
                        {Packet(5, 0, Bytes(130, 0)), 8, 8},
                        {Packet(7, 1), 10, 138},
                        {Packet(9, 1, Bytes(130, 0)), 2, 8}};
    for (const Row& row : rows) {
        UnitConfig config;
        config.faults.wrongReply = 1;
        SimUnit unit = MakeUnit(config);
        const Bytes out = Feed(unit, Frame(1, row.request));
        ASSERT_EQ(out.size(), 6u + row.replyFrameSize) << "request " << int{row.request[0]};
        EXPECT_EQ(out[9], row.replyCode) << "request " << int{row.request[0]};
    }
}

TEST(SimFaults, AcknowledgedSendIsCarriedOutWhateverHappensToItsReply) {
    struct Row {
        const char* what;
        unsigned UnitFaults::*budget;
        bool stored;
    };
    const Row rows[] = {
        {"--no-ack", &UnitFaults::noAck, false},
        {"--bad-ack", &UnitFaults::badAck, false},
        {"--wrong-reply", &UnitFaults::wrongReply, true},
        {"--damage-reply", &UnitFaults::damageReply, true},
        {"--truncate-reply", &UnitFaults::truncateReply, true},
    };
    for (const Row& row : rows) {
        SimUnit unit = MakeUnit(With(row.budget, 1));
        std::vector<UnitEvent> events;
        Feed(unit, Frame(1, Packet(9, 12, Bytes(130, 0xEE))), 0, &events);
        ASSERT_EQ(events.size(), 1u) << row.what;
        EXPECT_EQ(events[0].stored >= 0, row.stored) << row.what;
        EXPECT_EQ(unit.store.records[12][0], row.stored ? 0xEE : (12 * 7) & 0xFF) << row.what;
    }
}

TEST(SimFaults, StatusSwitchAnswersOneRequestAndModule) {
    struct Row {
        const char* what;
        std::vector<StatusOverride> entries;
        Bytes packet;
        std::uint8_t status;
        bool stored;
    };
    const Row rows[] = {
        {"7:4:9 on module 4", {{7, 4, 9}}, Packet(7, 4), 9, false},
        {"7:4:9 on module 5", {{7, 4, 9}}, Packet(7, 5), 0, false},
        {"7:0:0 on module 0", {{7, 0, 0}}, Packet(7, 0), 0, false},
        {"3:0:250 on central fetch", {{3, 0, 250}}, Packet(3, 0), 250, false},
        {"3:0:250 on central send", {{3, 0, 250}}, Packet(5, 0, Bytes(130, 0xEE)), 0, true},
        {"5:0:8 on central send", {{5, 0, 8}}, Packet(5, 0, Bytes(130, 0xEE)), 8, false},
        {"9:6:1 on module 6 send", {{9, 6, 1}}, Packet(9, 6, Bytes(130, 0xEE)), 1, false},
        {"9:6:1 on module 7 send", {{9, 6, 1}}, Packet(9, 7, Bytes(130, 0xEE)), 0, true},
        {"9:6:1 on module 6 fetch", {{9, 6, 1}}, Packet(7, 6), 0, false},
        {"7:4:9, 7:4:3 on module 4", {{7, 4, 9}, {7, 4, 3}}, Packet(7, 4), 3, false},
        {"7:any:9 on module 5", {{7, kStatusAnyModul, 9}}, Packet(7, 5), 9, false},
        {"9:any:1, 9:6:0 on module 6",
         {{9, kStatusAnyModul, 1}, {9, 6, 0}},
         Packet(9, 6, Bytes(130, 0xEE)),
         0,
         true},
    };
    for (const Row& row : rows) {
        UnitConfig config;
        config.faults.statuses = row.entries;
        SimUnit unit = MakeUnit(config);
        std::vector<UnitEvent> events;
        const Bytes out = Feed(unit, Frame(1, row.packet), 0, &events);
        ASSERT_GT(out.size(), 10u) << row.what;
        EXPECT_EQ(out[9], row.packet[0] + 1) << row.what;
        EXPECT_EQ(out[10], row.status) << row.what;
        EXPECT_EQ(events.at(0).stored >= 0, row.stored) << row.what;
    }
}

// A record stored wrong is answered as done; only the record fetched back shows it.
TEST(SimFaults, StoreWrongSpoilsOnlyItsRecordsAndIsAnsweredDone) {
    struct Row {
        const char* what;
        Bytes packet;
        std::size_t number;
        bool wrong;
    };
    const Row rows[] = {
        {"module 6 send", Packet(9, 6, Bytes(130, 0x11)), 6, true},
        {"module 7 send", Packet(9, 7, Bytes(130, 0x11)), 7, false},
        {"central send", Packet(5, 0, Bytes(130, 0x11)), 0, true},
    };
    for (const Row& row : rows) {
        UnitConfig config;
        config.faults.wrongStores = {6, 0};
        SimUnit unit = MakeUnit(config);
        std::vector<UnitEvent> events;
        const Bytes out = Feed(unit, Frame(1, row.packet), 0, &events);
        ASSERT_GT(out.size(), 10u) << row.what;
        EXPECT_EQ(out[10], 0) << row.what;
        EXPECT_EQ(unit.store.records[row.number][0], row.wrong ? 0x91 : 0x11) << row.what;
        EXPECT_EQ(unit.store.records[row.number][1], 0x11) << row.what;
        EXPECT_EQ(events.at(0).note.find("wrong") != std::string::npos, row.wrong) << row.what;
        const auto number = static_cast<std::uint8_t>(row.number);
        const Bytes back = Feed(unit, Frame(2, number == 0 ? Packet(3, 0) : Packet(7, number)));
        ASSERT_EQ(back.size(), 6u + 138u) << row.what;
        EXPECT_EQ(back[11], unit.store.records[row.number][0]) << row.what;
    }
}

TEST(SimFaults, RefusedFetchStillCarriesTheRecord) {
    UnitConfig config;
    config.faults.statuses = {{7, 4, 8}};
    SimUnit unit = MakeUnit(config);
    const Bytes out = Feed(unit, Frame(1, Packet(7, 4)));
    ASSERT_EQ(out.size(), 6u + 138u);
    EXPECT_EQ(out[10], 8);
    for (std::size_t k = 0; k < 130; ++k) {
        EXPECT_EQ(out[11 + k], (4 * 7 + k) & 0xFF) << "byte " << k;
    }
}

}  // namespace
