#include "StoredSettings.h"

#include "platform/Checked.h"
#include "settings/MyReg.h"
#include "settings/RegBatch.h"

#include <algorithm>
#include <limits>
#include <variant>

namespace StoredSettings {
namespace {

constexpr const char* Position = "Position";
constexpr const char* Option = "Option";
constexpr const char* Stats = "Stats";

// A window's two position values and where it goes when nothing is stored.
struct TPositionEntry {
    const char* TopName;
    const char* LeftName;
    TPosition Default;
};

constexpr TPositionEntry MainPosition{"MainTop", "MainLeft", {50, 50}};
constexpr TPositionEntry MonitorPosition{"MonTop", "MonLeft", {20, 300}};

// The values of the Option section besides the check marks, in the order they are stored: a number with
// its default, or a text with its own. A text whose default is its absence is removed when empty.
struct TNumberEntry {
    const char* Name;
    std::variant<QString MonitorState::*, int64_t MonitorState::*> Field;
    int64_t Default = 0;
    const char* TextDefault = "";
    bool AbsentWhenEmpty = false;
};

const std::array<TNumberEntry, 6> NumbersTable{{
    {"MaxGraph", &MonitorState::MaxGraph, DefaultMaxGraph},
    {"MinGraph", &MonitorState::MinGraph, DefaultMinGraph},
    {"SynchronizeTimeServer", &MonitorState::SynchronizeTimeServer, 0, DefaultSynchronizeTimeServer},
    {"SynchronizeTimeInterval", &MonitorState::SynchronizeTimeInterval, DefaultSynchronizeTimeInterval},
    {"SynchronizeTimeProtocol", &MonitorState::SynchronizeTimeProtocol, 0, DefaultSynchronizeTimeProtocol},
    {"Adapter", &MonitorState::Adapter, 0, "", true},
}};
constexpr const char* MonAlpha = "MonAlpha";
constexpr int32_t DefaultMonAlpha = 120;

// One statistic: a text or a number of the state; a stored total also carries the running connection's
// share that saving adds to it.
struct TStatsEntry {
    const char* Name;
    std::variant<QString MonitorState::*, int64_t MonitorState::*> Field;
    int64_t MonitorState::*AddedWhenSaved = nullptr;
};

const std::array<TStatsEntry, 10> StatsTable{{
    {"LastOnLine", &MonitorState::LastOnLine},
    {"LastOffLine", &MonitorState::LastOffLine},
    {"LastConn", &MonitorState::LastConn},
    {"LastSpeed", &MonitorState::LastSpeed},
    {"LastSent", &MonitorState::LastSent},
    {"LastRecv", &MonitorState::LastRecv},
    {"LastDuration", &MonitorState::LastDuration},
    {"TotalSent", &MonitorState::TotalSent, &MonitorState::LastSent},
    {"TotalRecv", &MonitorState::TotalRecv, &MonitorState::LastRecv},
    {"TotalDuration", &MonitorState::TotalDuration, &MonitorState::LastDuration},
}};

} // namespace

TOptions LoadOptions(TMyReg& reg)
{
    TOptions options{};
    for (std::size_t i = 0; i < Options.size(); ++i)
        options[i] = reg.ReadFlagValue(Option, Options[i].Name, Options[i].Default);
    return options;
}

void SaveOptions(TMyReg& reg, const TOptions& options)
{
    for (std::size_t i = 0; i < Options.size(); ++i)
        reg.WriteFlagValue(Option, Options[i].Name, options[i]);
}

TPosition LoadPosition(TMyReg& reg, const TPositionEntry& entry)
{
    return {reg.ReadIntValue(Position, entry.TopName, entry.Default.Top),
            reg.ReadIntValue(Position, entry.LeftName, entry.Default.Left)};
}

void SavePosition(TMyReg& reg, const TPositionEntry& entry, TPosition position)
{
    reg.WriteIntValue(Position, entry.TopName, position.Top);
    reg.WriteIntValue(Position, entry.LeftName, position.Left);
}

TPosition LoadMainPosition(TMyReg& reg) { return LoadPosition(reg, MainPosition); }

TMonitorWindow LoadMonitorWindow(TMyReg& reg)
{
    // The program itself only stores levels that fit 32 bits; anything else is not a level it wrote, so the
    // default stands in for it.
    const int64_t stored = reg.ReadInt64Value(Option, MonAlpha, DefaultMonAlpha);
    const bool fits = stored >= std::numeric_limits<int32_t>::min() && stored <= std::numeric_limits<int32_t>::max();
    return {LoadPosition(reg, MonitorPosition), fits ? static_cast<int32_t>(stored) : DefaultMonAlpha};
}

void SavePositions(TMyReg& reg, const TClosingValues& values)
{
    SavePosition(reg, MainPosition, values.Main);
    if (values.Monitor) SavePosition(reg, MonitorPosition, values.Monitor->Position);
}

std::string LoadStats(TMyReg& reg, MonitorState& state)
{
    std::string damaged;
    for (const TStatsEntry& entry : StatsTable) {
        if (const auto* text = std::get_if<QString MonitorState::*>(&entry.Field)) {
            state.*(*text) = QString::fromStdString(reg.ReadTextValue(Stats, entry.Name, DefaultNotAvailable));
            continue;
        }
        int64_t& count = state.*std::get<int64_t MonitorState::*>(entry.Field);
        count = reg.ReadInt64Value(Stats, entry.Name, 0);
        // Every statistic counts up from 0: a negative one was not written by this program.
        if (count < 0) {
            count = 0;
            damaged += (damaged.empty() ? "" : ", ") + std::string(entry.Name);
        }
    }
    return damaged.empty() ? std::string() : "Damaged statistics set to 0: " + damaged + ".";
}

void SaveStats(TMyReg& reg, const MonitorState& state)
{
    for (const TStatsEntry& entry : StatsTable) {
        if (const auto* text = std::get_if<QString MonitorState::*>(&entry.Field)) {
            reg.WriteTextValue(Stats, entry.Name, (state.*(*text)).toStdString());
            continue;
        }
        int64_t value = state.*std::get<int64_t MonitorState::*>(entry.Field);
        if (entry.AddedWhenSaved && state.Online) value = Checked::SaturatingAdd(value, state.*entry.AddedWhenSaved);
        reg.WriteInt64Value(Stats, entry.Name, value);
    }
}

void SaveTotals(TMyReg& reg, const MonitorState& state)
{
    for (const TStatsEntry& entry : StatsTable) {
        if (entry.AddedWhenSaved)
            reg.WriteInt64Value(Stats, entry.Name, state.*std::get<int64_t MonitorState::*>(entry.Field));
    }
}

namespace {

// The checkpoint's values in the Stats section, under names of their own.
struct TCheckpointEntry {
    const char* Name;
    std::variant<QString TCheckpoint::*, int64_t TCheckpoint::*> Field;
};

const std::array<TCheckpointEntry, 8> CheckpointTable{{
    {"RunningOnLine", &TCheckpoint::OnLine},
    {"RunningCheckpoint", &TCheckpoint::At},
    {"RunningConn", &TCheckpoint::Conn},
    {"RunningSpeed", &TCheckpoint::Speed},
    {"RunningSent", &TCheckpoint::Sent},
    {"RunningRecv", &TCheckpoint::Recv},
    {"RunningDuration", &TCheckpoint::Duration},
    {"RunningClientIP", &TCheckpoint::ClientIp},
}};

} // namespace

void SaveCheckpoint(TMyReg& reg, const TCheckpoint& checkpoint)
{
    for (const TCheckpointEntry& entry : CheckpointTable) {
        if (const auto* text = std::get_if<QString TCheckpoint::*>(&entry.Field)) {
            reg.WriteTextValue(Stats, entry.Name, (checkpoint.*(*text)).toStdString());
        } else {
            reg.WriteInt64Value(Stats, entry.Name, checkpoint.*std::get<int64_t TCheckpoint::*>(entry.Field));
        }
    }
}

std::optional<TCheckpoint> LoadCheckpoint(TMyReg& reg)
{
    TCheckpoint checkpoint;
    for (const TCheckpointEntry& entry : CheckpointTable) {
        if (const auto* text = std::get_if<QString TCheckpoint::*>(&entry.Field)) {
            checkpoint.*(*text) = QString::fromStdString(reg.ReadTextValue(Stats, entry.Name, {}));
            continue;
        }
        int64_t& count = checkpoint.*std::get<int64_t TCheckpoint::*>(entry.Field);
        count = std::max<int64_t>(0, reg.ReadInt64Value(Stats, entry.Name, 0)); // counts only go up from 0
    }
    if (checkpoint.At.isEmpty()) return std::nullopt;
    return checkpoint;
}

void ClearCheckpoint(TMyReg& reg)
{
    for (const TCheckpointEntry& entry : CheckpointTable)
        reg.DeleteValue(Stats, entry.Name);
}

void LoadNumbers(TMyReg& reg, MonitorState& state)
{
    for (const TNumberEntry& entry : NumbersTable) {
        if (const auto* text = std::get_if<QString MonitorState::*>(&entry.Field)) {
            state.*(*text) = QString::fromStdString(reg.ReadTextValue(Option, entry.Name, entry.TextDefault));
        } else {
            state.*std::get<int64_t MonitorState::*>(entry.Field) =
                reg.ReadInt64Value(Option, entry.Name, entry.Default);
        }
    }
    // A user who chose NTP without naming a server gets one that speaks it.
    if (state.SynchronizeTimeProtocol.trimmed().compare("NTP", Qt::CaseInsensitive) == 0 &&
        reg.ReadTextValue(Option, "SynchronizeTimeServer", {}).empty())
        state.SynchronizeTimeServer = DefaultNtpTimeServer;
}

void SaveOptionsAndNumbers(TMyReg& reg, const MonitorState& state, const TClosingValues& values)
{
    SaveOptions(reg, values.Options);
    for (const TNumberEntry& entry : NumbersTable) {
        if (const auto* text = std::get_if<QString MonitorState::*>(&entry.Field)) {
            if (entry.AbsentWhenEmpty && (state.*(*text)).isEmpty())
                reg.DeleteValue(Option, entry.Name);
            else
                reg.WriteTextValue(Option, entry.Name, (state.*(*text)).toStdString());
        } else {
            reg.WriteInt64Value(Option, entry.Name, state.*std::get<int64_t MonitorState::*>(entry.Field));
        }
    }
    if (values.Monitor) reg.WriteInt64Value(Option, MonAlpha, values.Monitor->MonAlpha);
}

} // namespace StoredSettings
