#include "sim/trace.h"

#include <chrono>
#include <cstdio>

namespace {

bool traceEnabled = false;
std::chrono::steady_clock::time_point traceStart;

// Bytes per trace line, so a 138-byte reply stays readable.
constexpr std::size_t kBytesPerLine = 32;

}  // namespace

void TraceStart(bool enabled) {
    traceEnabled = enabled;
    traceStart = std::chrono::steady_clock::now();
}

std::uint64_t TraceNowMs() {
    const auto elapsed = std::chrono::steady_clock::now() - traceStart;
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void TraceBytes(const char* direction, const std::uint8_t* bytes, std::size_t count) {
    if (!traceEnabled) {
        return;
    }
    const unsigned long long now = TraceNowMs();
    for (std::size_t start = 0; start < count; start += kBytesPerLine) {
        std::fprintf(stderr, "%8llu ms %s", now, direction);
        for (std::size_t i = start; i < count && i < start + kBytesPerLine; ++i) {
            std::fprintf(stderr, " %02X", bytes[i]);
        }
        std::fputc('\n', stderr);
    }
}

void TraceNote(const std::string& text) {
    if (traceEnabled) {
        std::fprintf(stderr, "%8llu ms -- %s\n", static_cast<unsigned long long>(TraceNowMs()),
                     text.c_str());
    }
}
