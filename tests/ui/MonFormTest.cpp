#include "ui/mon.h"

#include "trend/Trend.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QColor Light(193, 193, 193);
const QColor Dark(129, 129, 129);
const QColor Black(0, 0, 0);

int OpacityLevel(const QWidget& window) { return qRound(window.windowOpacity() * 255); }

// The pointer moving over a widget with a button held, as the window system reports it.
void Move(QWidget& widget, Qt::MouseButton held, const QPoint& to)
{
    QMouseEvent move(QEvent::MouseMove, to, widget.mapToGlobal(to), Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}

void Drag(QWidget& widget, Qt::MouseButton button, const QPoint& from, const QPoint& to)
{
    QTest::mousePress(&widget, button, {}, from);
    Move(widget, button, to);
    QTest::mouseRelease(&widget, button, {}, to);
}

// Counts the paints a widget receives.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++Count;
        return false;
    }
};

class MonitorWindow : public testing::Test {
protected:
    // Where the program puts a monitor that has never been moved.
    TMonPlacement Placement{20, 300, 120};
    QWidget MainWindow;
    QMenu Menu;
    QAction* Show = Menu.addAction("Show Monitor...");
    QAction* Hide = Menu.addAction("Hide Monitor when Offline");
    QAction* Transparent = Menu.addAction("Transparent Monitor");
    TTrend MainTrend;
    std::vector<QWindow*> Moves;

    void SetUp() override
    {
        for (QAction* option : {Show, Hide, Transparent})
            option->setCheckable(true);
        Show->setChecked(true);
        MainTrend.SetColorDataA(QColor(10, 200, 30));
        MainTrend.SetColorDataB(QColor(220, 20, 90));
    }

    // The window as start-up makes it, with the options as they are at that moment.
    std::unique_ptr<TMonForm> Create()
    {
        auto form = std::make_unique<TMonForm>(
            TMonFormLinks{Placement, &Menu, Show, Hide, Transparent, &MainTrend, &MainWindow});
        form->SetMoveStarter([this](QWindow* window) {
            Moves.push_back(window);
            return true;
        });
        form->FormCreate();
        return form;
    }

    static QImage Grab(TMonForm& form) { return form.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

TEST_F(MonitorWindow, BackgroundHasABlackEdgeAndTwoReversedRings)
{
    const QImage picture = TMonForm::BackgroundPicture();
    ASSERT_EQ(picture.size(), QSize(115, 34));
    for (int x = 0; x < 115; ++x) {
        EXPECT_EQ(picture.pixelColor(x, 0), Black) << x;
        EXPECT_EQ(picture.pixelColor(x, 33), Black) << x;
    }
    for (int y = 0; y < 34; ++y) {
        EXPECT_EQ(picture.pixelColor(0, y), Black) << y;
        EXPECT_EQ(picture.pixelColor(114, y), Black) << y;
    }
    // Outer ring: light on top and left, dark on right and bottom.
    EXPECT_EQ(picture.pixelColor(1, 1), Light);
    EXPECT_EQ(picture.pixelColor(60, 1), Light);
    EXPECT_EQ(picture.pixelColor(1, 20), Light);
    EXPECT_EQ(picture.pixelColor(113, 20), Dark);
    EXPECT_EQ(picture.pixelColor(60, 32), Dark);
    EXPECT_EQ(picture.pixelColor(113, 32), Dark);
    // Inner ring reversed.
    EXPECT_EQ(picture.pixelColor(2, 2), Dark);
    EXPECT_EQ(picture.pixelColor(60, 2), Dark);
    EXPECT_EQ(picture.pixelColor(2, 20), Dark);
    EXPECT_EQ(picture.pixelColor(112, 20), Light);
    EXPECT_EQ(picture.pixelColor(60, 31), Light);
    EXPECT_EQ(picture.pixelColor(112, 31), Light);
    // Inside the rings everything is black.
    for (int y = 3; y <= 30; ++y)
        for (int x = 3; x <= 111; ++x)
            ASSERT_EQ(picture.pixelColor(x, y), Black) << x << "," << y;
}

TEST_F(MonitorWindow, TheWindowShowsTheBackgroundUnscaled)
{
    auto form = Create();
    EXPECT_EQ(form->size(), QSize(115, 34));
    EXPECT_EQ(form->minimumSize(), QSize(5, 5));
    const QImage shown = Grab(*form);
    const QImage picture = TMonForm::BackgroundPicture().convertToFormat(QImage::Format_RGB32);
    // The labels are empty after creation and the graph covers only the black inside.
    EXPECT_EQ(shown, picture);
}

TEST_F(MonitorWindow, LabelsDrawInTheirColoursOnTheirSideOfTheTopRow)
{
    auto form = Create();
    form->LabelSent->setText("9");
    form->LabelReceived->setText("9");
    form->LabelDuration->setText("0");
    const QImage shown = Grab(*form);
    auto columnsOf = [&](const QColor& colour) {
        int first = 1000, last = -1;
        for (int y = 0; y < 34; ++y)
            for (int x = 0; x < 115; ++x)
                if (shown.pixelColor(x, y) == colour) {
                    EXPECT_GE(y, 2) << "text above its label";
                    EXPECT_LE(y, 11) << "text below its label";
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return std::pair{first, last};
    };
    const auto [sentFirst, sentLast] = columnsOf(QColor(255, 0, 0));
    EXPECT_GE(sentFirst, 3);
    EXPECT_LE(sentLast, 12) << "sent rate drawn at the left of its label";
    const auto [receivedFirst, receivedLast] = columnsOf(QColor(0, 255, 0));
    EXPECT_GE(receivedFirst, 100) << "received rate drawn at the right of its label";
    EXPECT_LE(receivedLast, 110);
    const auto [durationFirst, durationLast] = columnsOf(QColor(255, 255, 0));
    EXPECT_GE(durationFirst, 49) << "duration centred";
    EXPECT_LE(durationLast, 64);
    EXPECT_EQ(form->LabelSent->font().pixelSize(), 8);
}

TEST_F(MonitorWindow, TheGraphTakesTheMainGraphsColoursAndStartsEmpty)
{
    auto form = Create();
    EXPECT_EQ(form->Trend->geometry(), QRect(3, 11, 109, 20)) << "inside the inner ring";
    EXPECT_EQ(form->Trend->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(form->Trend->ColorDataA(), QColor(10, 200, 30));
    EXPECT_EQ(form->Trend->ColorDataB(), QColor(220, 20, 90));
    EXPECT_EQ(form->Trend->DataA(), std::vector<int64_t>(109, 0)) << "the noise of a fresh graph is cleared";
    EXPECT_EQ(form->Trend->DataB(), std::vector<int64_t>(109, 0));
}

TEST_F(MonitorWindow, FirstRunShowsItAt300By20WithTheDefaultOpacity)
{
    Transparent->setChecked(true);
    auto form = Create();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->pos(), QPoint(300, 20));
    EXPECT_EQ(form->MonAlpha(), 120);
    EXPECT_EQ(OpacityLevel(*form), 120);
    EXPECT_EQ(form->LabelSent->text(), "");
    EXPECT_EQ(form->LabelReceived->text(), "");
    EXPECT_EQ(form->LabelDuration->text(), "");
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool)) << "no taskbar entry of its own";
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form->windowTitle(), "Quorvel - Monitor");
}

TEST_F(MonitorWindow, ThePlacementIsAppliedAsGiven)
{
    Placement = {-40, 2000, 300};
    Transparent->setChecked(true);
    auto form = Create();
    EXPECT_EQ(form->pos(), QPoint(2000, -40)) << "applied as read, even off the screen";
    EXPECT_EQ(form->MonAlpha(), 300);
    EXPECT_EQ(OpacityLevel(*form), 44) << "only the low byte counts";

    Transparent->setChecked(false);
    form->ApplyTransparency();
    EXPECT_EQ(OpacityLevel(*form), 255);
    Transparent->setChecked(true);
    form->ApplyTransparency();
    EXPECT_EQ(OpacityLevel(*form), 44);
}

TEST_F(MonitorWindow, OpacityLevelZeroLeavesTheWindowShownButInvisible)
{
    Placement.Alpha = 0;
    Transparent->setChecked(true);
    auto form = Create();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(OpacityLevel(*form), 0);
}

TEST_F(MonitorWindow, ItStaysHiddenUnlessShownAndNotHiddenWhileOffline)
{
    Hide->setChecked(true);
    EXPECT_FALSE(Create()->isVisible()) << "hidden while offline";
    Hide->setChecked(false);
    Show->setChecked(false);
    EXPECT_FALSE(Create()->isVisible());
}

TEST_F(MonitorWindow, ALeftDragOnTheGraphMovesTheWindowOnceItPassesTheDragDistance)
{
    auto form = Create();
    const int distance = QApplication::startDragDistance();
    const QPoint start(50, 10);
    QTest::mouseClick(form->Trend, Qt::LeftButton, {}, start);
    Drag(*form->Trend, Qt::MiddleButton, start, start + QPoint(distance + 5, 0));
    Drag(*form->LabelSent, Qt::LeftButton, QPoint(5, 5), QPoint(5 + distance + 5, 5));
    EXPECT_TRUE(Moves.empty()) << "a click, another button and another widget leave the window where it is";

    QTest::mousePress(form->Trend, Qt::LeftButton, {}, start);
    Move(*form->Trend, Qt::LeftButton, start + QPoint(distance - 1, 0));
    EXPECT_TRUE(Moves.empty()) << "a hand that shakes while clicking does not move the window";
    Move(*form->Trend, Qt::LeftButton, start + QPoint(distance, 0));
    Move(*form->Trend, Qt::LeftButton, start + QPoint(distance + 9, 0));
    ASSERT_EQ(Moves.size(), 1u) << "one move, started once";
    EXPECT_EQ(Moves[0], form->windowHandle()) << "the whole window moves, not the graph";
}

TEST_F(MonitorWindow, ADoubleClickOnTheGraphIsReportedOnceAndMovesNothing)
{
    auto form = Create();
    QSignalSpy doubleClicks(form.get(), &TMonForm::TrendDblClick);
    QTest::mouseDClick(form->LabelDuration, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(doubleClicks.count(), 0);
    // Through the window, as the window system delivers it: press, release, press, release.
    QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {}, form->Trend->mapTo(form.get(), QPoint(50, 10)));
    EXPECT_EQ(doubleClicks.count(), 1);
    EXPECT_TRUE(Moves.empty()) << "a window manager's move would have swallowed the second click";
}

TEST_F(MonitorWindow, ARightPressAnywhereOpensTheMenuAtThePointer)
{
    auto form = Create();
    for (QWidget* target : std::initializer_list<QWidget*>{form->LabelReceived, form->Trend, form->Image}) {
        // Through the window, as the window system delivers it, so that Qt makes the context menu request.
        const QPoint at = target->mapTo(form.get(), QPoint(4, 4));
        QTest::mousePress(form->windowHandle(), Qt::RightButton, {}, at);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Menu.isVisible(); }, 5000)) << target->objectName().toStdString();
        EXPECT_EQ(Menu.pos(), form->mapToGlobal(at)) << target->objectName().toStdString();
        QTest::mouseRelease(form->windowHandle(), Qt::RightButton, {}, at);
        Menu.hide();
    }
    EXPECT_TRUE(Moves.empty());
}

TEST_F(MonitorWindow, ASampleWritesPlainRatesAndTheDuration)
{
    auto form = Create();
    form->ShowSample(1234567, 0, "01:02:03");
    EXPECT_EQ(form->LabelReceived->text(), "1234567") << "no thousands separators";
    EXPECT_EQ(form->LabelSent->text(), "") << "nothing shown without traffic";
    EXPECT_EQ(form->LabelDuration->text(), "01:02:03");
    EXPECT_EQ(form->Trend->DataA().back(), 100) << "received rate on series A, clamped to the bounds";
    EXPECT_EQ(form->Trend->DataB().back(), 0);
    form->ShowSample(-5, 7, "01:02:04");
    EXPECT_EQ(form->LabelReceived->text(), "") << "a negative rate is no traffic to show";
    EXPECT_EQ(form->LabelSent->text(), "7");

    form->RestartTrend(5000, 10);
    EXPECT_EQ(form->Trend->MaxVal(), 5000);
    EXPECT_EQ(form->Trend->MinVal(), 10);
    EXPECT_EQ(form->Trend->DataA(), std::vector<int64_t>(109, 0));
    EXPECT_EQ(form->Trend->DataB(), std::vector<int64_t>(109, 0));
}

TEST_F(MonitorWindow, UnchangedLabelsAreNotRepainted)
{
    auto form = Create();
    TPaintCounter labelPaints(form->LabelReceived);
    TPaintCounter trendPaints(form->Trend);
    form->ShowSample(12, 0, "00:00:01");
    ASSERT_TRUE(QTest::qWaitFor([&] { return labelPaints.Count > 0 && trendPaints.Count > 0; }, 5000));
    labelPaints.Count = trendPaints.Count = 0;
    form->ShowSample(12, 0, "00:00:01");
    // The graph changed and repaints; once it has, any repaint of the label would have come with it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return trendPaints.Count > 0; }, 5000));
    EXPECT_EQ(labelPaints.Count, 0);
    form->ShowSample(13, 0, "00:00:02");
    EXPECT_TRUE(QTest::qWaitFor([&] { return labelPaints.Count > 0; }, 5000)) << "a new rate is painted";
}

} // namespace
