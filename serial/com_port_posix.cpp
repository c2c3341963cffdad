// Placeholder until the POSIX port lands: no port can be opened.
#include "serial/com_port.h"

int ComInitialise() { return 1; }
std::uint32_t ComWrite(const std::uint8_t*, std::uint32_t) { return 0; }
std::uint32_t ComRead(std::uint8_t* buffer, std::uint32_t) {
    buffer[0] = 0;
    return 0;
}
void ComFlushInput() {}
void ComClose() {}
