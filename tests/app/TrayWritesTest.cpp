// What the poll cycle writes to the tray icon, seen from the notification area.
#include "app/TrayImage.h"
#include "app/main.h"
#include "ui/ImageList.h"
#include "ui/TrayIcon.h"

#include "doubles/FakeNotificationArea.h"
#include "doubles/TestPlatform.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

using TRequest = TFakeNotificationArea::TRequest;

class TrayWrites : public testing::Test {
protected:
    TTestPlatform Platform;
    TFakeNotificationArea Area;
    std::unique_ptr<TMainForm> Form;

    void SetUp() override
    {
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "eth0";
        adapter.Name = "eth0";
        adapter.Ips = {"192.168.1.20"};
        Platform.IpHelper.Adapters = {adapter};
        Platform.IpHelper.Row =
            MIB_IFROW{0, MIB_IF_TYPE_ETHERNET, 1'000'000'000, MIB_IF_OPER_STATUS_NON_OPERATIONAL, 5000, 7000};
        Form = std::make_unique<TMainForm>(Platform.Services(), nullptr, &Area);
        Form->FormCreate();
        Form->TimerStatus->stop();
    }

    void Tick(uint64_t sent = 0, uint64_t received = 0)
    {
        Platform.Clock.Advance(1000);
        Platform.IpHelper.Row.dwOutOctets += sent;
        Platform.IpHelper.Row.dwInOctets += received;
        Form->TimerStatusTimer();
    }
    void GoOnline()
    {
        Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
        Tick();
        ASSERT_TRUE(Form->State.Online);
    }
    qint64 Image(int index) const { return Form->IconList->Image(index).cacheKey(); }
};

TEST_F(TrayWrites, AtStartTheDesktopShowsTheOfflinePictureTheNullAddressAndThePopupMenu)
{
    ASSERT_TRUE(Area.Shown);
    EXPECT_EQ(Area.ShownTip, "0.0.0.0");
    EXPECT_EQ(Area.ShownIcon, Image(0));
    // Desktops that show the menu they were given show this one on a right click.
    EXPECT_EQ(Area.Menu, Form->PopupMenu);
}

TEST_F(TrayWrites, BothTransitionsWriteTheAddressAndTheImage)
{
    GoOnline();
    EXPECT_EQ(Form->TrayIcon->Hint(), "192.168.1.20");
    EXPECT_EQ(Form->TrayIcon->IconIndex(), 1);
    EXPECT_EQ(Area.ShownTip, "192.168.1.20");
    EXPECT_EQ(Area.ShownIcon, Image(1));

    Tick(100, 100);
    ASSERT_EQ(Form->TrayIcon->IconIndex(), 4);
    Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    Tick();
    ASSERT_FALSE(Form->State.Online);
    EXPECT_EQ(Form->TrayIcon->Hint(), "0.0.0.0");
    EXPECT_EQ(Form->TrayIcon->IconIndex(), 0);
    EXPECT_EQ(Area.ShownTip, "0.0.0.0");
    EXPECT_EQ(Area.ShownIcon, Image(0));
}

TEST_F(TrayWrites, EachSamplePicksTheImageByWhichRatesAreAboveZero)
{
    GoOnline();
    struct TCase {
        uint64_t Sent, Received;
        int Image;
    };
    for (const TCase& sample : {TCase{500, 0, 2}, TCase{0, 12, 3}, TCase{3, 9, 4}, TCase{0, 0, 1}, TCase{0, 1, 3}}) {
        Tick(sample.Sent, sample.Received);
        EXPECT_EQ(Form->TrayIcon->IconIndex(), sample.Image)
            << "sent " << sample.Sent << ", received " << sample.Received;
        EXPECT_EQ(Area.ShownIcon, Image(sample.Image));
    }
}

TEST_F(TrayWrites, AnUnchangedImageOrAddressIsNotSentAgain)
{
    GoOnline();
    Tick(100, 0);
    const auto requests = Area.Requests.size();
    for (int i = 0; i < 5; ++i)
        Tick(100, 0);
    EXPECT_EQ(Area.Requests.size(), requests) << "five samples with the same image";
    Tick(0, 100);
    EXPECT_EQ(Area.Requests.size(), requests + 1);
    EXPECT_EQ(Area.Requests.back().Kind, TRequest::Modify);
}

TEST(TrayImageForRates, FourTestsInOrderAndNegativeRatesLeaveTheImage)
{
    EXPECT_EQ(TrayImageForRates(0, 0), 1);
    EXPECT_EQ(TrayImageForRates(5000, 0), 2);
    EXPECT_EQ(TrayImageForRates(0, 12), 3);
    EXPECT_EQ(TrayImageForRates(1, 1), 4);
    EXPECT_EQ(TrayImageForRates(-5, 0), std::nullopt);
    EXPECT_EQ(TrayImageForRates(0, -1), std::nullopt);
    EXPECT_EQ(TrayImageForRates(-1, 10), std::nullopt);
    EXPECT_EQ(TrayImageForRates(10, -1), std::nullopt);
}

TEST_F(TrayWrites, MinimisingWithTheOptionSendsTheWindowToTheTray)
{
    Form->show();
    Form->TrayIcon->SetMinimizeToTray(true);
    Form->showMinimized();
    for (QDeadlineTimer deadline(10000); Form->isVisible() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_TRUE(Area.Shown);
    Form->TrayIcon->ShowMainForm();
    EXPECT_TRUE(Form->isVisible());
    EXPECT_FALSE(Form->isMinimized());
}

} // namespace
