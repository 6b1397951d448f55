#pragma once

#include "platform/ITimer.h"

#include <QTimer>

class TQtTimer final : public ITimer {
public:
    TQtTimer();
    void SetInterval(int milliseconds) override;
    int Interval() const override { return Timer.interval(); }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return IsEnabled; }
    void SetOnTimer(std::function<void()> onTimer) override { OnTimer = std::move(onTimer); }

    // Whether the event loop will fire it: enabled with a non-zero interval.
    bool Running() const { return Timer.isActive(); }
    // Milliseconds to the next expiry; -1 when not running.
    int RemainingTime() const { return Timer.remainingTime(); }

private:
    void Update();

    QTimer Timer;
    bool IsEnabled = false;
    std::function<void()> OnTimer;
};
