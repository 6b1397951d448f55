// The monitor window's share of each second: one sample written into it, one paint of its graph as the
// window configures it (109 twin bars on black), and one rendering of the whole window.
#include "trend/Trend.h"
#include "ui/mon.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <random>

namespace {

// A monitor window created as start-up creates it, where a first run puts it.
struct TMonitor {
    QMenu Menu;
    QAction* Show = Menu.addAction("Show Monitor...");
    QAction* Hide = Menu.addAction("Hide Monitor when Offline");
    QAction* Transparent = Menu.addAction("Transparent Monitor");
    TTrend MainTrend;
    TMonForm Form{TMonFormLinks{TMonPlacement{20, 300, 120}, &Menu, Show, Hide, Transparent, &MainTrend, nullptr}};

    TMonitor()
    {
        Form.FormCreate();
        std::minstd_rand random(7);
        std::uniform_int_distribution<int64_t> rate(0, 100);
        for (int i = 0; i < Form.Trend->Divisions(); ++i)
            Form.ShowSample(rate(random), rate(random), "00:01:00");
    }
};

void BM_PaintMonitorWindowTrend(benchmark::State& state)
{
    TMonitor monitor;
    for (auto _ : state)
        benchmark::DoNotOptimize(monitor.Form.Trend->Paint());
}
BENCHMARK(BM_PaintMonitorWindowTrend);

void BM_RenderMonitorWindow(benchmark::State& state)
{
    TMonitor monitor;
    QImage target(monitor.Form.size(), QImage::Format_RGB32);
    int64_t second = 0;
    for (auto _ : state) {
        monitor.Form.ShowSample(second % 97, second % 89, "00:01:00");
        ++second;
        QPainter painter(&target);
        monitor.Form.render(&painter);
    }
}
BENCHMARK(BM_RenderMonitorWindow);

// Writing a sample whose texts are the ones shown already: only the graph changes.
void BM_SampleWithUnchangedLabels(benchmark::State& state)
{
    TMonitor monitor;
    for (auto _ : state)
        monitor.Form.ShowSample(42, 7, "00:01:00");
}
BENCHMARK(BM_SampleWithUnchangedLabels);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
