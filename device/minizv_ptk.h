#pragma once
#include <cstdint>

#include "device/setup_records.h"

// Request/reply commands to the unit. Every operation returns 0 on success or the failing
// code, and writes its out-arguments only on success.
class TMiniZvPtk {
public:
    int GetVersion(std::uint8_t& version1, std::uint8_t& version2);
    int GetCpModulSetup(modul_setup& record, std::uint8_t& status);
    int SendCpModulSetup(const modul_setup& record, std::uint8_t& status, std::uint8_t flag);
    int GetZVModulSetup(modul_setup& record, std::uint8_t& status, std::uint8_t modulNumber);
    int SendZVModulSetup(const TPcModulSetup& record, std::uint8_t& status);

    int PtkSendData(std::uint8_t command, const std::uint8_t* payload, std::uint8_t length);
    int PtkReceiveData(std::uint8_t replyCode, std::uint8_t* payload, std::uint8_t length);
};
