#include "serial/link_frames.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "serial/com_port.h"
#include "serial/pause.h"
#include "serial/trace.h"

namespace {

constexpr std::uint8_t kStartByte = 0xAA;
constexpr std::uint8_t kEndByte = 0x55;
constexpr std::uint8_t kWakeByte = 0xFF;
constexpr std::uint8_t kAckCode = 0x01;
// The unit needs this long after the wake byte before it listens for a frame.
constexpr std::uint32_t kWakePauseMs = 50;

// Reads that bring nothing before the driver gives up the hunt for a start byte.
constexpr int kAckEmptyReads = 3;
constexpr int kReplyEmptyReads = 5;

// Start byte, counter, length, checksum low, checksum high, end byte.
constexpr std::size_t kFrameOverhead = 6;
constexpr std::size_t kMaxPayload = 255;
constexpr std::size_t kMaxFrame = kMaxPayload + kFrameOverhead;
// What follows the acknowledgement's counter byte: code, checksum low, checksum high, end byte.
constexpr std::uint32_t kAckRest = 4;
// What follows a reply's start byte: counter, length, payload, checksum low and high, end byte.
constexpr std::uint32_t kReplyRestOverhead = 5;
constexpr std::size_t kMaxReplyRest = kMaxPayload + kReplyRestOverhead;

// The counter of the next data frame; the unit checks that it moves on by one per frame.
std::uint8_t frameCounter = 1;

// Counter, length and at most 255 payload bytes add up to 65535 at most, so the 16-bit
// checksum never wraps.
std::uint16_t Add(std::uint16_t sum, std::uint8_t byte) {
    return static_cast<std::uint16_t>(sum + byte);
}
std::uint8_t Low(std::uint16_t sum) {
    return static_cast<std::uint8_t>(sum & 0xFFu);
}
std::uint8_t High(std::uint16_t sum) {
    return static_cast<std::uint8_t>(sum >> 8);
}

// The port calls, each written to the trace when one is kept.
void Write(const std::uint8_t* bytes, std::uint32_t count) {
    TraceTx(bytes, count);
    ComWrite(bytes, count);
}

std::uint32_t Read(std::uint8_t* buffer, std::uint32_t count) {
    if (!TraceOn()) {
        return ComRead(buffer, count);
    }
    const std::uint64_t start = TraceNowMs();
    const std::uint32_t got = ComRead(buffer, count);
    TraceRx(buffer, count, got, start);
    return got;
}

void Flush() {
    if (!TraceOn()) {
        ComFlushInput();
        return;
    }
    const std::uint64_t start = TraceNowMs();
    ComFlushInput();
    TraceNote("input flushed in %lu ms", static_cast<unsigned long>(TraceNowMs() - start));
}

}  // namespace

// Wake byte, pause, one frame in one write, then the acknowledgement: 1 acknowledged, 2 not.
int ComL1DataToMiniZv(const std::uint8_t* data, std::uint8_t length) {
    const std::uint8_t wake = kWakeByte;
    Write(&wake, 1);
    PauseMs(kWakePauseMs);

    std::array<std::uint8_t, kMaxFrame> frame{};
    frame[0] = kStartByte;
    frame[1] = frameCounter;
    frame[2] = length;
    std::uint16_t sum = Add(frameCounter, length);
    for (std::size_t i = 0; i < length; ++i) {
        frame[3 + i] = data[i];
        sum = Add(sum, data[i]);
    }
    frame[3 + length] = Low(sum);
    frame[4 + length] = High(sum);
    frame[5 + length] = kEndByte;
    Write(frame.data(), static_cast<std::uint32_t>(length + kFrameOverhead));

    const int result = ComL1WaitAck();
    // Every transmission takes a fresh counter, acknowledged or not: a repeated request
    // must not look to the unit like the frame it has already seen.
    ++frameCounter;
    return result;
}

// Hunts for 0xAA followed by the current counter, then takes the other four bytes of the
// acknowledgement in one read.
int ComL1WaitAck() {
    enum class Hunt { kHunting, kStartSeen, kCounterSeen };
    Hunt state = Hunt::kHunting;
    int emptyReads = 0;
    std::array<std::uint8_t, 2> one{};
    while (state != Hunt::kCounterSeen) {
        if (Read(one.data(), 1) == 0) {
            // Only silence counts against the hunt; a pause between 0xAA and the counter
            // keeps the start that was seen.
            if (++emptyReads == kAckEmptyReads) {
                // Nothing is arriving, so there is nothing to flush.
                TraceNote("%s %d empty reads", kNoteNoAck, kAckEmptyReads);
                return kLinkNotAcked;
            }
            continue;
        }
        const std::uint8_t byte = one[0];
        if (state == Hunt::kStartSeen) {
            if (byte == frameCounter) {
                state = Hunt::kCounterSeen;
                continue;
            }
            // Not the counter: this byte may itself be the start of the acknowledgement.
            state = Hunt::kHunting;
        }
        if (byte == kStartByte) {
            state = Hunt::kStartSeen;
        }
    }

    std::array<std::uint8_t, kAckRest + 1> rest{};
    if (Read(rest.data(), kAckRest) < kAckRest) {
        // The unit stopped mid-frame; drop whatever it still sends so that it cannot be
        // taken for the reply.
        TraceNote("%s: cut short", kNoteBadAck);
        Flush();
        return kLinkNotAcked;
    }
    const std::uint16_t sum = Add(frameCounter, rest[0]);
    if (rest[0] != kAckCode || rest[1] != Low(sum) || rest[2] != High(sum) || rest[3] != kEndByte) {
        TraceNote("%s: code %02X, checksum %02X %02X (want %02X %02X), end %02X", kNoteBadAck,
                  rest[0], rest[1], rest[2], Low(sum), High(sum), rest[3]);
        Flush();
        return kLinkNotAcked;
    }
    TraceNote("acknowledged");
    return kLinkAcked;
}

// Hunts for 0xAA, then takes the rest of a frame with `length` payload bytes in one read:
// 3 with the payload in `buffer`, or 4. The counter and length bytes of the reply are only
// summed; the frame's size comes from `length` alone.
int ComL1GetDataFromMiniZv(std::uint8_t* buffer, std::uint8_t length) {
    int emptyReads = 0;
    std::array<std::uint8_t, 2> one{};
    for (;;) {
        if (Read(one.data(), 1) == 0) {
            if (++emptyReads == kReplyEmptyReads) {
                TraceNote("%s %d empty reads", kNoteNoReply, kReplyEmptyReads);
                return kLinkReceiveFailed;
            }
        } else if (one[0] == kStartByte) {
            break;
        }
    }

    // Room for the largest rest of a frame and the zero that ComRead stores after it.
    std::array<std::uint8_t, kMaxReplyRest + 1> r{};
    const std::uint32_t want = length + kReplyRestOverhead;
    const std::uint32_t got = Read(r.data(), want);
    if (got < want) {
        TraceNote("%s, %lu of %lu bytes after the start byte", kNoteShortReply,
                  static_cast<unsigned long>(got), static_cast<unsigned long>(want));
        Flush();
        return kLinkReceiveFailed;
    }
    std::uint16_t sum = Add(r[0], r[1]);
    for (std::size_t i = 0; i < length; ++i) {
        buffer[i] = r[2 + i];
        sum = Add(sum, r[2 + i]);
    }
    if (r[2u + length] != Low(sum) || r[3u + length] != High(sum)) {
        TraceNote("%s %02X %02X (summed %02X %02X)", kNoteBadChecksum, r[2u + length],
                  r[3u + length], Low(sum), High(sum));
        Flush();
        return kLinkReceiveFailed;
    }
    if (r[4u + length] != kEndByte) {
        TraceNote("%s %02X", kNoteBadEndByte, r[4u + length]);
        Flush();
        return kLinkReceiveFailed;
    }
    TraceNote("reply frame good: counter %02X, length %02X", r[0], r[1]);
    return ComL1SendAck(r[0]);
}

// The unit expects no acknowledgement of its replies: nothing goes on the line.
int ComL1SendAck(std::uint8_t /*counter*/) {
    return kLinkReceived;
}

std::uint8_t ComL1FrameCounter() {
    return frameCounter;
}

void ComL1SetFrameCounter(std::uint8_t value) {
    frameCounter = value;
}
