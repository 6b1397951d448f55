// The notification rules over a notification service that keeps what is on its screen.
#include "app/NotificationRules.h"
#include "doubles/FakeNotifier.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t Cap = 10'000;
constexpr const char* December = "2026-12-01";
constexpr const char* January = "2027-01-01";

QString Bytes(int64_t bytes) { return QString("%1 B").arg(bytes); }

class TNotificationRulesTest : public testing::Test {
protected:
    const TNotification& Shown() const
    {
        EXPECT_EQ(Notifier.OnScreen.size(), 1u);
        return Notifier.OnScreen.begin()->second;
    }

    TFakeNotifier Notifier;
    TNotificationRules Rules{Notifier, Bytes};
};

TEST_F(TNotificationRulesTest, ConnectionChangesShowOnlyOnceTheOptionIsOn)
{
    Rules.ConnectionChanged(false, "eth0", "");
    Rules.ConnectionChanged(true, "eth0", "192.0.2.7");
    EXPECT_EQ(Notifier.ShowCalls, 0);

    Rules.SetNotifyConnection(true);
    Rules.ConnectionChanged(false, "eth0", "");
    EXPECT_EQ(Shown().Summary, "Connection lost");
    EXPECT_EQ(Shown().Category, "network.disconnected");
    EXPECT_TRUE(Shown().Body.contains("eth0")) << Shown().Body.toStdString();
}

TEST_F(TNotificationRulesTest, FlappingLinkLeavesOneNotificationInItsLatestState)
{
    Rules.SetNotifyConnection(true);
    for (int flap = 0; flap < 5; ++flap) {
        Rules.ConnectionChanged(false, "Home Wi-Fi", "");
        Rules.ConnectionChanged(true, "Home Wi-Fi", QString("192.0.2.%1").arg(flap + 10));
    }
    EXPECT_EQ(Notifier.ShowCalls, 10);
    EXPECT_EQ(Shown().Summary, "Connection restored");
    EXPECT_EQ(Shown().Category, "network.connected");
    EXPECT_TRUE(Shown().Body.contains("Home Wi-Fi")) << Shown().Body.toStdString();
    EXPECT_TRUE(Shown().Body.contains("192.0.2.14")) << Shown().Body.toStdString();
}

TEST_F(TNotificationRulesTest, CapWarnsOnceAtTheWarningShareAndOnceAtTheCapEachPeriod)
{
    EXPECT_FALSE(Rules.UsageChecked(December, 7'999, Cap, 80));
    EXPECT_TRUE(Rules.UsageChecked(December, 8'000, Cap, 80));
    EXPECT_EQ(Shown().Summary, "Data cap: 80% used");
    EXPECT_EQ(Shown().Urgency, TNotificationUrgency::Normal);
    EXPECT_EQ(Shown().Body, "8000 B of the 10000 B data cap used in this billing period.");
    EXPECT_FALSE(Rules.UsageChecked(December, 9'500, Cap, 80));
    EXPECT_EQ(Notifier.ShowCalls, 1);

    // The cap reached replaces the warning on screen.
    EXPECT_TRUE(Rules.UsageChecked(December, 10'000, Cap, 80));
    EXPECT_EQ(Shown().Summary, "Data cap: 100% used");
    EXPECT_EQ(Shown().Urgency, TNotificationUrgency::Critical);
    EXPECT_FALSE(Rules.UsageChecked(December, 12'000, Cap, 80));
    EXPECT_EQ(Notifier.ShowCalls, 2);
    EXPECT_EQ(Rules.ShownCapWarnings(), "2026-12-01:80,100");

    // A new period takes the old warning away and warns again.
    EXPECT_TRUE(Rules.UsageChecked(January, 100, Cap, 80));
    EXPECT_TRUE(Notifier.OnScreen.empty());
    Rules.UsageChecked(January, 8'200, Cap, 80);
    EXPECT_EQ(Shown().Summary, "Data cap: 82% used");
}

TEST_F(TNotificationRulesTest, CapPassedBetweenTwoChecksShowsOnlyTheCapReached)
{
    Rules.UsageChecked(December, 13'000, Cap, 80);
    Rules.UsageChecked(December, 13'500, Cap, 80);
    EXPECT_EQ(Notifier.ShowCalls, 1);
    EXPECT_EQ(Shown().Summary, "Data cap: 130% used");
}

TEST_F(TNotificationRulesTest, RaisedWarningShareWarnsAgainLoweredOneDoesNot)
{
    Rules.UsageChecked(December, 8'000, Cap, 80);
    Rules.UsageChecked(December, 8'100, Cap, 70);
    EXPECT_EQ(Notifier.ShowCalls, 1);
    Rules.UsageChecked(December, 9'000, Cap, 90);
    EXPECT_EQ(Notifier.ShowCalls, 2);
    EXPECT_EQ(Rules.ShownCapWarnings(), "2026-12-01:90");
}

TEST_F(TNotificationRulesTest, ShownWarningsSurviveARestart)
{
    Rules.UsageChecked(December, 8'500, Cap, 80);
    TFakeNotifier afterRestart;
    TNotificationRules restarted(afterRestart, Bytes);
    restarted.RestoreCapWarnings(Rules.ShownCapWarnings());
    restarted.UsageChecked(December, 9'000, Cap, 80);
    EXPECT_EQ(afterRestart.ShowCalls, 0);
    restarted.UsageChecked(December, 10'500, Cap, 80);
    EXPECT_EQ(afterRestart.ShowCalls, 1);
    EXPECT_EQ(restarted.ShownCapWarnings(), "2026-12-01:80,100");

    // A stored period that has ended, or a text that does not read, holds back nothing.
    for (const char* stored : {"2026-11-01:80,100", "2026-12-01:eighty", "80"}) {
        TFakeNotifier fresh;
        TNotificationRules rules(fresh, Bytes);
        rules.RestoreCapWarnings(stored);
        rules.UsageChecked(December, 8'000, Cap, 80);
        EXPECT_EQ(fresh.ShowCalls, 1) << stored;
    }
}

TEST_F(TNotificationRulesTest, CapStaysSilentWithoutACapOrWhileTheOptionIsOff)
{
    Rules.UsageChecked(December, 50'000, 0, 80);
    Rules.SetNotifyCap(false);
    Rules.UsageChecked(December, 50'000, Cap, 80);
    EXPECT_EQ(Notifier.ShowCalls, 0);
    EXPECT_EQ(Rules.ShownCapWarnings(), "");

    Rules.SetNotifyCap(true);
    Rules.UsageChecked(December, 50'000, Cap, 80);
    EXPECT_EQ(Shown().Summary, "Data cap: 500% used");
}

TEST_F(TNotificationRulesTest, WithoutAServiceNothingShowsAndOneLineSaysSo)
{
    Notifier.Present = false;
    Rules.SetNotifyConnection(true);
    EXPECT_EQ(Rules.TakeProblem(), ""); // nothing was due yet

    Rules.ConnectionChanged(false, "eth0", "");
    Rules.UsageChecked(December, 10'000, Cap, 80);
    EXPECT_EQ(Rules.TakeProblem(), "No notification service on the desktop: notifications are not shown.");
    Rules.ConnectionChanged(true, "eth0", "192.0.2.7");
    Rules.UsageChecked(December, 10'000, Cap, 80);
    EXPECT_EQ(Rules.TakeProblem(), "");
    EXPECT_TRUE(Notifier.OnScreen.empty());
    EXPECT_EQ(Rules.ShownCapWarnings(), "");

    // A service that comes later gets the warning that could not be shown.
    Notifier.Present = true;
    Rules.UsageChecked(December, 10'000, Cap, 80);
    EXPECT_EQ(Shown().Summary, "Data cap: 100% used");
}

} // namespace
