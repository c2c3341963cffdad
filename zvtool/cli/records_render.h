#pragma once
#include <string>

#include "zvtool/records/record_commands.h"

// How the terminal shows what check, show, diff and set found: text on standard output, or
// the command's JSON object.

std::string CheckText(const TCheckResult& result, bool all);
std::string ShowText(const TShowResult& result, bool hex);
// The comparison as `diff` prints it, A and B named by `pathA` and `pathB`.
std::string DiffText(const TRecordDiff& diff, const std::string& pathA, const std::string& pathB,
                     bool hex);
std::string SetText(const TSetResult& result, bool hex);

std::string CheckJson(const TCheckResult& result);
std::string ShowJson(const TShowResult& result);
std::string DiffJson(const TDiffResult& result);
std::string SetJson(const TSetResult& result);
