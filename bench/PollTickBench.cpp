// One full tick of the main window while online, on the real backend and offscreen; and the poll cycle's
// tick alone under each adapter choice, over tables the benchmark makes, so that the choices compare on the
// same adapters whatever the machine has.
#include "app/StatusCycle.h"
#include "app/main.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/PosixTextFiles.h"
#include "platform/linux/StdConsole.h"
#include "platform/qt/QtClipboard.h"

#include "tests/doubles/FakeIpHelper.h"
#include "tests/doubles/PlatformDoubles.h"

#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

void BM_OnlineTick(benchmark::State& state)
{
    TLinuxClock clock;
    TQtClipboard clipboard;
    TLinuxIpHelper ipHelper;
    TSilentConsole console;
    TFileRegistry registry("/tmp/quorvel-bench-registry.reg"); // never written: the tick stays online
    TPosixTextFiles textFiles;
    TMainForm form(TPlatformServices{clock, clipboard, ipHelper, registry, textFiles, "/tmp/qorvix-bench", console});
    form.FormCreate();
    form.TimerStatus->stop();
    form.TimerStatusTimer();
    if (!form.State.Online) {
        state.SkipWithError("the first Ethernet adapter is not online");
        return;
    }
    for (auto _ : state)
        form.TimerStatusTimer();
}
BENCHMARK(BM_OnlineTick);

// Four physical adapters and a bridge, the second adapter carrying the default route.
void FourPhysicalAdapters(TFakeIpHelper& ipHelper)
{
    for (uint32_t index = 2; index <= 6; ++index) {
        const bool bridge = index == 6;
        const std::string name = bridge ? "br0" : "enp" + std::to_string(index) + "s0";
        TFakeAdapter adapter;
        adapter.Index = index;
        adapter.Description = bridge ? name : "Realtek PCIe GbE Family Controller";
        adapter.Name = name;
        adapter.Ips = {"192.168.1." + std::to_string(index)};
        adapter.Gateways = {"192.168.1.1"};
        adapter.Dhcp = {"192.168.1.1"};
        ipHelper.Adapters.push_back(adapter);
        ipHelper.Views.push_back({index,
                                  name,
                                  bridge ? TInterfaceKind::Bridge : TInterfaceKind::Ethernet,
                                  !bridge,
                                  true,
                                  {{adapter.Ips[0]}, {"fe80::" + std::to_string(index), true}}});
        ipHelper.Rows[index] = {index, MIB_IF_TYPE_ETHERNET, 1'000'000'000, MIB_IF_OPER_STATUS_OPERATIONAL, 0, 0};
    }
    ipHelper.DnsServers = {"192.168.1.1"};
    ipHelper.Routes = {{3, 100, false, "192.168.1.1"}, {3, 1024, true, "fe80::1"}};
}

void BM_CycleTick(benchmark::State& state, TAdapterChoice::TMode mode)
{
    TFakeIpHelper ipHelper;
    FourPhysicalAdapters(ipHelper);
    TFakeClock clock;
    MonitorState monitorState;
    TStatusCycle cycle(monitorState, ipHelper, clock);
    cycle.SetAdapterChoice({mode, {}});
    cycle.Tick({});
    if (!monitorState.Online) {
        state.SkipWithError("the cycle did not go online");
        return;
    }
    for (auto _ : state) {
        clock.Advance(1000);
        for (auto& [index, row] : ipHelper.Rows) {
            row.dwInOctets += 1500;
            row.dwOutOctets += 700;
        }
        benchmark::DoNotOptimize(cycle.Tick({}));
    }
    if (!monitorState.Online) state.SkipWithError("the cycle went offline");
}
BENCHMARK_CAPTURE(BM_CycleTick, FirstEthernet, TAdapterChoice::TMode::FirstEthernet);
BENCHMARK_CAPTURE(BM_CycleTick, DefaultRoute, TAdapterChoice::TMode::DefaultRoute);
BENCHMARK_CAPTURE(BM_CycleTick, AllPhysicalOfFour, TAdapterChoice::TMode::AllPhysical);

} // namespace
