#pragma once

#include "SyncSchedule.h"

#include <QObject>

#include <climits>
#include <cstdint>

class QTimer;

// The synchronisation timer over a QTimer. Intervals go up to 4294967295 ms while a QTimer holds an int,
// so a long interval is waited for in pieces; Timeout comes once per full interval. An interval of 0
// never fires.
class TSyncTimer final : public QObject, public ISyncTimer {
    Q_OBJECT
public:
    explicit TSyncTimer(QTimer& timer, int longestPieceMs = INT_MAX);

    void SetInterval(uint32_t milliseconds) override;
    uint32_t Interval() const override { return IntervalMs; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return IsEnabled; }

signals:
    void Timeout();

private:
    void Restart();
    void StartPiece();
    void PieceEnded();

    QTimer& Timer;
    int LongestPieceMs;
    uint32_t IntervalMs = 0;
    bool IsEnabled = false;
    uint32_t RemainingMs = 0;
};
