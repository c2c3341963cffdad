// The file functions that are the same on every system, made of the system's own ones.
#include <cstddef>
#include <string>

#include "zvtool/platform/files.h"

bool WriteTextFile(const std::string& path, const std::string& text, std::string* error) {
    return WriteWholeFile(path, TextLines(text), error);
}

bool AppendTextToFile(const std::string& path, const std::string& text, std::string* error,
                      TFolderMode mode) {
    return AppendToFile(path, TextLines(text), error, mode);
}

bool CopyWholeFile(const std::string& from, const std::string& to, std::string* error) {
    std::string text;
    const TReadResult read = ReadWholeFile(from, static_cast<std::size_t>(-1) / 2, &text, error);
    if (read != TReadResult::kRead) {
        *error = "cannot read " + from + ": " + *error;
        return false;
    }
    return WriteNewFile(to, text, error);
}
