#pragma once
#include <cstdint>

// Framed, checksummed packets to and from the unit.
// Link result codes: 1 sent and acknowledged, 2 not acknowledged, 3 received, 4 receive failed.

constexpr int kLinkAcked = 1;
constexpr int kLinkNotAcked = 2;
constexpr int kLinkReceived = 3;
constexpr int kLinkReceiveFailed = 4;

int ComL1DataToMiniZv(const std::uint8_t* data, std::uint8_t length);
int ComL1WaitAck();
int ComL1GetDataFromMiniZv(std::uint8_t* buffer, std::uint8_t length);
int ComL1SendAck(std::uint8_t counter);

// The counter that the next frame carries; 1 at program start. For tests.
std::uint8_t ComL1FrameCounter();
void ComL1SetFrameCounter(std::uint8_t value);
