// Reads, flushes and a hung-up line, in real time against a pseudo-terminal.
#include <time.h>

#include <atomic>
#include <string>
#include <thread>

#include "serial/com_port_posix.h"
#include "tests/serial/pty_peer.h"

namespace {

using PortTiming = PtyPeer;

constexpr long long kFullReadMinMs = 1550;
constexpr long long kFullReadMaxMs = 1800;

long long CpuMs() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<long long>(used.tv_sec) * 1000 + used.tv_nsec / 1000000;
}

TEST_F(PortTiming, ShortReadReturnsWhatArrivedWhenTheTimeoutEnds) {
    OpenCom1();
    Send({0x41, 0x00});
    std::uint8_t buffer[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ComRead(buffer, 4), 2u);
    const long long elapsed = MsSince(start);
    EXPECT_GE(elapsed, kFullReadMinMs);
    EXPECT_LE(elapsed, kFullReadMaxMs);
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0x41, 0x00, 0x00, 0xEE}));
}

TEST_F(PortTiming, BytesAlreadyWaitingReturnAtOnce) {
    OpenCom1();
    Send({1, 2, 3, 4, 5});
    std::uint8_t buffer[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ComRead(buffer, 5), 5u);
    EXPECT_LT(MsSince(start), 100);
    EXPECT_EQ(Bytes(buffer, buffer + 6), (Bytes{1, 2, 3, 4, 5, 0}));
}

TEST_F(PortTiming, FlushOnASilentLineCostsOneShortReadThenReadsWaitInFullAgain) {
    OpenCom1();
    auto start = std::chrono::steady_clock::now();
    ComFlushInput();
    const long long flushMs = MsSince(start);
    EXPECT_GE(flushMs, 390);
    EXPECT_LE(flushMs, 600);

    std::uint8_t buffer[2] = {0xEE, 0xEE};
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(ComRead(buffer, 1), 0u);
    const long long readMs = MsSince(start);
    EXPECT_GE(readMs, kFullReadMinMs);
    EXPECT_LE(readMs, kFullReadMaxMs);
    EXPECT_EQ(buffer[0], 0);
}

// The unit keeps talking for a second after more than a chunk of old bytes: the flush
// discards all of it and ends only after a whole short read brought nothing.
TEST_F(PortTiming, FlushLastsUntilTheLineFallsSilent) {
    OpenCom1();
    Send(Bytes(300, 0x77));
    std::atomic<long long> lastSentMs{0};
    const auto start = std::chrono::steady_clock::now();
    std::thread unit([&] {
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const std::uint8_t byte = 0x66;
            if (write(master, &byte, 1) == 1) {
                lastSentMs = MsSince(start);
            }
        }
    });
    ComFlushInput();
    const long long flushMs = MsSince(start);
    unit.join();
    EXPECT_GE(lastSentMs.load(), 950);
    EXPECT_GE(flushMs, lastSentMs.load() + 400);
    EXPECT_LE(flushMs, lastSentMs.load() + 850);

    Send({0x5A});
    std::uint8_t buffer[2] = {};
    EXPECT_EQ(ComRead(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 0x5A);
}

TEST_F(PortTiming, HungUpLineTimesOutAsleep) {
    OpenCom1();
    EXPECT_STREQ(ComLineLost(), "");
    CloseMaster();
    std::uint8_t buffer[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    const long long cpuStart = CpuMs();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ComRead(buffer, 4), 0u);
    const long long elapsed = MsSince(start);
    EXPECT_GE(elapsed, kFullReadMinMs);
    EXPECT_LE(elapsed, kFullReadMaxMs);
    EXPECT_LT(CpuMs() - cpuStart, 100);
    EXPECT_EQ(buffer[0], 0);

    const std::uint8_t frame[4] = {0xFF, 0xAA, 0x01, 0x55};
    const auto writeStart = std::chrono::steady_clock::now();
    EXPECT_LT(ComWrite(frame, 4), 4u);
    EXPECT_LT(MsSince(writeStart), 100);
    // The pseudo-terminal's slave goes with its master, as a pulled adapter's node does; the
    // first sign is the one kept.
    EXPECT_EQ(std::string(ComLineLost()).rfind("the device was removed (read: ", 0), 0u)
        << ComLineLost();
}

}  // namespace
