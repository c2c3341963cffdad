#include "device/setup_records.h"

#include <cstring>

// Both records are plain bytes, and byte k of the unit record is byte k + 1 of the PC record.
void PcToUnitSetup(const TPcModulSetup& pc, modul_setup& unit) {
    std::memcpy(&unit, reinterpret_cast<const std::uint8_t*>(&pc) + 1, sizeof unit);
}

void UnitToPcSetup(const modul_setup& unit, std::uint8_t number, TPcModulSetup& pc) {
    pc.number = number;
    std::memcpy(reinterpret_cast<std::uint8_t*>(&pc) + 1, &unit, sizeof unit);
}
