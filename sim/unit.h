#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/setup_records.h"
#include "sim/store.h"

// The unit's side of the link: receives data frames, acknowledges them and answers each
// request from the store. Pure: bytes and a clock go in, bytes to send come out. minizv-sim
// serves a line with it, and the tests' fake unit answers the driver in virtual time with it.

// What the unit does wrong with one good data frame: the one list of the unit's faults, which
// minizv-sim's switches (UnitFaults), the tests' fake unit and the fault matrix all use.
enum class FrameFault {
    kNone,
    kNoAck,          // no acknowledgement, no reply, not carried out (--no-ack; --silent: all)
    kBadAck,         // acknowledged with code 2, not carried out, no reply (--bad-ack)
    kLateAck,        // answered as kNone, but sent after the driver gave up (the fake unit)
    kNoReply,        // acknowledged and carried out, but the reply is withheld
    kWrongReply,     // the reply carries another reply code of the table (--wrong-reply)
    kDamageReply,    // the reply's checksum low byte is off by one bit (--damage-reply)
    kBadEndByte,     // the reply ends with 0x54 instead of 0x55
    kTruncateReply,  // the reply is cut to half its length (--truncate-reply)
};

// A status override for any module number.
constexpr int kStatusAnyModul = -1;

// Answer request `code` (3, 5, 7, 9) for module `modul` (0 for the central record,
// kStatusAnyModul for every number) with status byte `status`, whatever the unit would have
// said.
struct StatusOverride {
    std::uint8_t code;
    int modul;
    std::uint8_t status;
};

// The simulator's fault switches. Each count is a budget for the first frames that reach its
// stage; a frame takes at most one of these faults, tried in this order: silent, noAck,
// badAck, wrongReply, damageReply, truncateReply.
struct UnitFaults {
    bool silent = false;
    unsigned noAck = 0;
    unsigned badAck = 0;
    unsigned wrongReply = 0;
    unsigned damageReply = 0;
    unsigned truncateReply = 0;
    // Where several match a request and module, the last one wins.
    std::vector<StatusOverride> statuses;
    // Records (0 central) that a send stores wrong: the first byte with its top bit flipped,
    // answered as done all the same, as a unit with a failing memory cell would. Only reading
    // the record back shows it.
    std::vector<int> wrongStores;
};

struct UnitConfig {
    UnitFaults faults;
    std::uint8_t version[2] = {1, 0};
    std::vector<std::uint8_t> stray;  // junk sent before every acknowledgement and reply
};

// What the unit did with one good data frame, or with bytes it threw away.
struct UnitEvent {
    std::string note;                  // one line for the trace
    bool frame = false;                // a good data frame (false: bytes thrown away)
    std::uint8_t counter = 0;          // the frame's counter
    std::vector<std::uint8_t> packet;  // the frame's request code and payload
    std::vector<std::uint8_t> ack;     // to send first: stray bytes and the acknowledgement
    std::vector<std::uint8_t> reply;   // to send after it: stray bytes and the reply frame
    int stored = -1;                   // the record a send stored (0 central), or -1
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

// Takes `count` received bytes at time `nowMs` and appends an event for every good data frame
// (not answered yet) and every frame thrown away.
void UnitTakeBytes(SimUnit& unit, const std::uint8_t* bytes, std::size_t count, std::uint64_t nowMs,
                   std::vector<UnitEvent>& events);

// Answers the good data frame of `event` with `fault`: carries the request out unless the
// fault stops it, and fills in the bytes to send, the record stored and the note.
void UnitAnswer(SimUnit& unit, UnitEvent& event, FrameFault fault);

// The fault that the switches give the next good frame, taken from their budgets.
FrameFault UnitNextFault(UnitFaults& faults);

// UnitTakeBytes, then UnitAnswer for every good frame with the fault that its switches give.
void UnitReceive(SimUnit& unit, const std::uint8_t* bytes, std::size_t count, std::uint64_t nowMs,
                 std::vector<UnitEvent>& events);

// The junk of --stray: `count` bytes repeating 00 55 FF 01 11 13, never the start byte.
std::vector<std::uint8_t> StrayJunk(unsigned count);
