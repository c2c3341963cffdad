#pragma once
#include <cstdint>

// Job settings from "zordrive.INI" and progress in "zordOUT.INI". Every call reads or
// writes the file afresh: nothing is cached.

std::uint8_t iniGetComPort();
int iniTestMiniZvConnection();
int iniGetData();
int iniToZorvek();
std::uint8_t iniSendNumberOfModuls();
std::uint8_t iniGetFromModulNumber();
std::uint8_t iniGetToModulNumber();
int iniIgnoreMutBlock();

void iniZorVekDriverStart();
void iniNowTransferingNo(int number);
