#pragma once
#include <string>
#include <vector>

#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_file.h"

// The findings of check, show and diff as the JSON values of their report (--json): lists,
// so that a script reads each problem, record and difference on its own.

// {"file", "records", "sound", "problem_count"} of one checked file.
std::string CheckedFileJson(const std::string& path, const TRecordReading& reading);
// The problems of one file: {"file", "line", "column", "message"} each.
std::vector<std::string> ProblemsJson(const std::string& path, const TRecordReading& reading);
// {"number", "line", "bytes"}.
std::string RecordJson(const TZvRecord& record, int line);
// Each differing byte as {"record", "offset", "a", "b"}, each record in one file only as
// {"record", "only_in"} ("a" or "b").
std::string DifferencesJson(const TRecordDiff& diff);
