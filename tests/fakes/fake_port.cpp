#include "tests/fakes/fake_port.h"

#include <algorithm>
#include <array>
#include <deque>
#include <utility>

#include "serial/com_port.h"
#include "serial/pause.h"
#include "serial/trace.h"

namespace {

struct Arrival {
    std::uint64_t atMs;
    std::uint8_t byte;
};

struct Line {
    std::uint64_t nowMs = 0;
    std::uint32_t readTimeoutMs = kReadTimeoutMs;
    std::deque<Arrival> incoming;
    fake::Responder responder;
    int initialiseResult = 0;
    int initialiseCalls = 0;
    int closeCalls = 0;
    std::vector<fake::LineWrite> writes;
    std::vector<fake::LinePause> pauses;
    std::vector<std::uint64_t> flushes;
};

Line line;
fake::ClockWatcher clockWatcher;

// Moves the clock to `toMs`, after the watcher has seen the way there.
void Advance(std::uint64_t toMs) {
    if (clockWatcher && toMs > line.nowMs) {
        clockWatcher(line.nowMs, toMs);
    }
    line.nowMs = std::max(line.nowMs, toMs);
}

}  // namespace

namespace fake {

void ResetLine() {
    line = Line{};
}

void SetClockWatcher(ClockWatcher watcher) {
    clockWatcher = std::move(watcher);
}

std::uint64_t NowMs() {
    return line.nowMs;
}

void UnitSends(std::uint64_t atMs, const std::vector<std::uint8_t>& bytes) {
    for (const std::uint8_t byte : bytes) {
        const std::uint64_t at =
            line.incoming.empty() ? atMs : std::max(atMs, line.incoming.back().atMs);
        line.incoming.push_back({at, byte});
    }
}

void SetResponder(Responder responder) {
    line.responder = std::move(responder);
}

void SetComInitialiseResult(int result) {
    line.initialiseResult = result;
}

const std::vector<LineWrite>& Writes() {
    return line.writes;
}

std::vector<std::uint8_t> WrittenBytes() {
    std::vector<std::uint8_t> all;
    for (const LineWrite& write : line.writes) {
        all.insert(all.end(), write.bytes.begin(), write.bytes.end());
    }
    return all;
}

const std::vector<LinePause>& Pauses() {
    return line.pauses;
}

const std::vector<std::uint64_t>& Flushes() {
    return line.flushes;
}

int ComInitialiseCalls() {
    return line.initialiseCalls;
}

int ComCloseCalls() {
    return line.closeCalls;
}

std::size_t UnreadBytes() {
    return line.incoming.size();
}

}  // namespace fake

int ComInitialise() {
    ++line.initialiseCalls;
    return line.initialiseResult;
}

std::uint32_t ComWrite(const std::uint8_t* buffer, std::uint32_t count) {
    fake::LineWrite write{line.nowMs, std::vector<std::uint8_t>(buffer, buffer + count)};
    line.writes.push_back(write);
    if (line.responder) {
        line.responder(write.bytes, write.atMs);
    }
    return count;
}

std::uint32_t ComRead(std::uint8_t* buffer, std::uint32_t count) {
    const std::uint64_t deadline = line.nowMs + line.readTimeoutMs;
    std::uint32_t received = 0;
    while (received < count && !line.incoming.empty() && line.incoming.front().atMs <= deadline) {
        Advance(line.incoming.front().atMs);
        buffer[received++] = line.incoming.front().byte;
        line.incoming.pop_front();
    }
    if (received < count) {
        Advance(deadline);
    }
    buffer[received] = 0;
    return received;
}

void ComFlushInput() {
    line.flushes.push_back(line.nowMs);
    line.readTimeoutMs = kFlushReadTimeoutMs;
    std::array<std::uint8_t, kFlushChunk + 1> scratch{};
    while (ComRead(scratch.data(), kFlushChunk) != 0) {
    }
    line.readTimeoutMs = kReadTimeoutMs;
}

void ComClose() {
    ++line.closeCalls;
}

void PauseMs(std::uint32_t ms) {
    line.pauses.push_back({line.nowMs, ms});
    Advance(line.nowMs + ms);
}

// The trace runs on the virtual clock, so a traced test run is stamped in virtual time.
std::uint64_t TraceClockMs() {
    return line.nowMs;
}
