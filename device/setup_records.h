#pragma once
#include <cstddef>
#include <cstdint>

// A setup record as the unit stores and exchanges it: 130 opaque bytes.
struct modul_setup {
    std::uint8_t lead[2];
    std::uint8_t group[40][3];
    std::uint8_t tail[8];
};

// A setup record on the PC: the record's number (0 central, 1..200 module), then the 130 bytes.
struct TPcModulSetup {
    std::uint8_t number;
    std::uint8_t lead[2];
    std::uint8_t group[40][3];
    std::uint8_t tail[8];
};

static_assert(sizeof(modul_setup) == 130, "modul_setup is 130 bytes");
static_assert(offsetof(modul_setup, group) == 2 && offsetof(modul_setup, tail) == 122,
              "modul_setup field offsets");
static_assert(sizeof(TPcModulSetup) == 131, "TPcModulSetup is 131 bytes");
static_assert(offsetof(TPcModulSetup, lead) == 1 && offsetof(TPcModulSetup, group) == 3 &&
                  offsetof(TPcModulSetup, tail) == 123,
              "TPcModulSetup field offsets");

constexpr std::uint8_t kCentralRecordNumber = 0;
constexpr std::uint8_t kFirstModul = 1;
constexpr std::uint8_t kLastModul = 200;
// The setup bytes of a record.
constexpr std::size_t kSetupBytes = sizeof(modul_setup);
// A record in a record file: one decimal number per byte of the PC record, the record's
// number first, then its 130 bytes.
constexpr std::size_t kNumbersPerRecord = sizeof(TPcModulSetup);

// PC record to unit record: the number is dropped.
void PcToUnitSetup(const TPcModulSetup& pc, modul_setup& unit);
// Unit record to PC record carrying `number`.
void UnitToPcSetup(const modul_setup& unit, std::uint8_t number, TPcModulSetup& pc);
