#pragma once

#include <chrono>
#include <cstdint>

// The millisecond counter and the wall clock, so that tests can drive time.
class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since the system started, counting through suspend; never restarts.
    virtual int64_t TickCount() = 0;
    virtual std::chrono::system_clock::time_point Now() = 0;
};
