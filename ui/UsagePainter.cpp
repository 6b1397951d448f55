#include "UsagePainter.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int Padding = 6;
constexpr int LabelGap = 2;

// The frame drawn as four filled strips rather than a pen's outline, whose half-pixel centre line a
// fractional device pixel ratio would smear over two device pixels.
void Frame(QPainter& painter, const QRect& box, const QColor& colour)
{
    painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), colour);
    painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), colour);
    painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), colour);
    painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), colour);
}

// The text colour faded towards the base, for the axis: visible on light and dark themes alike.
QColor Faded(const QPalette& palette, int alpha)
{
    QColor colour = palette.color(QPalette::Text);
    colour.setAlpha(alpha);
    return colour;
}

} // namespace

TUsagePainter::TUsagePainter(const TUsageView& view, const QPalette& palette, const QFontMetrics& metrics,
                             const QRect& chart)
    : View(view), Palette(palette), Metrics(metrics), Chart(chart)
{
    const int label = Metrics.height();
    // A row for the scale's value above the plot, the axis line and a row for the dates below it.
    PlotArea = QRect(QPoint(Chart.left() + Padding, Chart.top() + Padding + label + LabelGap),
                     QPoint(Chart.right() - Padding, Chart.bottom() - Padding - label - LabelGap - 1));
    for (const TUsageDay& day : View.Days)
        Largest = std::max(Largest, UsageView::Total(day.Figures));
}

QRect TUsagePainter::Slot(int day) const
{
    const int count = static_cast<int>(View.Days.size());
    if (day < 0 || day >= count) return {};
    const int left = PlotArea.left() + day * PlotArea.width() / count;
    const int right = PlotArea.left() + (day + 1) * PlotArea.width() / count;
    return QRect(left, PlotArea.top(), right - left, PlotArea.height());
}

int TUsagePainter::DayAt(const QPoint& point) const
{
    for (int day = 0; day < static_cast<int>(View.Days.size()); ++day) {
        if (Slot(day).contains(point)) return day;
    }
    return -1;
}

// The pixels of an amount on the scale of the largest day, rounded to the nearest.
int TUsagePainter::Height(int64_t amount, int available) const
{
    if (Largest <= 0 || amount <= 0) return 0;
    const __int128 scaled = (static_cast<__int128>(amount) * available + Largest / 2) / Largest;
    return static_cast<int>(std::min<__int128>(scaled, available));
}

void TUsagePainter::DrawDay(QPainter& painter, int day) const
{
    const TUsageFigures& figures = View.Days[static_cast<std::size_t>(day)].Figures;
    const int64_t total = UsageView::Total(figures);
    if (total <= 0) return;
    // A day with any traffic keeps at least a pixel, so that it does not read as a day offline.
    const int height = std::max(Height(total, PlotArea.height()), 1);
    const int64_t received = std::max<int64_t>(figures.Received, 0);
    int lower = static_cast<int>((static_cast<__int128>(received) * height + total / 2) / total);
    // Both ways keep a pixel of their own where there is room for two.
    if (received > 0 && figures.Sent > 0 && height >= 2) lower = std::clamp(lower, 1, height - 1);

    const QRect slot = Slot(day);
    const int gap = slot.width() >= 4 ? std::max(slot.width() / 4, 1) : 0;
    const int left = slot.left() + gap / 2;
    const int width = slot.width() - gap;
    const int base = PlotArea.bottom() + 1;
    painter.fillRect(QRect(left, base - lower, width, lower), ReceivedColor);
    painter.fillRect(QRect(left, base - height, width, height - lower), SentColor);
}

void TUsagePainter::DrawLabels(QPainter& painter) const
{
    painter.setPen(Palette.color(QPalette::Text));
    const int label = Metrics.height();
    const QRect top(PlotArea.left(), Chart.top() + Padding, PlotArea.width(), label);
    painter.drawText(top, Qt::AlignLeft | Qt::AlignVCenter, UsageView::Amount(Largest, View.Units));
    if (View.Days.empty()) return;
    const QRect bottom(PlotArea.left(), PlotArea.bottom() + 2 + LabelGap, PlotArea.width(), label);
    painter.drawText(bottom, Qt::AlignLeft | Qt::AlignVCenter, UsageView::DateText(View.Days.front().Date));
    painter.drawText(bottom, Qt::AlignRight | Qt::AlignVCenter, UsageView::DateText(View.Days.back().Date));
}

void TUsagePainter::DrawChart(QPainter& painter) const
{
    painter.fillRect(Chart, Palette.color(QPalette::Base));
    Frame(painter, Chart, Palette.color(QPalette::Mid));
    // The line the scale's value stands for, faint behind the bars, and the axis below them.
    painter.fillRect(QRect(PlotArea.left(), PlotArea.top(), PlotArea.width(), 1), Faded(Palette, 48));
    for (int day = 0; day < static_cast<int>(View.Days.size()); ++day)
        DrawDay(painter, day);
    painter.fillRect(QRect(PlotArea.left(), PlotArea.bottom() + 1, PlotArea.width(), 1), Faded(Palette, 160));
    DrawLabels(painter);
}

void TUsagePainter::DrawShare(QPainter& painter, const QRect& bar) const
{
    const int64_t cap = View.Billing.DataCap;
    if (cap <= 0 || bar.isEmpty()) return;
    painter.fillRect(bar, Palette.color(QPalette::Base));
    Frame(painter, bar, Palette.color(QPalette::Mid));
    const QRect inside = bar.adjusted(1, 1, -1, -1);
    const int64_t used = UsageView::Total(View.Current.Figures);
    const __int128 filled = static_cast<__int128>(used) * inside.width() / cap;
    const int width = static_cast<int>(std::min<__int128>(filled, inside.width()));
    const QColor colour =
        BillingPeriod::WarningReached(used, View.Billing) ? WarningColor : Palette.color(QPalette::Highlight);
    painter.fillRect(QRect(inside.left(), inside.top(), width, inside.height()), colour);
}
