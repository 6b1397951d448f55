#include "ui/UsageWindow.h"

#include "doubles/QtPrinters.h"
#include "usage/LocalDay.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

constexpr year_month_day Today = 2025y / March / 30d;
const QColor Lime(0, 255, 0);
const QColor Red(255, 0, 0);

TUsageRow Row(year_month_day date, const std::string& adapter, int64_t received, int64_t sent, int64_t seconds = 0)
{
    return {LocalDay::Text(date), adapter, {received, sent, seconds}};
}

year_month_day DaysAgo(int count) { return year_month_day(sys_days(Today) - days(count)); }

// A day's bar in the middle column of its slot: the pixels of each colour, received from the bottom up and
// sent above them with nothing between.
struct TBarPixels {
    int Received = 0;
    int Sent = 0;
};

TBarPixels BarPixels(const QImage& shot, const QRect& slot)
{
    TBarPixels bar;
    const int x = slot.center().x();
    int y = slot.bottom();
    for (; y >= slot.top() && shot.pixelColor(x, y) == Lime; --y)
        ++bar.Received;
    for (; y >= slot.top() && shot.pixelColor(x, y) == Red; --y)
        ++bar.Sent;
    return bar;
}

int Lightest(const QImage& shot, const QRect& area)
{
    int lightest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            lightest = std::max(lightest, shot.pixelColor(x, y).lightness());
    return lightest;
}

// The application's palette, as a desktop theme sets it, for one test.
class TPaletteChange {
public:
    explicit TPaletteChange(const QPalette& palette) { QApplication::setPalette(palette); }
    ~TPaletteChange() { QApplication::setPalette(Original); }

private:
    QPalette Original = QApplication::palette();
};

class UsageWindow : public testing::Test {
protected:
    TUsageWindow Window;
    BillingPeriod::TSettings Billing;

    void Show(const std::vector<TUsageRow>& days, const std::vector<TUsageRow>& periods,
              Units::TUnits units = Units::TUnits::IEC)
    {
        Window.Show(UsageView::Of("All adapters", days, periods, Billing, Today, units));
    }

    QImage Grab() { return Window.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // The current period's total, as the periods' rows give it.
    void ShowCurrentTotal(int64_t received, int64_t sent)
    {
        const auto first = BillingPeriod::Containing(Today, Billing.BillingDay).First;
        Show({}, {Row(first, "eth0", received, sent)});
    }
};

TEST_F(UsageWindow, TheLargestDayFillsTheChartAndEachBarIsSplitInItsFiguresRatio)
{
    Show({Row(Today, "eth0", 600, 200), Row(Today, "wlan0", 200, 0), Row(DaysAgo(10), "eth0", 375, 125),
          Row(DaysAgo(40), "eth0", 5000, 5000)},
         {});
    ASSERT_EQ(Window.View().Days.size(), 30u);
    const QImage shot = Grab();
    const QRect plot = Window.ChartPlot();
    const int height = plot.height();

    const TBarPixels today = BarPixels(shot, Window.DaySlot(29));
    EXPECT_EQ(today.Received + today.Sent, height) << "the largest day, the adapters added up, reaches the top";
    EXPECT_NEAR(today.Received, 0.8 * height, 1.0);
    EXPECT_NE(shot.pixelColor(Window.DaySlot(29).center().x(), plot.top() - 1), Red) << "and not beyond it";

    const TBarPixels earlier = BarPixels(shot, Window.DaySlot(19));
    EXPECT_NEAR(earlier.Received + earlier.Sent, 0.5 * height, 1.0);
    EXPECT_NEAR(earlier.Received, 0.375 * height, 1.0);

    const TBarPixels missing = BarPixels(shot, Window.DaySlot(26));
    EXPECT_EQ(missing.Received + missing.Sent, 0) << "a day without figures is an empty slot";
}

TEST_F(UsageWindow, ADaysTipShowsItsExactFiguresInTheChosenUnits)
{
    Show({Row(DaysAgo(1), "eth0", 1'500'000'000, 250'000'000, 3723), Row(DaysAgo(1), "wlan0", 500'000'000, 0, 60),
          Row(Today, "eth0", 10, 10)},
         {}, Units::TUnits::SI);
    auto hover = [&](const QPoint& at) {
        QHelpEvent help(QEvent::ToolTip, at, Window.mapToGlobal(at));
        QApplication::sendEvent(&Window, &help);
    };

    hover(Window.DaySlot(28).center());
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 5000));
    EXPECT_EQ(QToolTip::text().toStdString(),
              "2025-03-29\nReceived: 2.00 GB\nSent: 250.00 MB\nTotal: 2.25 GB\nOnline: 01:03:03");

    hover(Window.DaySlot(0).center());
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::text().startsWith("2025-03-01"); }, 5000));
    EXPECT_EQ(QToolTip::text().toStdString(), "2025-03-01\nReceived: 0 B\nSent: 0 B\nTotal: 0 B\nOnline: 00:00:00");

    hover(Window.PeriodTotal->geometry().center());
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000)) << "no tip away from the bars";
}

TEST_F(UsageWindow, TheShareBarFillsToTheShareAndTurnsRedAtTheWarning)
{
    Billing.DataCap = 10'000'000'000;
    Billing.CapWarnPercent = 80;
    const QColor highlight = Window.palette().color(QPalette::Highlight);
    for (const int percent : {50, 90}) {
        // Received and sent both count towards the cap.
        ShowCurrentTotal(int64_t{percent} * 80'000'000, int64_t{percent} * 20'000'000);
        EXPECT_EQ(Window.CapLabel->text(), "Cap: 9.31 GiB");
        EXPECT_EQ(Window.ShareLabel->text(), QString("%1.0% used, warning at 80%").arg(percent));
        const QImage shot = Grab();
        const QRect bar = Window.ShareBar();
        ASSERT_FALSE(bar.isEmpty());
        const auto at = [&](int share) {
            return shot.pixelColor(bar.left() + bar.width() * share / 100, bar.center().y());
        };
        const QColor filled = at(percent - 5);
        if (percent < 80) {
            EXPECT_EQ(filled, highlight);
        } else {
            EXPECT_NE(filled, highlight);
            EXPECT_GT(filled.red(), 2 * std::max(filled.green(), filled.blue())) << "a warning red";
        }
        EXPECT_EQ(at(percent + 5), Window.palette().color(QPalette::Base)) << percent;
    }

    Billing.DataCap = 0;
    ShowCurrentTotal(4'000'000'000, 0);
    EXPECT_EQ(Window.CapLabel->text(), "No data cap");
    EXPECT_FALSE(Window.ShareLabel->isVisible());
    const QImage shot = Grab();
    const QRect panel(Window.CapLabel->x(), Window.CapLabel->y(), Window.CapLabel->width(),
                      Window.Periods->y() - Window.CapLabel->y());
    for (int y = panel.top(); y <= panel.bottom(); ++y)
        for (int x = panel.left(); x <= panel.right(); ++x)
            ASSERT_NE(shot.pixelColor(x, y), highlight) << "no share bar without a cap, at " << x << "," << y;
}

TEST_F(UsageWindow, TheTableListsTwelvePeriodsNewestFirstWithTheAdaptersAddedUp)
{
    Billing.BillingDay = 15;
    Show({}, {Row(2025y / March / 15d, "eth0", 1024, 0), Row(2025y / January / 15d, "eth0", 2048, 1024),
              Row(2025y / January / 15d, "wlan0", 1024, 1024), Row(2024y / March / 15d, "eth0", 9999, 9999)});
    const QTableWidget& table = *Window.Periods;
    ASSERT_EQ(table.rowCount(), 12);
    EXPECT_EQ(table.item(0, 0)->text(), "2025-03-15 to 2025-04-14") << "the current period first";
    EXPECT_EQ(table.item(2, 0)->text(), "2025-01-15 to 2025-02-14");
    EXPECT_EQ(table.item(11, 0)->text(), "2024-04-15 to 2024-05-14") << "a year back, the oldest last";
    EXPECT_EQ(table.item(2, 1)->text(), "3.00 KiB");
    EXPECT_EQ(table.item(2, 3)->text(), "5.00 KiB");
    EXPECT_EQ(table.item(1, 3)->text(), "0 B") << "a period without figures";
    for (int row = 1; row < 12; ++row)
        EXPECT_LT(table.item(row, 0)->text(), table.item(row - 1, 0)->text()) << row;
    EXPECT_EQ(table.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(Window.PeriodTotal->text(), "Total: 1.00 KiB");
}

TEST_F(UsageWindow, ADarkDesktopPaletteGivesDarkBackgroundsAndLightText)
{
    QPalette dark;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button})
        dark.setColor(role, QColor(30, 30, 34));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(235, 235, 235));
    dark.setColor(QPalette::Mid, QColor(90, 90, 90));
    Show({Row(Today, "eth0", 100, 100)}, {});
    // The desktop's theme changes while the window is open.
    const TPaletteChange change(dark);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Window.palette().color(QPalette::Base) == dark.color(QPalette::Base); }, 5000));
    const QImage shot = Grab();

    EXPECT_LT(shot.pixelColor(1, 1).lightness(), 60) << "window";
    const QRect plot = Window.ChartPlot();
    EXPECT_LT(shot.pixelColor(Window.DaySlot(5).center().x(), plot.center().y()).lightness(), 60) << "chart";
    const QWidget& cells = *Window.Periods->viewport();
    for (int row : {0, 1}) {
        // The amounts stand at the right of their cells; the left of a cell is the table's background.
        const QRect amount = Window.Periods->visualItemRect(Window.Periods->item(row, 1));
        const QPoint empty = cells.mapTo(&Window, QPoint(amount.left() + 2, amount.center().y()));
        ASSERT_TRUE(shot.rect().contains(empty));
        EXPECT_LT(shot.pixelColor(empty).lightness(), 60) << "table row " << row;
    }

    EXPECT_GT(Lightest(shot, Window.Caption->geometry()), 200) << "caption";
    const QRect dates(plot.left(), plot.bottom() + 2, plot.width(), Window.fontMetrics().height() + 4);
    EXPECT_GT(Lightest(shot, dates), 200) << "the chart's dates";
    const QRect cell = Window.Periods->visualItemRect(Window.Periods->item(0, 0));
    EXPECT_GT(Lightest(shot, QRect(cells.mapTo(&Window, cell.topLeft()), cell.size())), 200) << "table";
}

TEST_F(UsageWindow, ClosingOnlyHidesItAndLeavesTheProgramRunning)
{
    Show({Row(Today, "eth0", 1, 1)}, {});
    EXPECT_EQ(Window.windowTitle(), "Quorvel - Usage");
    EXPECT_TRUE(Window.isWindow());
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    // Qt ends the program at the last window's close only while its event loop runs, as in the program.
    QTimer::singleShot(0, &Window, [this] {
        EXPECT_TRUE(Window.close());
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
    QApplication::exec();
    EXPECT_FALSE(Window.isVisible());
    EXPECT_EQ(lastClosed.count(), 0) << "closing the only window shown must not end the program";
    Show({Row(Today, "eth0", 5, 1)}, {});
    EXPECT_TRUE(Window.isVisible()) << "the menu shows the same window again";
    EXPECT_EQ(Window.View().Days.back().Figures.Received, 5);
}

} // namespace
