// Placeholder until the command layer lands.
#include "device/minizv_ptk.h"

int TMiniZvPtk::GetVersion(std::uint8_t&, std::uint8_t&) { return 2; }
int TMiniZvPtk::GetCpModulSetup(modul_setup&, std::uint8_t&) { return 2; }
int TMiniZvPtk::SendCpModulSetup(const modul_setup&, std::uint8_t&, std::uint8_t) { return 2; }
int TMiniZvPtk::GetZVModulSetup(modul_setup&, std::uint8_t&, std::uint8_t) { return 2; }
int TMiniZvPtk::SendZVModulSetup(const TPcModulSetup&, std::uint8_t&) { return 2; }
int TMiniZvPtk::PtkSendData(std::uint8_t, const std::uint8_t*, std::uint8_t) { return 2; }
int TMiniZvPtk::PtkReceiveData(std::uint8_t, std::uint8_t*, std::uint8_t) { return 4; }
