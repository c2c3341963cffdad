#include <windows.h>

#include "serial/pause.h"

void PauseMs(std::uint32_t ms) {
    Sleep(ms);
}
