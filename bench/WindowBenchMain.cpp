// The main() of the benchmarks that build the program's main window: offscreen, with the time client's
// engine library loaded from beside the program in the build folder, as the window cannot be built
// without it.
#include "app/QorvixApplication.h"
#include "timeclient/netclock.h"

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TQorvixApplication application(argc, argv);
    if (!LoadEngine(QUORVEL_ENGINE_FOLDER "/qorvix")) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UnloadEngine();
    return 0;
}
