#pragma once

#include "BillingPeriod.h"
#include "UsageFigures.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class TSqliteDatabase;

// The usage file opened for reading only: it is never made, changed or moved aside, so the command line and
// the usage window can read it while the program writes it (the write-ahead log lets both go on).
class TUsageReader {
public:
    enum class TState {
        Missing, // no file yet: every query answers nothing
        Opened,
        Damaged,    // not a database, failing its integrity check, or written by a newer version
        Unreadable, // a link, not a regular file, not the user's own, or failing to open
    };

    explicit TUsageReader(const std::string& path);
    ~TUsageReader();
    TState State() const { return Status; }
    // Why it is Damaged or Unreadable, "" otherwise.
    const std::string& Problem() const { return Reason; }

    // The figures of the count newest days that have any, newest first and adapters in name order within a
    // day; only the named adapter's when one is given. Queries raise ESqlite when the file fails while read.
    std::vector<TUsageRow> Days(const std::optional<std::string>& adapter, int count);
    // Per adapter, the totals of the count newest billing periods up to and including latest that have any,
    // newest first; a row's date is its period's first day.
    std::vector<TUsageRow> Periods(const std::optional<std::string>& adapter, const BillingPeriod::TPeriod& latest,
                                   int billingDay, int count);
    // The totals over the days of the period, of the named adapter or of all.
    TUsageFigures Total(const std::optional<std::string>& adapter, const BillingPeriod::TPeriod& period);

private:
    std::vector<TUsageRow> PeriodRows(const std::optional<std::string>& adapter, const BillingPeriod::TPeriod& period);

    TState Status = TState::Missing;
    std::string Reason;
    std::unique_ptr<TSqliteDatabase> Database; // only when Opened with a table to read
};
