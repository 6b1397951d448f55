#include "app/MonitorState.h"
#include "app/main.h"

#include "doubles/QtPrinters.h"
#include "doubles/TestPlatform.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(MonitorState, StartsAtZeroValuesUntilStartUpLoadsTheStoredOnes)
{
    const MonitorState state;
    EXPECT_FALSE(state.Online);
    for (int64_t value :
         {state.OnlineTick, state.SentAtOnline, state.RecvAtOnline, state.PrevTick, state.PrevSent, state.PrevRecv,
          state.LastSpeed, state.LastSent, state.LastRecv, state.LastDuration, state.TotalSent, state.TotalRecv,
          state.TotalDuration, state.MaxGraph, state.MinGraph, state.SynchronizeTimeInterval})
        EXPECT_EQ(value, 0);
    for (const QString& text : {state.LastOnLine, state.LastOffLine, state.LastConn, state.SynchronizeTimeServer})
        EXPECT_TRUE(text.isEmpty());
}

TEST(MonitorState, AFreshInstallationStartsWithTheDefaultsOfEveryStoredField)
{
    TTestPlatform platform;
    TMainForm form(platform.Services());
    form.FormCreate();
    form.TimerStatus->stop();
    const MonitorState& state = form.State;
    EXPECT_FALSE(state.Online);
    EXPECT_EQ(state.LastOnLine, "N/A");
    EXPECT_EQ(state.LastOffLine, "N/A");
    EXPECT_EQ(state.LastConn, "N/A");
    for (int64_t value : {state.LastSpeed, state.LastSent, state.LastRecv, state.LastDuration, state.TotalSent,
                          state.TotalRecv, state.TotalDuration, state.OnlineTick, state.PrevTick})
        EXPECT_EQ(value, 0);
    EXPECT_EQ(state.MaxGraph, 25600);
    EXPECT_EQ(state.MinGraph, 0);
    EXPECT_EQ(state.SynchronizeTimeInterval, 7200);
    EXPECT_FALSE(state.SynchronizeTimeServer.trimmed().isEmpty()) << "a host to ask";
    EXPECT_FALSE(state.SynchronizeTimeServer.contains(' '));
}

} // namespace
