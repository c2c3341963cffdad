#pragma once
#include <array>
#include <cstdint>

// One record of a record file: its number (0 central, 1 to 200 module) and its 130 bytes.
struct TZvRecord {
    int number;
    std::array<std::uint8_t, 130> bytes;
};
