#pragma once
#include <cstdint>

#include "serial/printf_format.h"

// The driver's own account of one run, for a technician at a flaky line: every byte written
// and read, what the link and command layers made of each frame, the attempts, the pauses
// and the result. One line per event, starting with the milliseconds since the run began on
// a monotonic clock, laid out as minizv-sim --trace lays out its side:
//      50 ms tx AA 01 02 01 00 04 00 55
//      50 ms rx AA (1 of 1 in 0 ms)
//      50 ms -- acknowledged
// The environment variable ZORDRIVE_TRACE names the file that each run appends to. Without
// it every call here returns at once and the run is what it would be without this module.
// Lines collect in a fixed buffer, so tracing takes no allocation and no file access inside
// an exchange; they reach the file only at TraceWriteOut and TraceEnd, which the callers
// place between exchanges (before a pause) and at the end of the run.

constexpr char kTraceVariable[] = "ZORDRIVE_TRACE";

// How the notes that tell a run apart begin. The trace file is what a host reads of a failed
// run (zvtool's account of it matches these), so they are part of the file's format: the
// writers put them in front of the rest of their note, and a reader matches the same text.
constexpr char kNoteRunStart[] = "zordrive ";  // "zordrive 1.2.0, run started 2026-..."
constexpr char kNotePort[] = "port ";          // "port COM1 (Comport setting)"
constexpr char kNoteResult[] = "result ";      // "result 4: what the code means"
// "module 7 fetch (request 7): attempt 1 of 5": what goes out, the request code, the attempt.
constexpr char kNoteRequest[] = " (request ";
constexpr char kNoteAttempt[] = ": attempt ";
// What went wrong in one attempt; each is followed by its details.
constexpr char kNoteNoAck[] = "no acknowledgement after";  // " 3 empty reads"
constexpr char kNoteBadAck[] = "bad acknowledgement";      // ": code 02, checksum ..."
constexpr char kNoteNoReply[] = "no reply after";          // " 5 empty reads"
constexpr char kNoteShortReply[] = "reply rejected: short";
constexpr char kNoteBadChecksum[] = "reply rejected: bad checksum";
constexpr char kNoteBadEndByte[] = "reply rejected: bad end byte";
constexpr char kNoteWrongReplyCode[] = "reply rejected: wrong reply code";
// A reply that got through, with the unit's status byte in hex right after: "00" is done.
constexpr char kNoteStatusByte[] = "reply accepted: status byte ";

// Starts the clock and opens the file that ZORDRIVE_TRACE names, for appending. Unset, empty
// or a file that cannot be opened: no trace, and the run goes on as without one.
void TraceBegin();
// Writes out what is buffered and closes the file.
void TraceEnd();
bool TraceOn();

// Milliseconds since TraceBegin.
std::uint64_t TraceNowMs();

// "tx" and the bytes of one write.
void TraceTx(const std::uint8_t* bytes, std::uint32_t count);
// "rx", the bytes that one read got, how many it asked for, how long it took since
// `startMs` (a TraceNowMs reading) and whether its time-out ran out.
void TraceRx(const std::uint8_t* bytes, std::uint32_t asked, std::uint32_t got,
             std::uint64_t startMs);
// "--" and a note, printf style.
void TraceNote(const char* format, ...) ZV_PRINTF_FORMAT(1, 2);

// Appends the buffered lines to the file. Call it only where the line may wait: never
// between a wake byte and its frame, nor between a frame and its answer.
void TraceWriteOut();
// The same at the start of a pause of `pauseMs`: returns what is left of the pause, so that
// a slow disk does not lengthen it.
std::uint32_t TraceWriteOutWithin(std::uint32_t pauseMs);

// A monotonic clock in milliseconds: per platform in trace_clock_posix.cpp and
// trace_clock_win32.cpp; the unit tests' fake line gives its virtual time.
std::uint64_t TraceClockMs();
