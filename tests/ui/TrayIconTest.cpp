#include "ui/TrayIcon.h"
#include "ui/ImageList.h"
#include "ui/TrayArtwork.h"

#include "doubles/FakeNotificationArea.h"
#include "doubles/ManualTimer.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using TRequest = TFakeNotificationArea::TRequest;

template <typename Condition> bool WaitFor(Condition condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

class TrayIconTest : public testing::Test {
protected:
    TFakeNotificationArea Area;
    TImageList Images;
    QMenu Menu;
    QAction* ShowWindow = Menu.addAction("Show Window");
    QAction* Exit = Menu.addAction("Exit");
    TManualTimer* CycleTimer = nullptr;
    TManualTimer* ClickTimer = nullptr;
    std::unique_ptr<TTrayIcon> Tray;
    std::vector<std::string> Events;
    int DefaultItemRuns = 0;

    void SetUp() override
    {
        for (int state = 0; state < TrayArtwork::StateCount; ++state)
            Images.Add(TrayArtwork::Icon(state));
        Menu.setDefaultAction(ShowWindow);
        QObject::connect(ShowWindow, &QAction::triggered, [this] { ++DefaultItemRuns; });
        Make();
    }
    void TearDown() override { Menu.hide(); }

    void Make()
    {
        auto cycle = std::make_unique<TManualTimer>();
        auto click = std::make_unique<TManualTimer>();
        CycleTimer = cycle.get();
        ClickTimer = click.get();
        Tray = std::make_unique<TTrayIcon>(Area, std::move(cycle), std::move(click));
        Tray->SetOnClick([this](TTrayIcon&) { Events.push_back("click"); });
        Tray->SetOnDblClick([this](TTrayIcon&) { Events.push_back("dblclick"); });
        Tray->SetOnMouseDown([this](TTrayIcon&, Qt::MouseButton button, TShiftState shift, int x, int y) {
            Events.push_back("down " + std::to_string(button) + " " + std::to_string(shift.Buttons.toInt()) + " " +
                             std::to_string(x) + "," + std::to_string(y) + (Menu.isVisible() ? " menu" : ""));
        });
        Tray->SetOnMouseUp([this](TTrayIcon&, Qt::MouseButton button, TShiftState, int, int) {
            Events.push_back("up " + std::to_string(button));
        });
    }

    // The main window's layout: the images, the menu, the address hint.
    void Lay()
    {
        Tray->SetIconList(&Images);
        Tray->SetPopupMenu(&Menu);
        Tray->SetHint("0.0.0.0");
        Tray->SetIconIndex(0);
        Tray->Loaded();
    }
    qint64 ImageKey(int index) const { return Images.Image(index).cacheKey(); }
};

QImage ToImage(const TNotifyImage& picture)
{
    QImage image(picture.Width, picture.Height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x)
            image.setPixel(x, y, picture.Pixels[static_cast<size_t>(y * picture.Width + x)]);
    return image;
}

TEST_F(TrayIconTest, StartsWithItsDefaultsAndAddsTheIconOnceLoaded)
{
    EXPECT_TRUE(Tray->Enabled());
    EXPECT_TRUE(Tray->IconVisible());
    EXPECT_TRUE(Tray->ShowHint());
    EXPECT_FALSE(Tray->LeftPopup());
    EXPECT_FALSE(Tray->MinimizeToTray());
    EXPECT_FALSE(Tray->CycleIcons());
    EXPECT_EQ(Tray->IconIndex(), 0);
    EXPECT_FALSE(CycleTimer->Enabled());
    EXPECT_FALSE(ClickTimer->Enabled());
    EXPECT_EQ(ClickTimer->Interval(), Area.Interval) << "the desktop's double-click time";
    EXPECT_EQ(Area.Count(TRequest::Add), 0);

    Lay();
    ASSERT_TRUE(Area.Shown);
    EXPECT_EQ(Area.Count(TRequest::Add), 1);
    EXPECT_EQ(Area.ShownIcon, ImageKey(0));
    EXPECT_EQ(Area.ShownTip, "0.0.0.0");
    EXPECT_EQ(Area.Menu, &Menu);

    Tray.reset();
    EXPECT_FALSE(Area.Shown) << "destruction removes the icon";
}

TEST_F(TrayIconTest, IconIndexIsLoweredToTheLastImageAndIsZeroWithoutImages)
{
    Lay();
    Tray->SetIconIndex(7);
    EXPECT_EQ(Tray->IconIndex(), 4);
    EXPECT_EQ(Area.ShownIcon, ImageKey(4));
    Tray->SetIconIndex(2);
    EXPECT_EQ(Tray->IconIndex(), 2);
    EXPECT_EQ(Area.ShownIcon, ImageKey(2));

    Tray->SetIconList(nullptr);
    EXPECT_EQ(Tray->IconIndex(), 0);
    Tray->SetIconIndex(3);
    EXPECT_EQ(Tray->IconIndex(), 0);

    Tray->SetIconList(&Images);
    Tray->SetIconIndex(3);
    ASSERT_EQ(Tray->IconIndex(), 3);
    Tray->SetIconList(&Images);
    EXPECT_EQ(Tray->IconIndex(), 0) << "a new list starts at its first image";
    EXPECT_EQ(Area.ShownIcon, ImageKey(0));
}

TEST_F(TrayIconTest, TipIsTheHintOnlyWhenShownAndNotEmptyAndIsCutAt127Characters)
{
    Lay();
    Tray->SetHint("192.168.1.20");
    EXPECT_EQ(Area.ShownTip, "192.168.1.20");
    Tray->SetShowHint(false);
    EXPECT_EQ(Area.ShownTip, "");
    EXPECT_EQ(Tray->Hint(), "192.168.1.20") << "the hint itself is kept";
    Tray->SetShowHint(true);
    EXPECT_EQ(Area.ShownTip, "192.168.1.20");
    Tray->SetHint("");
    EXPECT_EQ(Area.ShownTip, "");

    const QString longHint(200, QChar('a'));
    Tray->SetHint(longHint);
    EXPECT_EQ(Area.ShownTip, longHint.left(127));
    EXPECT_EQ(Tray->Hint(), longHint);
    Tray->SetHint(longHint.left(127));
    EXPECT_EQ(Area.ShownTip.size(), 127);
}

TEST_F(TrayIconTest, AWriteThatChangesNeitherImageNorTipDoesNotReachTheDesktop)
{
    Lay();
    const auto before = Area.Requests.size();
    Tray->SetHint("0.0.0.0");
    Tray->SetIconIndex(0);
    Tray->SetShowHint(true);
    Tray->SetIcon(Images.Image(0));
    EXPECT_EQ(Area.Requests.size(), before);

    const int modifies = Area.Count(TRequest::Modify);
    Tray->SetIconIndex(3);
    Tray->SetIconIndex(3);
    Tray->SetHint("10.0.0.5");
    Tray->SetHint("10.0.0.5");
    EXPECT_EQ(Area.Count(TRequest::Modify), modifies + 2);
    EXPECT_EQ(Area.ShownIcon, ImageKey(3));
    EXPECT_EQ(Area.ShownTip, "10.0.0.5");
}

TEST_F(TrayIconTest, TheAreaGetsThePictureAtEverySizeAndAReplacedPictureOnceItIsSelectedAgain)
{
    Lay();
    Tray->SetIconIndex(2);
    std::vector<int> sizes;
    for (const TNotifyImage& picture : Area.ShownPicture.Images) {
        sizes.push_back(picture.Width);
        EXPECT_EQ(ToImage(picture), TrayArtwork::Draw(2, picture.Width)) << picture.Width << " pixels";
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 22, 24, 32}));

    // As a picture of the user's beside the program replaces a built-in one.
    QImage blue(16, 16, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(Images.Replace(2, QIcon(QPixmap::fromImage(blue))));
    Tray->SetIconIndex(2);
    ASSERT_EQ(Area.ShownPicture.Images.size(), 1u);
    EXPECT_EQ(ToImage(Area.ShownPicture.Images[0]), blue);
}

TEST_F(TrayIconTest, RefusedRequestsKeepThePropertiesAndAreRepeatedByTheNextWriteOrTheTraysReturn)
{
    Area.Refusing = true; // no tray on the desktop yet
    Lay();
    Tray->SetIconIndex(1);
    Tray->SetHint("10.0.0.5");
    EXPECT_FALSE(Area.Shown);
    EXPECT_EQ(Tray->IconIndex(), 1);
    EXPECT_EQ(Tray->Hint(), "10.0.0.5");
    EXPECT_TRUE(Tray->IconVisible());

    Area.Refusing = false;
    Area.TrayComesBack();
    ASSERT_TRUE(Area.Shown);
    EXPECT_EQ(Area.ShownIcon, ImageKey(1));
    EXPECT_EQ(Area.ShownTip, "10.0.0.5");

    // A restarted panel forgets the icon; it is added again with what it showed.
    const int modifies = Area.Count(TRequest::Modify);
    Area.TrayComesBack();
    EXPECT_TRUE(Area.Shown);
    EXPECT_EQ(Area.Count(TRequest::Add), 3);
    Tray->SetHint("10.0.0.5");
    EXPECT_EQ(Area.Count(TRequest::Modify), modifies) << "the new tray already shows it";
}

TEST_F(TrayIconTest, AHiddenIconStaysAwayWhenTheTrayComesBack)
{
    Lay();
    Tray->SetIconVisible(false);
    EXPECT_FALSE(Area.Shown);
    const int adds = Area.Count(TRequest::Add);
    Area.TrayComesBack();
    EXPECT_FALSE(Area.Shown);
    EXPECT_EQ(Area.Count(TRequest::Add), adds);

    Tray->SetHint("10.0.0.5");
    EXPECT_FALSE(Area.Shown) << "a modification does not add it";
    Tray->SetIconVisible(true);
    EXPECT_TRUE(Area.Shown);
    EXPECT_EQ(Area.ShownTip, "10.0.0.5");
}

TEST_F(TrayIconTest, AQuickClickIsReportedOneDoubleClickTimeAfterThePress)
{
    Lay();
    Area.Press(TNotifyMouse::LeftDown);
    EXPECT_TRUE(ClickTimer->Enabled());
    Area.Press(TNotifyMouse::LeftUp);
    EXPECT_EQ(Events, (std::vector<std::string>{"down 1 1 10,20", "up 1"})) << "no click before the time is up";
    ClickTimer->Elapse();
    EXPECT_EQ(Events.back(), "click");
    EXPECT_FALSE(ClickTimer->Enabled());
    ClickTimer->Elapse();
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "click"), 1);
    EXPECT_EQ(DefaultItemRuns, 0);
}

TEST_F(TrayIconTest, ADoubleClickRunsTheDefaultItemAndNeverClicks)
{
    Lay();
    Area.Press(TNotifyMouse::LeftDown);
    Area.Press(TNotifyMouse::LeftUp);
    Area.Press(TNotifyMouse::LeftDoubleClick);
    Area.Press(TNotifyMouse::LeftUp);
    EXPECT_EQ(ClickTimer->Starts, 1) << "the second press does not restart the timer";
    ClickTimer->Elapse();
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "dblclick"), 1);
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "click"), 0);
    EXPECT_EQ(DefaultItemRuns, 1);

    // The next single click after it is a click again.
    Area.Press(TNotifyMouse::LeftDown);
    Area.Press(TNotifyMouse::LeftUp);
    ClickTimer->Elapse();
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "click"), 1);
}

TEST_F(TrayIconTest, APressHeldLongerThanTheDoubleClickTimeClicksOnRelease)
{
    Lay();
    Area.Press(TNotifyMouse::LeftDown);
    ClickTimer->Elapse();
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "click"), 0) << "still held";
    Area.Press(TNotifyMouse::LeftUp);
    EXPECT_EQ(Events, (std::vector<std::string>{"down 1 1 10,20", "click", "up 1"}));
    ClickTimer->Elapse();
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "click"), 1);
}

TEST_F(TrayIconTest, ARightPressReportsTheButtonThenOpensTheMenuAtThePointer)
{
    Lay();
    Area.Press(TNotifyMouse::RightDown, {30, 40}, Qt::ShiftModifier);
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0], "down 2 2 30,40") << "reported before the menu opens";
    EXPECT_TRUE(WaitFor([&] { return Menu.isVisible(); }));
    Area.Press(TNotifyMouse::RightUp);
    EXPECT_EQ(Events.back(), "up 2");
    EXPECT_FALSE(ClickTimer->Enabled());
}

TEST_F(TrayIconTest, ShiftStateCarriesTheModifierKeysAndTheButton)
{
    TShiftState seen;
    Tray->SetOnMouseDown([&](TTrayIcon&, Qt::MouseButton, TShiftState shift, int, int) { seen = shift; });
    Area.Press(TNotifyMouse::MiddleDown, {1, 2}, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(seen, (TShiftState{Qt::ControlModifier | Qt::AltModifier, Qt::MiddleButton}));
    TShiftState moved{Qt::NoModifier, Qt::LeftButton};
    Tray->SetOnMouseMove([&](TTrayIcon&, TShiftState shift, int, int) { moved = shift; });
    Area.Press(TNotifyMouse::Move, {1, 2}, Qt::ShiftModifier);
    EXPECT_EQ(moved, (TShiftState{Qt::ShiftModifier, Qt::NoButton}));
}

TEST_F(TrayIconTest, AContextRequestShownByTheDesktopIsReportedButNotOpenedTwice)
{
    Lay();
    Area.Press(TNotifyMouse::ContextMenu, {5, 6});
    EXPECT_EQ(Events, (std::vector<std::string>{"down 2 2 5,6"}));
    QApplication::processEvents();
    EXPECT_FALSE(Menu.isVisible());
}

TEST_F(TrayIconTest, WithLeftPopupALeftPressOpensTheMenuAndADoubleClickRunsNothing)
{
    Lay();
    Tray->SetLeftPopup(true);
    Area.Press(TNotifyMouse::LeftDown);
    EXPECT_TRUE(WaitFor([&] { return Menu.isVisible(); }));
    Menu.hide();
    Area.Press(TNotifyMouse::LeftUp);
    Area.Press(TNotifyMouse::LeftDoubleClick);
    EXPECT_EQ(DefaultItemRuns, 0);
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "dblclick"), 1);
}

TEST_F(TrayIconTest, ASingleActivationOfADesktopWithoutDoubleClicksRunsTheDefaultItemAtOnce)
{
    Lay();
    Area.Press(TNotifyMouse::Activate, {7, 8});
    EXPECT_EQ(Events, (std::vector<std::string>{"down 1 1 7,8", "up 1", "click"}));
    EXPECT_EQ(DefaultItemRuns, 1) << "no second click will come to run it";
    EXPECT_FALSE(ClickTimer->Enabled()) << "no click waits for a double click that never comes";

    Tray->SetLeftPopup(true);
    Area.Press(TNotifyMouse::Activate);
    EXPECT_TRUE(WaitFor([&] { return Menu.isVisible(); }));
    EXPECT_EQ(DefaultItemRuns, 1) << "a left popup opens the menu instead";
}

TEST_F(TrayIconTest, WhenDisabledNothingFiresAndNoMenuIsOffered)
{
    Lay();
    Tray->SetEnabled(false);
    EXPECT_EQ(Area.Menu, nullptr) << "desktops showing the given menu get none";
    for (TNotifyMouse kind :
         {TNotifyMouse::LeftDown, TNotifyMouse::LeftUp, TNotifyMouse::LeftDoubleClick, TNotifyMouse::RightDown,
          TNotifyMouse::RightUp, TNotifyMouse::ContextMenu, TNotifyMouse::MiddleDown, TNotifyMouse::Move})
        Area.Press(kind);
    ClickTimer->Elapse();
    QApplication::processEvents();
    EXPECT_TRUE(Events.empty());
    EXPECT_FALSE(Menu.isVisible());
    EXPECT_EQ(DefaultItemRuns, 0);
    EXPECT_FALSE(ClickTimer->Enabled());

    Tray->SetEnabled(true);
    EXPECT_EQ(Area.Menu, &Menu);
}

TEST_F(TrayIconTest, CyclingRunsThroughTheImagesAndReportsTheNextIndex)
{
    TImageList three;
    for (int state : {0, 2, 3})
        three.Add(TrayArtwork::Icon(state));
    Tray->SetIconList(&three);
    Tray->Loaded();
    std::vector<int> reported;
    Tray->SetOnCycle([&](TTrayIcon&, int next) { reported.push_back(next); });
    Tray->SetCycleInterval(250);
    Tray->SetIconIndex(2);
    Tray->SetCycleIcons(true);
    EXPECT_EQ(Tray->IconIndex(), 0);
    EXPECT_TRUE(CycleTimer->Running());
    EXPECT_EQ(CycleTimer->Interval(), 250);

    std::vector<int> indexes{Tray->IconIndex()};
    std::vector<qint64> shown;
    for (int step = 0; step < 4; ++step) {
        CycleTimer->Elapse();
        indexes.push_back(Tray->IconIndex());
        shown.push_back(Area.ShownIcon);
    }
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2, 0, 1}));
    EXPECT_EQ(reported, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(shown, (std::vector<qint64>{three.Image(0).cacheKey(), three.Image(1).cacheKey(),
                                          three.Image(2).cacheKey(), three.Image(0).cacheKey()}));

    Tray->SetCycleIcons(false);
    EXPECT_FALSE(CycleTimer->Running());
    Tray->SetIconList(nullptr);
    CycleTimer->SetEnabled(true);
    CycleTimer->Elapse();
    EXPECT_EQ(reported.size(), 4u) << "no images, no cycling";
}

TEST_F(TrayIconTest, ReferencesToADestroyedImageListOrMenuAreCleared)
{
    auto images = std::make_unique<TImageList>();
    images->Add(TrayArtwork::Icon(0));
    images->Add(TrayArtwork::Icon(1));
    auto menu = std::make_unique<QMenu>();
    Tray->SetIconList(images.get());
    Tray->SetPopupMenu(menu.get());
    Tray->SetIconIndex(1);
    images.reset();
    menu.reset();
    EXPECT_EQ(Tray->IconList(), nullptr);
    EXPECT_EQ(Tray->IconIndex(), 0);
    EXPECT_EQ(Tray->PopupMenu(), nullptr);
    EXPECT_EQ(Area.Menu, nullptr);
    Area.Press(TNotifyMouse::RightDown);
    Area.Press(TNotifyMouse::LeftDoubleClick);
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "dblclick"), 1);
}

class MinimizeToTrayTest : public TrayIconTest {
protected:
    QWidget Window;
    void SetUp() override
    {
        TrayIconTest::SetUp();
        Lay();
        Window.resize(200, 100);
        Window.show();
        Tray->SetMainWindow(&Window);
    }
};

TEST_F(MinimizeToTrayTest, MinimisingHidesTheWindowSoOnlyTheIconRemains)
{
    Tray->SetMinimizeToTray(true);
    Tray->SetIconVisible(false);
    Window.showMinimized();
    EXPECT_TRUE(WaitFor([&] { return !Window.isVisible(); }));
    EXPECT_TRUE(Tray->IconVisible());
    EXPECT_TRUE(Area.Shown);

    Tray->ShowMainForm();
    EXPECT_TRUE(Window.isVisible());
    EXPECT_FALSE(Window.isMinimized());
}

TEST_F(MinimizeToTrayTest, WithoutANotificationAreaTheWindowStaysMinimisedOnTheTaskbarAndThatIsSaidOnce)
{
    int said = 0;
    Tray->SetOnAreaMissing([&](TTrayIcon&) { ++said; });
    Tray->SetMinimizeToTray(true);
    Area.Shown = false;
    Area.Refusing = true;
    Area.TrayComesBack();
    for (int round = 0; round < 2; ++round) {
        Window.showMinimized();
        ASSERT_TRUE(WaitFor([&] { return said > 0; }));
        EXPECT_TRUE(Window.isVisible()) << "a window hidden into a missing tray could not be reached";
        EXPECT_TRUE(Window.isMinimized());
        EXPECT_FALSE(Tray->HoldsWindow());
        Tray->ShowMainForm();
    }
    EXPECT_EQ(said, 1) << "once per run";

    // A notification area that appears later takes the icon, and the option works from then on.
    Area.Refusing = false;
    Area.TrayComesBack();
    EXPECT_TRUE(Area.Shown);
    Window.showMinimized();
    EXPECT_TRUE(WaitFor([&] { return !Window.isVisible(); }));
    EXPECT_TRUE(Tray->HoldsWindow());
}

TEST_F(MinimizeToTrayTest, AWindowInTheTrayReturnsToTheTaskbarMinimised)
{
    Tray->SetMinimizeToTray(true);
    Window.showMinimized();
    ASSERT_TRUE(WaitFor([&] { return Tray->HoldsWindow(); }));
    Tray->SetMinimizeToTray(false);
    Tray->ReturnToTaskbar();
    EXPECT_TRUE(Window.isVisible());
    EXPECT_TRUE(Window.isMinimized()) << "back on the taskbar, not restored";
    EXPECT_FALSE(Tray->HoldsWindow());
}

TEST_F(MinimizeToTrayTest, WithoutTheOptionTheOrdinaryMinimiseHappens)
{
    Window.showMinimized();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(Window.isVisible());
    EXPECT_TRUE(Window.isMinimized());
    Tray->ShowMainForm();
    EXPECT_FALSE(Window.isMinimized());
}

} // namespace
