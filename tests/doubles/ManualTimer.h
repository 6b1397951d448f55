#pragma once

#include "platform/ITimer.h"

// A timer that fires only when the test says the time has come.
class TManualTimer final : public ITimer {
public:
    void SetInterval(int milliseconds) override { IntervalMs = milliseconds; }
    int Interval() const override { return IntervalMs; }
    void SetEnabled(bool enabled) override
    {
        if (enabled && !IsEnabled) ++Starts;
        IsEnabled = enabled;
    }
    bool Enabled() const override { return IsEnabled; }
    void SetOnTimer(std::function<void()> onTimer) override { OnTimer = std::move(onTimer); }

    bool Running() const { return IsEnabled && IntervalMs > 0; }
    // One interval has passed; a timer that does not run ignores it.
    void Elapse()
    {
        if (Running() && OnTimer) OnTimer();
    }

    int Starts = 0;

private:
    int IntervalMs = 0;
    bool IsEnabled = false;
    std::function<void()> OnTimer;
};
