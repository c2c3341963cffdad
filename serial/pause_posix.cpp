#include "serial/deadline_posix.h"
#include "serial/pause.h"

void PauseMs(std::uint32_t ms) {
    SleepUntil(DeadlineAfter(ms));
}
