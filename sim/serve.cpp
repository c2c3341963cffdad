#include "sim/serve.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "sim/line.h"
#include "sim/store.h"
#include "sim/trace.h"

namespace {

using Clock = std::chrono::steady_clock;

// One byte at 2400 baud: start bit, 8 data bits, stop bit.
constexpr std::chrono::microseconds kByteTime{4167};
// How long the last answer before --exit-after may wait to be read before the line goes.
constexpr auto kLastAnswerWait = std::chrono::milliseconds(2000);
// A pseudo-terminal passes written bytes on to its slave side a moment later, so the count
// of unread bytes is trusted only this long after the last write.
constexpr auto kLastAnswerSettle = std::chrono::milliseconds(200);
constexpr int kLastAnswerPollMs = 20;
constexpr std::size_t kReadChunk = 512;

// Bytes waiting to go out, and with --pace the time the next one is due.
struct Output {
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
    Clock::time_point nextByteAt;
    Clock::time_point lastWriteAt;

    bool Pending() const { return sent < bytes.size(); }
};

void Queue(Output& out, const std::vector<std::uint8_t>& bytes) {
    if (!out.Pending()) {
        out.bytes.clear();
        out.sent = 0;
        out.nextByteAt = std::max(out.nextByteAt, Clock::now());
    }
    out.bytes.insert(out.bytes.end(), bytes.begin(), bytes.end());
}

// Writes what is due: everything, or with --pace the bytes whose time has come (the
// schedule is absolute, so a late wake-up does not slow the average rate).
int Send(Output& out, bool pace, std::string& error) {
    std::size_t count = out.bytes.size() - out.sent;
    if (pace) {
        const auto late = Clock::now() - out.nextByteAt;
        const auto due = static_cast<std::size_t>(late / kByteTime) + 1;
        count = std::min(count, due);
    }
    const long written = LineWrite(&out.bytes[out.sent], count, error);
    if (written < 0) {
        return 1;
    }
    const auto done = static_cast<std::size_t>(written);
    TraceBytes("tx", &out.bytes[out.sent], done);
    out.sent += done;
    out.lastWriteAt = Clock::now();
    out.nextByteAt += kByteTime * static_cast<int>(done);
    return 0;
}

struct Session {
    const SimOptions& options;
    SimUnit& unit;
    Output out;
    unsigned answered = 0;
    bool reading = true;
};

// Reads what arrived and queues the unit's answers: 0, or 1 when the line failed.
int Receive(Session& session, std::string& error) {
    std::uint8_t buffer[kReadChunk];
    const long received = LineRead(buffer, sizeof buffer, error);
    if (received < 0) {
        return 1;
    }
    const auto count = static_cast<std::size_t>(received);
    TraceBytes("rx", buffer, count);
    std::vector<UnitEvent> events;
    UnitReceive(session.unit, buffer, count, TraceNowMs(), events);
    for (const UnitEvent& event : events) {
        if (!session.reading) {
            break;
        }
        TraceNote(event.note);
        Queue(session.out, event.ack);
        Queue(session.out, event.reply);
        if (event.stored >= 0 && !session.options.store.empty() &&
            StoreSave(session.options.store, session.unit.store) != 0) {
            std::fprintf(stderr, "minizv-sim: cannot save %s\n", session.options.store.c_str());
        }
        session.answered += event.ack.empty() ? 0u : 1u;
        if (session.options.exitAfter != 0 && session.answered >= session.options.exitAfter) {
            TraceNote("answered " + std::to_string(session.answered) + " frames: exiting");
            session.reading = false;
        }
    }
    return 0;
}

// Milliseconds until `when`, rounded up, at least 0.
int MsUntil(Clock::time_point when) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now());
    return static_cast<int>(std::max<long long>(0, wait.count()));
}

}  // namespace

int Serve(const SimOptions& options, SimUnit& unit) {
    Session session{options, unit, {}, 0, true};
    for (;;) {
        bool wantWrite = false;
        int timeout = -1;
        if (session.out.Pending()) {
            if (options.pace && Clock::now() < session.out.nextByteAt) {
                timeout = MsUntil(session.out.nextByteAt);
            } else {
                wantWrite = true;
            }
        } else if (!session.reading) {
            // Closing the pseudo-terminal would throw away the last answer unread.
            LineDrain();
            const auto sinceWrite = Clock::now() - session.out.lastWriteAt;
            if (sinceWrite >= kLastAnswerSettle &&
                (LineUnread() == 0 || sinceWrite >= kLastAnswerWait)) {
                return kExitDone;
            }
            timeout = kLastAnswerPollMs;
        }
        std::string error;
        const int found = LineWait(session.reading, wantWrite, timeout, error);
        if ((found & kLineStop) != 0) {
            TraceNote("stop requested: exiting");
            return kExitDone;
        }
        const bool failed = (found & kLineFailed) != 0 ||
                            ((found & kLineReadable) != 0 && Receive(session, error) != 0) ||
                            ((found & kLineWritable) != 0 && session.out.Pending() &&
                             Send(session.out, options.pace, error) != 0);
        if (failed) {
            std::fprintf(stderr, "minizv-sim: %s\n", error.c_str());
            return kExitLineFailed;
        }
    }
}
