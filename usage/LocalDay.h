#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The local calendar day a moment falls on, and its text as the usage file keeps it ("2025-03-30"). The day
// is the civil date under the time zone rules of localtime_r, so a day of 23 or 25 hours at a change of
// daylight saving time is one day like any other.
namespace LocalDay {

// The local date of a moment: the seam through which tests and the program agree on what "today" is.
using TLocalDate = std::function<std::chrono::year_month_day(std::chrono::system_clock::time_point)>;

// The date under the TZ rules in force (setenv("TZ") and tzset() change them).
std::chrono::year_month_day Of(std::chrono::system_clock::time_point moment);

// "YYYY-MM-DD"; its text order is the order of the days.
std::string Text(std::chrono::year_month_day date);
// A valid date written as Text writes it; nothing for anything else.
std::optional<std::chrono::year_month_day> Parse(std::string_view text);

} // namespace LocalDay
