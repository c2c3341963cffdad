#pragma once
// Byte helpers for the simulator tests: an encoder of the driver's frames written here, apart
// from the driver's link layer, so a mistake in either shows up against the other.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "sim/unit.h"

using Bytes = std::vector<std::uint8_t>;

// "AA 01 55" -> {0xAA, 0x01, 0x55}
inline Bytes Hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(token.c_str(), nullptr, 16)));
    }
    return bytes;
}

// A data frame as the driver sends it: AA, counter, length, packet, sum low, sum high, 55.
inline Bytes Frame(std::uint8_t counter, const Bytes& packet) {
    unsigned sum = counter + static_cast<unsigned>(packet.size());
    Bytes frame = {0xAA, counter, static_cast<std::uint8_t>(packet.size())};
    for (std::uint8_t byte : packet) {
        frame.push_back(byte);
        sum += byte;
    }
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(0x55);
    return frame;
}

// A request packet: code, the byte after it, then `record` if given.
inline Bytes Packet(std::uint8_t code, std::uint8_t arg, const Bytes& record = {}) {
    Bytes packet = {code, arg};
    packet.insert(packet.end(), record.begin(), record.end());
    return packet;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What the unit sends for `input` arriving in one piece at `nowMs`.
inline Bytes Feed(SimUnit& unit, const Bytes& input, std::uint64_t nowMs = 0,
                  std::vector<UnitEvent>* seen = nullptr) {
    std::vector<UnitEvent> events;
    UnitReceive(unit, input.data(), input.size(), nowMs, events);
    Bytes out;
    for (const UnitEvent& event : events) {
        out.insert(out.end(), event.ack.begin(), event.ack.end());
        out.insert(out.end(), event.reply.begin(), event.reply.end());
    }
    if (seen != nullptr) {
        seen->insert(seen->end(), events.begin(), events.end());
    }
    return out;
}

// A unit with the default records and `config`.
inline SimUnit MakeUnit(const UnitConfig& config = {}) {
    SimStore store;
    StoreSetDefaults(store);
    SimUnit unit;
    UnitInit(unit, config, store);
    return unit;
}
