// The main window's scheduled synchronisation with the real engine on loopback: the component's set-up,
// the timer at the connection's transitions and at the menu, the status log lines of the time client,
// and the event pump that keeps the program running during an exchange.
#include "app/EnginePump.h"
#include "app/StatusLogView.h"
#include "app/SyncTimer.h"
#include "app/main.h"

#include "doubles/TestPlatform.h"
#include "timeclient/EnginePort.h"
#include "timeclient/engine/TimeServer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

namespace {

const std::string Unresolvable = std::string(70, 'q') + ".invalid"; // refused before any server is asked
const QString ErrorAtTestTime = "Sun 06 Dec 2026 17:00:00";         // the test clock's wall time

int ClosedPort()
{
    TTestTimeServer closed({});
    return closed.Port();
}

class SynchronizeTime : public testing::Test {
protected:
    TTestPlatform Platform;
    TMyReg Options{Platform.Registry};
    std::unique_ptr<TMainForm> Form;

    void SetUp() override
    {
        Options.SetRegKey("\\Software\\Velmar Software\\Quorvel\\");
        Options.WriteTextValue("Option", "SynchronizeTimeServer", "127.0.0.1");
        Options.WriteInt64Value("Option", "SynchronizeTimeInterval", 5);
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "eth0";
        adapter.Name = "eth0";
        adapter.Ips = {"192.168.1.20"};
        Platform.IpHelper.Adapters = {adapter};
        Platform.IpHelper.Row =
            MIB_IFROW{0, MIB_IF_TYPE_ETHERNET, 1'000'000'000, MIB_IF_OPER_STATUS_NON_OPERATIONAL, 0, 0};
    }
    void Create()
    {
        Form = std::make_unique<TMainForm>(Platform.Services());
        Form->FormCreate();
        Form->TimerStatus->stop();
    }
    void Connection(bool up)
    {
        Platform.IpHelper.Row.dwOperStatus = up ? MIB_IF_OPER_STATUS_OPERATIONAL : MIB_IF_OPER_STATUS_NON_OPERATIONAL;
        Platform.Clock.Advance(1000);
        Form->TimerStatusTimer();
        ASSERT_EQ(Form->State.Online, up);
    }
    void UseServerPort(int port)
    {
        ASSERT_TRUE(SetEngineTimePort(Form->NetClock, port));
        Form->NetClock.SetTimeout(1);
    }
    QString LastLogLine() const { return Form->Log->Line(Form->Log->Count() - 1); }
};

TEST_F(SynchronizeTime, TheComponentAndTheTimerAsTheWindowCreatesThem)
{
    TMainForm form(Platform.Services());
    EXPECT_EQ(form.NetClock.Timeout(), 30);
    EXPECT_EQ(form.NetClock.TimeServer(), "129.6.15.28");
    EXPECT_FALSE(form.SynchronizeTimer().Enabled());

    Create();
    EXPECT_EQ(Form->NetClock.TimeServer(), "129.6.15.28") << "with synchronisation off no server is looked up";
    EXPECT_EQ(Form->SynchronizeTimer().Interval(), 5000u);
    EXPECT_FALSE(Form->SynchronizeTimer().Enabled());
    EXPECT_FALSE(Form->TimerSynchronizeTime->isActive());

    Options.WriteFlagValue("Option", "SynchronizeTime", true);
    Create();
    EXPECT_EQ(Form->NetClock.TimeServer(), "127.0.0.1") << "the stored server, applied at start-up";
}

TEST_F(SynchronizeTime, WithoutTheEngineTheWindowIsNotCreated)
{
    const std::string engine = EngineModulePath();
    UnloadEngine();
    try {
        TMainForm form(Platform.Services());
        ADD_FAILURE() << "the window was built without its time client";
    } catch (const ENetClock& error) {
        EXPECT_EQ(error.Code, -1);
        EXPECT_STREQ(error.what(), "-1: NetClock: Error creating component");
    }
    ASSERT_TRUE(LoadEngine(engine));
}

TEST_F(SynchronizeTime, TheTimerRunsWhileConnectedWithTheOptionChecked)
{
    Options.WriteFlagValue("Option", "SynchronizeTime", true);
    Create();
    EXPECT_TRUE(Form->MenuSynchronizeTime->isChecked());
    Connection(true);
    EXPECT_TRUE(Form->SynchronizeTimer().Enabled());
    EXPECT_TRUE(Form->TimerSynchronizeTime->isActive());
    Connection(false);
    EXPECT_FALSE(Form->SynchronizeTimer().Enabled());
    Connection(true);
    EXPECT_TRUE(Form->SynchronizeTimer().Enabled());
}

TEST_F(SynchronizeTime, TheMenuSwitchesTheTimerAtOnceWhileConnected)
{
    Create();
    Form->MenuSynchronizeTime->trigger();
    EXPECT_TRUE(Form->MenuSynchronizeTime->isChecked());
    EXPECT_FALSE(Form->SynchronizeTimer().Enabled()) << "offline: it waits for the connection";
    Connection(true);
    EXPECT_TRUE(Form->SynchronizeTimer().Enabled());
    Form->MenuSynchronizeTime->trigger();
    EXPECT_FALSE(Form->MenuSynchronizeTime->isChecked());
    EXPECT_FALSE(Form->SynchronizeTimer().Enabled());
    Form->MenuSynchronizeTime->trigger();
    EXPECT_TRUE(Form->SynchronizeTimer().Enabled());
    Connection(false);
    EXPECT_FALSE(Form->SynchronizeTimer().Enabled());
}

TEST_F(SynchronizeTime, AClosedTimePortWritesOneErrorLinePerSynchronisation)
{
    Create();
    UseServerPort(ClosedPort());
    Form->TimerSynchronizeTimeTimer();
    EXPECT_EQ(LastLogLine(), "Error 10054: " + ErrorAtTestTime);
    Platform.Clock.Advance(5000);
    Form->TimerSynchronizeTimeTimer();
    ASSERT_GE(Form->Log->Count(), 2);
    EXPECT_EQ(Form->Log->Line(Form->Log->Count() - 2), "Error 10054: " + ErrorAtTestTime);
    EXPECT_EQ(LastLogLine(), "Error 10054: Sun 06 Dec 2026 17:00:05");
    EXPECT_EQ(Platform.Console.Lines.back(), "Error 10054: Sun 06 Dec 2026 17:00:05");
}

TEST_F(SynchronizeTime, AServerThatDoesNotAnswerWritesNoLine)
{
    Create();
    TTestTimeServer silent({});
    UseServerPort(silent.Port());
    const std::size_t lines = Platform.Console.Lines.size();
    Form->TimerSynchronizeTimeTimer();
    EXPECT_EQ(silent.Requests(), 1);
    EXPECT_EQ(Platform.Console.Lines.size(), lines);
}

TEST_F(SynchronizeTime, AnUnresolvableServerAtStartUpIsLoggedOnceAndStartUpGoesOn)
{
    Options.WriteTextValue("Option", "SynchronizeTimeServer", Unresolvable);
    Options.WriteFlagValue("Option", "SynchronizeTime", true);
    Form = std::make_unique<TMainForm>(Platform.Services());
    Form->FormCreate();
    EXPECT_TRUE(Form->TimerStatus->isActive()) << "the monitoring starts";
    EXPECT_EQ(Form->SynchronizeTimer().Interval(), 5000u) << "the interval is still applied";
    // The name is looked up away from the window; its answer arrives through the event loop.
    QDeadlineTimer deadline(10000);
    while (LastLogLine() != "Error 11001: " + ErrorAtTestTime && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(LastLogLine(), "Error 11001: " + ErrorAtTestTime);
    const std::size_t lines = Platform.Console.Lines.size();
    Form->TimerSynchronizeTimeTimer();
    EXPECT_EQ(Platform.Console.Lines.size(), lines) << "the retry before the synchronisation is silent";
}

// A stored interval the timer cannot hold is logged, the timer gets two hours, the monitoring starts, and
// the stored value goes back unchanged at exit.
struct TStoredInterval {
    int64_t Seconds;
    uint32_t TimerMs;
    const char* Logged; // nullptr: nothing logged
};

class StoredInterval : public SynchronizeTime, public testing::WithParamInterface<TStoredInterval> {};

TEST_P(StoredInterval, IsAppliedOrReplacedByTheDefaultAndWrittenBackAsStored)
{
    Options.WriteInt64Value("Option", "SynchronizeTimeInterval", GetParam().Seconds);
    Form = std::make_unique<TMainForm>(Platform.Services());
    Form->FormCreate();
    EXPECT_TRUE(Form->TimerStatus->isActive());
    EXPECT_EQ(Form->SynchronizeTimer().Interval(), GetParam().TimerMs);
    const bool logged = std::find(Platform.Console.Lines.begin(), Platform.Console.Lines.end(),
                                  GetParam().Logged ? GetParam().Logged : "") != Platform.Console.Lines.end();
    EXPECT_EQ(logged, GetParam().Logged != nullptr);
    EXPECT_EQ(Platform.Console.Lines.size(), GetParam().Logged ? 2u : 1u) << "the version line, then the problem";
    Form->FormClose();
    EXPECT_EQ(Options.ReadInt64Value("Option", "SynchronizeTimeInterval", -7), GetParam().Seconds);
}

INSTANTIATE_TEST_SUITE_P(Bounds, StoredInterval,
                         testing::Values(TStoredInterval{0, 0, nullptr},
                                         TStoredInterval{4294967, 4'294'967'000u, nullptr},
                                         TStoredInterval{4294968, 7'200'000u, "Range check error"},
                                         TStoredInterval{-1, 7'200'000u, "Range check error"},
                                         TStoredInterval{INT64_MAX / 100, 7'200'000u, "Integer overflow"}));

TMainForm* PumpedForm = nullptr;
int PumpCalls = 0;

int32_t TickingPump(void*)
{
    ++PumpCalls;
    PumpedForm->TimerSynchronizeTimeTimer(); // the timer's tick arriving during the exchange
    return 0;
}

TEST_F(SynchronizeTime, ATickDuringAnExchangeDoesNothing)
{
    Create();
    TTestTimeServer silent({});
    UseServerPort(silent.Port());
    PumpedForm = Form.get();
    PumpCalls = 0;
    SetEngineEventPump(TickingPump, nullptr);
    Form->TimerSynchronizeTimeTimer();
    SetEngineEventPump(nullptr, nullptr);
    EXPECT_GT(PumpCalls, 1);
    EXPECT_EQ(silent.Requests(), 1) << "no second exchange inside the first";
}

// The event pump the program hands to the engine.
class EnginePump : public testing::Test {
protected:
    TTestTimeServer Silent{{}};
    TNetClock Clock;

    void SetUp() override
    {
        ASSERT_TRUE(SetEngineTimePort(Clock, Silent.Port()));
        Clock.SetTimeServer("127.0.0.1");
    }
};

TEST_F(EnginePump, TimersRunDuringAnExchange)
{
    TEnginePump pump;
    Clock.SetTimeout(1);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    EXPECT_THROW(Clock.SynchronizeClock(), ENetClock);
    EXPECT_GE(ticks, 5) << "one second of a 20 ms timer";
    EXPECT_FALSE(pump.QuitRequested());
}

TEST_F(EnginePump, AQuitEndsTheWaitAndStillEndsTheProgramsLoop)
{
    TEnginePump pump;
    Clock.SetTimeout(20);
    std::string result = "not run";
    auto waited = std::chrono::steady_clock::duration{};
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(100, [] { QCoreApplication::quit(); });
        const auto start = std::chrono::steady_clock::now();
        try {
            Clock.SynchronizeClock();
            result = "succeeded";
        } catch (const ENetClock& error) {
            result = error.what();
        }
        waited = std::chrono::steady_clock::now() - start;
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    watchdog.start(30'000);
    EXPECT_EQ(QCoreApplication::exec(), 0) << "the loop ended by the quit, not by the watchdog";
    EXPECT_EQ(result, "301: Interrupted.");
    EXPECT_LT(waited, std::chrono::seconds(10)) << "the exchange waited for its 20 s time-out";
    EXPECT_TRUE(pump.QuitRequested());
}

} // namespace
