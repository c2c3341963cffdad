#include "tests/fakes/fake_unit.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/fakes/fake_port.h"

namespace fake {
namespace {

constexpr std::uint8_t kStart = 0xAA;
constexpr std::uint8_t kEnd = 0x55;
constexpr std::uint8_t kAckCode = 0x01;
constexpr std::uint8_t kBadAckCode = 0x02;
constexpr std::size_t kRecordBytes = sizeof(modul_setup);

struct FaultRule {
    UnitFault fault;
    int firstFrame;
    int frameCount;
};

struct StatusRule {
    std::uint8_t requestCode;
    std::uint8_t status;
    int modul;
};

struct Unit {
    std::array<modul_setup, kLastModul + 1> store{};
    std::uint8_t version[2] = {0x12, 0x34};
    std::vector<StatusRule> statuses;
    std::vector<FaultRule> faults;
    std::uint32_t ackDelayMs = 0;
    std::uint32_t replyDelayMs = 0;
    std::vector<std::uint8_t> stray;
    std::vector<std::uint8_t> received;  // bytes from the driver not yet parsed
    std::vector<UnitRequest> requests;
    std::vector<UnitStored> stored;
    int damagedFrames = 0;
};

Unit unit;

std::vector<std::uint8_t> Frame(std::uint8_t counter, const std::vector<std::uint8_t>& packet) {
    std::vector<std::uint8_t> frame{kStart, counter, static_cast<std::uint8_t>(packet.size())};
    unsigned sum = counter + frame[2];
    for (const std::uint8_t byte : packet) {
        frame.push_back(byte);
        sum += byte;
    }
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFFu));
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(kEnd);
    return frame;
}

std::vector<std::uint8_t> Ack(std::uint8_t counter, std::uint8_t code) {
    const unsigned sum = counter + code;
    return {kStart,
            counter,
            code,
            static_cast<std::uint8_t>(sum & 0xFFu),
            static_cast<std::uint8_t>(sum >> 8),
            kEnd};
}

UnitFault FaultFor(int frameNumber) {
    UnitFault fault = UnitFault::kNone;
    for (const FaultRule& rule : unit.faults) {
        if (frameNumber >= rule.firstFrame && frameNumber - rule.firstFrame < rule.frameCount) {
            fault = rule.fault;
        }
    }
    return fault;
}

std::uint8_t StatusFor(std::uint8_t requestCode, int modul) {
    std::uint8_t status = 0;
    for (const StatusRule& rule : unit.statuses) {
        if (rule.requestCode == requestCode && (rule.modul == kAnyModul || rule.modul == modul)) {
            status = rule.status;
        }
    }
    return status;
}

bool IsModul(std::uint8_t number) {
    return number >= kFirstModul && number <= kLastModul;
}

void AppendRecord(std::vector<std::uint8_t>& packet, const modul_setup& record) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    packet.insert(packet.end(), bytes, bytes + kRecordBytes);
}

void Store(std::uint8_t number, const std::uint8_t* bytes) {
    std::memcpy(&unit.store[number], bytes, kRecordBytes);
    unit.stored.push_back({number, unit.store[number]});
}

// Carries out a request and returns its reply packet; empty for a request it does not know.
std::vector<std::uint8_t> Answer(const std::vector<std::uint8_t>& request) {
    const std::uint8_t code = request[0];
    const std::size_t length = request.size();
    const std::uint8_t reply = static_cast<std::uint8_t>(code + 1);
    if (code == 1 && length == 2) {
        return {reply, unit.version[0], unit.version[1]};
    }
    if (code == 3 && length == 2) {
        std::vector<std::uint8_t> packet{reply, StatusFor(code, kAnyModul)};
        AppendRecord(packet, unit.store[kCentralRecordNumber]);
        return packet;
    }
    if (code == 5 && length == 2 + kRecordBytes) {
        const std::uint8_t status = StatusFor(code, kAnyModul);
        if (status == 0) {
            Store(kCentralRecordNumber, &request[2]);
        }
        return {reply, status};
    }
    if (code == 7 && length == 2) {
        const std::uint8_t number = request[1];
        if (!IsModul(number)) {
            std::vector<std::uint8_t> packet{reply, kNoSuchModulStatus};
            packet.resize(2 + kRecordBytes, 0);
            return packet;
        }
        std::vector<std::uint8_t> packet{reply, StatusFor(code, number)};
        AppendRecord(packet, unit.store[number]);
        return packet;
    }
    if (code == 9 && length == 2 + kRecordBytes) {
        const std::uint8_t number = request[1];
        const std::uint8_t status = IsModul(number) ? StatusFor(code, number) : kNoSuchModulStatus;
        if (status == 0) {
            Store(number, &request[2]);
        }
        return {reply, status};
    }
    return {};
}

void SendAfterStray(std::uint64_t atMs, const std::vector<std::uint8_t>& bytes) {
    UnitSends(atMs, unit.stray);
    UnitSends(atMs, bytes);
}

void OnFrame(std::uint8_t counter, std::vector<std::uint8_t> packet, std::uint64_t atMs) {
    const UnitFault fault = FaultFor(static_cast<int>(unit.requests.size()) + 1);
    unit.requests.push_back({atMs, counter, packet, fault});
    if (fault == UnitFault::kSilent) {
        return;
    }
    const std::uint64_t ackAt =
        atMs + unit.ackDelayMs + (fault == UnitFault::kLateAck ? kLateAckMs : 0);
    if (fault == UnitFault::kBadAck) {
        SendAfterStray(ackAt, Ack(counter, kBadAckCode));
        return;
    }
    SendAfterStray(ackAt, Ack(counter, kAckCode));
    std::vector<std::uint8_t> reply = packet.empty() ? packet : Answer(packet);
    if (reply.empty() || fault == UnitFault::kNoReply) {
        return;
    }
    if (fault == UnitFault::kWrongReplyCode) {
        reply[0] = packet[0];
    }
    std::vector<std::uint8_t> frame = Frame(counter, reply);
    const std::size_t last = frame.size() - 1;
    if (fault == UnitFault::kBadChecksum) {
        frame[last - 2] = static_cast<std::uint8_t>(frame[last - 2] + 1);
    } else if (fault == UnitFault::kBadEndByte) {
        frame[last] = kEnd - 1;
    } else if (fault == UnitFault::kTruncatedReply) {
        frame.resize(frame.size() / 2);
    }
    SendAfterStray(ackAt + unit.replyDelayMs, frame);
}

// Takes whole frames off the front of what the driver sent; bytes outside a frame (the wake
// byte) are skipped, and a frame that fails its checks is dropped from its start byte on.
void OnWrite(const std::vector<std::uint8_t>& bytes, std::uint64_t atMs) {
    std::vector<std::uint8_t>& in = unit.received;
    in.insert(in.end(), bytes.begin(), bytes.end());
    for (;;) {
        std::size_t start = 0;
        while (start < in.size() && in[start] != kStart) {
            ++start;
        }
        in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(start));
        if (in.size() < 3 || in.size() < in[2] + 6u) {
            return;
        }
        const std::size_t n = in[2];
        unsigned sum = in[1] + in[2];
        for (std::size_t i = 0; i < n; ++i) {
            sum += in[3 + i];
        }
        if (in[3 + n] == (sum & 0xFFu) && in[4 + n] == (sum >> 8) && in[5 + n] == kEnd) {
            const auto payload = in.begin() + 3;
            OnFrame(in[1], std::vector<std::uint8_t>(payload, payload + static_cast<long>(n)),
                    atMs);
            in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(n + 6));
        } else {
            ++unit.damagedFrames;
            in.erase(in.begin());
        }
    }
}

}  // namespace

void StartUnit() {
    ResetLine();
    unit = Unit{};
    for (std::size_t number = 0; number < unit.store.size(); ++number) {
        unit.store[number] = PatternRecord(static_cast<std::uint8_t>(number));
    }
    SetResponder(OnWrite);
}

modul_setup PatternRecord(std::uint8_t seed) {
    std::array<std::uint8_t, kRecordBytes> bytes{};
    bytes[0] = kStart;
    bytes[1] = kEnd;
    for (std::size_t k = 2; k < bytes.size(); ++k) {
        bytes[k] = static_cast<std::uint8_t>(seed * 7u + k);
    }
    modul_setup record{};
    std::memcpy(&record, bytes.data(), sizeof record);
    return record;
}

modul_setup& UnitRecord(std::uint8_t number) {
    if (number > kLastModul) {
        std::fprintf(stderr, "fake unit: no record %u\n", static_cast<unsigned>(number));
        std::abort();
    }
    return unit.store[number];
}

void SetUnitVersion(std::uint8_t first, std::uint8_t second) {
    unit.version[0] = first;
    unit.version[1] = second;
}

void SetUnitStatus(std::uint8_t requestCode, std::uint8_t status, int modul) {
    unit.statuses.push_back({requestCode, status, modul});
}

void AddUnitFault(UnitFault fault, int firstFrame, int frameCount) {
    unit.faults.push_back({fault, firstFrame, frameCount});
}

void SetUnitDelays(std::uint32_t ackDelayMs, std::uint32_t replyDelayMs) {
    unit.ackDelayMs = ackDelayMs;
    unit.replyDelayMs = replyDelayMs;
}

void SetUnitStrayBytes(const std::vector<std::uint8_t>& bytes) {
    unit.stray = bytes;
}

const std::vector<UnitRequest>& UnitRequests() {
    return unit.requests;
}

const std::vector<UnitStored>& UnitStoredRecords() {
    return unit.stored;
}

int UnitDamagedFrames() {
    return unit.damagedFrames;
}

}  // namespace fake
