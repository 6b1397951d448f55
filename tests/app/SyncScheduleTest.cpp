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
    std::vector<int32_t> Protocols;
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
    void SetProtocol(int32_t protocol) override { Protocols.push_back(protocol); }
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

// A resolver whose answers the test gives: at once, or held until the test lets them go.
class TScriptedResolver final : public IResolver {
public:
    std::vector<std::string> Asked;
    int32_t Failure = 0; // the error number every answer carries, 0 for none
    bool Hold = false;   // keep the answer back, as a name server that does not answer
    std::string Address = "192.0.2.10";

    void SetAnswerHandler(TAnswer handler) override { Handler = std::move(handler); }
    void Resolve(const std::string& name) override
    {
        Asked.push_back(name);
        Held = name;
        if (!Hold) Answer();
    }
    bool Busy() const override { return Held.has_value(); }
    void Answer()
    {
        const std::string name = *Held;
        Held.reset();
        Handler(name, Failure ? std::string() : Address, Failure);
    }

private:
    TAnswer Handler;
    std::optional<std::string> Held;
};

class Schedule : public testing::Test {
protected:
    TScriptedClient Client;
    TTestTimer Timer;
    TScriptedResolver Resolver;
    std::vector<int32_t> ErrorLines;
    TSyncSchedule Sync{Client, Timer, Resolver, [this](int32_t code) { ErrorLines.push_back(code); }};
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

TEST_F(Schedule, AServerThatCannotBeSetAtStartUpIsLoggedOnceAndLookedUpAgainBeforeEachSynchronisation)
{
    Resolver.Failure = 11001;
    EXPECT_NO_THROW(Sync.ApplyServer("time.example"));
    EXPECT_EQ(ErrorLines, std::vector<int32_t>{11001});
    EXPECT_TRUE(Sync.ServerPending());

    Sync.TimerTick();
    Sync.TimerTick();
    EXPECT_EQ(Client.Synchronizations, 0) << "no server to ask";
    EXPECT_EQ(ErrorLines.size(), 1u) << "written to the log once";
    EXPECT_EQ(Resolver.Asked.size(), 3u);

    Resolver.Failure = 0;
    Sync.TimerTick();
    EXPECT_EQ(Client.Synchronizations, 1);
    EXPECT_FALSE(Sync.ServerPending());
    Sync.TimerTick();
    EXPECT_EQ(Client.ServersSet, std::vector<std::string>{"192.0.2.10"}) << "the client gets the address";
    EXPECT_EQ(Resolver.Asked.size(), 4u) << "once set, the address is kept";
    EXPECT_EQ(Client.Synchronizations, 2);

    Client.ServerFailure = 10049; // an address the client refuses is reported like a name that did not resolve
    Sync.ApplyServer("0.0.0.0");
    EXPECT_EQ(ErrorLines, (std::vector<int32_t>{11001, 10049}));
    EXPECT_EQ(Resolver.Asked.size(), 4u) << "a dotted address needs no lookup";
}

TEST_F(Schedule, ANameServerThatNeverAnswersHoldsNothingAndOnlyItsNewestAnswerCounts)
{
    Resolver.Hold = true;
    Sync.ApplyServer("time.example");
    EXPECT_TRUE(Sync.ServerPending());
    Sync.TimerTick();
    Sync.TimerTick();
    EXPECT_EQ(Client.Synchronizations, 0) << "skipped while there is no address";
    EXPECT_EQ(Resolver.Asked.size(), 1u) << "one lookup at a time";
    EXPECT_TRUE(ErrorLines.empty()) << "waiting is not a failure";

    Sync.ApplyServer("pool.example"); // the user's newer choice while the old lookup still runs
    Resolver.Answer();                // the old name's answer arrives first and is not taken
    EXPECT_TRUE(Client.ServersSet.empty());
    Resolver.Hold = false;
    Sync.TimerTick();
    EXPECT_EQ(Resolver.Asked.back(), "pool.example");
    EXPECT_EQ(Client.ServersSet, std::vector<std::string>{"192.0.2.10"});
    EXPECT_EQ(Client.Synchronizations, 1);
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
    Sync.ApplyServer("time.example", /*synchronizeTime=*/false);
    EXPECT_TRUE(Resolver.Asked.empty()) << "no lookup while the option is off";
    EXPECT_TRUE(ErrorLines.empty());

    Sync.OptionChanged(true, /*online=*/true);
    Sync.TimerTick();
    EXPECT_EQ(Resolver.Asked, std::vector<std::string>{"time.example"});
    EXPECT_EQ(Client.ServersSet, std::vector<std::string>{"192.0.2.10"});
    EXPECT_EQ(Client.Synchronizations, 1);
    EXPECT_FALSE(Sync.ServerPending());
}

TEST_F(Schedule, TheStoredProtocolNameChoosesTheProtocolAndAnyOtherKeepsTheTimeProtocol)
{
    EXPECT_TRUE(Sync.ApplyProtocol("NTP"));
    EXPECT_TRUE(Sync.ApplyProtocol(" ntp "));
    EXPECT_TRUE(Sync.ApplyProtocol("RFC868"));
    EXPECT_FALSE(Sync.ApplyProtocol("SNTPv5"));
    EXPECT_EQ(Client.Protocols, (std::vector<int32_t>{NETCLOCK_PROTOCOL_NTP, NETCLOCK_PROTOCOL_NTP,
                                                      NETCLOCK_PROTOCOL_RFC868, NETCLOCK_PROTOCOL_RFC868}));
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
