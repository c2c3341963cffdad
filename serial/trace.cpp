#include "serial/trace.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "version.h"

namespace {

// A module pass with stray bytes on the line makes about a hundred lines; a line that does
// not fit is counted and reported when the buffer is written out.
constexpr std::size_t kBufferSize = 64 * 1024;
// The longest line: time, kind, 32 bytes in hex and a read's account; or a note.
constexpr std::size_t kLineMax = 200;
// Bytes per line, as minizv-sim prints them, so a 138-byte reply stays readable.
constexpr std::uint32_t kBytesPerLine = 32;

std::FILE* traceFile = nullptr;
std::uint64_t traceStartMs = 0;
std::array<char, kBufferSize> lines;
std::size_t used = 0;
unsigned long lostLines = 0;

// Room for one more line at the end of the buffer, after its time and kind; nullptr when
// the buffer is full.
char* StartLine(std::uint64_t atMs, const char* kind, std::size_t& room) {
    if (kBufferSize - used < kLineMax) {
        ++lostLines;
        return nullptr;
    }
    room = kBufferSize - used;
    const int n =
        std::snprintf(&lines[used], room, "%8lu ms %s", static_cast<unsigned long>(atMs), kind);
    used += static_cast<std::size_t>(n);
    room -= static_cast<std::size_t>(n);
    return &lines[used];
}

void Append(const char* format, ...) ZV_PRINTF_FORMAT(1, 2);
void Append(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(&lines[used], kBufferSize - used, format, args);
    va_end(args);
    if (n > 0) {
        used += static_cast<std::size_t>(n);
    }
}

// The bytes of one write or read, 32 to a line; the last line is left open for a remark.
bool ByteLines(std::uint64_t atMs, const char* kind, const std::uint8_t* bytes,
               std::uint32_t count) {
    std::uint32_t i = 0;
    do {
        std::size_t room = 0;
        if (StartLine(atMs, kind, room) == nullptr) {
            return false;
        }
        for (std::uint32_t k = 0; k < kBytesPerLine && i < count; ++k, ++i) {
            Append(" %02X", bytes[i]);
        }
        if (i < count) {
            Append("\n");
        }
    } while (i < count);
    return true;
}

}  // namespace

void TraceBegin() {
    traceStartMs = TraceClockMs();
    const char* path = std::getenv(kTraceVariable);
    if (path == nullptr || path[0] == '\0') {
        return;
    }
    traceFile = std::fopen(path, "ab");
    if (traceFile == nullptr) {
        return;
    }
    // Runs follow one another in the file; the date tells them apart.
    char date[32] = "";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", local);
    }
    TraceNote("%s%s, run started %s", kNoteRunStart, ZV_VERSION, date);
}

void TraceEnd() {
    if (traceFile == nullptr) {
        return;
    }
    TraceWriteOut();
    std::fclose(traceFile);
    traceFile = nullptr;
}

bool TraceOn() {
    return traceFile != nullptr;
}

std::uint64_t TraceNowMs() {
    return TraceClockMs() - traceStartMs;
}

void TraceTx(const std::uint8_t* bytes, std::uint32_t count) {
    if (traceFile != nullptr && ByteLines(TraceNowMs(), "tx", bytes, count)) {
        Append("\n");
    }
}

void TraceRx(const std::uint8_t* bytes, std::uint32_t asked, std::uint32_t got,
             std::uint64_t startMs) {
    if (traceFile == nullptr) {
        return;
    }
    const std::uint64_t now = TraceNowMs();
    if (ByteLines(now, "rx", bytes, got)) {
        Append(" (%lu of %lu in %lu ms%s)\n", static_cast<unsigned long>(got),
               static_cast<unsigned long>(asked), static_cast<unsigned long>(now - startMs),
               got < asked ? ": time-out" : "");
    }
}

void TraceNote(const char* format, ...) {
    std::size_t room = 0;
    if (traceFile == nullptr || StartLine(TraceNowMs(), "-- ", room) == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(&lines[used], room - 1, format, args);
    va_end(args);
    if (n > 0) {
        used += std::min(static_cast<std::size_t>(n), room - 2);
    }
    Append("\n");
}

void TraceWriteOut() {
    if (traceFile == nullptr) {
        return;
    }
    std::fwrite(lines.data(), 1, used, traceFile);
    used = 0;
    if (lostLines != 0) {
        std::fprintf(traceFile, "%8lu ms -- %lu trace lines lost: too many between two pauses\n",
                     static_cast<unsigned long>(TraceNowMs()), lostLines);
        lostLines = 0;
    }
    std::fflush(traceFile);
}

std::uint32_t TraceWriteOutWithin(std::uint32_t pauseMs) {
    if (traceFile == nullptr) {
        return pauseMs;
    }
    const std::uint64_t start = TraceNowMs();
    TraceWriteOut();
    // Whole milliseconds read at both ends may count up to one more than passed: the pause
    // keeps that one, so it never ends early.
    const std::uint64_t took = TraceNowMs() - start;
    const std::uint64_t spent = took == 0 ? 0 : took - 1;
    return spent < pauseMs ? static_cast<std::uint32_t>(pauseMs - spent) : 0;
}
