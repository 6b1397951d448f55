// What one status tick costs the main window's painting, offscreen: the value labels a sample changes are
// given new texts and the window's pending updates are painted, as the event loop does after a tick.
#include "app/Formatting.h"
#include "app/QorvixApplication.h"
#include "app/ValueLabel.h"
#include "app/main.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/PosixTextFiles.h"
#include "platform/linux/StdConsole.h"
#include "platform/qt/QtClipboard.h"
#include "trend/Trend.h"

#include <QEvent>
#include <QImage>
#include <QPaintEvent>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

// Counts the paint events the window's widgets receive and the pixels they cover, to show how much of the
// window a tick repaints (and sends to the display).
class TPaintCounter : public QObject {
public:
    long Paints = 0;
    long Pixels = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint) return false;
        ++Paints;
        for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
            Pixels += long(rect.width()) * rect.height();
        return false;
    }
};

class TBenchForm {
public:
    TBenchForm()
        : Form(TPlatformServices{Clock, Clipboard, IpHelper, Registry, TextFiles, "/tmp/qorvix-bench", Console})
    {
        Form.FormCreate();
        Form.TimerStatus->stop();
        Form.show();
        QApplication::processEvents();
        Form.installEventFilter(&Counter);
        for (QWidget* widget : Form.findChildren<QWidget*>())
            widget->installEventFilter(&Counter);
    }

    // The captions a sample writes: bytes, duration, rates and totals move on, the rest stays.
    void WriteTick(int64_t tick)
    {
        using namespace Formatting;
        Form.LabelSent->SetCaption(CountText(4'000'000 + tick * 1'234));
        Form.LabelRecv->SetCaption(CountText(90'000'000 + tick * 56'789));
        Form.LabelDuration->SetCaption(FormatDuration(3'600 + tick));
        Form.LabelUpSpeed->SetCaption(CountText(1'000 + tick % 300));
        Form.LabelDownSpeed->SetCaption(CountText(50'000 + tick % 7'000));
        Form.LabelTotalSent->SetCaption(CountText(80'000'000 + tick * 1'234));
        Form.LabelTotalRecv->SetCaption(CountText(900'000'000 + tick * 56'789));
        Form.LabelTotalDuration->SetCaption(FormatDuration(360'000 + tick));
    }

    TLinuxClock Clock;
    TQtClipboard Clipboard;
    TLinuxIpHelper IpHelper;
    TSilentConsole Console;
    TFileRegistry Registry{"/tmp/quorvel-bench-registry.reg"}; // only read: the form is never closed
    TPosixTextFiles TextFiles;
    TMainForm Form;
    TPaintCounter Counter;
};

void BM_TickOfChangedLabels(benchmark::State& state)
{
    TBenchForm bench;
    int64_t tick = 0;
    const long before = bench.Counter.Paints;
    for (auto _ : state) {
        bench.WriteTick(++tick);
        QApplication::processEvents();
    }
    state.counters["paints_per_tick"] = double(bench.Counter.Paints - before) / double(state.iterations());
}
BENCHMARK(BM_TickOfChangedLabels);

void BM_TickOfUnchangedLabels(benchmark::State& state)
{
    TBenchForm bench;
    bench.WriteTick(1);
    QApplication::processEvents();
    const long before = bench.Counter.Paints;
    for (auto _ : state) {
        bench.WriteTick(1);
        QApplication::processEvents();
    }
    state.counters["paints_per_tick"] = double(bench.Counter.Paints - before) / double(state.iterations());
}
BENCHMARK(BM_TickOfUnchangedLabels);

// A tick of an idle connection, the state the program spends most of its life in: the durations move on
// and the graph gains a zero sample in each series.
void BM_TickOfAnIdleConnection(benchmark::State& state)
{
    using Formatting::FormatDuration;
    TBenchForm bench;
    bench.Form.Trend->ClearDataA();
    bench.Form.Trend->ClearDataB();
    QApplication::processEvents();
    int64_t tick = 0;
    const long paints = bench.Counter.Paints;
    const long pixels = bench.Counter.Pixels;
    for (auto _ : state) {
        ++tick;
        bench.Form.LabelDuration->SetCaption(FormatDuration(3'600 + tick));
        bench.Form.LabelTotalDuration->SetCaption(FormatDuration(360'000 + tick));
        bench.Form.Trend->AddDataA(0);
        bench.Form.Trend->AddDataB(0);
        QApplication::processEvents();
    }
    state.counters["paints_per_tick"] = double(bench.Counter.Paints - paints) / double(state.iterations());
    state.counters["pixels_per_tick"] = double(bench.Counter.Pixels - pixels) / double(state.iterations());
}
BENCHMARK(BM_TickOfAnIdleConnection);

void BM_RenderWholeWindow(benchmark::State& state)
{
    TBenchForm bench;
    QImage image(bench.Form.size(), QImage::Format_RGB32);
    for (auto _ : state)
        bench.Form.render(&image);
}
BENCHMARK(BM_RenderWholeWindow);

} // namespace
