// Placeholder until the setup-file reader and writer land.
#include "datafile/comma_sep_file.h"

TCommaSepFile::TCommaSepFile(char, TReturnCode* result) { *result = 0; }
TCommaSepFile::~TCommaSepFile() = default;
int TCommaSepFile::LoadData(TPcModulSetup*) { return 9; }
int TCommaSepFile::WriteData(TPcModulSetup*) { return 0; }
int TCommaSepFile::GetOneNumber(std::uint8_t*) { return 9; }
int TCommaSepFile::WriteOneNumber(std::uint8_t*) { return 0; }
