#pragma once
#include <cstdint>
#include <cstdio>

#include "device/setup_records.h"

using TReturnCode = std::int32_t;

constexpr char kToZvFile[] = "ToZv.dat";
constexpr char kFromZvFile[] = "fromZv.dat";
constexpr char kModeRead = 1;
constexpr char kModeWrite = 0;

// One direction of the comma-separated setup files: mode 1 reads "ToZv.dat", any other
// mode creates "fromZv.dat". The constructor reports 0, 8 (cannot open ToZv.dat) or
// 10 (cannot create fromZv.dat) through `result`.
class TCommaSepFile {
  public:
    TCommaSepFile(char mode, TReturnCode* result);
    ~TCommaSepFile();
    TCommaSepFile(const TCommaSepFile&) = delete;
    TCommaSepFile& operator=(const TCommaSepFile&) = delete;

    int LoadData(TPcModulSetup* record);
    int WriteData(TPcModulSetup* record);
    int GetOneNumber(std::uint8_t* target);
    int WriteOneNumber(std::uint8_t* value);

  private:
    // The next character of the read file, or -1 once the file has ended.
    int ReadChar();

    std::FILE* readFile = nullptr;
    std::FILE* writeFile = nullptr;
    std::int32_t endOfFile = 0;
    std::int32_t firstNumber = 0;
    std::int32_t lastNumber = 0;
    std::int32_t firstRecord = 1;
    // 1 once the read file delivered no character; it then delivers none again, even after
    // a Ctrl-Z with bytes behind it.
    std::int32_t readFileEnded = 0;
};
