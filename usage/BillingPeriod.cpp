#include "BillingPeriod.h"

namespace BillingPeriod {

using namespace std::chrono;

TChecked Checked(int64_t billingDay, int64_t dataCap, int64_t capWarnPercent)
{
    TChecked checked;
    const TSettings defaults;
    if (billingDay >= 1 && billingDay <= 28) {
        checked.Settings.BillingDay = static_cast<int>(billingDay);
    } else {
        checked.Problems.push_back("The stored billing day " + std::to_string(billingDay) +
                                   " is not 1 to 28; the period starts on day " + std::to_string(defaults.BillingDay) +
                                   ".");
    }
    if (dataCap >= 0) {
        checked.Settings.DataCap = dataCap;
    } else {
        checked.Problems.push_back("The stored data cap " + std::to_string(dataCap) + " is negative; no cap is set.");
    }
    if (capWarnPercent >= 1 && capWarnPercent <= 100) {
        checked.Settings.CapWarnPercent = static_cast<int>(capWarnPercent);
    } else {
        checked.Problems.push_back("The stored cap warning " + std::to_string(capWarnPercent) +
                                   "% is not 1 to 100; the warning comes at " +
                                   std::to_string(defaults.CapWarnPercent) + "%.");
    }
    return checked;
}

TPeriod Containing(year_month_day date, int billingDay)
{
    const auto start = day(static_cast<unsigned>(billingDay));
    year_month first = date.year() / date.month();
    if (date.day() < start) first -= months(1);
    const year_month_day firstDay = first / start;
    const year_month_day nextFirst = (first + months(1)) / start;
    return {firstDay, year_month_day(sys_days(nextFirst) - days(1))};
}

TPeriod Previous(const TPeriod& period, int billingDay)
{
    return Containing(year_month_day(sys_days(period.First) - days(1)), billingDay);
}

std::vector<TPeriod> PreviousPeriods(const TPeriod& period, int billingDay, int count)
{
    std::vector<TPeriod> periods;
    TPeriod at = period;
    for (int i = 0; i < count; ++i) {
        at = Previous(at, billingDay);
        periods.push_back(at);
    }
    return periods;
}

std::optional<double> CapShare(int64_t used, const TSettings& settings)
{
    if (settings.DataCap <= 0) return std::nullopt;
    return static_cast<double>(used) * 100.0 / static_cast<double>(settings.DataCap);
}

bool WarningReached(int64_t used, const TSettings& settings)
{
    if (settings.DataCap <= 0) return false;
    // In integers wide enough for any cap, so that the warning comes at the exact byte.
    return static_cast<__int128>(used) * 100 >= static_cast<__int128>(settings.DataCap) * settings.CapWarnPercent;
}

} // namespace BillingPeriod
