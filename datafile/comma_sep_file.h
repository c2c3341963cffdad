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

    // Reads the next record's 131 numbers: 0, or 9 when the file ends first.
    int LoadData(TPcModulSetup* record);
    // Appends one record and flushes it to the file: 0, or 10 when the file refused it.
    int WriteData(TPcModulSetup* record);
    // Reads one number up to its comma: 0 (also for the number the file ends in), or 9 once
    // the file has ended.
    int GetOneNumber(std::uint8_t* target);
    // Adds one number to the output line: 0, or 10 when a line could not be written.
    int WriteOneNumber(std::uint8_t* value);
    // Closes whichever file is open: 0, or 10 when closing "fromZv.dat" failed, which may
    // mean that records written before did not all reach the file. The destructor closes a
    // file that is still open and ignores the outcome.
    int Close();

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
