#include "StatisticsKeeper.h"

#include "ConnectionHistory.h"
#include "Formatting.h"
#include "MonitorState.h"
#include "TickOutcome.h"

#include "platform/Checked.h"
#include "platform/IClock.h"
#include "settings/MyReg.h"
#include "usage/UsageStore.h"

// One update of the store; when the outermost one ends, its outcome is known and a failure is reported.
class TStatisticsKeeper::TOneUpdate {
public:
    explicit TOneUpdate(TStatisticsKeeper& keeper) : Keeper(keeper)
    {
        ++Keeper.UpdateDepth;
        Keeper.Reg.BeginUpdate();
    }
    ~TOneUpdate()
    {
        Keeper.Reg.EndUpdate();
        if (--Keeper.UpdateDepth == 0) Keeper.StoreEnded();
    }
    TOneUpdate(const TOneUpdate&) = delete;
    TOneUpdate& operator=(const TOneUpdate&) = delete;

private:
    TStatisticsKeeper& Keeper;
};

TStatisticsKeeper::TStatisticsKeeper(TMyReg& reg, MonitorState& state, ITextFiles& files, IClock& clock,
                                     std::string programPath)
    : Reg(reg), State(state), Files(files), Clock(clock), ProgramPath(std::move(programPath))
{
}

void TStatisticsKeeper::StoreFinishedConnection(bool saveLog, const QString& clientIp)
{
    FlushUsage();
    StoreStats();
    if (saveLog) AppendHistory(clientIp);
}

// The finished connection replaces its checkpoint in the same update: a crash keeps the one or the other.
void TStatisticsKeeper::StoreStats()
{
    const TOneUpdate oneUpdate(*this);
    StoredSettings::SaveStats(Reg, State);
    if (LastCheckpointTick) StoredSettings::ClearCheckpoint(Reg);
    LastCheckpointTick.reset();
}

void TStatisticsKeeper::CheckpointRunningConnection(const QString& clientIp)
{
    const int64_t now = Clock.TickCount();
    if (LastCheckpointTick && now - *LastCheckpointTick < CheckpointIntervalMs) return;
    const StoredSettings::TCheckpoint checkpoint{State.LastOnLine,   Formatting::TimeStamp(Clock.Now()),
                                                 State.LastConn,     State.LastSpeed,
                                                 State.LastSent,     State.LastRecv,
                                                 State.LastDuration, clientIp};
    if (LastCheckpointTick && checkpoint.Sent == LastCheckpoint.Sent && checkpoint.Recv == LastCheckpoint.Recv &&
        checkpoint.Duration == LastCheckpoint.Duration)
        return;
    const TOneUpdate oneUpdate(*this);
    StoredSettings::SaveCheckpoint(Reg, checkpoint);
    LastCheckpointTick = now;
    LastCheckpoint = checkpoint;
}

QString TStatisticsKeeper::FinishInterruptedConnection(bool saveLog)
{
    const std::optional<StoredSettings::TCheckpoint> checkpoint = StoredSettings::LoadCheckpoint(Reg);
    if (!checkpoint) return {};
    State.LastOnLine = checkpoint->OnLine;
    State.LastOffLine = checkpoint->At;
    State.LastConn = checkpoint->Conn;
    State.LastSpeed = checkpoint->Speed;
    State.LastSent = checkpoint->Sent;
    State.LastRecv = checkpoint->Recv;
    State.LastDuration = checkpoint->Duration;
    State.TotalSent = Checked::SaturatingAdd(State.TotalSent, checkpoint->Sent);
    State.TotalRecv = Checked::SaturatingAdd(State.TotalRecv, checkpoint->Recv);
    State.TotalDuration = Checked::SaturatingAdd(State.TotalDuration, checkpoint->Duration);
    {
        const TOneUpdate oneUpdate(*this);
        StoredSettings::SaveStats(Reg, State);
        StoredSettings::ClearCheckpoint(Reg);
    }
    QString line = "Connection ended unseen: " + checkpoint->At;
    try {
        if (saveLog) AppendHistory(checkpoint->ClientIp);
    } catch (const std::exception& error) {
        line += " (" + QString::fromStdString(error.what()) + ")";
    }
    return line;
}

void TStatisticsKeeper::StoreConnectionEndingNow(bool saveLog, const QString& clientIp)
{
    State.LastOffLine = Formatting::TimeStamp(Clock.Now());
    StoreFinishedConnection(saveLog, clientIp);
}

void TStatisticsKeeper::ResetTotals()
{
    State.TotalSent = State.TotalRecv = State.TotalDuration = 0;
    const TOneUpdate oneUpdate(*this);
    StoredSettings::SaveTotals(Reg, State);
}

std::exception_ptr TStatisticsKeeper::StoreAtExit(const StoredSettings::TClosingValues& values, const QString& clientIp)
{
    FlushUsage();
    const TOneUpdate oneUpdate(*this); // shutdown is one rewrite: a crash keeps the old or the new generation
    StoredSettings::SavePositions(Reg, values);
    std::exception_ptr historyFailure;
    // The running connection is kept as the last one, with the totals including it.
    if (State.Online) {
        try {
            StoreConnectionEndingNow(values.Options[StoredSettings::SaveLog], clientIp);
        } catch (const std::exception&) {
            historyFailure = std::current_exception();
        }
    }
    StoredSettings::SaveOptionsAndNumbers(Reg, State, values);
    return historyFailure;
}

// A failure is told once, not at every checkpoint while the disk stays full; the values stay in memory and
// the store writes them again with the next update.
void TStatisticsKeeper::StoreEnded()
{
    const std::string problem = Reg.StoreProblem();
    if (!problem.empty() && problem != ReportedProblem && OnStoreProblem) OnStoreProblem(problem);
    ReportedProblem = problem;
}

void TStatisticsKeeper::AppendHistory(const QString& clientIp)
{
    ConnectionHistory::Append(Files, ConnectionHistory::HistoryPath(Files, ProgramPath),
                              ConnectionHistory::RecordLine(State, clientIp));
}

// Whole seconds go to the figures; the rest waits for the next sample, so that a day's time online is the
// connection's, not the sum of rounded seconds.
void TStatisticsKeeper::RecordUsage(const TUsageDelta& delta)
{
    if (!Usage) return;
    UsageMilliseconds = Checked::SaturatingAdd(UsageMilliseconds, std::max<int64_t>(0, delta.Milliseconds));
    const int64_t seconds = UsageMilliseconds / 1000;
    UsageMilliseconds %= 1000;
    Usage->AddTick(delta.Adapter, Clock.Now(), delta.Received, delta.Sent, seconds);
    if (Usage->NeedsFlush(Clock.TickCount())) Usage->Flush(Clock.TickCount());
}

void TStatisticsKeeper::FlushUsage()
{
    if (Usage && Usage->Pending()) Usage->Flush(Clock.TickCount());
}
