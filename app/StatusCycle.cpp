#include "StatusCycle.h"

#include "Formatting.h"

#include "platform/Checked.h"
#include "platform/IClock.h"

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

} // namespace

TStatusCycle::TStatusCycle(MonitorState& state, IIpHelper& ipHelper, IClock& clock)
    : State(state), IpHelper(ipHelper), Clock(clock)
{
}

TTickDecision TStatusCycle::Decide()
{
    TTickDecision decision;
    try {
        decision.Snapshot = IPFunctions::ScanAdapters(IpHelper);
    } catch (...) {
        return decision;
    }
    // An adapter without address is not a connection to start; a running one is still followed, so that it
    // ends when its link goes down instead of freezing.
    if (!State.Online && Entry(decision.Snapshot.ClientIps, 1) == NoAddress) return decision;
    if (decision.Snapshot.Index == 0) return decision;
    // Another adapter became the first one: the anchors belong to the old one, so its connection ends here.
    if (State.Online && decision.Snapshot.Index != OnlineIndex) {
        decision.Action = TTickAction::GoOffline;
        return decision;
    }
    try {
        decision.Sample = IPFunctions::QueryInterface(IpHelper, decision.Snapshot.Index);
    } catch (...) {
        return decision;
    }
    if (decision.Sample.Type != MIB_IF_TYPE_ETHERNET) return decision;
    if (decision.Sample.OperStatus == MIB_IF_OPER_STATUS_NON_OPERATIONAL) {
        if (State.Online) decision.Action = TTickAction::GoOffline;
    } else if (decision.Sample.OperStatus == MIB_IF_OPER_STATUS_OPERATIONAL) {
        decision.Action = State.Online ? TTickAction::TakeSample : TTickAction::GoOnline;
    }
    return decision;
}

void TStatusCycle::StartConnection(const TTickDecision& decision)
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
    State.TotalSent = Checked::Add(State.TotalSent, State.LastSent);
    State.TotalRecv = Checked::Add(State.TotalRecv, State.LastRecv);
    State.TotalDuration = Checked::Add(State.TotalDuration, State.LastDuration);
}
