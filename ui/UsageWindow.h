#pragma once

#include "UsageView.h"

#include <QRect>
#include <QWidget>

class QLabel;
class QTableWidget;
class TUsagePainter;

// The usage of the watched adapter (or of all): the last days as stacked bars of received (lime, below) and
// sent (red, above) bytes, the current billing period against the cap beside them, and the last billing
// periods in a table below. It only shows the view it is given; the program reads the usage file.
class TUsageWindow : public QWidget {
    Q_OBJECT
public:
    explicit TUsageWindow(QWidget* parent = nullptr);

    // Shows the view, and the window in front of the others.
    void Show(const TUsageView& view);
    // Shows the view without changing whether or where the window is shown.
    void SetView(const TUsageView& view);
    const TUsageView& View() const { return Shown; }

    // Where the window draws, in its own logical pixels.
    QRect ChartPlot() const;                     // the bars' area: the largest day fills its height
    QRect DaySlot(int day) const;                // a day's column over the plot (0 the oldest), where its tip appears
    QRect ShareBar() const { return ShareArea; } // empty without a cap

    QLabel* Caption = nullptr;
    QLabel* PeriodTitle = nullptr;
    QLabel* PeriodDates = nullptr;
    QLabel* PeriodTotal = nullptr;
    QLabel* CapLabel = nullptr;
    QLabel* ShareLabel = nullptr;
    QTableWidget* Periods = nullptr;

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* AddLabel(const char* name, bool bold);
    TUsagePainter Painter() const;
    void FillTable();
    // Places the parts for the window's size and the texts' heights.
    void Arrange();

    TUsageView Shown{};
    QRect ChartBox;
    QRect ShareArea;
};
