#pragma once
#include <string>
#include <vector>

// The lines of a text, each without its line end (LF or CR LF, as either system writes them);
// a last line without a line end is a line too, and nothing follows a last line end.
std::vector<std::string> SplitLines(const std::string& text);
