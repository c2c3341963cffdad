#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/setup_records.h"

// Record files as a technician checks them: the strict reading of the comma-separated setup
// files that the driver reads leniently, with every problem and what the driver would make
// of it.

// One record: its number (0 central, 1 to 200 module) and the 130 setup bytes.
struct TZvRecord {
    int number;
    std::array<std::uint8_t, kSetupBytes> bytes;
};

// What the strict reading found at a 1-based line and column (columns count bytes): what is
// wrong, and what the driver's reader makes of it.
struct TRecordProblem {
    int line;
    int column;
    std::string text;
};

struct TRecordReading {
    // The whole records as the driver reads them, in file order, and the line each starts on.
    std::vector<TZvRecord> records;
    std::vector<int> lines;
    // The problems in file order (at most the first few thousand), and how many there are.
    std::vector<TRecordProblem> problems;
    int problemCount = 0;
};

// The strict reading of a record file's bytes.
TRecordReading ReadRecordText(const std::string& text);

// The whole record file; false with the system's reason in `error` when it cannot be read
// (or that it is far larger than a record file).
bool ReadRecordFile(const std::string& path, std::string* text, std::string* error);

// "central record", "module 7", "record number 201".
std::string RecordName(int number);
// The numbers of the records, in order and with ranges joined: "central, modules 1-5, 7".
std::string DescribeNumbers(const std::vector<TZvRecord>& records);
