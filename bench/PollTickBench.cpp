// One full tick of the main window while online, on the real backend and offscreen.
#include "app/main.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/PosixTextFiles.h"
#include "platform/linux/StdConsole.h"
#include "platform/qt/QtClipboard.h"

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

} // namespace
