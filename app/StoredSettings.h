#pragma once

#include "MonitorState.h"

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
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
// Without a monitor window its stored position is left as it is.
void SavePositions(TMyReg& reg, TPosition main, std::optional<TPosition> monitor);

// The ten connection statistics. The stored totals include the last connection; the totals in memory
// leave a running connection out, so saving adds it.
void LoadStats(TMyReg& reg, MonitorState& state);
void SaveStats(TMyReg& reg, const MonitorState& state);

// The graph bounds and the time synchronisation settings, then the monitor's opacity level.
void LoadNumbers(TMyReg& reg, MonitorState& state);
void SaveNumbers(TMyReg& reg, const MonitorState& state, std::optional<int32_t> monAlpha);

// What the windows hold at exit.
struct TMonitorWindow {
    TPosition Position;
    int32_t MonAlpha = 0;
};
struct TClosingValues {
    TPosition Main;
    std::optional<TMonitorWindow> Monitor; // nothing when no monitor window was made
    TOptions Options{};
};

// Everything kept at exit, as one update of the store: positions, the running connection (saveStats, only
// while online), the options and the numbers. A failure of saveStats (its history file) does not keep the
// rest from being saved: it is returned once everything is written, for the caller to report.
std::exception_ptr SaveAtExit(TMyReg& reg, const MonitorState& state, const TClosingValues& values,
                              const std::function<void()>& saveStats);

} // namespace StoredSettings
