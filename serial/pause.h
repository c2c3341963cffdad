#pragma once
#include <cstdint>

// Blocks the thread for `ms` milliseconds (Sleep on Windows, a monotonic sleep on POSIX).
void PauseMs(std::uint32_t ms);
