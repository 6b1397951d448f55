// The main window's own save handlers on a real registry file: SaveStats at the end of a connection and
// FormClose at exit while online (positions, the connection, options and numbers as one file update).
#include "app/main.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/PosixTextFiles.h"
#include "platform/linux/StdConsole.h"
#include "platform/qt/QtClipboard.h"

#include <QAction>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string BenchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-exit-bench-XXXXXX").string();
    return mkdtemp(pattern.data()) ? pattern : std::string("/tmp");
}

// A window whose connection is up, as the poll cycle leaves it, saving to a registry file of its own.
class TOnlineForm {
public:
    TOnlineForm()
        : Folder(BenchFolder()), Registry(Folder + "/quorvel/registry.reg"),
          Form(TPlatformServices{Clock, Clipboard, IpHelper, Registry, TextFiles, Folder + "/qorvix", Console})
    {
        Form.FormCreate();
        Form.TimerStatus->stop();
        Form.State.Online = true;
        Form.State.LastOnLine = "Mon 07 Dec 2026 20:00:00";
        Form.State.LastConn = "eth0";
        Form.State.LastSpeed = 1'000'000'000;
        Form.State.LastSent = 4'000'000;
        Form.State.LastRecv = 90'000'000;
        Form.State.LastDuration = 3600;
    }
    ~TOnlineForm()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Folder, ignored);
    }
    std::string Folder;
    TLinuxClock Clock;
    TQtClipboard Clipboard;
    TLinuxIpHelper IpHelper;
    TSilentConsole Console;
    TFileRegistry Registry;
    TPosixTextFiles TextFiles;
    TMainForm Form;
};

void BM_SaveStats(benchmark::State& state)
{
    TOnlineForm bench;
    for (auto _ : state)
        bench.Form.SaveStats();
}
BENCHMARK(BM_SaveStats)->Unit(benchmark::kMicrosecond);

void BM_FormCloseWhileOnline(benchmark::State& state)
{
    TOnlineForm bench;
    for (auto _ : state)
        bench.Form.FormClose();
}
BENCHMARK(BM_FormCloseWhileOnline)->Unit(benchmark::kMicrosecond);

} // namespace
