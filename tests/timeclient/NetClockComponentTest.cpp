// The time client component over the real engine library on loopback, over a stand-in engine that
// lacks entry points and texts, and without any engine.
#include "timeclient/netclock.h"

#include "EnginePort.h"
#include "doubles/TempFolder.h"
#include "doubles/Unprivileged.h"
#include "engine/TimeServer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

namespace {

const std::string EngineFolder = QUORVEL_ENGINE_FOLDER;
const std::string FakeEngineFolder = QUORVEL_FAKE_ENGINE_FOLDER;
const std::string Unresolvable = std::string(70, 'q') + ".invalid";

// What the component must raise: its own class, with the code and the message "<code>: <text>".
template <typename Operation>::testing::AssertionResult RaisesNetClock(Operation operation, const std::string& message)
{
    try {
        operation();
    } catch (const ENetClock& error) {
        if (error.what() == message) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "message \"" << error.what() << "\"";
    } catch (const std::exception& error) {
        return ::testing::AssertionFailure() << "another exception: " << error.what();
    }
    return ::testing::AssertionFailure() << "nothing raised";
}

class WithoutEngine : public testing::Test {
protected:
    void TearDown() override { UnloadEngine(); }
};

TEST_F(WithoutEngine, CreationFailsWithMinusOneAndTheExactMessage)
{
    TTempFolder empty("netclock-none");
    EXPECT_FALSE(LoadEngine((empty.Path / "qorvix").string()));
    EXPECT_EQ(EngineModulePath(), "");
    try {
        TNetClock clock;
        FAIL() << "created without an engine";
    } catch (const ENetClock& error) {
        EXPECT_EQ(error.Code, -1);
        EXPECT_STREQ(error.what(), "-1: NetClock: Error creating component");
        EXPECT_NE(dynamic_cast<const ENetCore*>(&error), nullptr);
    }
}

TEST_F(WithoutEngine, TheEngineIsFoundBesideTheProgramAndInTheInstalledLibraryFolder)
{
    const std::string engine = EngineFolder + "/libquorvel_netclock.so";
    ASSERT_TRUE(LoadEngine(EngineFolder + "/qorvix"));
    EXPECT_EQ(EngineModulePath(), std::filesystem::path(engine).lexically_normal().string());
    UnloadEngine();
    EXPECT_EQ(EngineModulePath(), "");

    TTempFolder installed("netclock-installed");
    std::filesystem::create_directories(installed.Path / "bin");
    std::filesystem::create_directories(installed.Path / "lib" / "quorvel");
    std::filesystem::create_symlink(engine, installed.Path / "lib" / "quorvel" / "libquorvel_netclock.so");
    ASSERT_TRUE(LoadEngine((installed.Path / "bin" / "qorvix").string()));
    EXPECT_EQ(EngineModulePath(), (installed.Path / "lib" / "quorvel" / "libquorvel_netclock.so").string());
    TNetClock clock;
    EXPECT_EQ(clock.TimeServer(), TNetClock::DefaultTimeServer);
}

// The real engine, loaded as the program loads it; the component does not offer the time port, so the
// tests set it on the engine instance directly to reach their own server.
class Component : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadEngine(EngineFolder + "/qorvix")); }
    void TearDown() override { UnloadEngine(); }

    static void UseServer(TNetClock& clock, int port, int timeoutSeconds)
    {
        ASSERT_TRUE(SetEngineTimePort(clock, port));
        clock.SetTimeServer("127.0.0.1");
        clock.SetTimeout(timeoutSeconds);
    }
    static int ClosedPort()
    {
        TTestTimeServer closed({});
        return closed.Port();
    }
};

TEST_F(Component, CreatedWithItsDefaultsAndReadOnlyPropertiesIgnoreWrites)
{
    TNetClock clock;
    EXPECT_TRUE(clock.Idle());
    EXPECT_EQ(clock.Timeout(), 60);
    EXPECT_EQ(clock.TimeServer(), "129.6.15.28");
    EXPECT_EQ(clock.LocalTime(), "");
    EXPECT_EQ(clock.ServerTime(), "");
    clock.SetIdle(false);
    clock.SetLocalTime("01/01/2000 00:00:00");
    clock.SetServerTime("01/01/2000 00:00:00 GMT");
    EXPECT_TRUE(clock.Idle());
    EXPECT_EQ(clock.LocalTime(), "");
    EXPECT_EQ(clock.ServerTime(), "");
    clock.SetTimeout(30);
    EXPECT_EQ(clock.Timeout(), 30);
    clock.SetTimeServer("localhost");
    EXPECT_EQ(clock.TimeServer(), "127.0.0.1") << "a name is resolved when it is set";
}

TEST_F(Component, AFailedWriteRaisesTheEnginesTextAndLeavesTheComponentUsable)
{
    TNetClock clock;
    EXPECT_TRUE(RaisesNetClock([&] { clock.SetTimeServer(Unresolvable); }, "11001: [11001] Host not found"));
    EXPECT_EQ(clock.TimeServer(), "");
    EXPECT_EQ(clock.Timeout(), 60);
    clock.SetTimeServer("127.0.0.1");
    EXPECT_EQ(clock.TimeServer(), "127.0.0.1");
}

TEST_F(Component, SynchronizeAgainstALoopbackServer)
{
    // Unprivileged, so that the machine's clock is never set: a server telling the true time leaves the
    // clock alone and succeeds, one an hour off asks for a change that the system refuses.
    TTestTimeServer truthful({TTestTimeServer::Now});
    TTestTimeServer hourOff({TTestTimeServer::AnswerFor(std::time(nullptr) + 3600)});
    TNetClock clock;
    EXPECT_TRUE(RunUnprivileged([&] {
        if (geteuid() == 0) return false;
        UseServer(clock, truthful.Port(), 5);
        clock.SynchronizeClock();
        if (clock.ServerTime().size() != 23 || clock.LocalTime().size() != 19) return false;
        UseServer(clock, hourOff.Port(), 5);
        return RaisesNetClock([&] { clock.SynchronizeClock(); }, "119: Error setting system time [0x1].") &&
               clock.ServerTime().size() == 23 && clock.Idle();
    }));
    EXPECT_EQ(truthful.Requests(), 1);
    EXPECT_EQ(hourOff.Requests(), 1);
}

TEST_F(Component, AQueryLeavesTheClockAloneAndTellsTheOffsetAndRoundTrip)
{
    // Unprivileged: an exchange that tried to set the clock an hour ahead would fail with 119.
    TTestTimeServer hourOff({TTestTimeServer::AnswerFor(std::time(nullptr) + 3600)});
    TNetClock clock;
    EXPECT_TRUE(RunUnprivileged([&] {
        if (geteuid() == 0) return false;
        clock.SetTimePort(hourOff.Port());
        clock.SetTimeServer("127.0.0.1");
        clock.SetTimeout(5);
        if (clock.TimePort() != hourOff.Port()) return false;
        clock.QueryTime();
        return clock.OffsetNs() > 3'598'000'000'000 && clock.OffsetNs() <= 3'600'000'000'000 &&
               clock.RoundTripNs() > 0 && clock.RoundTripNs() < 5'000'000'000;
    }));
    EXPECT_EQ(hourOff.Requests(), 1);
}

struct TPumpRecord {
    TNetClock* Clock = nullptr;
    int Calls = 0;
    bool SawIdle = false;
};

int32_t RecordingPump(void* data)
{
    auto* record = static_cast<TPumpRecord*>(data);
    ++record->Calls;
    record->SawIdle = record->SawIdle || record->Clock->Idle();
    return 0;
}

TEST_F(Component, IdleIsFalseOnlyInsideTheExchangeAndASilentServerEndsInterrupted)
{
    TTestTimeServer silent({});
    TNetClock clock;
    UseServer(clock, silent.Port(), 1);
    TPumpRecord record{&clock};
    SetEngineEventPump(RecordingPump, &record);
    EXPECT_TRUE(RaisesNetClock([&] { clock.SynchronizeClock(); }, "301: Interrupted."));
    SetEngineEventPump(nullptr, nullptr);
    EXPECT_GT(record.Calls, 1) << "the program's events are served during the wait";
    EXPECT_FALSE(record.SawIdle);
    EXPECT_TRUE(clock.Idle());
    EXPECT_EQ(clock.ServerTime(), "");
}

TEST_F(Component, AnUnreachablePortReachesOnErrorAndIsDroppedWithoutAHandler)
{
    TNetClock clock;
    UseServer(clock, ClosedPort(), 1);
    std::vector<std::pair<int32_t, std::string>> errors;
    TNetClock* sender = nullptr;
    clock.OnError = [&](TNetClock& from, int32_t code, const std::string& description) {
        sender = &from;
        errors.emplace_back(code, description);
    };
    EXPECT_TRUE(RaisesNetClock([&] { clock.SynchronizeClock(); }, "301: Interrupted."));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, 10054);
    EXPECT_EQ(errors[0].second, "Destination unreachable (service unavailable?).");
    EXPECT_EQ(sender, &clock);

    clock.OnError = nullptr;
    EXPECT_TRUE(RaisesNetClock([&] { clock.SynchronizeClock(); }, "301: Interrupted."));
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(Component, AFailingErrorHandlerDoesNotUnwindThroughTheEngine)
{
    TNetClock clock;
    UseServer(clock, ClosedPort(), 1);
    clock.OnError = [](TNetClock&, int32_t, const std::string&) { throw std::runtime_error("handler failed"); };
    try {
        clock.SynchronizeClock();
        FAIL() << "the handler's failure was lost";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "handler failed");
    }
    EXPECT_TRUE(clock.Idle()) << "the exchange ran to its end";
    clock.OnError = nullptr;
    EXPECT_TRUE(RaisesNetClock([&] { clock.SynchronizeClock(); }, "301: Interrupted.")) << "nothing left pending";
}

// The stand-in engine: no NetClock_Get, no texts, and a Timeout write that fails with the value written.
class StandInEngine : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadEngine(FakeEngineFolder + "/qorvix")); }
    void TearDown() override { UnloadEngine(); }
};

TEST_F(StandInEngine, FailuresOfTheDefaultsAreSwallowedAndAbsentEntryPointsGiveEmptyValues)
{
    TNetClock clock; // its Timeout 60 fails with 60
    EXPECT_FALSE(clock.Idle());
    EXPECT_EQ(clock.Timeout(), 0);
    EXPECT_EQ(clock.TimeServer(), "");
    EXPECT_EQ(clock.LocalHost(), "");
}

TEST_F(StandInEngine, AFailureWithoutATextGivesTheCodeAndAColon)
{
    TNetClock clock;
    EXPECT_TRUE(RaisesNetClock([&] { clock.SetTimeout(301); }, "301: "));
    EXPECT_TRUE(RaisesNetClock([&] { clock.SynchronizeClock(); }, "301: "));
    try {
        clock.SetTimeout(-5);
    } catch (const ENetClock& error) {
        EXPECT_EQ(error.Code, -5);
        EXPECT_STREQ(error.what(), "-5: ");
    }
}

} // namespace
