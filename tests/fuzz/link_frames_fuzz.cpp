// Any byte stream from the unit, fed through the virtual-time line to the link layer's
// receivers: the reply receiver (ComL1GetDataFromMiniZv) or, behind a data frame, the
// acknowledgement hunt (ComL1DataToMiniZv).
//
// Input: byte 0 chooses the path (even: reply, odd: acknowledgement).
//   reply:           byte 1 is the payload length m that the caller expects;
//   acknowledgement: byte 1 is the frame counter, byte 2 the payload length n, then the n
//                    payload bytes (fewer if the input ends);
// then what the unit sends, as chunks: a delay in tens of milliseconds after the previous
// chunk, a byte count, and that many bytes.
//
// Every result is checked against the bytes the receiver took off the line, with the
// checksum worked out here; buffers are heap blocks of exactly their size, so that
// AddressSanitizer sees any byte written or read outside them. The trace is on (into
// /dev/null), so its fixed buffer meets every stream too, the overlong ones included.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "serial/com_port.h"
#include "serial/link_frames.h"
#include "serial/trace.h"
#include "tests/fakes/fake_port.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr std::uint8_t kStart = 0xAA;
constexpr std::uint8_t kEnd = 0x55;
constexpr std::uint8_t kWake = 0xFF;
constexpr std::uint8_t kAckCode = 0x01;
constexpr std::uint64_t kChunkDelayUnitMs = 10;
constexpr std::uint64_t kWakePauseMs = 50;
constexpr std::uint64_t kReplyHuntMs = 5 * kReadTimeoutMs;
constexpr std::uint64_t kAckHuntMs = 3 * kReadTimeoutMs;

struct Input {
    const std::uint8_t* data;
    std::size_t size;

    std::uint8_t Byte() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
};

// Puts the rest of the input on the line as the unit's chunks; returns all their bytes in
// the order the receiver sees them.
std::vector<std::uint8_t> UnitSendsRest(Input& input) {
    std::vector<std::uint8_t> stream;
    std::uint64_t atMs = 0;
    while (input.size > 0) {
        atMs += input.Byte() * kChunkDelayUnitMs;
        std::size_t count = input.Byte();
        count = count < input.size ? count : input.size;
        const std::vector<std::uint8_t> chunk(input.data, input.data + count);
        input.data += count;
        input.size -= count;
        fake::UnitSends(atMs, chunk);
        stream.insert(stream.end(), chunk.begin(), chunk.end());
    }
    return stream;
}

// The bytes the receiver has taken off the line, flushed ones included.
std::vector<std::uint8_t> Taken(const std::vector<std::uint8_t>& stream) {
    return std::vector<std::uint8_t>(
        stream.begin(), stream.end() - static_cast<std::ptrdiff_t>(fake::UnreadBytes()));
}

std::size_t Find(const std::vector<std::uint8_t>& bytes, std::uint8_t byte) {
    std::size_t i = 0;
    while (i < bytes.size() && bytes[i] != byte) {
        ++i;
    }
    return i;
}

// Where 0xAA is first followed straight by `counter`: the start of an acknowledgement.
std::size_t FindAckStart(const std::vector<std::uint8_t>& bytes, std::uint8_t counter) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == kStart && bytes[i + 1] == counter) {
            return i;
        }
    }
    return bytes.size();
}

std::uint16_t Sum(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += bytes[i];
    }
    return static_cast<std::uint16_t>(sum);
}

void FuzzReply(Input& input) {
    const std::uint8_t m = input.Byte();
    const std::vector<std::uint8_t> stream = UnitSendsRest(input);
    const std::uint8_t counterBefore = ComL1FrameCounter();
    constexpr std::uint8_t kUntouched = 0xC3;
    const auto buffer = std::make_unique<std::uint8_t[]>(m);
    for (std::size_t i = 0; i < m; ++i) {
        buffer[i] = kUntouched;
    }

    const int result = ComL1GetDataFromMiniZv(buffer.get(), m);

    Require(result == kLinkReceived || result == kLinkReceiveFailed, "a reply gives 3 or 4");
    Require(fake::Writes().empty(), "nothing is sent back for a reply");
    Require(ComL1FrameCounter() == counterBefore, "receiving leaves the frame counter alone");
    const std::vector<std::uint8_t> taken = Taken(stream);
    const bool flushed = !fake::Flushes().empty();
    const std::size_t firstStart = Find(taken, kStart);
    if (result == kLinkReceived) {
        Require(!flushed, "a good reply is not followed by a flush");
        const std::size_t frameSize = m + 6u;
        Require(taken.size() >= frameSize, "a good reply took a whole frame off the line");
        const std::uint8_t* frame = taken.data() + (taken.size() - frameSize);
        Require(firstStart == taken.size() - frameSize, "the frame starts at the first 0xAA");
        const std::uint16_t sum = Sum(frame + 1, m + 2u);
        Require(frame[3 + m] == (sum & 0xFFu) && frame[4 + m] == (sum >> 8) && frame[5 + m] == kEnd,
                "a good reply has the right checksum and end byte");
        for (std::size_t i = 0; i < m; ++i) {
            Require(buffer[i] == frame[3 + i], "the payload reaches the buffer as sent");
        }
    } else if (!flushed) {
        Require(firstStart == taken.size(), "a reply given up without a flush saw no 0xAA");
        Require(fake::NowMs() >= kReplyHuntMs, "the hunt for a reply lasts five time-outs");
        for (std::size_t i = 0; i < m; ++i) {
            Require(buffer[i] == kUntouched, "the buffer is untouched when no frame came");
        }
    } else {
        Require(firstStart < taken.size(), "a flush follows only a frame's 0xAA");
    }
}

void FuzzAcknowledgement(Input& input) {
    const std::uint8_t counter = input.Byte();
    std::uint8_t n = input.Byte();
    n = n < input.size ? n : static_cast<std::uint8_t>(input.size);
    const auto payload = std::make_unique<std::uint8_t[]>(n);
    for (std::size_t i = 0; i < n; ++i) {
        payload[i] = input.Byte();
    }
    const std::vector<std::uint8_t> stream = UnitSendsRest(input);
    ComL1SetFrameCounter(counter);

    const int result = ComL1DataToMiniZv(payload.get(), n);

    Require(result == kLinkAcked || result == kLinkNotAcked, "a send gives 1 or 2");
    Require(ComL1FrameCounter() == static_cast<std::uint8_t>(counter + 1),
            "every send moves the counter on by one");
    const std::vector<fake::LineWrite>& writes = fake::Writes();
    Require(writes.size() == 2, "a send writes the wake byte and one frame");
    Require(writes[0].atMs == 0 && writes[0].bytes == std::vector<std::uint8_t>{kWake},
            "the wake byte goes first, alone");
    const std::vector<std::uint8_t>& frame = writes[1].bytes;
    Require(writes[1].atMs == kWakePauseMs && frame.size() == n + 6u,
            "the frame follows the wake pause in one write");
    const std::uint16_t sum = static_cast<std::uint16_t>(counter + n + Sum(payload.get(), n));
    Require(frame[0] == kStart && frame[1] == counter && frame[2] == n &&
                frame[3 + n] == (sum & 0xFFu) && frame[4 + n] == (sum >> 8) && frame[5 + n] == kEnd,
            "the frame carries counter, length, checksum and end byte");
    for (std::size_t i = 0; i < n; ++i) {
        Require(frame[3 + i] == payload[i], "the frame carries the payload as given");
    }

    const std::vector<std::uint8_t> taken = Taken(stream);
    const bool flushed = !fake::Flushes().empty();
    const std::size_t ackStart = FindAckStart(taken, counter);
    if (result == kLinkAcked) {
        Require(!flushed, "a good acknowledgement is not followed by a flush");
        Require(taken.size() >= 6 && ackStart == taken.size() - 6,
                "the acknowledgement is the first 0xAA and counter, and all that followed");
        const std::uint16_t ackSum = static_cast<std::uint16_t>(counter + kAckCode);
        const std::uint8_t* ack = taken.data() + ackStart;
        Require(ack[2] == kAckCode && ack[3] == (ackSum & 0xFFu) && ack[4] == (ackSum >> 8) &&
                    ack[5] == kEnd,
                "a good acknowledgement has code 1, the right checksum and end byte");
    } else if (!flushed) {
        Require(ackStart == taken.size(), "given up without a flush: no 0xAA and counter came");
        Require(fake::NowMs() >= kWakePauseMs + kAckHuntMs,
                "the hunt for an acknowledgement lasts three time-outs");
    } else {
        Require(ackStart < taken.size(), "a flush follows only an acknowledgement's start");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool traced = [] {
        setenv(kTraceVariable, "/dev/null", 1);
        TraceBegin();
        return TraceOn();
    }();
    Input input{data, size};
    fake::ResetLine();
    if ((input.Byte() & 1u) == 0) {
        FuzzReply(input);
    } else {
        FuzzAcknowledgement(input);
    }
    if (traced) {
        TraceWriteOut();
    }
    return 0;
}
