#include "QtTimer.h"

TQtTimer::TQtTimer()
{
    QObject::connect(&Timer, &QTimer::timeout, [this] {
        if (OnTimer) OnTimer();
    });
}

void TQtTimer::SetInterval(int milliseconds)
{
    if (milliseconds == Timer.interval()) return;
    Timer.setInterval(milliseconds);
    Timer.stop();
    Update();
}

void TQtTimer::SetEnabled(bool enabled)
{
    if (enabled == IsEnabled) return; // QTimer::start would restart a running timer
    IsEnabled = enabled;
    Update();
}

// An interval of 0 would make QTimer fire on every pass of the event loop; the timer then rests instead.
void TQtTimer::Update()
{
    if (IsEnabled && Timer.interval() > 0) {
        if (!Timer.isActive()) Timer.start();
    } else {
        Timer.stop();
    }
}
