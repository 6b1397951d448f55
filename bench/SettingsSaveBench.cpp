// The settings saves of the main window on a real registry file: the ten statistics of one connection and
// the 28 values written at shutdown, each value its own file update or all in one group; and the start-up
// load of a file holding one key 500 levels deep.
#include "platform/linux/FileRegistry.h"
#include "settings/MyReg.h"
#include "settings/RegBatch.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A folder of its own under the temporary directory, removed afterwards.
class TBenchFolder {
public:
    TBenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-bench-XXXXXX").string();
        Path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TBenchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
    std::string Path;
};

void WriteStats(TMyReg& reg, int64_t generation)
{
    reg.WriteTextValue("Stats", "LastOnLine", "Mon 07 Dec 2026 20:00:00");
    reg.WriteTextValue("Stats", "LastOffLine", "Mon 07 Dec 2026 21:00:00");
    reg.WriteTextValue("Stats", "LastConn", "eth0");
    reg.WriteInt64Value("Stats", "LastSpeed", 1000000000);
    reg.WriteInt64Value("Stats", "LastSent", generation);
    reg.WriteInt64Value("Stats", "LastRecv", generation * 3);
    reg.WriteInt64Value("Stats", "LastDuration", 3600);
    reg.WriteInt64Value("Stats", "TotalSent", generation * 10);
    reg.WriteInt64Value("Stats", "TotalRecv", generation * 30);
    reg.WriteInt64Value("Stats", "TotalDuration", generation * 3600);
}

// Shutdown: positions, the running connection, the nine options and the five numbers.
void WriteShutdown(TMyReg& reg, int64_t generation)
{
    reg.WriteIntValue("Position", "MainTop", 50);
    reg.WriteIntValue("Position", "MainLeft", 50);
    reg.WriteIntValue("Position", "MonTop", 20);
    reg.WriteIntValue("Position", "MonLeft", 300);
    WriteStats(reg, generation);
    for (const char* option : {"AlwaysOnTop", "MinimizeToTray", "StartMinimized", "LoadOnStartup", "SaveLog",
                               "SynchronizeTime", "ShowMonitor", "HideMonitor", "Transparent"})
        reg.WriteFlagValue("Option", option, generation % 2 == 0);
    reg.WriteInt64Value("Option", "MaxGraph", 25600);
    reg.WriteInt64Value("Option", "MinGraph", 0);
    reg.WriteTextValue("Option", "SynchronizeTimeServer", "pool.ntp.org");
    reg.WriteInt64Value("Option", "SynchronizeTimeInterval", 7200);
    reg.WriteInt64Value("Option", "MonAlpha", 120);
}

template <void (*Save)(TMyReg&, int64_t), bool Grouped> void BM_Save(benchmark::State& state)
{
    TBenchFolder folder;
    TFileRegistry registry(folder.Path + "/quorvel/registry.reg");
    TMyReg reg(registry);
    reg.SetRegKey("\\Software\\Velmar Software\\Quorvel\\");
    int64_t generation = 0;
    for (auto _ : state) {
        if constexpr (Grouped) {
            const TRegBatch batch(reg);
            Save(reg, ++generation);
        } else {
            Save(reg, ++generation);
        }
    }
}
BENCHMARK(BM_Save<WriteStats, false>)->Name("SaveStats/ungrouped")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save<WriteStats, true>)->Name("SaveStats/grouped")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save<WriteShutdown, false>)->Name("FormClose/ungrouped")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save<WriteShutdown, true>)->Name("FormClose/grouped")->Unit(benchmark::kMillisecond);

// A file holding a key the given number of levels deep, every ancestor its own section with its full path
// (the form earlier versions wrote), and the usual sections beside it.
std::string DeepFile(int levels)
{
    std::string text = "Windows Registry Editor Version 5.00\n";
    std::string path = "HKEY_CURRENT_USER\\Software\\Velmar Software\\Quorvel";
    text += "\n[" + path + "\\Stats]\n\"TotalSent\"=\"12\"\n";
    for (int level = 0; level < levels; ++level) {
        path += "\\Level" + std::to_string(level);
        text += "\n[" + path + "]\n";
    }
    text += "\"Deep\"=\"value\"\n";
    return text;
}

void BM_LoadDeepKey(benchmark::State& state)
{
    TBenchFolder folder;
    const std::string path = folder.Path + "/registry.reg";
    const std::string text = DeepFile(static_cast<int>(state.range(0)));
    std::ofstream(path, std::ios::binary) << text;
    for (auto _ : state) {
        TFileRegistry registry(path);
        benchmark::DoNotOptimize(registry.OpenKey("Software\\Velmar Software\\Quorvel\\Stats", false));
    }
    state.counters["file_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_LoadDeepKey)->Arg(100)->Arg(250)->Arg(500)->Unit(benchmark::kMillisecond);

} // namespace
