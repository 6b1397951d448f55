// One SynchronizeClock through the time client component (engine loaded as the program loads it) against
// a loopback RFC 868 server that tells the true time, so the clock is left alone. The process gives up
// the privilege to set the clock first: a benchmark never changes the machine's time.
#include "timeclient/netclock.h"

#include "tests/timeclient/EnginePort.h"
#include "tests/timeclient/engine/TimeServer.h"

#include <linux/capability.h>
#include <sys/syscall.h>

#include <benchmark/benchmark.h>

namespace {

bool DropClockPrivilege()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    data[0].effective &= ~(1u << CAP_SYS_TIME);
    data[0].permitted &= ~(1u << CAP_SYS_TIME);
    data[0].inheritable &= ~(1u << CAP_SYS_TIME);
    return syscall(SYS_capset, &header, data) == 0;
}

void BM_SynchronizeClockThroughComponent(benchmark::State& state)
{
    if (!DropClockPrivilege()) return state.SkipWithError("could not give up the privilege to set the clock");
    if (!LoadEngine(QUORVEL_ENGINE_FOLDER "/qorvix")) return state.SkipWithError("no engine library");
    {
        TTestTimeServer server({TTestTimeServer::Now});
        TNetClock clock;
        if (!SetEngineTimePort(clock, server.Port())) return state.SkipWithError("engine without NetClock_Set");
        clock.SetTimeServer("127.0.0.1");
        try {
            for (auto _ : state) {
                clock.SynchronizeClock();
                benchmark::DoNotOptimize(clock.ServerTime());
            }
        } catch (const ENetClock& error) {
            state.SkipWithError(error.what());
        }
    }
    UnloadEngine();
}
BENCHMARK(BM_SynchronizeClockThroughComponent)->Unit(benchmark::kMicrosecond);

} // namespace
