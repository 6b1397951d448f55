// One paint of the main window's trend (238 twin bars) and of the monitor's (109), composed off screen,
// and one second of each as the running program paints it.
#include "trend/Trend.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

// Counts the allocations made through operator new, to show that a paint allocates nothing besides its
// image (whose pixels Qt takes with malloc).
static std::atomic<long> Allocations{0};

void* operator new(std::size_t size)
{
    ++Allocations;
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

void Fill(TTrend& trend, int64_t maximum)
{
    std::minstd_rand random(7);
    std::uniform_int_distribution<int64_t> value(0, maximum);
    for (int i = 0; i < trend.Divisions(); ++i) {
        trend.AddDataA(value(random));
        trend.AddDataB(value(random));
    }
}

void PaintLoop(benchmark::State& state, TTrend& trend)
{
    const long before = Allocations;
    for (auto _ : state)
        benchmark::DoNotOptimize(trend.Paint());
    state.counters["new_per_paint"] = double(Allocations - before) / double(state.iterations());
}

void BM_PaintMainTrend(benchmark::State& state)
{
    TTrend trend;
    trend.resize(240, 50);
    trend.SetMaxVal(7000);
    trend.SetDivisions(238);
    Fill(trend, 7000);
    PaintLoop(state, trend);
}
BENCHMARK(BM_PaintMainTrend);

void BM_PaintMonitorTrend(benchmark::State& state)
{
    TTrend trend;
    trend.resize(109, 20);
    trend.SetBorderWidth(0);
    trend.SetColor(Qt::black);
    trend.SetDivisions(109);
    Fill(trend, 100);
    PaintLoop(state, trend);
}
BENCHMARK(BM_PaintMonitorTrend);

// A second of the running program: each series gains a sample and the widget paints itself (through its
// paint event, as the window's repaint does), which moves the picture it showed last by one column.
void SecondLoop(benchmark::State& state, TTrend& trend, int64_t maximum)
{
    QImage target(trend.size(), QImage::Format_ARGB32_Premultiplied);
    std::minstd_rand random(9);
    std::uniform_int_distribution<int64_t> value(0, maximum);
    trend.render(&target);
    const long before = Allocations;
    for (auto _ : state) {
        trend.AddDataA(value(random));
        trend.AddDataB(value(random));
        trend.render(&target);
    }
    state.counters["new_per_second"] = double(Allocations - before) / double(state.iterations());
}

void BM_SecondOfMainTrend(benchmark::State& state)
{
    TTrend trend;
    trend.resize(240, 50);
    trend.SetMaxVal(7000);
    trend.SetDivisions(238);
    Fill(trend, 7000);
    SecondLoop(state, trend, 7000);
}
BENCHMARK(BM_SecondOfMainTrend);

void BM_SecondOfMonitorTrend(benchmark::State& state)
{
    TTrend trend;
    trend.resize(109, 20);
    trend.SetBorderWidth(0);
    trend.SetColor(Qt::black);
    trend.SetDivisions(109);
    Fill(trend, 100);
    SecondLoop(state, trend, 100);
}
BENCHMARK(BM_SecondOfMonitorTrend);

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
