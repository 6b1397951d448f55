#include "StatisticsKeeper.h"

#include "ConnectionHistory.h"
#include "Formatting.h"
#include "MonitorState.h"

#include "platform/IClock.h"
#include "settings/MyReg.h"
#include "settings/RegBatch.h"

TStatisticsKeeper::TStatisticsKeeper(TMyReg& reg, MonitorState& state, ITextFiles& files, IClock& clock,
                                     std::string programPath)
    : Reg(reg), State(state), Files(files), Clock(clock), ProgramPath(std::move(programPath))
{
}

void TStatisticsKeeper::StoreFinishedConnection(bool saveLog, const QString& clientIp)
{
    {
        const TRegBatch oneUpdate(Reg);
        StoredSettings::SaveStats(Reg, State);
    }
    if (saveLog) AppendHistory(clientIp);
}

void TStatisticsKeeper::StoreConnectionEndingNow(bool saveLog, const QString& clientIp)
{
    State.LastOffLine = Formatting::TimeStamp(Clock.Now());
    StoreFinishedConnection(saveLog, clientIp);
}

void TStatisticsKeeper::ResetTotals()
{
    State.TotalSent = State.TotalRecv = State.TotalDuration = 0;
    const TRegBatch oneUpdate(Reg);
    StoredSettings::SaveTotals(Reg, State);
}

std::exception_ptr TStatisticsKeeper::StoreAtExit(const StoredSettings::TClosingValues& values, const QString& clientIp)
{
    const TRegBatch oneUpdate(Reg); // shutdown is one rewrite: a crash keeps the old or the new generation
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

void TStatisticsKeeper::AppendHistory(const QString& clientIp)
{
    ConnectionHistory::Append(Files, ConnectionHistory::HistoryPath(Files, ProgramPath),
                              ConnectionHistory::RecordLine(State, clientIp));
}
