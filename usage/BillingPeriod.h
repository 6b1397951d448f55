#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The provider's billing period and the monthly cap. A period runs from a billing day (inclusive) up to the
// day before the next month's billing day. The billing day is at most 28 so that every month has it: a
// period is then always one calendar month long and needs no rule for short months.
namespace BillingPeriod {

// The stored settings' names, so that every reader and writer of them agrees.
inline constexpr const char* BillingDayName = "BillingDay";
inline constexpr const char* DataCapName = "DataCap";
inline constexpr const char* CapWarnPercentName = "CapWarnPercent";

struct TSettings {
    int BillingDay = 1;      // 1 to 28
    int64_t DataCap = 0;     // bytes per period; 0 for no cap
    int CapWarnPercent = 80; // 1 to 100: the share of the cap at which the user is warned
};

struct TChecked {
    TSettings Settings;
    std::vector<std::string> Problems; // one line per stored value that was replaced by its default
};

// The stored values as they were read, a value outside its range replaced by its default.
TChecked Checked(int64_t billingDay, int64_t dataCap, int64_t capWarnPercent);

struct TPeriod {
    std::chrono::year_month_day First;
    std::chrono::year_month_day Last; // inclusive

    bool Contains(std::chrono::year_month_day date) const { return First <= date && date <= Last; }
    bool operator==(const TPeriod&) const = default;
};

// The period the local date falls in.
TPeriod Containing(std::chrono::year_month_day date, int billingDay);
// The period just before.
TPeriod Previous(const TPeriod& period, int billingDay);
// The count periods before the given one, the nearest first.
std::vector<TPeriod> PreviousPeriods(const TPeriod& period, int billingDay, int count);

// The share of the cap used, in percent (above 100 once it is exceeded); nothing without a cap.
std::optional<double> CapShare(int64_t used, const TSettings& settings);
// Whether the use has reached the share of the cap the user is warned at; never without a cap.
bool WarningReached(int64_t used, const TSettings& settings);

} // namespace BillingPeriod
