#pragma once

#include "MonitorState.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class TMyReg;

// The values the main window keeps between runs, one table per section. Start-up and shutdown both walk
// the same tables, so a value cannot be read under one name and written under another, and the order of
// the writes is the tables' order.
namespace StoredSettings {

inline constexpr const char* RegKey = "\\Software\\Velmar Software\\Quorvel\\";

// The nine on/off options, in the order the popup menu lists them and the settings keep them.
enum TOption {
    AlwaysOnTop,
    MinimizeToTray,
    StartMinimized,
    LoadOnStartup,
    SaveLog,
    SynchronizeTime,
    ShowMonitor,
    HideMonitor,
    Transparent,
    OptionCount
};

struct TOptionEntry {
    const char* Name;
    bool Default;
};

inline constexpr std::array<TOptionEntry, OptionCount> Options{{
    {"AlwaysOnTop", false},
    {"MinimizeToTray", false},
    {"StartMinimized", false},
    {"LoadOnStartup", false},
    {"SaveLog", false},
    {"SynchronizeTime", false},
    {"ShowMonitor", true},
    {"HideMonitor", false},
    {"Transparent", false},
}};

using TOptions = std::array<bool, OptionCount>;

TOptions LoadOptions(TMyReg& reg);
void SaveOptions(TMyReg& reg, const TOptions& options);

// A window's top and left edges in screen pixels.
struct TPosition {
    int32_t Top = 0;
    int32_t Left = 0;
};

TPosition LoadMainPosition(TMyReg& reg);

// The monitor window's place and its opacity level (only the low 8 bits reach the window system).
struct TMonitorWindow {
    TPosition Position;
    int32_t MonAlpha = 0;
};
TMonitorWindow LoadMonitorWindow(TMyReg& reg);

// The ten connection statistics. The totals in memory leave a running connection out, so storing them
// while online adds it; once the connection has ended the totals already hold it.
// Answers a status-log line naming the counts that were stored negative and start again from 0, or "".
std::string LoadStats(TMyReg& reg, MonitorState& state);
void SaveStats(TMyReg& reg, const MonitorState& state);
// Only the three totals, as they are in memory.
void SaveTotals(TMyReg& reg, const MonitorState& state);

// The running connection as a crash would otherwise lose it: its figures at a moment, kept beside the
// statistics until the connection ends.
struct TCheckpoint {
    QString OnLine;
    QString At; // the time stamp of the moment, the connection's end should it never be seen
    QString Conn;
    int64_t Speed = 0;
    int64_t Sent = 0;
    int64_t Recv = 0;
    int64_t Duration = 0;
    QString ClientIp;
};
void SaveCheckpoint(TMyReg& reg, const TCheckpoint& checkpoint);
// Nothing when no checkpoint is stored; a count stored negative reads as 0.
std::optional<TCheckpoint> LoadCheckpoint(TMyReg& reg);
void ClearCheckpoint(TMyReg& reg);

// The graph bounds, the time synchronisation settings and the adapter choice (as its stored text).
void LoadNumbers(TMyReg& reg, MonitorState& state);

// What the windows hold at exit.
struct TClosingValues {
    TPosition Main;
    std::optional<TMonitorWindow> Monitor; // nothing when no monitor window was made
    TOptions Options{};
};

// The windows' values at exit, in the order of the tables: positions, then (after the caller's
// statistics) the options and the numbers. Without a monitor window its stored values stay as they are.
void SavePositions(TMyReg& reg, const TClosingValues& values);
void SaveOptionsAndNumbers(TMyReg& reg, const MonitorState& state, const TClosingValues& values);

} // namespace StoredSettings
