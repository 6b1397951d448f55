#include "app/MonitorState.h"

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

TEST(MonitorState, StoredFieldDefaults)
{
    EXPECT_EQ(DefaultMaxGraph, 25600);
    EXPECT_EQ(DefaultMinGraph, 0);
    EXPECT_EQ(DefaultSynchronizeTimeInterval, 7200);
    EXPECT_STREQ(DefaultNotAvailable, "N/A");
    EXPECT_STRNE(DefaultSynchronizeTimeServer, "");
}

} // namespace
