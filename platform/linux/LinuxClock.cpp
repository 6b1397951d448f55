#include "LinuxClock.h"

#include <ctime>

int64_t TLinuxClock::TickCount()
{
    // CLOCK_BOOTTIME keeps counting through suspend, so a connection's duration includes sleep time.
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::chrono::system_clock::time_point TLinuxClock::Now() { return std::chrono::system_clock::now(); }
