#pragma once
#include <string>
#include <vector>

#include "zvtool/records/record_file.h"

// The records in the driver's own layout (the layout of "fromZv.dat": lines of at most 80
// characters, CR LF, each record on a new line).
std::string RecordFileText(const std::vector<TZvRecord>& records);

// Writes `records` to `path` in that layout; false with the reason when the file cannot be
// written whole.
bool WriteRecordFile(const std::string& path, const std::vector<TZvRecord>& records,
                     std::string* error);

// How many whole records a record file holds as the driver reads it (its fields over 131);
// 0 when it cannot be read. For what a stopped or failed fetch left behind.
int CountWholeRecords(const std::string& path);
