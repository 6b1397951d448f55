// The synchronisation schedule over a scripted time client and a test timer; and the timer that carries
// intervals longer than a QTimer can hold.
#include "app/SyncSchedule.h"
#include "app/SyncTimer.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <optional>
#include <stdexcept>

namespace {

class TScriptedClient final : public ITimeClient {
public:
    bool IsIdle = true;
    int Synchronizations = 0;
    std::vector<std::string> ServersSet;
    std::optional<int32_t> ServerFailure;            // code of ENetClock raised by SetTimeServer
    std::function<void()> DuringSynchronize = [] {}; // may raise

    bool Idle() override { return IsIdle; }
    void SynchronizeClock() override
    {
        ++Synchronizations;
        DuringSynchronize();
    }
    void SetTimeServer(const std::string& server) override
    {
        ServersSet.push_back(server);
        if (ServerFailure) throw ENetClock(*ServerFailure, "[11001] Host not found");
    }
};

class TTestTimer final : public ISyncTimer {
public:
    uint32_t IntervalMs = 7200;
    bool IsEnabled = false;
    int Starts = 0;
    void SetInterval(uint32_t milliseconds) override { IntervalMs = milliseconds; }
    uint32_t Interval() const override { return IntervalMs; }
    void SetEnabled(bool enabled) override
    {
        Starts += enabled && !IsEnabled;
        IsEnabled = enabled;
    }
    bool Enabled() const override { return IsEnabled; }
};

class Schedule : public testing::Test {
protected:
    TScriptedClient Client;
    TTestTimer Timer;
    std::vector<int32_t> ErrorLines;
    TSyncSchedule Sync{Client, Timer, [this](int32_t code) { ErrorLines.push_back(code); }};
};

TEST_F(Schedule, IntervalSecondsBecomeMillisecondsWithinThirtyTwoBits)
{
    Sync.ApplyInterval(0);
    EXPECT_EQ(Timer.Interval(), 0u);
    Sync.ApplyInterval(7200);
    EXPECT_EQ(Timer.Interval(), 7'200'000u);
    Sync.ApplyInterval(4294967);
    EXPECT_EQ(Timer.Interval(), 4'294'967'000u);
    EXPECT_FALSE(Timer.Enabled()) << "applying the interval does not start the timer";

    for (const int64_t seconds : {int64_t{4294968}, int64_t{-1}, int64_t{9223372036854775}})
        EXPECT_THROW(Sync.ApplyInterval(seconds), ERangeError) << seconds;
    for (const int64_t seconds : {int64_t{9223372036854776}, INT64_MIN})
        EXPECT_THROW(Sync.ApplyInterval(seconds), EIntOverflow) << seconds;
    EXPECT_EQ(Timer.Interval(), 4'294'967'000u) << "a refused interval leaves the timer as it was";
    try {
        Sync.ApplyInterval(4294968);
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Range check error");
    }
}

TEST_F(Schedule, TheTimerFollowsTheConnectionOnlyWhileTheOptionIsChecked)
{
    Sync.ConnectionUp(false);
    EXPECT_FALSE(Timer.Enabled());
    Sync.ConnectionUp(true);
    EXPECT_TRUE(Timer.Enabled());
    Sync.ConnectionDown(false);
    EXPECT_TRUE(Timer.Enabled()) << "the stop rule looks at the option too";
    Sync.ConnectionDown(true);
    EXPECT_FALSE(Timer.Enabled());
    Sync.ConnectionUp(true);
    EXPECT_EQ(Timer.Starts, 2) << "each connection starts a full interval";
}

TEST_F(Schedule, ChangingTheOptionWhileConnectedTakesEffectAtOnce)
{
    Sync.OptionChanged(true, /*online=*/false);
    EXPECT_FALSE(Timer.Enabled()) << "offline: the next connection starts it";
    Sync.OptionChanged(true, /*online=*/true);
    EXPECT_TRUE(Timer.Enabled());
    Sync.OptionChanged(false, /*online=*/true);
    EXPECT_FALSE(Timer.Enabled());
}

TEST_F(Schedule, ATickSynchronisesOnlyWhenIdleAndDropsEveryFailure)
{
    Sync.TimerTick();
    EXPECT_EQ(Client.Synchronizations, 1);
    Client.IsIdle = false;
    Sync.TimerTick();
    EXPECT_EQ(Client.Synchronizations, 1) << "a tick inside a running synchronisation does nothing";
    Client.IsIdle = true;
    Client.DuringSynchronize = [] { throw ENetClock(301, "Interrupted."); };
    EXPECT_NO_THROW(Sync.TimerTick());
    Client.DuringSynchronize = [] { throw std::runtime_error("anything"); };
    EXPECT_NO_THROW(Sync.TimerTick());
    EXPECT_EQ(Client.Synchronizations, 3);
    EXPECT_TRUE(ErrorLines.empty()) << "a failed synchronisation is silent";
}

TEST_F(Schedule, AServerThatCannotBeSetAtStartUpIsLoggedOnceAndSetAgainBeforeEachSynchronisation)
{
    Client.ServerFailure = 11001;
    EXPECT_NO_THROW(Sync.ApplyServer("time.example"));
    EXPECT_EQ(ErrorLines, std::vector<int32_t>{11001});
    EXPECT_TRUE(Sync.ServerPending());

    Sync.TimerTick();
    Sync.TimerTick();
    EXPECT_EQ(Client.Synchronizations, 0) << "no server to ask";
    EXPECT_EQ(ErrorLines.size(), 1u) << "written to the log once";

    Client.ServerFailure.reset();
    Sync.TimerTick();
    EXPECT_EQ(Client.Synchronizations, 1);
    EXPECT_FALSE(Sync.ServerPending());
    Sync.TimerTick();
    EXPECT_EQ(Client.ServersSet,
              (std::vector<std::string>{"time.example", "time.example", "time.example", "time.example"}))
        << "once set, the address is kept";
    EXPECT_EQ(Client.Synchronizations, 2);
}

// Waits, serving events, until the condition holds or ten seconds have passed.
template <typename Condition> bool ServeEventsUntil(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return condition();
}

TEST_F(Schedule, WithSynchronisationOffTheServerIsNotLookedUpUntilTheFirstSynchronisation)
{
    Client.ServerFailure = 11001;
    Sync.ApplyServer("time.example", /*synchronizeTime=*/false);
    EXPECT_TRUE(Client.ServersSet.empty()) << "no lookup while the option is off";
    EXPECT_TRUE(ErrorLines.empty());

    Client.ServerFailure.reset();
    Sync.OptionChanged(true, /*online=*/true);
    Sync.TimerTick();
    EXPECT_EQ(Client.ServersSet, std::vector<std::string>{"time.example"});
    EXPECT_EQ(Client.Synchronizations, 1);
    EXPECT_FALSE(Sync.ServerPending());
}

TEST(SyncTimer, AnIntervalOfZeroNeverRunsAndALongOneIsWaitedForInPieces)
{
    QTimer timer;
    TSyncTimer sync(timer);
    sync.SetEnabled(true);
    EXPECT_TRUE(sync.Enabled());
    EXPECT_FALSE(timer.isActive()) << "interval 0 never fires";

    sync.SetInterval(4'294'967'000u);
    EXPECT_EQ(sync.Interval(), 4'294'967'000u);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), INT_MAX) << "the first piece, not a wrapped or cut interval";
    sync.SetEnabled(false);
    EXPECT_FALSE(timer.isActive());
}

TEST(SyncTimer, OneTimeoutPerFullIntervalAcrossItsPieces)
{
    QTimer timer;
    TSyncTimer sync(timer, /*longestPieceMs=*/20);
    int timeouts = 0;
    QObject::connect(&sync, &TSyncTimer::Timeout, [&] { ++timeouts; });
    sync.SetInterval(50);
    const auto start = std::chrono::steady_clock::now();
    sync.SetEnabled(true);
    EXPECT_EQ(timer.interval(), 20);
    ASSERT_TRUE(ServeEventsUntil([&] { return timeouts >= 2; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST(SyncTimer, EnablingARunningTimerDoesNotRestartIt)
{
    QTimer timer;
    TSyncTimer sync(timer);
    sync.SetInterval(10'000);
    sync.SetEnabled(true);
    ASSERT_TRUE(ServeEventsUntil([&] { return timer.remainingTime() < 9'990; }));
    sync.SetEnabled(true);
    EXPECT_LT(timer.remainingTime(), 9'990);
}

} // namespace
