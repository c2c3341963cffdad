#pragma once
#include <time.h>

#include <cerrno>
#include <cstdint>

// Deadlines on the monotonic clock, for the port's read time-outs and the pauses: a wait
// against an absolute deadline is neither shortened nor lengthened by a signal that
// interrupts it, nor by a change of the wall clock.

inline timespec DeadlineAfter(std::uint32_t ms) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(ms / 1000);
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    return deadline;
}

// Milliseconds left until `deadline`, rounded up so that poll never wakes early; 0 once
// it has passed.
inline int MsUntil(const timespec& deadline) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long leftNs = (static_cast<long long>(deadline.tv_sec) - now.tv_sec) * 1000000000LL +
                             (deadline.tv_nsec - now.tv_nsec);
    if (leftNs <= 0) {
        return 0;
    }
    return static_cast<int>((leftNs + 999999LL) / 1000000LL);
}

inline void SleepUntil(const timespec& deadline) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}
