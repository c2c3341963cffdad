#include "zvtool/numbered_name.h"

#include <string>

namespace {

constexpr int kMostNumbers = 9999;

// Where the extension of the last path component starts, or the end of `path`.
std::size_t ExtensionStart(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos || dot <= name ? path.size() : dot;
}

}  // namespace

std::string WithSuffix(const std::string& path, const std::string& suffix) {
    const std::size_t at = ExtensionStart(path);
    return path.substr(0, at) + suffix + path.substr(at);
}

std::string NumberedName(const std::string& path, int number) {
    return number < 2 ? path : WithSuffix(path, "-" + std::to_string(number));
}

std::string FirstFreeName(const std::string& path,
                          const std::function<bool(const std::string&)>& taken) {
    for (int number = 1; number <= kMostNumbers; ++number) {
        const std::string name = NumberedName(path, number);
        if (!taken(name)) {
            return name;
        }
    }
    return "";
}
