#include "zvtool/jobs/when.h"

#include <ctime>
#include <string>

std::string LocalTimeText(std::time_t when, const char* format) {
    const std::tm* local = std::localtime(&when);
    char text[64];
    if (local == nullptr || std::strftime(text, sizeof text, format, local) == 0) {
        return std::to_string(static_cast<long long>(when));
    }
    return text;
}
