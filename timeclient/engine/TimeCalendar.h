#pragma once

#include <cstdint>
#include <string>

// A universal calendar time, as the time server's seconds give it.
struct TCalendarTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

namespace TimeCalendar {

// Seconds since 1900-01-01 00:00:00 UTC (RFC 868) to the calendar. Counted from 1904 in four-year
// cycles: exact from 126144000 (1904) to 4294967295 (2036-02-07 06:28:15); values below 126144000 wrap
// to 2036-2040, where the 32-bit count goes after its rollover.
TCalendarTime FromServerSeconds(uint32_t serverSeconds);
// The calendar time of seconds since 1970-01-01 00:00:00 UTC.
TCalendarTime FromUnixSeconds(int64_t unixSeconds);
// Seconds since 1970-01-01 UTC of a calendar time.
int64_t ToUnixSeconds(const TCalendarTime& time);
// "%02d/%02d/%04d %02d:%02d:%02d" (month first).
std::string Format(const TCalendarTime& time);
// The calendar time shifted by the local offset in force now (daylight saving included), whatever the
// offset was at that instant.
TCalendarTime ToLocal(const TCalendarTime& universal);

} // namespace TimeCalendar
