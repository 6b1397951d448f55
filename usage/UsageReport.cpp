#include "UsageReport.h"

#include "LocalDay.h"
#include "Sqlite.h"
#include "UsageReader.h"

#include "platform/linux/PrintableText.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <vector>

namespace UsageReport {

namespace {

// A JSON string of any bytes. JSON holds only Unicode, so a byte that is not part of valid UTF-8 becomes
// U+FFFD; control characters (C1 and DEL too) are escaped, so the output is safe to print on a terminal.
std::string JsonString(std::string_view text)
{
    std::string json = "\"";
    while (!text.empty()) {
        uint32_t code = 0;
        const std::size_t length = PrintableText::Utf8Character(text, code);
        if (length == 0) {
            json += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (code == '"' || code == '\\') {
            json += '\\';
            json += static_cast<char>(code);
        } else if (code < 0x20 || (code >= 0x7f && code < 0xa0)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(code));
            json += escaped;
        } else {
            json.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return json + "\"";
}

std::string Duration(int64_t seconds)
{
    char text[48];
    std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64, seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

// Columns are measured in characters: the escaped names are valid UTF-8, whose continuation bytes take no room.
std::size_t Width(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

using TLine = std::array<std::string, 5>;

std::string Table(const std::vector<TLine>& lines)
{
    std::array<std::size_t, 5> widths{};
    for (const TLine& line : lines) {
        for (std::size_t column = 0; column < line.size(); ++column)
            widths[column] = std::max(widths[column], Width(line[column]));
    }
    std::string table;
    for (const TLine& line : lines) {
        std::string text;
        for (std::size_t column = 0; column < line.size(); ++column) {
            const std::string padding(widths[column] - Width(line[column]), ' ');
            if (column > 0) text += "  ";
            // Names to the left, amounts and times to the right, so that their digits line up.
            text += column < 2 ? line[column] + padding : padding + line[column];
        }
        text.erase(text.find_last_not_of(' ') + 1);
        table += text + "\n";
    }
    return table;
}

std::string PeriodText(const BillingPeriod::TPeriod& period)
{
    return LocalDay::Text(period.First) + " to " + LocalDay::Text(period.Last);
}

// "Current period 2025-03-15 to 2025-04-14: 1.70 GiB of 50.00 GiB (3.4%)", the share in tenths computed in
// integers so that the decimal point does not follow the locale.
std::string CurrentPeriodLine(const TRequest& request, const BillingPeriod::TPeriod& period, int64_t used)
{
    std::string line = "Current period " + PeriodText(period) + ": " + Units::Amount(used, request.Units);
    const int64_t cap = request.Billing.DataCap;
    if (cap <= 0) return line + " (no cap set)\n";
    const auto tenths = static_cast<int64_t>((static_cast<__int128>(used) * 1000 + cap / 2) / cap);
    char share[48];
    std::snprintf(share, sizeof share, "%" PRId64 ".%" PRId64 "%%", tenths / 10, tenths % 10);
    line += " of " + Units::Amount(cap, request.Units) + " (" + share + ")";
    if (BillingPeriod::WarningReached(used, request.Billing))
        line += ", past the warning at " + std::to_string(request.Billing.CapWarnPercent) + "%";
    return line + "\n";
}

std::string Json(const std::vector<TUsageRow>& rows)
{
    if (rows.empty()) return "[]\n";
    std::string json = "[\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TUsageRow& row = rows[i];
        json += "  {\"date\": " + JsonString(row.Date) + ", \"adapter\": " + JsonString(row.Adapter) +
                ", \"received\": " + std::to_string(row.Figures.Received) +
                ", \"sent\": " + std::to_string(row.Figures.Sent) +
                ", \"seconds\": " + std::to_string(row.Figures.Seconds) + "}" + (i + 1 < rows.size() ? ",\n" : "\n");
    }
    return json + "]\n";
}

TOutcome Unreadable(const TRequest& request, TUsageReader::TState state, const std::string& reason)
{
    const std::string path = PrintableText::Escaped(request.Path);
    if (state == TUsageReader::TState::Damaged)
        return {1,
                {},
                "The usage file " + path + " is damaged (" + PrintableText::Escaped(reason) +
                    "); the program moves it aside the next time it starts.\n"};
    return {1, {}, "The usage file " + path + " cannot be read: " + PrintableText::Escaped(reason) + ".\n"};
}

} // namespace

TOutcome Run(const TRequest& request)
{
    TUsageReader reader(request.Path);
    if (reader.State() == TUsageReader::TState::Damaged || reader.State() == TUsageReader::TState::Unreadable)
        return Unreadable(request, reader.State(), reader.Problem());
    const int billingDay = request.Billing.BillingDay;
    const BillingPeriod::TPeriod current = BillingPeriod::Containing(request.Today, billingDay);
    try {
        const std::vector<TUsageRow> rows = request.Months
                                                ? reader.Periods(request.Adapter, current, billingDay, *request.Months)
                                                : reader.Days(request.Adapter, request.Days);
        if (request.Json) return {0, Json(rows), {}};
        std::vector<TLine> lines{{request.Months ? "Period" : "Date", "Adapter", "Received", "Sent", "Online"}};
        for (const TUsageRow& row : rows) {
            const auto first = LocalDay::Parse(row.Date);
            lines.push_back({request.Months && first ? PeriodText(BillingPeriod::Containing(*first, billingDay))
                                                     : PrintableText::Escaped(row.Date),
                             PrintableText::Escaped(row.Adapter), Units::Amount(row.Figures.Received, request.Units),
                             Units::Amount(row.Figures.Sent, request.Units), Duration(row.Figures.Seconds)});
        }
        const int64_t used = reader.Total(request.Adapter, current).Bytes();
        return {0, Table(lines) + CurrentPeriodLine(request, current, used), {}};
    } catch (const ESqlite& error) {
        const bool damaged = error.ResultCode() == SQLITE_NOTADB || error.ResultCode() == SQLITE_CORRUPT;
        return Unreadable(request, damaged ? TUsageReader::TState::Damaged : TUsageReader::TState::Unreadable,
                          error.what());
    }
}

} // namespace UsageReport
