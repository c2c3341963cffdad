#pragma once
#include <ctime>
#include <string>

// Wall-clock time as text, in local time: "%Y-%m-%d %H:%M:%S" for people, "%Y%m%d-%H%M%S" in
// file names.
std::string LocalTimeText(std::time_t when, const char* format);
