#include "sim/unit.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::uint8_t kStartByte = 0xAA;
constexpr std::uint8_t kEndByte = 0x55;
constexpr std::uint8_t kAckCode = 0x01;
constexpr std::uint8_t kBadAckCode = 0x02;
constexpr std::uint8_t kStatusDone = 0;
constexpr std::uint8_t kStatusRefused = 1;
constexpr std::size_t kFrameOverhead = 6;  // start, counter, length, sum low, sum high, end
constexpr std::size_t kLengthOffset = 2;
constexpr std::size_t kPacketOffset = 3;

constexpr std::uint8_t kGetVersion = 1;
constexpr std::uint8_t kGetCentral = 3;
constexpr std::uint8_t kSendCentral = 5;
constexpr std::uint8_t kGetModul = 7;
constexpr std::uint8_t kSendModul = 9;

// Junk for --stray: no start byte, but the end byte, the wake byte and XON/XOFF, which a
// careless receiver would trip over.
constexpr std::uint8_t kStrayPattern[] = {0x00, 0x55, 0xFF, 0x01, 0x11, 0x13};

struct Request {
    std::uint8_t code;
    std::size_t packetLength;  // request code and payload
};
constexpr Request kRequests[] = {
    {kGetVersion, 2}, {kGetCentral, 2}, {kSendCentral, 132}, {kGetModul, 2}, {kSendModul, 132}};

bool IsRequestLength(std::size_t length) {
    for (const Request& request : kRequests) {
        if (request.packetLength == length) {
            return true;
        }
    }
    return false;
}

bool IsRequest(std::uint8_t code, std::size_t length) {
    for (const Request& request : kRequests) {
        if (request.code == code && request.packetLength == length) {
            return true;
        }
    }
    return false;
}

std::uint16_t Checksum(const std::vector<std::uint8_t>& frame, std::size_t from, std::size_t to) {
    unsigned sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += frame[i];
    }
    return static_cast<std::uint16_t>(sum);
}

enum class FrameState { Incomplete, Rejected, Complete };

// Adds one byte to the frame being received. A frame is rejected as soon as its length or
// request code fits no request, so a stray start byte cannot swallow the frame behind it.
FrameState FrameAddByte(std::vector<std::uint8_t>& frame, std::uint8_t byte, std::string& why) {
    if (frame.empty()) {
        if (byte == kStartByte) {
            frame.push_back(byte);
        }
        return FrameState::Incomplete;
    }
    frame.push_back(byte);
    if (frame.size() <= kLengthOffset) {
        return FrameState::Incomplete;
    }
    if (frame.size() == kLengthOffset + 1 && !IsRequestLength(byte)) {
        why = "length " + std::to_string(byte) + " fits no request";
        return FrameState::Rejected;
    }
    if (frame.size() == kPacketOffset + 1 && !IsRequest(byte, frame[kLengthOffset])) {
        why = "no request " + std::to_string(byte) + " of length " +
              std::to_string(frame[kLengthOffset]);
        return FrameState::Rejected;
    }
    const std::size_t size = frame[kLengthOffset] + kFrameOverhead;
    if (frame.size() < size) {
        return FrameState::Incomplete;
    }
    const std::uint16_t sum = Checksum(frame, 1, size - 3);
    const unsigned got = frame[size - 3] | static_cast<unsigned>(frame[size - 2]) << 8;
    if (got != sum) {
        char text[64];
        std::snprintf(text, sizeof text, "checksum %04X, want %04X", got, sum);
        why = text;
        return FrameState::Rejected;
    }
    if (frame[size - 1] != kEndByte) {
        why = "end byte " + std::to_string(frame[size - 1]);
        return FrameState::Rejected;
    }
    return FrameState::Complete;
}

void AppendAck(std::uint8_t counter, std::uint8_t code, std::vector<std::uint8_t>& out) {
    const unsigned sum = counter + code;
    out.insert(out.end(), {kStartByte, counter, code, static_cast<std::uint8_t>(sum & 0xFF),
                           static_cast<std::uint8_t>(sum >> 8), kEndByte});
}

std::vector<std::uint8_t> ReplyFrame(std::uint8_t counter,
                                     const std::vector<std::uint8_t>& packet) {
    std::vector<std::uint8_t> frame = {kStartByte, counter,
                                       static_cast<std::uint8_t>(packet.size())};
    frame.insert(frame.end(), packet.begin(), packet.end());
    const std::uint16_t sum = Checksum(frame, 1, frame.size());
    frame.insert(frame.end(), {static_cast<std::uint8_t>(sum & 0xFF),
                               static_cast<std::uint8_t>(sum >> 8), kEndByte});
    return frame;
}

// The status a request gets: the last override that matches, else `normal`.
std::uint8_t StatusFor(const SimUnit& unit, std::uint8_t code, std::uint8_t modul,
                       std::uint8_t normal) {
    const std::vector<StatusOverride>& statuses = unit.config.faults.statuses;
    for (auto entry = statuses.rbegin(); entry != statuses.rend(); ++entry) {
        if (entry->code == code && (entry->modul == kStatusAnyModul || entry->modul == modul)) {
            return entry->status;
        }
    }
    return normal;
}

bool IsModul(std::uint8_t number) {
    return number >= kFirstModul && number <= kLastModul;
}

constexpr std::uint8_t kWrongStoreBit = 0x80;

bool StoresWrong(const SimUnit& unit, int number) {
    const std::vector<int>& wrong = unit.config.faults.wrongStores;
    return std::find(wrong.begin(), wrong.end(), number) != wrong.end();
}

void Store(SimUnit& unit, std::uint8_t number, const std::uint8_t* record, UnitEvent& event) {
    SimRecord& stored = unit.store.records[number];
    std::copy(record, record + sizeof(modul_setup), stored.begin());
    event.stored = number;
    if (StoresWrong(unit, number)) {
        stored[0] ^= kWrongStoreBit;
    }
}

// Carries the request out and returns the reply packet; notes what was done.
std::vector<std::uint8_t> CarryOut(SimUnit& unit, UnitEvent& event) {
    const std::uint8_t* packet = event.packet.data();
    const std::uint8_t code = packet[0];
    const std::uint8_t arg = packet[1];
    std::vector<std::uint8_t> reply = {static_cast<std::uint8_t>(code + 1)};
    const SimRecord noRecord{};
    std::uint8_t status = kStatusDone;
    switch (code) {
        case kGetVersion:
            reply.push_back(unit.config.version[0]);
            reply.push_back(unit.config.version[1]);
            event.note += "version " + std::to_string(unit.config.version[0]) + "," +
                          std::to_string(unit.config.version[1]);
            return reply;
        case kGetCentral:
            status = StatusFor(unit, code, 0, kStatusDone);
            reply.push_back(status);
            reply.insert(reply.end(), unit.store.records[0].begin(), unit.store.records[0].end());
            event.note += "fetch central";
            break;
        case kSendCentral:
            status = StatusFor(unit, code, 0, kStatusDone);
            reply.push_back(status);
            if (status == kStatusDone) {
                Store(unit, 0, packet + 2, event);
                unit.store.centralFlag = arg;
            }
            event.note += "send central, flag " + std::to_string(arg);
            break;
        case kGetModul: {
            status = StatusFor(unit, code, arg, IsModul(arg) ? kStatusDone : kStatusRefused);
            const SimRecord& record = IsModul(arg) ? unit.store.records[arg] : noRecord;
            reply.push_back(status);
            reply.insert(reply.end(), record.begin(), record.end());
            event.note += "fetch module " + std::to_string(arg);
            break;
        }
        default:  // kSendModul: the only request left after FrameAddByte
            status = StatusFor(unit, code, arg, IsModul(arg) ? kStatusDone : kStatusRefused);
            reply.push_back(status);
            if (status == kStatusDone && IsModul(arg)) {
                Store(unit, arg, packet + 2, event);
            }
            event.note += "send module " + std::to_string(arg);
            break;
    }
    event.note += ", status " + std::to_string(status) + (event.stored >= 0 ? ", stored" : "");
    if (event.stored >= 0 && StoresWrong(unit, event.stored)) {
        event.note += " wrong (--store-wrong)";
    }
    return reply;
}

// Spoils a reply frame as `fault` says; returns what was done, for the note.
std::string SpoilReply(FrameFault fault, std::vector<std::uint8_t>& frame) {
    const std::size_t size = frame.size();
    switch (fault) {
        case FrameFault::kDamageReply:
            frame[size - 3] ^= 0x01;
            return "; checksum damaged (--damage-reply)";
        case FrameFault::kBadEndByte:
            frame[size - 1] = kEndByte - 1;
            return "; end byte damaged";
        case FrameFault::kTruncateReply:
            frame.resize(size / 2);
            return "; reply cut to " + std::to_string(frame.size()) + " bytes (--truncate-reply)";
        default:
            return "";
    }
}

// Takes one fault from the budget `count` if there is one left.
bool TakeFault(unsigned& count) {
    if (count == 0) {
        return false;
    }
    --count;
    return true;
}

}  // namespace

void UnitInit(SimUnit& unit, const UnitConfig& config, const SimStore& store) {
    unit.config = config;
    unit.store = store;
    unit.frame.clear();
    unit.lastByteMs = 0;
    unit.replyCounter = 1;
    unit.framesReceived = 0;
}

void UnitTakeBytes(SimUnit& unit, const std::uint8_t* bytes, std::size_t count, std::uint64_t nowMs,
                   std::vector<UnitEvent>& events) {
    if (count == 0) {
        return;
    }
    if (!unit.frame.empty() && nowMs - unit.lastByteMs > kFrameStallMs) {
        UnitEvent event;
        event.note =
            "dropped " + std::to_string(unit.frame.size()) + " bytes of a frame that stalled";
        events.push_back(event);
        unit.frame.clear();
    }
    unit.lastByteMs = nowMs;
    std::vector<std::uint8_t> input(bytes, bytes + count);
    for (std::size_t i = 0; i < input.size(); ++i) {
        std::string why;
        const FrameState state = FrameAddByte(unit.frame, input[i], why);
        if (state == FrameState::Complete) {
            ++unit.framesReceived;
            UnitEvent event;
            event.frame = true;
            event.counter = unit.frame[1];
            event.packet.assign(unit.frame.begin() + kPacketOffset, unit.frame.end() - 3);
            events.push_back(event);
            unit.frame.clear();
        } else if (state == FrameState::Rejected) {
            UnitEvent event;
            event.note = "dropped a frame: " + why;
            events.push_back(event);
            // The start byte was not a frame's: hunt again from the byte after it, so a
            // frame hiding in what was taken for this one's body is still found.
            input.insert(input.begin() + static_cast<std::ptrdiff_t>(i) + 1, unit.frame.begin() + 1,
                         unit.frame.end());
            unit.frame.clear();
        }
    }
}

void UnitAnswer(SimUnit& unit, UnitEvent& event, FrameFault fault) {
    event.note = "frame " + std::to_string(event.counter) + ", request " +
                 std::to_string(event.packet[0]) + ": ";
    if (fault == FrameFault::kNoAck) {
        event.note += unit.config.faults.silent ? "silent, no answer" : "ignored (--no-ack)";
        return;
    }
    event.ack = unit.config.stray;
    if (fault == FrameFault::kBadAck) {
        AppendAck(event.counter, kBadAckCode, event.ack);
        event.note += "acknowledged with code 2 (--bad-ack), not carried out";
        return;
    }
    AppendAck(event.counter, kAckCode, event.ack);
    std::vector<std::uint8_t> reply = CarryOut(unit, event);
    if (fault == FrameFault::kNoReply) {
        event.note += "; reply withheld";
        return;
    }
    if (fault == FrameFault::kWrongReply) {
        // Another reply code of the table (2 -> 4 ... 10 -> 2): a well-formed frame that only
        // a check of the code catches.
        reply[0] = static_cast<std::uint8_t>(reply[0] % 10 + 2);
        event.note += "; reply code " + std::to_string(reply[0]) + " (--wrong-reply)";
    }
    std::vector<std::uint8_t> frame = ReplyFrame(unit.replyCounter++, reply);
    event.note += SpoilReply(fault, frame);
    event.reply = unit.config.stray;
    event.reply.insert(event.reply.end(), frame.begin(), frame.end());
}

FrameFault UnitNextFault(UnitFaults& faults) {
    if (faults.silent) {
        return FrameFault::kNoAck;
    }
    const struct {
        unsigned UnitFaults::*budget;
        FrameFault fault;
    } order[] = {{&UnitFaults::noAck, FrameFault::kNoAck},
                 {&UnitFaults::badAck, FrameFault::kBadAck},
                 {&UnitFaults::wrongReply, FrameFault::kWrongReply},
                 {&UnitFaults::damageReply, FrameFault::kDamageReply},
                 {&UnitFaults::truncateReply, FrameFault::kTruncateReply}};
    for (const auto& stage : order) {
        if (TakeFault(faults.*stage.budget)) {
            return stage.fault;
        }
    }
    return FrameFault::kNone;
}

void UnitReceive(SimUnit& unit, const std::uint8_t* bytes, std::size_t count, std::uint64_t nowMs,
                 std::vector<UnitEvent>& events) {
    const std::size_t first = events.size();
    UnitTakeBytes(unit, bytes, count, nowMs, events);
    for (std::size_t i = first; i < events.size(); ++i) {
        if (events[i].frame) {
            UnitAnswer(unit, events[i], UnitNextFault(unit.config.faults));
        }
    }
}

std::vector<std::uint8_t> StrayJunk(unsigned count) {
    std::vector<std::uint8_t> junk;
    for (unsigned i = 0; i < count; ++i) {
        junk.push_back(kStrayPattern[i % sizeof kStrayPattern]);
    }
    return junk;
}
