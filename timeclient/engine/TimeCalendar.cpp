#include "TimeCalendar.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace TimeCalendar {

namespace {

constexpr uint32_t SecondsFrom1900To1904 = 126144000;
constexpr int DaysPerCycle = 1461;

// Start day of each of the 48 months of a four-year cycle that begins with a leap year.
constexpr std::array<int, 49> MonthStarts()
{
    std::array<int, 49> starts{};
    constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int day = 0;
    for (int month = 0; month < 48; ++month) {
        starts[month] = day;
        day += lengths[month % 12] + (month == 1 ? 1 : 0);
    }
    starts[48] = day;
    return starts;
}

constexpr std::array<int, 49> Starts = MonthStarts();
static_assert(Starts[48] == DaysPerCycle);

} // namespace

TCalendarTime FromServerSeconds(uint32_t serverSeconds)
{
    const uint32_t t = serverSeconds - SecondsFrom1900To1904; // modulo 2^32
    const uint32_t days = t / 86400;
    const uint32_t seconds = t % 86400;
    const uint32_t cycles = days / DaysPerCycle;
    const int dayInCycle = static_cast<int>(days % DaysPerCycle);
    int month = 47;
    while (Starts[month] > dayInCycle)
        --month;

    TCalendarTime time;
    time.Year = 1904 + 4 * static_cast<int>(cycles) + month / 12;
    time.Month = month % 12 + 1;
    time.Day = dayInCycle - Starts[month] + 1;
    time.Hour = static_cast<int>(seconds / 3600);
    time.Minute = static_cast<int>(seconds % 3600 / 60);
    time.Second = static_cast<int>(seconds % 60);
    return time;
}

TCalendarTime FromUnixSeconds(int64_t unixSeconds)
{
    const std::time_t moment = static_cast<std::time_t>(unixSeconds);
    std::tm fields{};
    gmtime_r(&moment, &fields);
    return TCalendarTime{fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                         fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}

int64_t ToUnixSeconds(const TCalendarTime& time)
{
    std::tm fields{};
    fields.tm_year = time.Year - 1900;
    fields.tm_mon = time.Month - 1;
    fields.tm_mday = time.Day;
    fields.tm_hour = time.Hour;
    fields.tm_min = time.Minute;
    fields.tm_sec = time.Second;
    return static_cast<int64_t>(timegm(&fields));
}

std::string Format(const TCalendarTime& time)
{
    char text[48];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", time.Month, time.Day, time.Year, time.Hour,
                  time.Minute, time.Second);
    return text;
}

TCalendarTime ToLocal(const TCalendarTime& universal)
{
    // The offset in force now, not the one at the server's instant: the two differ when a daylight-saving
    // change lies between them, and the local time shown must agree with the clock on the desktop now.
    tzset(); // also after the zone was changed while running
    const std::time_t now = std::time(nullptr);
    std::tm localNow{};
    localtime_r(&now, &localNow);
    const std::time_t shifted = static_cast<std::time_t>(ToUnixSeconds(universal) + localNow.tm_gmtoff);
    std::tm local{};
    gmtime_r(&shifted, &local);
    return TCalendarTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour,        local.tm_min,     local.tm_sec};
}

} // namespace TimeCalendar
