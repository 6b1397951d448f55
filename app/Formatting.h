#pragma once

#include "netinfo/AdapterChoice.h"

#include <QLocale>
#include <QString>

#include <chrono>
#include <cstdint>

// The texts every display shares: durations, counts, time stamps, the connection's name and its
// network information. Counts and time stamps follow the user's locale (QLocale's default).
namespace Formatting {

// "%.2d:%.2d:%.2d" of hours, minutes and seconds; the hours are not limited (100:00:00).
QString FormatDuration(int64_t seconds);
// The value with the locale's thousands separator and no decimals (1,234,567).
QString CountText(int64_t value);
// The longest texts the two above make, of the largest count and the largest duration: what a display must
// make room for.
QString LongestCountText();
QString LongestDurationText();
// The text between hours and minutes in the locale's times; ":" when the locale's format has none.
QString TimeSeparator(const QLocale& locale);
// "ddd dd mmm yyyy hh:nn:ss" in local time with the locale's short day and month names; the colons are the
// locale's time separator.
QString TimeStamp(std::chrono::system_clock::time_point moment);
// The adapter's description, cut to 20 characters and "..." when longer.
QString ConnectionName(const std::string& description);
// Seven lines joined by carriage return and line feed, for the clipboard.
QString NetworkInfoText(const AdapterSnapshot& snapshot);
// The watched adapter's network information lines, joined the same way.
QString NetworkInfoText(const TWatchedAdapter& watched);
// The most characters an address label of the current connection shows at its own font: a dotted IPv4
// address always fits, a full IPv6 address (39) does not.
inline constexpr qsizetype AddressLabelRoom = 21;
// The address as it is when it fits; otherwise its first and last groups around "…" (2001:db8:…:0370:7334).
QString ShortenedAddress(const QString& address, qsizetype room = AddressLabelRoom);

} // namespace Formatting
