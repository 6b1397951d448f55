#pragma once

#include "BillingPeriod.h"
#include "Units.h"

#include <chrono>
#include <optional>
#include <string>

// What `qorvix --usage [--days N | --months N] [--json] [--adapter NAME]` prints. The usage file is only
// read: the program may be writing it, and a damaged file is left for the program to move aside.
namespace UsageReport {

inline constexpr int DefaultDays = 30;

struct TRequest {
    std::string Path;                   // the usage file
    int Days = DefaultDays;             // how many days that have figures, newest first
    std::optional<int> Months;          // with a count: that many billing periods instead of days
    bool Json = false;                  // one JSON array of objects instead of the table
    std::optional<std::string> Adapter; // only this adapter's figures; all adapters otherwise
    BillingPeriod::TSettings Billing;
    Units::TUnits Units = Units::TUnits::IEC;
    std::chrono::year_month_day Today; // the local date, which decides the current period
};

struct TOutcome {
    int ExitCode = 0;   // 0 printed (an empty report when there is no file yet); 1 the file could not be read
    std::string Output; // for standard output
    std::string Error;  // for standard error
};

// The table: a line per adapter and day (or period), newest first, with the amounts in the chosen units and
// the time online, then the current period's total against the cap. With Json, objects with "date" (a
// period's first day with Months), "adapter", and "received", "sent" (bytes) and "seconds" as integers.
TOutcome Run(const TRequest& request);

} // namespace UsageReport
