#include "StatusCycle.h"

#include "Formatting.h"
#include "TrayImage.h"

#include "platform/Checked.h"
#include "platform/IClock.h"
#include "platform/IIpHelper.h"

#include <algorithm>
#include <limits>

namespace {

constexpr const char* NoAddress = "0.0.0.0";

// A counter that went down belongs to an interface that was reset or re-created: counting starts again
// from the new reading, and the bytes already counted stay counted.
void RebaseAfterCounterReset(int64_t reading, int64_t& previous, int64_t& atOnline)
{
    if (reading >= previous) return;
    atOnline = Checked::Sub(atOnline, Checked::Sub(previous, reading));
    previous = reading;
}

bool NoAdapterLeft(IIpHelper& ipHelper)
{
    uint32_t size = 0;
    return ipHelper.GetAdaptersInfo(nullptr, &size) == ERROR_NO_DATA;
}

TLastTexts LastTexts(const MonitorState& state)
{
    using namespace Formatting;
    return {state.LastConn,
            CountText(state.LastSpeed),
            CountText(state.LastSent),
            CountText(state.LastRecv),
            FormatDuration(state.LastDuration),
            "Online: " + state.LastOnLine + "\r\nOffline: " + state.LastOffLine};
}

TTotalTexts TotalTexts(int64_t sent, int64_t received, int64_t duration)
{
    using namespace Formatting;
    return {CountText(sent), CountText(received), FormatDuration(duration)};
}

// The current connection group of an offline window: empty, with no network information.
void ClearCurrent(TCurrentTexts& current)
{
    for (std::optional<QString>* label :
         {&current.Conn, &current.Speed, &current.Sent, &current.Recv, &current.Duration, &current.Dns1, &current.Dns2,
          &current.Gateway, &current.ClientIp, &current.UpSpeed, &current.DownSpeed})
        *label = QString();
    current.ConnHint = DefaultNotAvailable;
}

} // namespace

TStatusCycle::TStatusCycle(MonitorState& state, IIpHelper& ipHelper, IClock& clock)
    : State(state), IpHelper(ipHelper), Clock(clock)
{
}

TStatusCycle::TDecision TStatusCycle::Decide()
{
    TDecision decision;
    try {
        decision.Snapshot = IPFunctions::ScanAdapters(IpHelper);
    } catch (...) {
        // The watched interface was deleted and nothing is left in the table: the connection ends now, not
        // when another adapter appears. Any other failure of the scan ends the tick quietly.
        if (State.Online && NoAdapterLeft(IpHelper)) decision.Action = TAction::GoOffline;
        return decision;
    }
    // An adapter without address is not a connection to start; a running one is still followed, so that it
    // ends when its link goes down instead of freezing.
    if (!State.Online && Entry(decision.Snapshot.ClientIps, 1) == NoAddress) return decision;
    if (decision.Snapshot.Index == 0) return decision;
    // Another adapter became the first one: the anchors belong to the old one, so its connection ends here.
    if (State.Online && decision.Snapshot.Index != OnlineIndex) {
        decision.Action = TAction::GoOffline;
        return decision;
    }
    try {
        decision.Sample = IPFunctions::QueryInterface(IpHelper, decision.Snapshot.Index);
    } catch (...) {
        return decision;
    }
    if (decision.Sample.Type != MIB_IF_TYPE_ETHERNET) return decision;
    if (decision.Sample.OperStatus == MIB_IF_OPER_STATUS_NON_OPERATIONAL) {
        if (State.Online) decision.Action = TAction::GoOffline;
    } else if (decision.Sample.OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL) {
        decision.Action = State.Online ? TAction::TakeSample : TAction::GoOnline;
    }
    return decision;
}

TTickOutcome TStatusCycle::FirstContents() const
{
    TTickOutcome outcome;
    ClearCurrent(outcome.Current);
    outcome.Last = LastTexts(State);
    // Offline at start: the stored totals already include the last connection.
    outcome.Totals = TotalTexts(State.TotalSent, State.TotalRecv, State.TotalDuration);
    return outcome;
}

TTickOutcome TStatusCycle::Tick(const TTickOptions& options)
{
    const TDecision decision = Decide();
    switch (decision.Action) {
    case TAction::GoOnline: return GoOnline(decision, options);
    case TAction::TakeSample: return Sample(decision.Sample, options);
    case TAction::GoOffline: return GoOffline(options);
    case TAction::None: break;
    }
    return {};
}

TTickOutcome TStatusCycle::GoOnline(const TDecision& decision, const TTickOptions& options)
{
    using namespace Formatting;
    const AdapterSnapshot& snapshot = decision.Snapshot;
    StartConnection(decision);
    ConnectionClientIp = QString::fromStdString(Entry(snapshot.ClientIps, 1));
    State.LastOnLine = TimeStamp(Clock.Now());

    TTickOutcome outcome;
    outcome.Transition = TTransition::Online;
    TCurrentTexts& current = outcome.Current;
    current.Conn = State.LastConn;
    current.Speed = CountText(State.LastSpeed);
    current.Dns1 = QString::fromStdString(Entry(snapshot.DnsServers, 1));
    current.Dns2 = QString::fromStdString(Entry(snapshot.DnsServers, 2));
    current.Gateway = QString::fromStdString(Entry(snapshot.Gateways, 1));
    current.ClientIp = ConnectionClientIp;
    current.DurationHint = "Online: " + State.LastOnLine;
    current.ConnHint = NetworkInfoText(snapshot);
    outcome.RestartGraphs = TGraphBounds{State.MaxGraph, State.MinGraph};
    EndTransition(outcome, options, ConnectionClientIp, "Online: " + State.LastOnLine);
    return outcome;
}

// What both transitions end with: the tray's image and hint, the synchronisation timer, the monitor rule
// and the log line.
void TStatusCycle::EndTransition(TTickOutcome& outcome, const TTickOptions& options, const QString& trayHint,
                                 const QString& logLine)
{
    const bool online = outcome.Transition == TTransition::Online;
    outcome.TrayHint = trayHint;
    outcome.IconIndex = ShownIcon = online ? 1 : 0;
    if (options.SynchronizeTime) outcome.Sync = online ? TSyncStep::Start : TSyncStep::Stop;
    outcome.Monitor = DecideMonitorVisibility(online ? TMonitorEvent::WentOnline : TMonitorEvent::WentOffline,
                                              options.ShowMonitor, options.HideMonitor, State.Online);
    outcome.LogLines.push_back(logLine);
}

TTickOutcome TStatusCycle::Sample(const InterfaceSample& sample, const TTickOptions& options)
{
    using namespace Formatting;
    const std::optional<TRates> rates = TakeSample(sample);
    if (!rates) return {};
    TTickOutcome outcome;
    const QString duration = FormatDuration(State.LastDuration);
    TCurrentTexts& current = outcome.Current;
    current.Sent = CountText(State.LastSent);
    current.Recv = CountText(State.LastRecv);
    current.Duration = duration;
    current.UpSpeed = CountText(rates->UpRate);
    current.DownSpeed = CountText(rates->DownRate);
    // While a connection runs, the totals shown include it; only its end adds it to the totals kept.
    outcome.Totals = TotalTexts(Checked::SaturatingAdd(State.TotalSent, State.LastSent),
                                Checked::SaturatingAdd(State.TotalRecv, State.LastRecv),
                                Checked::SaturatingAdd(State.TotalDuration, State.LastDuration));
    outcome.GraphSample = TGraphSample{rates->DownRate, rates->UpRate, duration};
    // Only a change of image reaches the desktop.
    if (const auto image = TrayImageForRates(rates->UpRate, rates->DownRate); image && *image != ShownIcon)
        outcome.IconIndex = ShownIcon = *image;
    outcome.KeepMonitorOnTop = options.ShowMonitor;
    outcome.Checkpoint = true;
    outcome.HistoryClientIp = ConnectionClientIp;
    outcome.StatusLine =
        StatusLine.Build(rates->UpRate, rates->DownRate, State.LastSent, State.LastRecv, State.LastDuration);
    return outcome;
}

TTickOutcome TStatusCycle::GoOffline(const TTickOptions& options)
{
    using namespace Formatting;
    EndConnection();
    State.LastOffLine = TimeStamp(Clock.Now());

    TTickOutcome outcome;
    outcome.Transition = TTransition::Offline;
    // The figures are stored before they join the totals: the stored totals are the finished connections'.
    outcome.StoreStatistics = true;
    outcome.HistoryClientIp = ConnectionClientIp;
    outcome.Last = LastTexts(State);
    AddLastToTotals();
    ClearCurrent(outcome.Current);
    ConnectionClientIp.clear();
    EndTransition(outcome, options, NoAddress, "Offline: " + State.LastOffLine);
    return outcome;
}

void TStatusCycle::StartConnection(const TDecision& decision)
{
    const int64_t tick = Clock.TickCount();
    const auto sent = Checked::Narrow<int64_t>(decision.Sample.OutOctets);
    const auto received = Checked::Narrow<int64_t>(decision.Sample.InOctets);
    const auto speed = Checked::Narrow<int64_t>(decision.Sample.Speed);

    State.Online = true;
    State.OnlineTick = tick;
    State.PrevTick = tick;
    State.SentAtOnline = sent;
    State.RecvAtOnline = received;
    State.PrevSent = sent;
    State.PrevRecv = received;
    State.LastConn = Formatting::ConnectionName(decision.Snapshot.Description);
    State.LastSpeed = speed;
    // The figures of the previous connection must not be taken for this one's if it ends before its first
    // sample: it is stored, added to the totals and written to the history like any other.
    State.LastSent = State.LastRecv = State.LastDuration = 0;
    OnlineIndex = decision.Snapshot.Index;
    Sampled = false;
}

std::optional<TRates> TStatusCycle::TakeSample(const InterfaceSample& sample)
{
    const int64_t tick = Clock.TickCount();
    const int64_t elapsed = Checked::Sub(tick, State.PrevTick);
    if (elapsed <= 0) return std::nullopt; // the clock did not move: no sample rather than a division by zero
    const auto sent = Checked::Narrow<int64_t>(sample.OutOctets);
    const auto received = Checked::Narrow<int64_t>(sample.InOctets);
    RebaseAfterCounterReset(sent, State.PrevSent, State.SentAtOnline);
    RebaseAfterCounterReset(received, State.PrevRecv, State.RecvAtOnline);

    // The tick counts through suspend, so a long suspend leaves a gap beyond the rates' 32-bit range. Its
    // bytes and time still belong to the connection; only the rate over it is left out, and the next sample
    // measures from here instead of failing on the same gap every second.
    if (elapsed > std::numeric_limits<int32_t>::max()) {
        CountSince(tick, sent, received);
        return std::nullopt;
    }
    TRates rates;
    rates.UpRate = Checked::Div(Checked::Mul(Checked::Sub(sent, State.PrevSent), 1000), elapsed);
    rates.DownRate = Checked::Div(Checked::Mul(Checked::Sub(received, State.PrevRecv), 1000), elapsed);
    CountSince(tick, sent, received);
    return rates;
}

void TStatusCycle::CountSince(int64_t tick, int64_t sent, int64_t received)
{
    State.LastSent = Checked::Sub(sent, State.SentAtOnline);
    State.LastRecv = Checked::Sub(received, State.RecvAtOnline);
    State.LastDuration = Checked::Div(Checked::Sub(tick, State.OnlineTick), 1000);
    State.PrevSent = sent;
    State.PrevRecv = received;
    State.PrevTick = tick;
    Sampled = true;
}

void TStatusCycle::EndConnection()
{
    // Without a sample the figures were never counted: the connection moved no bytes that were seen, and
    // it lasted from its start until now.
    if (State.Online && !Sampled)
        State.LastDuration = std::max<int64_t>(0, Checked::Sub(Clock.TickCount(), State.OnlineTick) / 1000);
    State.Online = false;
    State.OnlineTick = State.SentAtOnline = State.RecvAtOnline = 0;
    State.PrevTick = State.PrevSent = State.PrevRecv = 0;
    OnlineIndex = 0;
    Sampled = false;
}

void TStatusCycle::AddLastToTotals()
{
    State.TotalSent = Checked::SaturatingAdd(State.TotalSent, State.LastSent);
    State.TotalRecv = Checked::SaturatingAdd(State.TotalRecv, State.LastRecv);
    State.TotalDuration = Checked::SaturatingAdd(State.TotalDuration, State.LastDuration);
}
