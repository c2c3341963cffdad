#include "tests/common/failing_close.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

extern "C" int __real_fclose(std::FILE* file);
extern "C" int __wrap_fclose(std::FILE* file);

namespace {

bool armed = false;

bool IsFromZv(std::FILE* file) {
    const std::string link = "/proc/self/fd/" + std::to_string(fileno(file));
    char target[4096];
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    const std::string name = "/fromZv.dat";
    return length >= static_cast<ssize_t>(name.size()) &&
           std::string(target, static_cast<std::size_t>(length)).rfind(name) ==
               static_cast<std::size_t>(length) - name.size();
}

}  // namespace

void FailNextFromZvClose() {
    armed = true;
}

extern "C" int __wrap_fclose(std::FILE* file) {
    const bool fail = armed && file != nullptr && IsFromZv(file);
    const int result = __real_fclose(file);
    if (fail) {
        armed = false;
        errno = EIO;
        return EOF;
    }
    return result;
}
