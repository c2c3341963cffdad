#pragma once
#include <string>

// What the window remembers between its runs, in a small text file beside its run folder
// (both in zvtool's per-user data folder): the port last used, the unit's name and the
// modules. Lines "key=value"; a line that does not read is skipped, a missing file is nothing
// remembered.

struct TWindowMemory {
    std::string port;  // "COM3"
    std::string unit;  // "pump-3"
    std::string modules = "1-200";
};

std::string WindowMemoryText(const TWindowMemory& memory);
TWindowMemory ParseWindowMemory(const std::string& text);

// The window's run folder and its memory file under zvtool's data folder `data`.
std::string WindowRunFolder(const std::string& data);
std::string WindowMemoryPath(const std::string& data);
