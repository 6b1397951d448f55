#include "StoredSettings.h"

#include "platform/Checked.h"
#include "settings/MyReg.h"
#include "settings/RegBatch.h"

#include <variant>

namespace StoredSettings {
namespace {

constexpr const char* Position = "Position";
constexpr const char* Option = "Option";
constexpr const char* Stats = "Stats";

constexpr int32_t DefaultMainTop = 50;
constexpr int32_t DefaultMainLeft = 50;

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

TPosition LoadMainPosition(TMyReg& reg)
{
    return {reg.ReadIntValue(Position, "MainTop", DefaultMainTop),
            reg.ReadIntValue(Position, "MainLeft", DefaultMainLeft)};
}

void SavePositions(TMyReg& reg, TPosition main, std::optional<TPosition> monitor)
{
    reg.WriteIntValue(Position, "MainTop", main.Top);
    reg.WriteIntValue(Position, "MainLeft", main.Left);
    if (!monitor) return;
    reg.WriteIntValue(Position, "MonTop", monitor->Top);
    reg.WriteIntValue(Position, "MonLeft", monitor->Left);
}

void LoadStats(TMyReg& reg, MonitorState& state)
{
    for (const TStatsEntry& entry : StatsTable) {
        if (const auto* text = std::get_if<QString MonitorState::*>(&entry.Field)) {
            state.*(*text) = QString::fromStdString(reg.ReadTextValue(Stats, entry.Name, DefaultNotAvailable));
        } else {
            state.*std::get<int64_t MonitorState::*>(entry.Field) = reg.ReadInt64Value(Stats, entry.Name, 0);
        }
    }
}

void SaveStats(TMyReg& reg, const MonitorState& state)
{
    for (const TStatsEntry& entry : StatsTable) {
        if (const auto* text = std::get_if<QString MonitorState::*>(&entry.Field)) {
            reg.WriteTextValue(Stats, entry.Name, (state.*(*text)).toStdString());
            continue;
        }
        int64_t value = state.*std::get<int64_t MonitorState::*>(entry.Field);
        if (entry.AddedWhenSaved) value = Checked::Add(value, state.*entry.AddedWhenSaved);
        reg.WriteInt64Value(Stats, entry.Name, value);
    }
}

void LoadNumbers(TMyReg& reg, MonitorState& state)
{
    state.MaxGraph = reg.ReadInt64Value(Option, "MaxGraph", DefaultMaxGraph);
    state.MinGraph = reg.ReadInt64Value(Option, "MinGraph", DefaultMinGraph);
    state.SynchronizeTimeServer =
        QString::fromStdString(reg.ReadTextValue(Option, "SynchronizeTimeServer", DefaultSynchronizeTimeServer));
    state.SynchronizeTimeInterval =
        reg.ReadInt64Value(Option, "SynchronizeTimeInterval", DefaultSynchronizeTimeInterval);
}

void SaveNumbers(TMyReg& reg, const MonitorState& state, std::optional<int32_t> monAlpha)
{
    reg.WriteInt64Value(Option, "MaxGraph", state.MaxGraph);
    reg.WriteInt64Value(Option, "MinGraph", state.MinGraph);
    reg.WriteTextValue(Option, "SynchronizeTimeServer", state.SynchronizeTimeServer.toStdString());
    reg.WriteInt64Value(Option, "SynchronizeTimeInterval", state.SynchronizeTimeInterval);
    if (monAlpha) reg.WriteInt64Value(Option, "MonAlpha", *monAlpha);
}

std::exception_ptr SaveAtExit(TMyReg& reg, const MonitorState& state, const TClosingValues& values,
                              const std::function<void()>& saveStats)
{
    const TRegBatch oneUpdate(reg); // shutdown is one rewrite: a crash keeps the old or the new generation
    std::exception_ptr statsFailure;
    SavePositions(reg, values.Main, values.Monitor ? std::optional<TPosition>(values.Monitor->Position) : std::nullopt);
    if (state.Online) {
        try {
            saveStats();
        } catch (const std::exception&) {
            statsFailure = std::current_exception();
        }
    }
    SaveOptions(reg, values.Options);
    SaveNumbers(reg, state, values.Monitor ? std::optional<int32_t>(values.Monitor->MonAlpha) : std::nullopt);
    return statsFailure;
}

} // namespace StoredSettings
