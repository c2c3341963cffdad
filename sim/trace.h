#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The --trace output on stderr: each line starts with the milliseconds since TraceStart.

void TraceStart(bool enabled);
std::uint64_t TraceNowMs();
// "rx" or "tx" and the bytes in hexadecimal.
void TraceBytes(const char* direction, const std::uint8_t* bytes, std::size_t count);
void TraceNote(const std::string& text);
