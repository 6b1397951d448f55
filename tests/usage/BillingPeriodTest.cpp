#include "usage/BillingPeriod.h"
#include "usage/LocalDay.h"

#include <gtest/gtest.h>

using namespace std::chrono;
using BillingPeriod::Containing;

namespace {

year_month_day Date(const char* text) { return *LocalDay::Parse(text); }

std::string Text(const BillingPeriod::TPeriod& period)
{
    return LocalDay::Text(period.First) + ".." + LocalDay::Text(period.Last);
}

} // namespace

TEST(BillingPeriod, APeriodRunsFromTheBillingDayToTheDayBeforeTheNextOne)
{
    EXPECT_EQ(Text(Containing(Date("2025-01-01"), 1)), "2025-01-01..2025-01-31");
    EXPECT_EQ(Text(Containing(Date("2025-02-14"), 1)), "2025-02-01..2025-02-28");
    EXPECT_EQ(Text(Containing(Date("2024-02-29"), 1)), "2024-02-01..2024-02-29") << "a leap year's February";
    EXPECT_EQ(Text(Containing(Date("2025-03-14"), 15)), "2025-02-15..2025-03-14");
    EXPECT_EQ(Text(Containing(Date("2025-03-15"), 15)), "2025-03-15..2025-04-14");
    EXPECT_EQ(Text(Containing(Date("2025-01-10"), 15)), "2024-12-15..2025-01-14") << "across the year's end";
    EXPECT_EQ(Text(Containing(Date("2024-12-31"), 28)), "2024-12-28..2025-01-27");
    EXPECT_EQ(Text(Containing(Date("2025-02-27"), 28)), "2025-01-28..2025-02-27");
    EXPECT_EQ(Text(Containing(Date("2025-02-28"), 28)), "2025-02-28..2025-03-27") << "February's last day";
}

TEST(BillingPeriod, PreviousPeriodsFollowEachOtherWithoutGapNewestFirst)
{
    const BillingPeriod::TPeriod current = Containing(Date("2025-03-05"), 28);
    const std::vector<BillingPeriod::TPeriod> previous = BillingPeriod::PreviousPeriods(current, 28, 14);
    ASSERT_EQ(previous.size(), 14u);
    EXPECT_EQ(Text(previous[0]), "2025-01-28..2025-02-27");
    BillingPeriod::TPeriod later = current;
    for (const BillingPeriod::TPeriod& period : previous) {
        EXPECT_EQ(sys_days(period.Last) + days(1), sys_days(later.First)) << Text(period);
        EXPECT_EQ(period.First.day(), day(28));
        later = period;
    }
    EXPECT_EQ(Text(previous.back()), "2023-12-28..2024-01-27");
}

TEST(BillingPeriod, StoredValuesOutsideTheirRangeAreReplacedWithAProblemLine)
{
    const BillingPeriod::TChecked valid = BillingPeriod::Checked(28, 50'000'000'000, 100);
    EXPECT_EQ(valid.Settings.BillingDay, 28);
    EXPECT_EQ(valid.Settings.DataCap, 50'000'000'000);
    EXPECT_EQ(valid.Settings.CapWarnPercent, 100);
    EXPECT_TRUE(valid.Problems.empty());
    for (const int64_t billingDay : {0, 29, 31}) {
        const BillingPeriod::TChecked checked = BillingPeriod::Checked(billingDay, 0, 80);
        EXPECT_EQ(checked.Settings.BillingDay, 1) << billingDay;
        ASSERT_EQ(checked.Problems.size(), 1u) << billingDay;
        EXPECT_NE(checked.Problems[0].find(std::to_string(billingDay)), std::string::npos) << checked.Problems[0];
    }
    const BillingPeriod::TChecked wrong = BillingPeriod::Checked(5, -1, 101);
    EXPECT_EQ(wrong.Settings.DataCap, 0);
    EXPECT_EQ(wrong.Settings.CapWarnPercent, 80);
    EXPECT_EQ(wrong.Problems.size(), 2u);
}

TEST(BillingPeriod, TheWarningComesAtTheShareOfTheCapAndNeverWithoutOne)
{
    const BillingPeriod::TSettings capped{1, 1000, 80};
    EXPECT_FALSE(BillingPeriod::WarningReached(799, capped));
    EXPECT_TRUE(BillingPeriod::WarningReached(800, capped));
    EXPECT_DOUBLE_EQ(*BillingPeriod::CapShare(1500, capped), 150.0);
    const BillingPeriod::TSettings uncapped{1, 0, 80};
    EXPECT_FALSE(BillingPeriod::CapShare(1, uncapped));
    EXPECT_FALSE(BillingPeriod::WarningReached(std::numeric_limits<int64_t>::max(), uncapped));
}
