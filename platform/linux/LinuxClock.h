#pragma once

#include "platform/IClock.h"

class TLinuxClock final : public IClock {
public:
    int64_t TickCount() override;
    std::chrono::system_clock::time_point Now() override;
};
