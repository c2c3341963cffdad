#include "tests/fakes/fake_unit.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/unit.h"
#include "tests/fakes/fake_port.h"

namespace fake {
namespace {

static_assert(sizeof(SimStore::records) == (kLastModul + 1) * sizeof(modul_setup),
              "the model's store copies to and from the fake's records byte for byte");

struct FaultRule {
    FrameFault fault;
    int firstFrame;
    int frameCount;
};

struct Unit {
    SimUnit model;
    // The records as the tests see and set them; the model answers from a copy.
    std::array<modul_setup, kLastModul + 1> records{};
    std::vector<FaultRule> faults;
    std::uint32_t ackDelayMs = 0;
    std::uint32_t replyDelayMs = 0;
    std::vector<UnitRequest> requests;
    std::vector<UnitStored> stored;
};

Unit unit;

FrameFault FaultFor(int frameNumber) {
    FrameFault fault = FrameFault::kNone;
    for (const FaultRule& rule : unit.faults) {
        if (frameNumber >= rule.firstFrame && frameNumber - rule.firstFrame < rule.frameCount) {
            fault = rule.fault;
        }
    }
    return fault;
}

// The model answers each data frame in what the driver wrote; the fake adds the scripted
// fault and puts the answer on the line at its virtual time.
void OnWrite(const std::vector<std::uint8_t>& bytes, std::uint64_t atMs) {
    std::vector<UnitEvent> events;
    UnitTakeBytes(unit.model, bytes.data(), bytes.size(), atMs, events);
    for (UnitEvent& event : events) {
        if (!event.frame) {
            continue;
        }
        const FrameFault fault = FaultFor(static_cast<int>(unit.requests.size()) + 1);
        unit.requests.push_back({atMs, event.counter, event.packet, fault});
        std::memcpy(unit.model.store.records.data(), unit.records.data(), sizeof unit.records);
        UnitAnswer(unit.model, event, fault);
        if (event.stored >= 0) {
            const auto number = static_cast<std::uint8_t>(event.stored);
            std::memcpy(&unit.records[number], unit.model.store.records[number].data(),
                        sizeof(modul_setup));
            unit.stored.push_back({number, unit.records[number]});
        }
        const std::uint64_t ackAt =
            atMs + unit.ackDelayMs + (fault == FrameFault::kLateAck ? kLateAckMs : 0);
        UnitSends(ackAt, event.ack);
        UnitSends(ackAt + unit.replyDelayMs, event.reply);
    }
}

}  // namespace

void SetUnitStoresWrong(const std::vector<int>& numbers) {
    unit.model.config.faults.wrongStores = numbers;
}

void StartUnit() {
    ResetLine();
    unit = Unit{};
    UnitConfig config;
    config.version[0] = 0x12;
    config.version[1] = 0x34;
    UnitInit(unit.model, config, SimStore{});
    for (std::size_t number = 0; number < unit.records.size(); ++number) {
        unit.records[number] = PatternRecord(static_cast<std::uint8_t>(number));
    }
    SetResponder(OnWrite);
}

modul_setup PatternRecord(std::uint8_t seed) {
    std::array<std::uint8_t, sizeof(modul_setup)> bytes{};
    // The frame bytes lead, so a receiver that hunts inside a frame trips over them.
    bytes[0] = 0xAA;
    bytes[1] = 0x55;
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
    return unit.records[number];
}

void SetUnitVersion(std::uint8_t first, std::uint8_t second) {
    unit.model.config.version[0] = first;
    unit.model.config.version[1] = second;
}

void SetUnitStatus(std::uint8_t requestCode, std::uint8_t status, int modul) {
    unit.model.config.faults.statuses.push_back(
        {requestCode, modul == kAnyModul ? kStatusAnyModul : modul, status});
}

void AddUnitFault(FrameFault fault, int firstFrame, int frameCount) {
    unit.faults.push_back({fault, firstFrame, frameCount});
}

void SetUnitDelays(std::uint32_t ackDelayMs, std::uint32_t replyDelayMs) {
    unit.ackDelayMs = ackDelayMs;
    unit.replyDelayMs = replyDelayMs;
}

void SetUnitStrayBytes(const std::vector<std::uint8_t>& bytes) {
    unit.model.config.stray = bytes;
}

const std::vector<UnitRequest>& UnitRequests() {
    return unit.requests;
}

const std::vector<UnitStored>& UnitStoredRecords() {
    return unit.stored;
}

}  // namespace fake
