#pragma once
#include <cstdint>
#include <vector>

#include "device/setup_records.h"
#include "sim/unit.h"

// A scripted MiniZv unit on the fake line (fake_port.h), in virtual time. The simulator's
// unit model (sim/unit.h) reads the driver's data frames from what ComWrite carries, and
// acknowledges and answers each one from the store of the central record and the module
// records 1..200, as minizv-sim does:
//   1 -> 2 version bytes;  3 -> 4 status, central;   5 -> 6 status (stores the central record)
//   7 -> 8 status, module; 9 -> 10 status (stores the module record)
// Frames that fail a check, and requests of another code or of the wrong length, get no
// answer and are not recorded. Module numbers outside 1..200 get kNoSuchModulStatus (and a
// fetch 130 zero bytes). A send is carried out (stored) when its status is 0 and the frame
// was acknowledged with code 1, even if the reply is then lost, as a real unit would. The
// fake adds what the model leaves to its caller: the model's faults (FrameFault) by frame
// number, and when the answers arrive (both at once unless SetUnitDelays says otherwise; a
// FrameFault::kLateAck answer kLateAckMs after the frame, when the driver has given up and
// the stale bytes wait on the line).
//
//   fake::StartUnit();                                     // fresh line, well-behaved unit
//   fake::UnitRecord(4) = fake::PatternRecord(40);         // what module 4 holds
//   fake::AddUnitFault(FrameFault::kNoAck, 1, 2);          // frames 1 and 2: no answer at all
//   fake::SetUnitStatus(7, 8, 4);                          // fetching module 4 gives status 8
//   ... run the driver ...
//   ASSERT_EQ(fake::UnitRequests().size(), 3u);            // two repeats, then the answer
//   EXPECT_EQ(fake::UnitRequests()[2].packet, (std::vector<std::uint8_t>{7, 4}));
// Writes, pauses (the 50 ms wake pauses too) and the clock are on the line: fake_port.h.
// StartUnit does not touch the link layer's frame counter; tests that look at counters set it
// with ComL1SetFrameCounter(1).

namespace fake {

constexpr std::uint64_t kLateAckMs = 3 * 1600 + 100;
constexpr int kEveryFrame = 1 << 30;
constexpr int kAnyModul = -1;
constexpr std::uint8_t kNoSuchModulStatus = 1;

// What the unit received, one entry per intact data frame, numbered from 1 in this order.
struct UnitRequest {
    std::uint64_t atMs;
    std::uint8_t counter;
    std::vector<std::uint8_t> packet;  // request code, then payload
    FrameFault fault;                  // what the unit did with it
};

// A record that a send stored: number 0 for the central record, else the module number.
struct UnitStored {
    std::uint8_t number;
    modul_setup record;
};

// Resets the line (fake::ResetLine) and attaches a well-behaved unit: no faults, no delays,
// version bytes 0x12 0x34, status 0 for everything, record n holding PatternRecord(n).
void StartUnit();

// 130 bytes that differ from record to record and include the frame bytes 0xAA and 0x55.
modul_setup PatternRecord(std::uint8_t seed);
// The store: 0 is the central record, 1..200 the module records.
modul_setup& UnitRecord(std::uint8_t number);
void SetUnitVersion(std::uint8_t first, std::uint8_t second);
// Requests with `requestCode` (and, for 7 and 9, the module number `modul`) are answered with
// `status`. The latest matching setting wins.
void SetUnitStatus(std::uint8_t requestCode, std::uint8_t status, int modul = kAnyModul);

// A send of these records (0 central) stores them wrong (the first byte's top bit flipped) and
// answers as done all the same, as a unit with a failing memory cell would.
void SetUnitStoresWrong(const std::vector<int>& numbers);

// Frames firstFrame .. firstFrame + frameCount - 1 suffer `fault`; a later rule wins.
void AddUnitFault(FrameFault fault, int firstFrame, int frameCount = 1);
// Delays of the acknowledgement after the frame, and of the reply after the acknowledgement.
void SetUnitDelays(std::uint32_t ackDelayMs, std::uint32_t replyDelayMs);
// Sent right before every acknowledgement and every reply.
void SetUnitStrayBytes(const std::vector<std::uint8_t>& bytes);

const std::vector<UnitRequest>& UnitRequests();
const std::vector<UnitStored>& UnitStoredRecords();

}  // namespace fake
