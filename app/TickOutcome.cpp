#include "TickOutcome.h"

#include "platform/Exceptions.h"

#include <exception>

void TickOutcome::Carry(const TTickOutcome& outcome, ITickTargets& targets)
{
    std::exception_ptr historyFailure;
    // Before a store at the end of a connection, which also writes the usage gathered.
    if (outcome.Usage) targets.RecordUsage(*outcome.Usage);
    if (outcome.StoreStatistics) {
        try {
            targets.StoreStatistics(outcome);
        } catch (const EInOutError&) {
            historyFailure = std::current_exception();
        }
    }
    if (outcome.Checkpoint) targets.CheckpointConnection(outcome.HistoryClientIp);
    targets.ShowDisplays(outcome);
    if (outcome.Sync != TSyncStep::None) targets.StepSyncTimer(outcome.Sync);
    if (outcome.Monitor != TMonitorVisibility::Keep || outcome.KeepMonitorOnTop)
        targets.ApplyMonitor(outcome.Monitor, outcome.KeepMonitorOnTop);
    for (const QString& line : outcome.LogLines)
        targets.AddLogLine(line);
    if (outcome.StatusLine) targets.WriteStatusLine(*outcome.StatusLine);
    if (historyFailure) std::rethrow_exception(historyFailure);
}
