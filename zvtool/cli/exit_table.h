#pragma once
#include <string>
#include <vector>

#include "zvtool/platform/files.h"

// zvtool's exit statuses, one row each, as --help and the manual page list them.
struct TExitRow {
    const char* codes;  // "0", "1-11", "64"
    const char* meaning;
    const char* windowsMeaning = nullptr;  // its meaning on Windows, where it differs
};

const std::vector<TExitRow>& ExitRows();

// The rows as --help prints them on `system`: the code in a column, the meaning wrapped beside
// it.
std::string ExitHelpText(TSystem system);

// `text` wrapped at `width` columns, every line after the first led by `indent` spaces.
std::string Wrapped(const std::string& text, std::size_t width, std::size_t indent);
