#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "device/setup_records.h"

// The records the simulated unit holds: index 0 is the central record, 1 .. 200 the modules.
using SimRecord = std::array<std::uint8_t, kSetupBytes>;

struct SimStore {
    std::array<SimRecord, kLastModul + 1> records;
    std::uint8_t centralFlag;  // flag byte of the last central send that was carried out
};

// Contents at start without a store file: byte k of module n is (n * 7 + k) & 0xFF, byte k of
// the central record (k * 3 + 1) & 0xFF; the flag is 0.
void StoreSetDefaults(SimStore& store);

// Reads `path` over what `store` holds: records the file lists replace those in `store`.
// 0 loaded, 1 no such file (store untouched), 2 unreadable or malformed (message in `error`).
int StoreLoad(const std::string& path, SimStore& store, std::string& error);

// Writes every record to `path` through a temporary file renamed over it: 0 or 1.
int StoreSave(const std::string& path, const SimStore& store);
// Renames `temporary` over `path` in one step, whether `path` exists or not: 0 or 1.
// (store_posix.cpp, store_win32.cpp)
int StoreReplace(const std::string& temporary, const std::string& path);

// One record as a line without line end: its number, then its 130 bytes, in decimal,
// separated by single spaces. The store file is made of these lines.
std::string StoreRecordLine(const SimStore& store, int number);
