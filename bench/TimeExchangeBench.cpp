// One QueryTime exchange through the engine's C interface against a loopback RFC 868 server and one
// against a loopback NTP server, beside the round trip of a bare UDP request and answer to the RFC 868
// server.
#include "NetClock.h"

#include "tests/timeclient/engine/NtpServer.h"
#include "tests/timeclient/engine/TimeServer.h"

#include <benchmark/benchmark.h>

namespace {

const std::string Answer = TTestTimeServer::Bytes({0xEE, 0xC0, 0x13, 0x10});

void BM_QueryTimeExchange(benchmark::State& state)
{
    TTestTimeServer server({Answer});
    const std::string host = "127.0.0.1";
    for (auto _ : state) {
        const intptr_t clock = NetClock_Create(nullptr, nullptr, nullptr);
        NetClock_Set(clock, NETCLOCK_PROP_TIMESERVER, 0, reinterpret_cast<intptr_t>(host.c_str()), 0);
        NetClock_Set(clock, NETCLOCK_PROP_TIMEPORT, 0, server.Port(), 0);
        if (NetClock_Do(clock, NETCLOCK_METHOD_QUERYTIME, 0, nullptr, nullptr) != 0) state.SkipWithError("no answer");
        benchmark::DoNotOptimize(NetClock_Get(clock, NETCLOCK_PROP_SERVERTIME, 0, 0));
        benchmark::DoNotOptimize(NetClock_Get(clock, NETCLOCK_PROP_LOCALTIME, 0, 0));
        NetClock_Destroy(clock);
    }
}
BENCHMARK(BM_QueryTimeExchange)->Unit(benchmark::kMicrosecond);

// The same with NTP: a 48-byte request with a fresh nonce, the reply's checks and the offset arithmetic.
void BM_NtpQueryTimeExchange(benchmark::State& state)
{
    TTestNtpServer server({TTestNtpServer::TAnswer{}});
    const std::string host = "127.0.0.1";
    for (auto _ : state) {
        const intptr_t clock = NetClock_Create(nullptr, nullptr, nullptr);
        NetClock_Set(clock, NETCLOCK_PROP_PROTOCOL, 0, NETCLOCK_PROTOCOL_NTP, 0);
        NetClock_Set(clock, NETCLOCK_PROP_TIMESERVER, 0, reinterpret_cast<intptr_t>(host.c_str()), 0);
        NetClock_Set(clock, NETCLOCK_PROP_TIMEPORT, 0, server.Port(), 0);
        if (NetClock_Do(clock, NETCLOCK_METHOD_QUERYTIME, 0, nullptr, nullptr) != 0) state.SkipWithError("no answer");
        benchmark::DoNotOptimize(NetClock_Get(clock, NETCLOCK_PROP_SERVERTIME, 0, 0));
        benchmark::DoNotOptimize(NetClock_Get(clock, NETCLOCK_PROP_LOCALTIME, 0, 0));
        NetClock_Destroy(clock);
    }
}
BENCHMARK(BM_NtpQueryTimeExchange)->Unit(benchmark::kMicrosecond);

void BM_BareUdpRoundTrip(benchmark::State& state)
{
    TTestTimeServer server({Answer});
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(server.Port()));
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target);
    char answer[16];
    for (auto _ : state) {
        send(fd, "time?", 5, 0);
        benchmark::DoNotOptimize(recv(fd, answer, sizeof answer, 0));
    }
    close(fd);
}
BENCHMARK(BM_BareUdpRoundTrip)->Unit(benchmark::kMicrosecond);

} // namespace
