#include "platform/qt/QtNotificationArea.h"
#include "platform/qt/QtTimer.h"
#include "ui/ImageList.h"
#include "ui/TrayArtwork.h"
#include "ui/TrayIcon.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QStyleHints>

#include <gtest/gtest.h>

namespace {

template <typename Condition> bool WaitFor(Condition condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

// Without a desktop (the offscreen platform) the tray refuses everything and shows nothing, while the
// component keeps what the program wrote.
TEST(QtNotificationArea, WithoutADesktopEveryRequestIsRefusedAndTheComponentKeepsItsState)
{
    ASSERT_EQ(QGuiApplication::platformName(), "offscreen");
    TQtNotificationArea area;
    EXPECT_EQ(area.DoubleClickInterval(), QGuiApplication::styleHints()->mouseDoubleClickInterval());
    const TNotifyIcon icon{1, {TNotifyImage{16, 16, std::vector<uint32_t>(16 * 16, 0xff00ff00)}}};
    EXPECT_FALSE(area.Add(icon, "10.0.0.5"));
    EXPECT_FALSE(area.Modify(icon, "10.0.0.5"));
    EXPECT_FALSE(area.Delete());

    TImageList images;
    for (int state = 0; state < TrayArtwork::StateCount; ++state)
        images.Add(TrayArtwork::Icon(state));
    TTrayIcon tray(area, std::make_unique<TQtTimer>(), std::make_unique<TQtTimer>());
    tray.SetIconList(&images);
    tray.Loaded();
    tray.SetHint("10.0.0.5");
    tray.SetIconIndex(3);
    EXPECT_EQ(tray.Hint(), "10.0.0.5");
    EXPECT_EQ(tray.IconIndex(), 3);
    EXPECT_TRUE(tray.IconVisible());
    EXPECT_EQ(area.DesktopUpdates(), 0);
}

TEST(QtTimer, EnablingARunningTimerDoesNotRestartIt)
{
    TQtTimer timer;
    int fired = 0;
    timer.SetOnTimer([&] { ++fired; });
    timer.SetInterval(60000);
    timer.SetEnabled(true);
    ASSERT_TRUE(timer.Running());
    // The remaining time counts down; a restart would put it back to where it started.
    const int atStart = timer.RemainingTime();
    ASSERT_TRUE(WaitFor([&] { return timer.RemainingTime() < atStart - 50; }));
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_LT(timer.RemainingTime(), atStart - 50);
    EXPECT_EQ(fired, 0);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
}

TEST(QtTimer, RunsOnlyWhileEnabledWithANonZeroInterval)
{
    TQtTimer timer;
    int fired = 0;
    timer.SetOnTimer([&] { ++fired; });
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.Running()) << "interval 0 rests";
    timer.SetInterval(5);
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(WaitFor([&] { return fired >= 2; }));
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    EXPECT_TRUE(timer.Enabled());
}

} // namespace
