#include "trend/Trend.h"

#include "platform/Exceptions.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>

#include <gtest/gtest.h>

#include <random>

namespace {

const QRgb Lime = qRgb(0, 255, 0);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Black = qRgb(0, 0, 0);

// The main window's graph: every sample is one pixel column, 48 rows of plot between the frame lines.
void ConfigureAsMainTrend(TTrend& trend)
{
    trend.resize(240, 50);
    trend.SetBorderWidth(1);
    trend.SetMaxVal(7000);
    trend.SetDivisions(238);
    trend.ClearDataA();
    trend.ClearDataB();
}

void ConfigureAsMonitorTrend(TTrend& trend)
{
    trend.resize(109, 20);
    trend.SetBorderWidth(0);
    trend.SetColor(Qt::black);
    trend.SetMaxVal(100);
    trend.SetDivisions(109);
    trend.ClearDataA();
    trend.ClearDataB();
}

// Rows of a column drawn in a colour, from the top.
std::vector<int> RowsIn(const QImage& image, int column, QRgb color)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(column, y) == color) rows.push_back(y);
    return rows;
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> rows;
    for (int y = first; y <= last; ++y)
        rows.push_back(y);
    return rows;
}

TEST(TrendPaint, MainTrendBarsFillTheirColumnBetweenTheFrameLines)
{
    TTrend trend;
    ConfigureAsMainTrend(trend);
    trend.AddDataA(7000);
    trend.AddDataA(3500);
    trend.AddDataA(0);
    trend.AddDataA(99999); // clamped to 7000
    const QImage image = trend.Paint();
    ASSERT_EQ(image.size(), QSize(240, 50));
    // The newest sample is slot 237, in column 238.
    EXPECT_EQ(RowsIn(image, 235, Lime), Range(1, 48)) << "7000 fills rows 1 to 48";
    EXPECT_EQ(RowsIn(image, 236, Lime), Range(25, 48)) << "3500 lifts 3500 * 48 div 7000 = 24 rows";
    EXPECT_TRUE(RowsIn(image, 237, Lime).empty()) << "0 draws no bar";
    EXPECT_EQ(RowsIn(image, 238, Lime), Range(1, 48));
    const QRgb face = trend.Color().rgb();
    for (int y = 1; y < 49; ++y)
        EXPECT_EQ(image.pixel(237, y), face);
    for (int x = 0; x < 240; ++x) {
        EXPECT_EQ(image.pixel(x, 0), Black);
        EXPECT_EQ(image.pixel(x, 49), Black) << "bars never cover the frame";
    }
    for (int y = 0; y < 50; ++y) {
        EXPECT_EQ(image.pixel(0, y), Black);
        EXPECT_EQ(image.pixel(239, y), Black);
    }
}

TEST(TrendPaint, MonitorTrendBarsReachTheEdgesOfTheirColumn)
{
    TTrend trend;
    ConfigureAsMonitorTrend(trend);
    trend.AddDataA(100);
    trend.AddDataA(50);
    const QImage image = trend.Paint();
    EXPECT_EQ(RowsIn(image, 107, Lime), Range(0, 19)) << "covers the frame on the black background";
    EXPECT_EQ(RowsIn(image, 108, Lime), Range(10, 19));
    EXPECT_EQ(RowsIn(image, 0, Black), Range(0, 19));
}

TEST(TrendPaint, TheShorterTwinBarIsInFrontAndBWinsATie)
{
    TTrend trend;
    ConfigureAsMainTrend(trend);
    trend.SetMaxVal(48); // one row per unit
    for (auto [a, b] : {std::pair{10, 20}, std::pair{20, 10}, std::pair{15, 15}}) {
        trend.AddDataA(a);
        trend.AddDataB(b);
    }
    const QImage image = trend.Paint();
    EXPECT_EQ(RowsIn(image, 236, Lime), Range(39, 48)) << "A = 10 drawn again in front of B = 20";
    EXPECT_EQ(RowsIn(image, 236, Red), Range(29, 38));
    EXPECT_EQ(RowsIn(image, 237, Red), Range(39, 48)) << "B = 10 in front of A = 20";
    EXPECT_EQ(RowsIn(image, 237, Lime), Range(29, 38));
    EXPECT_EQ(RowsIn(image, 238, Red), Range(34, 48)) << "equal heights: B in front";
    EXPECT_TRUE(RowsIn(image, 238, Lime).empty());
}

TEST(TrendPaint, LinePointsSitInTheirSlotColumnsAndBCrossesOverA)
{
    TTrend trend;
    ConfigureAsMainTrend(trend);
    trend.SetMaxVal(48);
    trend.SetStyle(tsLine);
    for (int i = 0; i < 238; ++i) {
        trend.AddDataA(i % 40);
        trend.AddDataB(20);
    }
    const QImage image = trend.Paint();
    for (int i = 0; i < 237; ++i) {
        const int row = 49 - i % 40;
        if (row == 29) {
            EXPECT_EQ(image.pixel(1 + i, row), Red) << "B is drawn after the whole of A";
        } else {
            EXPECT_EQ(image.pixel(1 + i, row), Lime) << "point " << i;
        }
    }
}

TEST(TrendPaint, FilledPolygonsRoundTheirLeftEdgesHalfToEven)
{
    TTrend trend;
    ConfigureAsMainTrend(trend);
    trend.SetMaxVal(48);
    trend.SetStyle(tsFilled);
    // Polygon 1 starts at 2.5 and polygon 3 at 4.5: to the even neighbours 2 and 4, not up to 3 and 5.
    const std::vector<int64_t> peaks = {0, 48, 0, 48, 0};
    for (int64_t value : peaks)
        trend.AddDataA(value);
    for (int i = 0; i < 238 - 5; ++i)
        trend.AddDataA(0);
    trend.AddDataB(48); // no series B in this style
    const QImage image = trend.Paint();
    EXPECT_EQ(image.pixel(2, 2), Lime);
    EXPECT_EQ(image.pixel(4, 2), Lime);
    EXPECT_NE(image.pixel(1, 20), Lime) << "the first polygon starts at 1.5 -> 2";
    EXPECT_TRUE(RowsIn(image, 238, Red).empty());
    for (int x = 0; x < 240; ++x)
        EXPECT_TRUE(RowsIn(image, x, Red).empty());
}

TEST(TrendPaint, ScatterSamplesAreTwoByTwoSquares)
{
    TTrend trend;
    ConfigureAsMainTrend(trend);
    trend.SetMaxVal(46);
    trend.SetStyle(tsScatter);
    trend.SetOptions(0);
    trend.AddDataA(23);
    // r = 1; slot i is centred on column i + 3 and a value v on row 50 - (2 + v): the newest square,
    // 23 in slot 237, covers columns 239 and 240 (outside) and rows 24 and 25.
    const QImage image = trend.Paint();
    int lit = 0;
    for (int x = 0; x < 240; ++x)
        for (int y = 1; y < 45; ++y)
            lit += image.pixel(x, y) == Lime;
    EXPECT_EQ(lit, 2);
    EXPECT_EQ(RowsIn(image, 239, Lime), (std::vector<int>{24, 25, 47, 48}));
    trend.AddDataA(0);
    const QImage shifted = trend.Paint();
    EXPECT_EQ(RowsIn(shifted, 238, Lime), (std::vector<int>{24, 25, 47, 48}));
    EXPECT_EQ(RowsIn(shifted, 237, Lime), (std::vector<int>{47, 48})) << "0 sits on the bottom of the plot";
}

TEST(TrendPaint, TwoDivisionsDrawOneSegmentAndOnePolygon)
{
    TTrend trend;
    trend.resize(12, 12);
    trend.SetBorderWidth(1);
    trend.SetMaxVal(10);
    trend.SetDivisions(2);
    trend.SetOptions(0);
    trend.ClearDataA();
    trend.AddDataA(10);
    trend.SetStyle(tsLine);
    const QImage line = trend.Paint();
    EXPECT_EQ(line.pixel(3, 11), Lime) << "starts at (BW + half, H - BW) with half = 5 div 2";
    EXPECT_NE(line.pixel(1 + 5 + 2, 1), Lime) << "the end point is left out";
    trend.SetStyle(tsFilled);
    const QImage filled = trend.Paint();
    // One polygon between the two sample points at the slot centres, x 4 (value 0, row 11) and 9 (value 10,
    // row 1), down to the base line: a triangle with its right angle at (9, 11). Nothing is drawn beside it.
    for (int x = 1; x < 11; ++x) {
        const std::vector<int> rows = RowsIn(filled, x, Lime);
        if (x < 4 || x > 9) {
            EXPECT_TRUE(rows.empty()) << "column " << x << " is outside the polygon";
            continue;
        }
        ASSERT_FALSE(rows.empty()) << "column " << x;
        const int diagonal = 11 - 2 * (x - 4); // the edge from (4, 11) to (9, 1)
        EXPECT_NEAR(rows.front(), diagonal, 1) << "column " << x << " starts at the edge";
        EXPECT_EQ(rows, Range(rows.front(), 11)) << "column " << x << " is filled down to the base line";
    }
    EXPECT_EQ(RowsIn(filled, 9, Lime), Range(1, 11)) << "the right edge runs the whole height";
}

TEST(TrendPaint, BoundsThatCannotBeScaledAbandonThePaint)
{
    TTrend trend;
    trend.SetMaxVal(0); // span 0
    EXPECT_THROW(trend.Paint(), Exception);
    trend.SetMaxVal(100);
    trend.SetMinVal(-(int64_t{1} << 62));
    trend.SetMaxVal(int64_t{1} << 62);
    EXPECT_THROW(trend.Paint(), EIntOverflow);
    trend.resize(30, 20);
    trend.SetColor(QColor(12, 34, 56));
    trend.AddDataA(50);
    // The paint event survives and shows the background alone: no frame, no samples.
    const QImage shown = trend.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(30, 20));
    int others = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            others += shown.pixel(x, y) != qRgb(12, 34, 56);
    EXPECT_EQ(others, 0);
}

// What the widget shows, through its own paint event (which moves the picture it showed last).
QImage Shown(TTrend& trend) { return trend.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Adds `count` random samples to both series and checks that the picture shown equals a whole paint.
void AddAndCompare(TTrend& trend, std::minstd_rand& random, int count, const char* step)
{
    // A tenth of the range beyond each bound, so that empty and full columns come up as well.
    const int64_t beyond = (trend.MaxVal() - trend.MinVal()) / 10;
    std::uniform_int_distribution<int64_t> value(trend.MinVal() - beyond, trend.MaxVal() + beyond);
    for (int i = 0; i < count; ++i) {
        trend.AddDataA(value(random));
        trend.AddDataB(value(random));
    }
    EXPECT_EQ(Shown(trend), trend.Paint()) << step;
}

TEST(TrendPaint, AMovedPictureEqualsAWholePaintPixelForPixel)
{
    std::minstd_rand random(11);
    for (int graph = 0; graph < 3; ++graph) {
        SCOPED_TRACE(graph);
        TTrend trend;
        graph == 0 ? ConfigureAsMainTrend(trend) : ConfigureAsMonitorTrend(trend);
        // Without a border the frame's black columns lie under the outer bars; on a background of
        // another colour they must not travel with the bars.
        if (graph == 2) trend.SetColor(QColor(90, 90, 200));
        AddAndCompare(trend, random, trend.Divisions(), "a full graph");
        for (int tick = 0; tick < 20; ++tick)
            AddAndCompare(trend, random, 1, "one sample a second");
        AddAndCompare(trend, random, 3, "several samples between two paints");
        AddAndCompare(trend, random, trend.Divisions() - 1, "all but one sample new");
        AddAndCompare(trend, random, trend.Divisions() + 5, "more new samples than places");
        // A series that gained more than the other cannot be moved as one.
        trend.AddDataA(trend.MaxVal());
        AddAndCompare(trend, random, 1, "series A one sample ahead");
    }
}

TEST(TrendPaint, APictureIsDrawnAfreshAfterAnyOtherChange)
{
    std::minstd_rand random(12);
    TTrend trend;
    ConfigureAsMainTrend(trend);
    AddAndCompare(trend, random, 238, "a full graph");
    trend.SetMaxVal(3000);
    AddAndCompare(trend, random, 1, "new upper bound");
    trend.SetMinVal(100);
    AddAndCompare(trend, random, 1, "new lower bound");
    trend.SetColorDataA(QColor(0, 0, 255));
    AddAndCompare(trend, random, 1, "new colour of series A");
    QPalette palette = trend.palette();
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    trend.setPalette(palette);
    AddAndCompare(trend, random, 1, "new theme");
    trend.resize(200, 40);
    AddAndCompare(trend, random, 1, "new size, the bars no longer one column wide");
    trend.SetOptions(0);
    AddAndCompare(trend, random, 1, "one series");
    trend.resize(240, 50);
    AddAndCompare(trend, random, 1, "back to one column a sample");
    trend.SetBorderWidth(3);
    AddAndCompare(trend, random, 1, "wider border");
    trend.SetBorderWidth(-1);
    trend.SetDivisions(121); // two columns a sample across the 242 between the borders
    AddAndCompare(trend, random, 1, "a border outside the picture");
    AddAndCompare(trend, random, 1, "a border outside the picture, moved");
    trend.SetDivisions(238);
    trend.SetBorderWidth(120);
    AddAndCompare(trend, random, 1, "a border covering the picture");
    trend.ClearDataA();
    AddAndCompare(trend, random, 1, "cleared");
    trend.SetStyle(tsLine);
    AddAndCompare(trend, random, 1, "lines");
    trend.SetStyle(tsBar);
    trend.SetBorderWidth(1);
    trend.SetDivisions(119); // two columns a sample
    AddAndCompare(trend, random, 1, "fewer divisions");
    AddAndCompare(trend, random, 2, "two columns a sample, moved");
}

TEST(TrendPaint, AGraphThatFailedToPaintIsDrawnWholeOnceItsBoundsAreSound)
{
    std::minstd_rand random(13);
    TTrend trend;
    ConfigureAsMainTrend(trend);
    AddAndCompare(trend, random, 238, "a full graph");
    trend.SetMaxVal(0);
    trend.AddDataA(0);
    trend.AddDataB(0);
    const QImage failed = Shown(trend);
    EXPECT_EQ(failed.pixel(0, 0), trend.Color().rgb()) << "the background alone, not even the frame";
    trend.SetMaxVal(7000);
    AddAndCompare(trend, random, 1, "sound bounds again");
}

class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

TEST(TrendProperties, WritingTheCurrentValueRequestsNoPaintAndChangesPaintOnce)
{
    TTrend trend;
    ConfigureAsMainTrend(trend);
    trend.show();
    QApplication::processEvents();
    PaintCounter counter;
    trend.installEventFilter(&counter);
    trend.SetMinVal(0);
    trend.SetMaxVal(7000);
    trend.SetDivisions(238);
    trend.SetOptions(toTwin);
    trend.SetStyle(tsBar);
    trend.SetColorDataA(QColor(0, 255, 0));
    trend.SetColorDataB(QColor(255, 0, 0));
    trend.SetSystemColor(QPalette::Button);
    trend.SetBorderWidth(1);
    QApplication::processEvents();
    EXPECT_EQ(counter.Paints, 0);

    trend.SetMaxVal(25600);
    trend.AddDataA(5);
    trend.AddDataB(6);
    trend.SetStyle(tsLine);
    QApplication::processEvents();
    EXPECT_EQ(counter.Paints, 1) << "several requests, one paint";
}

class PaintRecorder : public QObject {
public:
    QRegion Painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) Painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// A second's sample repaints only the columns whose bars it changes, and what the screen then shows is
// still the whole picture.
TEST(TrendProperties, ASampleRepaintsOnlyTheColumnsItChanges)
{
    TTrend trend;
    ConfigureAsMainTrend(trend);
    trend.show();
    QApplication::processEvents();
    PaintRecorder recorder;
    trend.installEventFilter(&recorder);
    auto tick = [&](int64_t received, int64_t sent) {
        recorder.Painted = QRegion();
        trend.AddDataA(received);
        trend.AddDataB(sent);
        QApplication::processEvents();
        return recorder.Painted.boundingRect();
    };
    auto onScreen = [&] {
        return trend.screen()->grabWindow(trend.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    };

    EXPECT_TRUE(tick(0, 0).isEmpty()) << "an idle connection's flat graph is not painted again";
    const QRect burst = tick(3500, 700);
    EXPECT_TRUE(burst.contains(238, 25)) << "the newest bar's column";
    EXPECT_GE(burst.left(), 230);
    QRect moved;
    for (int second = 0; second < 100; ++second)
        moved = tick(0, 0);
    EXPECT_TRUE(moved.contains(138, 25) && moved.contains(137, 25)) << "the bar left its column for the one before";
    EXPECT_GE(moved.left(), 130);
    EXPECT_LE(moved.right(), 146);
    EXPECT_TRUE(onScreen() == trend.Paint()) << "the screen shows the whole picture";

    std::minstd_rand random(14);
    AddAndCompare(trend, random, 5, "random samples");
    tick(0, 0);
    EXPECT_TRUE(onScreen() == trend.Paint()) << "the screen shows the whole picture";
}

TEST(TrendProperties, APaletteBackgroundFollowsThePaletteAndAFixedOneStays)
{
    TTrend trend;
    ConfigureAsMainTrend(trend);
    trend.show();
    QApplication::processEvents();
    PaintCounter counter;
    trend.installEventFilter(&counter);
    QPalette palette = trend.palette();
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    trend.setPalette(palette);
    QApplication::processEvents();
    EXPECT_EQ(counter.Paints, 1) << "a new theme repaints the graph";
    EXPECT_EQ(trend.Color(), QColor(10, 20, 30));
    EXPECT_EQ(trend.Paint().pixel(120, 10), qRgb(10, 20, 30));

    trend.SetColor(QColor(0, 0, 128));
    palette.setColor(QPalette::Button, QColor(200, 10, 10));
    trend.setPalette(palette);
    EXPECT_EQ(trend.Color(), QColor(0, 0, 128)) << "a colour of its own stays";
    EXPECT_FALSE(trend.SystemColor().has_value());
    EXPECT_EQ(trend.Paint().pixel(120, 10), qRgb(0, 0, 128));

    trend.SetSystemColor(QPalette::Button);
    EXPECT_EQ(trend.SystemColor(), QPalette::Button);
    EXPECT_EQ(trend.Color(), QColor(200, 10, 10));
}

TEST(TrendMouse, OnlyTheLeftButtonsDoubleClickIsADoubleClick)
{
    TTrend trend;
    int doubleClicks = 0;
    QObject::connect(&trend, &TTrend::DoubleClicked, [&] { ++doubleClicks; });
    for (Qt::MouseButton button : {Qt::MiddleButton, Qt::RightButton, Qt::LeftButton}) {
        QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(5, 5), trend.mapToGlobal(QPointF(5, 5)), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(&trend, &event);
    }
    EXPECT_EQ(doubleClicks, 1);
}

TEST(TrendData, AFreshControlHoldsNoiseBelowItsRange)
{
    TTrend trend;
    EXPECT_EQ(trend.Divisions(), 185);
    EXPECT_EQ(trend.MinVal(), 0);
    EXPECT_EQ(trend.MaxVal(), 100);
    EXPECT_EQ(trend.Options(), toTwin);
    EXPECT_EQ(trend.Style(), tsBar);
    EXPECT_EQ(trend.BorderWidth(), 1);
    ASSERT_EQ(trend.DataA().size(), 185u);
    ASSERT_EQ(trend.DataB().size(), 185u);
    for (int64_t sample : trend.DataA())
        EXPECT_TRUE(sample >= 0 && sample <= 99);
    for (int64_t sample : trend.DataB())
        EXPECT_TRUE(sample >= 0 && sample <= 99);
}

TEST(TrendData, AddingShiftsAndClampsWithTheUpperBoundFirst)
{
    TTrend trend;
    trend.SetDivisions(3);
    trend.ClearDataA();
    trend.ClearDataB();
    for (int64_t value : {1, 2, 3})
        trend.AddDataA(value);
    trend.AddDataA(4);
    EXPECT_EQ(trend.DataA(), (std::vector<int64_t>{2, 3, 4}));
    trend.AddDataA(101);
    trend.AddDataA(-1);
    EXPECT_EQ(trend.DataA(), (std::vector<int64_t>{4, 100, 0}));
    EXPECT_EQ(trend.DataB(), (std::vector<int64_t>{0, 0, 0}));

    trend.SetMinVal(50);
    trend.SetMaxVal(10); // inverted bounds: values above MaxVal still become MaxVal
    trend.AddDataB(70);
    trend.AddDataB(5);
    EXPECT_EQ(trend.DataB(), (std::vector<int64_t>{0, 10, 50}));
}

TEST(TrendData, ClearingSetsZeroEvenAboveMinVal)
{
    TTrend trend;
    trend.SetDivisions(3);
    trend.SetMinVal(10);
    trend.AddDataB(42);
    trend.ClearDataA();
    EXPECT_EQ(trend.DataA(), (std::vector<int64_t>{0, 0, 0}));
    EXPECT_EQ(trend.DataB().back(), 42) << "series B untouched";
}

TEST(TrendData, DivisionsClampAndResizeKeepsTheOldestSamples)
{
    TTrend trend;
    for (int32_t tooSmall : {1, 0, -5}) {
        trend.SetDivisions(tooSmall);
        EXPECT_EQ(trend.Divisions(), 2);
        EXPECT_EQ(trend.DataA().size(), 2u);
        EXPECT_EQ(trend.DataB().size(), 2u);
    }
    trend.SetDivisions(3);
    trend.ClearDataA();
    for (int64_t value : {7, 8, 9})
        trend.AddDataA(value);
    trend.SetDivisions(5);
    EXPECT_EQ(trend.DataA(), (std::vector<int64_t>{7, 8, 9, 0, 0}));
    trend.SetDivisions(2);
    EXPECT_EQ(trend.DataA(), (std::vector<int64_t>{7, 8}));
}

} // namespace
