#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "sim/line.h"
#include "sim/options.h"
#include "sim/store.h"
#include "sim/trace.h"
#include "sim/unit.h"

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

constexpr int kExitDone = 0;
constexpr int kExitLineFailed = 1;
constexpr int kExitUsage = 2;

// Signals reach the poll loop through this pipe, so none is lost between two polls.
int signalPipe[2] = {-1, -1};

extern "C" void OnSignal(int) {
    const char byte = 0;
    const ssize_t ignored = write(signalPipe[1], &byte, 1);
    (void)ignored;
}

int CatchSignals() {
    if (pipe(signalPipe) != 0) {
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return 0;
}

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
int Send(Output& out, bool pace) {
    std::size_t count = out.bytes.size() - out.sent;
    if (pace) {
        const auto late = Clock::now() - out.nextByteAt;
        const auto due = static_cast<std::size_t>(late / kByteTime) + 1;
        count = std::min(count, due);
    }
    const ssize_t written = write(LineFd(), &out.bytes[out.sent], count);
    if (written < 0) {
        return errno == EAGAIN || errno == EINTR ? 0 : 1;
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
int Receive(Session& session) {
    std::uint8_t buffer[kReadChunk];
    const ssize_t received = read(LineFd(), buffer, sizeof buffer);
    if (received < 0) {
        return errno == EAGAIN || errno == EINTR ? 0 : 1;
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
        Queue(session.out, event.output);
        if (event.storeChanged && !session.options.store.empty() &&
            StoreSave(session.options.store, session.unit.store) != 0) {
            std::fprintf(stderr, "minizv-sim: cannot save %s\n", session.options.store.c_str());
        }
        session.answered += event.answered ? 1 : 0;
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

// Serves the line until a signal, a failed line or --exit-after.
int Serve(const SimOptions& options, SimUnit& unit) {
    Session session{options, unit, {}, 0, true};
    for (;;) {
        pollfd fds[2] = {{LineFd(), 0, 0}, {signalPipe[0], POLLIN, 0}};
        int timeout = -1;
        if (session.reading) {
            fds[0].events |= POLLIN;
        }
        if (session.out.Pending()) {
            if (options.pace && Clock::now() < session.out.nextByteAt) {
                timeout = MsUntil(session.out.nextByteAt);
            } else {
                fds[0].events |= POLLOUT;
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
        if (poll(fds, 2, timeout) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("minizv-sim: poll");
            return kExitLineFailed;
        }
        if (fds[1].revents != 0) {
            TraceNote("signal: exiting");
            return kExitDone;
        }
        const short line = fds[0].revents;
        if ((line & (POLLERR | POLLNVAL)) != 0 || (line & (POLLHUP | POLLIN)) == POLLHUP) {
            std::fprintf(stderr, "minizv-sim: the line hung up\n");
            return kExitLineFailed;
        }
        if ((line & POLLIN) != 0 && Receive(session) != 0) {
            std::perror("minizv-sim: read");
            return kExitLineFailed;
        }
        const bool due = (line & POLLOUT) != 0;
        if (due && session.out.Pending() && Send(session.out, options.pace) != 0) {
            std::perror("minizv-sim: write");
            return kExitLineFailed;
        }
    }
}

int OpenLine(const SimOptions& options, std::string& readyPath) {
    std::string error;
    std::string linePath = options.device;
    const int opened = options.device.empty() ? LineOpenPty(linePath, error)
                                              : LineOpenDevice(options.device, error);
    if (opened != 0 || (!options.link.empty() && LineLink(linePath, options.link, error) != 0)) {
        std::fprintf(stderr, "minizv-sim: %s\n", error.c_str());
        LineClose();
        return 1;
    }
    readyPath = options.link.empty() ? linePath : options.link;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (ParseOptions(argc, argv, options, error) != 0) {
        std::fprintf(stderr, "minizv-sim: %s (see --help)\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(SimUsage(), stdout);
        return kExitDone;
    }
    SimStore store;
    StoreSetDefaults(store);
    if (!options.store.empty() && StoreLoad(options.store, store, error) == 2) {
        std::fprintf(stderr, "minizv-sim: %s\n", error.c_str());
        return kExitUsage;
    }
    if (options.printRecord >= 0) {
        std::printf("%s\n", StoreRecordLine(store, options.printRecord).c_str());
        return kExitDone;
    }
    TraceStart(options.trace);
    std::string readyPath;
    if (CatchSignals() != 0 || OpenLine(options, readyPath) != 0) {
        return kExitLineFailed;
    }
    SimUnit unit;
    UnitInit(unit, options.unit, store);
    std::printf("ready %s\n", readyPath.c_str());
    std::fflush(stdout);
    const int status = Serve(options, unit);
    LineClose();
    return status;
}
