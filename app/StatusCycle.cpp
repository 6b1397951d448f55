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
          &current.Gateway, &current.ClientIp, &current.UpSpeed, &current.DownSpeed, &current.Dns1Hint,
          &current.Dns2Hint, &current.GatewayHint, &current.ClientIpHint})
        *label = QString();
    current.ConnHint = DefaultNotAvailable;
}

// An address label shows what fits of the address; the whole one is its hint when it does not fit.
void ShowAddress(std::optional<QString>& label, std::optional<QString>& hint, const QString& address)
{
    label = Formatting::ShortenedAddress(address);
    hint = *label == address ? QString() : address;
}

} // namespace

TStatusCycle::TStatusCycle(MonitorState& state, IIpHelper& ipHelper, IClock& clock)
    : State(state), IpHelper(ipHelper), Clock(clock)
{
}

void TStatusCycle::SetAdapterChoice(const TAdapterChoice& choice)
{
    Choice = choice;
    AbsenceLogged = false;
}

TStatusCycle::TDecision TStatusCycle::Decide()
{
    using TMode = TAdapterChoice::TMode;
    TDecision decision;
    std::optional<TWatchedAdapter> watched;
    try {
        watched = ::AdapterChoice::Choose(IpHelper, Choice);
    } catch (...) {
        // The watched interface was deleted and nothing is left in the table: the connection ends now, not
        // when another adapter appears. Any other failure of the scan ends the tick quietly.
        const bool noneLeft = (State.Online || Choice.Mode == TMode::Named) && NoAdapterLeft(IpHelper);
        if (noneLeft) NoteAbsence(decision, false);
        if (State.Online && noneLeft) decision.Action = TAction::GoOffline;
        return decision;
    }
    NoteAbsence(decision, watched.has_value());
    // Nothing to watch (no Ethernet adapter, no default route, no physical adapter up, the named one gone):
    // a running connection ends.
    if (!watched) {
        if (State.Online) decision.Action = TAction::GoOffline;
        return decision;
    }
    TWatchedAdapter& adapter = decision.Watched = std::move(*watched);
    // An adapter without address is not a connection to start, unless IPv6 gives it one; a running one is
    // still followed, so that it ends when its link goes down instead of freezing.
    if (!State.Online && Entry(adapter.Snapshot.ClientIps, 1) == NoAddress) {
        ::AdapterChoice::ReadDetails(IpHelper, adapter);
        if (!adapter.Ipv6Only) return decision;
    }
    if (adapter.Snapshot.Index == 0) return decision;
    // Another adapter is watched now (another became the first, the route moved, the choice changed): the
    // anchors belong to the old one, so its connection ends here.
    if (State.Online && adapter.Key != OnlineKey) {
        decision.Action = TAction::GoOffline;
        return decision;
    }
    try {
        ::AdapterChoice::ReadSample(IpHelper, adapter);
    } catch (...) {
        return decision;
    }
    // The first Ethernet adapter is one whose row says Ethernet; an adapter the user chose is whatever it is.
    const InterfaceSample& sample = adapter.Sample;
    if (Choice.Mode == TMode::FirstEthernet && sample.Type != MIB_IF_TYPE_ETHERNET) return decision;
    if (sample.OperStatus == MIB_IF_OPER_STATUS_NON_OPERATIONAL) {
        if (State.Online) decision.Action = TAction::GoOffline;
    } else if (sample.OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL) {
        decision.Action = State.Online ? TAction::TakeSample : TAction::GoOnline;
    }
    return decision;
}

// A named adapter's absence is logged once, and again only after it was seen in between.
void TStatusCycle::NoteAbsence(TDecision& decision, bool present)
{
    if (Choice.Mode != TAdapterChoice::TMode::Named) return;
    if (present) AbsenceLogged = false;
    if (present || AbsenceLogged) return;
    AbsenceLogged = true;
    decision.Absence = "Adapter " + QString::fromStdString(Choice.Name) + " not present.";
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
    TDecision decision = Decide();
    TTickOutcome outcome;
    switch (decision.Action) {
    case TAction::GoOnline: outcome = GoOnline(decision, options); break;
    case TAction::TakeSample: outcome = Sample(decision.Watched.Sample, options); break;
    case TAction::GoOffline: outcome = GoOffline(options); break;
    case TAction::None: break;
    }
    if (!decision.Absence.isEmpty()) outcome.LogLines.push_back(decision.Absence);
    return outcome;
}

TTickOutcome TStatusCycle::GoOnline(TDecision& decision, const TTickOptions& options)
{
    using namespace Formatting;
    ::AdapterChoice::ReadDetails(IpHelper, decision.Watched);
    const AdapterSnapshot& snapshot = decision.Watched.Snapshot;
    StartConnection(decision);
    ConnectionClientIp = QString::fromStdString(Entry(snapshot.ClientIps, 1));
    State.LastOnLine = TimeStamp(Clock.Now());

    TTickOutcome outcome;
    outcome.Transition = TTransition::Online;
    TCurrentTexts& current = outcome.Current;
    current.Conn = State.LastConn;
    current.Speed = CountText(State.LastSpeed);
    ShowAddress(current.Dns1, current.Dns1Hint, QString::fromStdString(Entry(snapshot.DnsServers, 1)));
    ShowAddress(current.Dns2, current.Dns2Hint, QString::fromStdString(Entry(snapshot.DnsServers, 2)));
    ShowAddress(current.Gateway, current.GatewayHint, QString::fromStdString(Entry(snapshot.Gateways, 1)));
    ShowAddress(current.ClientIp, current.ClientIpHint, ConnectionClientIp);
    current.DurationHint = "Online: " + State.LastOnLine;
    current.ConnHint = NetworkInfoText(decision.Watched);
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
    TTickOutcome outcome;
    outcome.Usage = TakeUsage();
    if (!rates) return outcome;
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
    const auto sent = Checked::Narrow<int64_t>(decision.Watched.Sample.OutOctets);
    const auto received = Checked::Narrow<int64_t>(decision.Watched.Sample.InOctets);
    const auto speed = Checked::Narrow<int64_t>(::AdapterChoice::LinkSpeed(decision.Watched));

    State.Online = true;
    State.OnlineTick = tick;
    State.PrevTick = tick;
    State.SentAtOnline = sent;
    State.RecvAtOnline = received;
    State.PrevSent = sent;
    State.PrevRecv = received;
    // A sum's name is the program's own and fits; other names are the adapter's or the network's.
    const TWatchedAdapter& watched = decision.Watched;
    State.LastConn = watched.Summed ? QString::fromStdString(watched.Name) : Formatting::ConnectionName(watched.Name);
    State.LastSpeed = speed;
    // The figures of the previous connection must not be taken for this one's if it ends before its first
    // sample: it is stored, added to the totals and written to the history like any other.
    State.LastSent = State.LastRecv = State.LastDuration = 0;
    OnlineKey = watched.Key;
    UsageAdapter = watched.Summed ? "all-physical" : watched.Snapshot.AdapterName;
    CountedUsage.reset();
    Sampled = false;
}

std::optional<TUsageDelta> TStatusCycle::TakeUsage()
{
    std::optional<TUsageDelta> usage = std::move(CountedUsage);
    CountedUsage.reset();
    return usage;
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
    // The same readings as the connection's figures, so that usage, the connection and the totals agree.
    CountedUsage = TUsageDelta{UsageAdapter, Checked::Sub(received, State.PrevRecv), Checked::Sub(sent, State.PrevSent),
                               Checked::Sub(tick, State.PrevTick)};
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
    OnlineKey.clear();
    Sampled = false;
}

void TStatusCycle::AddLastToTotals()
{
    State.TotalSent = Checked::SaturatingAdd(State.TotalSent, State.LastSent);
    State.TotalRecv = Checked::SaturatingAdd(State.TotalRecv, State.LastRecv);
    State.TotalDuration = Checked::SaturatingAdd(State.TotalDuration, State.LastDuration);
}
