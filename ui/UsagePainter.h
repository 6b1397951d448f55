#pragma once

#include "UsageView.h"

#include <QColor>
#include <QFontMetrics>
#include <QPalette>
#include <QRect>

class QPainter;

// Draws the usage window's chart of the days and its bar of the cap's share, in logical pixels on whole
// pixel edges: at any device pixel ratio every edge falls between device pixels, so nothing is blurred.
class TUsagePainter {
public:
    // The main graph's colours, so that a day's bar reads like the rates it adds up.
    static constexpr QColor ReceivedColor{0, 255, 0};
    static constexpr QColor SentColor{255, 0, 0};
    // The share bar's colour once the warning share is reached: red like an alert, whatever the theme.
    static constexpr QColor WarningColor{224, 27, 36};

    // chart is the chart's box in the window; the plot, the axis and its labels lie inside it.
    TUsagePainter(const TUsageView& view, const QPalette& palette, const QFontMetrics& metrics, const QRect& chart);

    // Where the bars stand: the largest day's bar fills its height.
    QRect Plot() const { return PlotArea; }
    // The column of a day (0 the oldest) over the plot's full height.
    QRect Slot(int day) const;
    // The day whose column holds the point, or -1.
    int DayAt(const QPoint& point) const;

    void DrawChart(QPainter& painter) const;
    // The cap's share of the current period's total, filling the bar from the left (full past the cap).
    void DrawShare(QPainter& painter, const QRect& bar) const;

private:
    int Height(int64_t amount, int available) const;
    void DrawDay(QPainter& painter, int day) const;
    void DrawLabels(QPainter& painter) const;

    const TUsageView& View;
    QPalette Palette;
    QFontMetrics Metrics;
    QRect Chart;
    QRect PlotArea;
    int64_t Largest = 0; // the scale's top: the largest day's total
};
