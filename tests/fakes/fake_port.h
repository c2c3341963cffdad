#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// A fake serial line and a virtual clock for unit tests. Link this library in place of
// serial_platform: it defines ComInitialise, ComWrite, ComRead, ComFlushInput, ComClose,
// PauseMs and the trace clock TraceClockMs.
//
// Time is virtual milliseconds from 0. Only PauseMs and reads that wait move the clock;
// writes take no time. ComRead(count) returns at the moment the count-th byte arrives, or
// when the read time-out in force (1600 ms, 400 ms during ComFlushInput) runs out, with what
// had arrived by then. A byte that arrives exactly at the deadline still counts.
// ComFlushInput works as the real one does: reads of up to 200 bytes with 400 ms until one
// brings nothing.
//
//   fake::ResetLine();
//   fake::UnitSends(60, {0xAA, 0x01, 0x01, 0x02, 0x00, 0x55});  // arrives at 60 ms
//   ComL1DataToMiniZv(packet, 2);                                  // the code under test
//   EXPECT_EQ(fake::Writes()[1].atMs, 50u);
//   EXPECT_EQ(fake::NowMs(), 60u);
//
// For a unit that answers what the driver writes, see fake_unit.h.

namespace fake {

struct LineWrite {
    std::uint64_t atMs;
    std::vector<std::uint8_t> bytes;
};

struct LinePause {
    std::uint64_t atMs;
    std::uint32_t ms;
};

// Called with the bytes of every ComWrite and its virtual time; answers with UnitSends.
using Responder = std::function<void(const std::vector<std::uint8_t>& bytes, std::uint64_t atMs)>;

// Called before the clock moves from `fromMs` to `toMs` (a pause, a read that waits), so that
// a test can look at what the driver has done so far at the times in between, or stop it
// there by throwing.
using ClockWatcher = std::function<void(std::uint64_t fromMs, std::uint64_t toMs)>;

// Clock at 0, nothing on the line, nothing recorded, no responder, ComInitialise gives 0.
void ResetLine();
// Sets the watcher (an empty one for none); ResetLine leaves it as it is.
void SetClockWatcher(ClockWatcher watcher);
std::uint64_t NowMs();

// The unit puts `bytes` on the line; they reach the driver at `atMs`, but never before the
// bytes sent earlier (the line keeps its order).
void UnitSends(std::uint64_t atMs, const std::vector<std::uint8_t>& bytes);
void SetResponder(Responder responder);
// What the next ComInitialise returns (0 = port open, 1 = failure).
void SetComInitialiseResult(int result);

// Everything the driver did, in order.
const std::vector<LineWrite>& Writes();
// All written bytes run together.
std::vector<std::uint8_t> WrittenBytes();
const std::vector<LinePause>& Pauses();
// The time at which each ComFlushInput began.
const std::vector<std::uint64_t>& Flushes();
int ComInitialiseCalls();
int ComCloseCalls();
// Bytes the unit sent that the driver has not read, whether they have arrived yet or not.
std::size_t UnreadBytes();

}  // namespace fake
