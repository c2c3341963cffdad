#include "zvtool/window/window_memory.h"

#include <string>

#include "zvtool/platform/files.h"

namespace {

// A value as it may stand in the file: one line, no control characters.
std::string OneLine(const std::string& value) {
    std::string line;
    for (const char c : value) {
        if (static_cast<unsigned char>(c) >= ' ') {
            line += c;
        }
    }
    return line;
}

}  // namespace

std::string WindowMemoryText(const TWindowMemory& memory) {
    return "port=" + OneLine(memory.port) + "\nunit=" + OneLine(memory.unit) +
           "\nmodules=" + OneLine(memory.modules) + "\n";
}

TWindowMemory ParseWindowMemory(const std::string& text) {
    TWindowMemory memory;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "port") {
            memory.port = value;
        } else if (key == "unit") {
            memory.unit = value;
        } else if (key == "modules" && !value.empty()) {
            memory.modules = value;
        }
    }
    return memory;
}

std::string WindowRunFolder(const std::string& data) {
    return JoinPath(data, "run");
}

std::string WindowMemoryPath(const std::string& data) {
    return JoinPath(data, "zvtoolw.txt");
}
