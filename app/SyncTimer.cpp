#include "SyncTimer.h"

#include <QTimer>

#include <algorithm>

TSyncTimer::TSyncTimer(QTimer& timer, int longestPieceMs) : Timer(timer), LongestPieceMs(longestPieceMs)
{
    Timer.setSingleShot(true);
    connect(&Timer, &QTimer::timeout, this, &TSyncTimer::PieceEnded);
}

void TSyncTimer::SetInterval(uint32_t milliseconds)
{
    IntervalMs = milliseconds;
    Restart(); // a new interval counts from now
}

void TSyncTimer::SetEnabled(bool enabled)
{
    if (enabled == IsEnabled) return;
    IsEnabled = enabled;
    Restart();
}

void TSyncTimer::Restart()
{
    Timer.stop();
    if (!IsEnabled || IntervalMs == 0) return;
    RemainingMs = IntervalMs;
    StartPiece();
}

void TSyncTimer::StartPiece()
{
    const uint32_t piece = std::min<uint32_t>(RemainingMs, static_cast<uint32_t>(LongestPieceMs));
    RemainingMs -= piece;
    Timer.start(static_cast<int>(piece));
}

void TSyncTimer::PieceEnded()
{
    if (RemainingMs > 0) {
        StartPiece();
        return;
    }
    // The next interval starts before the tick's work, which may wait for a server for many seconds.
    RemainingMs = IntervalMs;
    StartPiece();
    emit Timeout();
}
