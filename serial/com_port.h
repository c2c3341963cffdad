#pragma once
#include <cstdint>

// The one serial port of the process, 2400 baud 8N1. Implemented per platform in
// com_port_win32.cpp and com_port_posix.cpp; tests link a scripted fake instead.

constexpr std::uint32_t kReadTimeoutMs = 1600;
constexpr std::uint32_t kFlushReadTimeoutMs = 400;
constexpr std::uint32_t kFlushChunk = 200;

// Opens "COM%d" for the Comport setting and sets the line up: 0 on success, 1 on failure.
int ComInitialise();
// Writes all `count` bytes before it returns; the number written.
std::uint32_t ComWrite(const std::uint8_t* buffer, std::uint32_t count);
// Returns what arrived within the read time-out in force (0 .. count) and stores a zero
// at buffer[received]: `buffer` has room for count + 1 bytes.
std::uint32_t ComRead(std::uint8_t* buffer, std::uint32_t count);
// Reads and discards until 400 ms pass with nothing received.
void ComFlushInput();
void ComClose();
