// Placeholder until the link layer lands.
#include "serial/link_frames.h"

namespace {
std::uint8_t frameCounter = 1;
}
int ComL1DataToMiniZv(const std::uint8_t*, std::uint8_t) { return kLinkNotAcked; }
int ComL1WaitAck() { return kLinkNotAcked; }
int ComL1GetDataFromMiniZv(std::uint8_t*, std::uint8_t) { return kLinkReceiveFailed; }
int ComL1SendAck(std::uint8_t) { return kLinkReceived; }
std::uint8_t ComL1FrameCounter() { return frameCounter; }
void ComL1SetFrameCounter(std::uint8_t value) { frameCounter = value; }
