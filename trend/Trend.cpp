#include "Trend.h"

#include "TrendPainter.h"

#include "platform/Exceptions.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

namespace {
constexpr int InitialWidth = 185;
constexpr int InitialHeight = 41;

// The first and last places that adding the value changes; first > last when none does. Shifting moves each sample one
// place to the older end and puts the new value at the newest; a place changes only where its neighbour differs from
// it. An idle connection's flat graph changes nowhere.
std::pair<int32_t, int32_t> ChangedByShift(const std::vector<int64_t>& samples, int64_t value)
{
    const auto differ = std::not_equal_to<int64_t>();
    const auto firstEdge = std::adjacent_find(samples.begin(), samples.end(), differ);
    const bool newestChanges = samples.back() != value;
    if (firstEdge == samples.end() && !newestChanges) return {0, -1};
    const auto newest = static_cast<int32_t>(samples.size()) - 1;
    const auto first = static_cast<int32_t>(firstEdge - samples.begin());
    if (newestChanges) return {std::min(first, newest), newest};
    // The last place whose newer neighbour differs from it.
    const auto lastEdge = std::adjacent_find(samples.rbegin(), samples.rend(), differ);
    return {first, static_cast<int32_t>(samples.rend() - lastEdge) - 2};
}
} // namespace

TTrend::TTrend(QWidget* parent) : QWidget(parent)
{
    resize(InitialWidth, InitialHeight);
    DivisionCount = width();
    SamplesA.resize(DivisionCount);
    SamplesB.resize(DivisionCount);
    // A fresh control shows noise until its owner clears it.
    std::minstd_rand random(std::random_device{}());
    std::uniform_int_distribution<int64_t> noise(0, MaxValue - MinValue - 1);
    for (int32_t i = 0; i < DivisionCount; ++i) {
        SamplesA[i] = MinValue + noise(random);
        SamplesB[i] = MinValue + noise(random);
    }
    // The picture covers the whole control, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

template <typename T> void TTrend::Store(T& field, const T& value)
{
    if (field == value) return;
    field = value;
    Redraw();
}

void TTrend::SetMinVal(int64_t value) { Store(MinValue, value); }
void TTrend::SetMaxVal(int64_t value) { Store(MaxValue, value); }
void TTrend::SetOptions(TTrendOptions value) { Store(OptionSet, value); }
void TTrend::SetStyle(TTrendStyle value) { Store(DrawStyle, value); }
void TTrend::SetColorDataA(const QColor& value) { Store(ColorA, value); }
void TTrend::SetColorDataB(const QColor& value) { Store(ColorB, value); }
QColor TTrend::Color() const { return BackgroundRole ? palette().color(*BackgroundRole) : Background; }

void TTrend::SetColor(const QColor& value)
{
    if (!BackgroundRole && Background == value) return;
    BackgroundRole.reset();
    Background = value;
    Redraw();
}

// A palette colour is looked up at every paint, and a palette change repaints the widget, so the graph
// follows a new desktop theme like the window around it.
void TTrend::SetSystemColor(QPalette::ColorRole role) { Store(BackgroundRole, std::optional(role)); }
void TTrend::SetBorderWidth(int32_t value) { Store(Border, value); }

void TTrend::SetDivisions(int32_t value)
{
    value = std::max(value, 2);
    if (value == DivisionCount) return;
    DivisionCount = value;
    // Keeps the oldest samples; new places at the newest end start at 0.
    SamplesA.resize(DivisionCount, 0);
    SamplesB.resize(DivisionCount, 0);
    Redraw();
}

void TTrend::Redraw()
{
    ShownValid = false;
    update();
}

void TTrend::AddSample(std::vector<int64_t>& samples, int32_t& added, int64_t value)
{
    if (value > MaxValue) {
        value = MaxValue;
    } else if (value < MinValue) {
        value = MinValue;
    }
    const auto [first, last] = ChangedByShift(samples, value);
    std::move(samples.begin() + 1, samples.end(), samples.begin());
    samples.back() = value;
    // Beyond a whole graph of new samples nothing of the old picture is left to move.
    if (added < DivisionCount) ++added;
    if (first <= last) UpdateSamples(first, last);
}

// A bar stands in its own columns, so only the changed places' columns are shown again; the other styles
// join neighbouring samples and are shown whole. A column either side covers the rounding of the edges.
void TTrend::UpdateSamples(int32_t first, int32_t last)
{
    if (DrawStyle != tsBar) {
        update();
        return;
    }
    const double slot = double(width() - 2.0 * Border) / DivisionCount;
    const double left = std::floor(Border + first * slot) - 1;
    const double right = std::ceil(Border + (last + 1.0) * slot) + 1;
    const QRect columns(QPoint(int(std::clamp(left, 0.0, double(width()))), 0),
                        QPoint(int(std::clamp(right, 0.0, double(width()))), height() - 1));
    update(columns & rect());
}

void TTrend::AddDataA(int64_t value) { AddSample(SamplesA, AddedA, value); }
void TTrend::AddDataB(int64_t value) { AddSample(SamplesB, AddedB, value); }

void TTrend::ClearDataA()
{
    std::fill(SamplesA.begin(), SamplesA.end(), 0);
    Redraw();
}

void TTrend::ClearDataB()
{
    std::fill(SamplesB.begin(), SamplesB.end(), 0);
    Redraw();
}

TTrendView TTrend::View() const
{
    return {.DataA = SamplesA,
            .DataB = SamplesB,
            .MinVal = MinValue,
            .MaxVal = MaxValue,
            .Divisions = DivisionCount,
            .BorderWidth = Border,
            .Style = DrawStyle,
            .Twin = (OptionSet & toTwin) != 0,
            .ColorDataA = ColorA.rgb(),
            .ColorDataB = ColorB.rgb(),
            .Background = Color().rgb()};
}

QImage TTrend::Paint() const
{
    QImage image(size(), QImage::Format_RGB32);
    TTrendPainter(View(), image).Draw();
    return image;
}

void TTrend::Refresh()
{
    // A palette colour may have changed with the desktop's theme since the picture was drawn.
    const TTrendView view = View();
    const QRgb background = view.Background;
    const bool current = ShownValid && Shown.size() == size() && ShownBackground == background;
    if (!current || !TTrendPainter(view, Shown).Scroll(AddedA, AddedB)) {
        ShownValid = false;
        if (Shown.size() != size()) Shown = QImage(size(), QImage::Format_RGB32);
        TTrendPainter(view, Shown).Draw();
    }
    ShownValid = true;
    ShownBackground = background;
    AddedA = AddedB = 0;
}

void TTrend::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    try {
        Refresh();
        painter.drawImage(0, 0, Shown);
    } catch (const Exception&) {
        ShownValid = false; // a picture left half drawn is never moved on
        // Bounds that cannot be drawn (MaxVal equal to MinVal, say) would otherwise raise on every repaint,
        // once a second; the graph shows its background until the bounds are sound again.
        painter.fillRect(rect(), Color());
    }
}

void TTrend::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

void TTrend::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    emit MousePressed(event);
}
