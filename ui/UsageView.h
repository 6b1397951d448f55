#pragma once

#include "usage/BillingPeriod.h"
#include "usage/Units.h"
#include "usage/UsageFigures.h"

#include <QString>

#include <chrono>
#include <vector>

// One local day of the usage chart.
struct TUsageDay {
    std::chrono::year_month_day Date;
    TUsageFigures Figures;
};

// The totals of one billing period.
struct TUsagePeriod {
    BillingPeriod::TPeriod Period;
    TUsageFigures Figures;
};

// What the usage window shows of one adapter, or of all of them together.
struct TUsageView {
    static constexpr int DayCount = 30;
    static constexpr int PeriodCount = 12;

    QString Caption;             // the adapter's name, or "All adapters"
    std::vector<TUsageDay> Days; // oldest first, the last one today; a day without figures is all zero
    TUsagePeriod Current;        // the period today falls in
    BillingPeriod::TSettings Billing;
    std::vector<TUsagePeriod> Periods; // newest first, the current period at the front
    Units::TUnits Units = Units::TUnits::IEC;
};

// The view built from what the usage reader answers, and the texts the window writes.
namespace UsageView {

// The view from the rows of TUsageReader::Days (any adapters, any order; at least the DayCount newest days)
// and TUsageReader::Periods (by each period's first day), as on the local date today. Rows of one day or
// period are added up; days and periods the file has nothing for are zero, so there are always DayCount
// days ending today and PeriodCount periods starting with the current one.
TUsageView Of(const QString& caption, const std::vector<TUsageRow>& days, const std::vector<TUsageRow>& periods,
              const BillingPeriod::TSettings& billing, std::chrono::year_month_day today, Units::TUnits units);

// Received and sent together, held at the largest count rather than wrapping.
int64_t Total(const TUsageFigures& figures);

// "2025-03-15", as the usage file and the report write a day.
QString DateText(std::chrono::year_month_day date);
QString Amount(int64_t bytes, Units::TUnits units);
// Hours past 24 stay hours: "49:05:00".
QString Duration(int64_t seconds);
// "2025-03-15 to 2025-04-14"
QString PeriodText(const BillingPeriod::TPeriod& period);
// The date and the exact figures of a day, one to a line.
QString DayTip(const TUsageDay& day, Units::TUnits units);
// "Cap: 50.00 GiB", or "No data cap".
QString CapText(const TUsageView& view);
// "90.0% used, warning at 80%"; "" without a cap.
QString ShareText(const TUsageView& view);

} // namespace UsageView
