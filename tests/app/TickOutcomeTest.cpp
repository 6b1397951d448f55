#include "app/TickOutcome.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

// Writes down each step as it is carried out; the store can be made to fail like a history file that
// cannot be written.
class TStepRecorder final : public ITickTargets {
public:
    std::vector<std::string> Steps;
    bool HistoryFails = false;

    void StoreStatistics(const TTickOutcome&) override
    {
        Steps.push_back("store");
        if (HistoryFails) throw EInOutError(ENOSPC);
    }
    void CheckpointConnection(const QString&) override { Steps.push_back("checkpoint"); }
    void ShowDisplays(const TTickOutcome&) override { Steps.push_back("displays"); }
    void StepSyncTimer(TSyncStep step) override { Steps.push_back(step == TSyncStep::Start ? "sync on" : "sync off"); }
    void ApplyMonitor(TMonitorVisibility visibility, bool keepOnTop) override
    {
        Steps.push_back(visibility == TMonitorVisibility::Hide   ? "hide monitor"
                        : visibility == TMonitorVisibility::Show ? "show monitor"
                        : keepOnTop                              ? "monitor on top"
                                                                 : "monitor kept");
    }
    void AddLogLine(const QString& line) override { Steps.push_back("log " + line.toStdString()); }
    void WriteStatusLine(const std::string& line) override { Steps.push_back("status " + line); }
};

TTickOutcome Offline()
{
    TTickOutcome outcome;
    outcome.Transition = TTransition::Offline;
    outcome.StoreStatistics = true;
    outcome.Sync = TSyncStep::Stop;
    outcome.Monitor = TMonitorVisibility::Hide;
    outcome.LogLines = {"Offline: now"};
    return outcome;
}

TEST(TickOutcome, ATransitionStoresThenShowsThenStepsTheTimerThenTheMonitorAndLogsLast)
{
    TStepRecorder recorder;
    TickOutcome::Carry(Offline(), recorder);
    EXPECT_EQ(recorder.Steps,
              (std::vector<std::string>{"store", "displays", "sync off", "hide monitor", "log Offline: now"}));
}

TEST(TickOutcome, AFailedHistoryIsRaisedOnlyOnceTheTransitionIsComplete)
{
    TStepRecorder recorder;
    recorder.HistoryFails = true;
    EXPECT_THROW(TickOutcome::Carry(Offline(), recorder), EInOutError);
    EXPECT_EQ(recorder.Steps.back(), "log Offline: now") << "every step ran before the failure was reported";
}

TEST(TickOutcome, AQuietTickTouchesOnlyTheDisplaysAndASampleEndsWithItsStatusLine)
{
    TStepRecorder recorder;
    TickOutcome::Carry({}, recorder);
    EXPECT_EQ(recorder.Steps, std::vector<std::string>{"displays"}) << "nothing stored, stepped, moved or logged";

    recorder.Steps.clear();
    TTickOutcome sample;
    sample.KeepMonitorOnTop = true;
    sample.Checkpoint = true;
    sample.StatusLine = "Up 0 bytes/s";
    TickOutcome::Carry(sample, recorder);
    EXPECT_EQ(recorder.Steps,
              (std::vector<std::string>{"checkpoint", "displays", "monitor on top", "status Up 0 bytes/s"}));
}

} // namespace
