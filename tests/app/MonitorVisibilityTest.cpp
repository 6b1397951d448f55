#include "app/MonitorVisibility.h"

#include <gtest/gtest.h>

namespace {

constexpr auto Show = TMonitorVisibility::Show;
constexpr auto Hide = TMonitorVisibility::Hide;
constexpr auto Keep = TMonitorVisibility::Keep;

struct TCase {
    bool ShowMonitor;
    bool HideWhenOffline;
    bool Online;
    TMonitorVisibility Expected;
};

void Check(TMonitorEvent event, std::initializer_list<TCase> cases)
{
    for (const TCase& c : cases)
        EXPECT_EQ(DecideMonitorVisibility(event, c.ShowMonitor, c.HideWhenOffline, c.Online), c.Expected)
            << "show " << c.ShowMonitor << ", hide when offline " << c.HideWhenOffline << ", online " << c.Online;
}

TEST(MonitorVisibility, ShowMonitorCommand)
{
    Check(TMonitorEvent::ShowMonitorCommand,
          {
              {true, true, false, Hide}, // checked while offline with hiding on: stays hidden until online
              {false, true, false, Hide},
              {true, false, false, Show},
              {true, true, true, Show},
              {true, false, true, Show},
              {false, false, false, Hide}, // unchecked (also the graph's double click): hidden
              {false, false, true, Hide},
              {false, true, true, Hide},
          });
}

TEST(MonitorVisibility, HideMonitorCommand)
{
    Check(TMonitorEvent::HideMonitorCommand,
          {
              {true, true, false, Hide}, // turned on while offline: hidden at once
              {false, true, false, Hide},
              {true, false, false, Show}, // turned off while offline with the monitor on: shown again
              {true, true, true, Show},
              {true, false, true, Show},
              {false, false, false, Keep}, // with the monitor off the window is left as it is
              {false, false, true, Keep},
              {false, true, true, Keep},
          });
}

TEST(MonitorVisibility, OnlineTransition)
{
    Check(TMonitorEvent::WentOnline, {
                                         {true, false, true, Show},
                                         {true, true, true, Show},
                                         {false, false, true, Keep},
                                         {false, true, true, Keep},
                                     });
}

TEST(MonitorVisibility, OfflineTransition)
{
    Check(TMonitorEvent::WentOffline, {
                                          {true, true, false, Hide},
                                          {false, true, false, Hide},
                                          {true, false, false, Keep}, // stays with its last values
                                          {false, false, false, Keep},
                                      });
}

} // namespace
