#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/store.h"

// The unit's side of the link: receives data frames, acknowledges them and answers each
// request from the store. Pure: bytes and a clock go in, bytes to send come out.

// Answer request `code` (3, 5, 7, 9) for module `modul` (0 for the central record) with
// status byte `status`, whatever the unit would have said.
struct StatusOverride {
    std::uint8_t code;
    std::uint8_t modul;
    std::uint8_t status;
};

// Each count is a budget for the first frames that reach its stage; a frame takes at most
// one of these faults, tried in this order: silent, noAck, badAck, wrongReply, damageReply,
// truncateReply.
struct UnitFaults {
    bool silent = false;
    unsigned noAck = 0;
    unsigned badAck = 0;
    unsigned wrongReply = 0;
    unsigned damageReply = 0;
    unsigned truncateReply = 0;
    unsigned stray = 0;  // junk bytes before every acknowledgement and reply
    std::vector<StatusOverride> statuses;
};

struct UnitConfig {
    UnitFaults faults;
    std::uint8_t version[2] = {1, 0};
};

// What the unit did with one data frame (or with bytes it threw away).
struct UnitEvent {
    std::string note;                  // one line for the trace
    std::vector<std::uint8_t> output;  // bytes to send, in order
    bool answered = false;             // something was sent for a data frame
    bool storeChanged = false;         // a send was carried out
};

struct SimUnit {
    UnitConfig config;  // the fault budgets count down as faults are used
    SimStore store;
    std::vector<std::uint8_t> frame;  // the frame being received, from its start byte on
    std::uint64_t lastByteMs = 0;
    std::uint8_t replyCounter = 1;
    unsigned framesReceived = 0;  // good data frames
};

// A partial frame followed by this much silence is dropped: the driver writes a frame in
// one piece, so a frame that stalls belongs to a run that has gone.
constexpr std::uint64_t kFrameStallMs = 1000;

void UnitInit(SimUnit& unit, const UnitConfig& config, const SimStore& store);

// Takes `count` received bytes at time `nowMs` and appends an event for every data frame
// completed and every frame rejected.
void UnitReceive(SimUnit& unit, const std::uint8_t* bytes, std::size_t count, std::uint64_t nowMs,
                 std::vector<UnitEvent>& events);
