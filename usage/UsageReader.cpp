#include "UsageReader.h"

#include "LocalDay.h"
#include "Sqlite.h"
#include "UsageSchema.h"

namespace {

// The program holds its write lock only for a flush, a few milliseconds; a reader waits that out.
constexpr int BusyTimeoutMs = 2000;

TUsageRow RowOf(const TSqliteStatement& statement, std::string date, int first)
{
    return {std::move(date),
            statement.Text(first),
            {statement.Int64(first + 1), statement.Int64(first + 2), statement.Int64(first + 3)}};
}

std::string AdapterClause(const std::optional<std::string>& adapter, const char* parameter)
{
    return adapter ? std::string(" AND adapter = ") + parameter : std::string();
}

} // namespace

TUsageReader::TUsageReader(const std::string& path)
{
    const UsageSchema::TFileCheck file = UsageSchema::CheckFile(path);
    if (file.State == UsageSchema::TFileState::Missing) return;
    if (file.State == UsageSchema::TFileState::Refused) {
        Status = TState::Unreadable;
        Reason = file.Problem;
        return;
    }
    try {
        auto database = std::make_unique<TSqliteDatabase>(path, SQLITE_OPEN_READONLY);
        sqlite3_busy_timeout(database->Handle(), BusyTimeoutMs);
        Reason = UsageSchema::Damage(*database);
        if (!Reason.empty()) {
            Status = TState::Damaged;
            return;
        }
        Status = TState::Opened;
        // A file the program has made but not yet given its table has nothing to read.
        if (database->Int64("PRAGMA user_version") >= 1) Database = std::move(database);
    } catch (const ESqlite& error) {
        Status = TState::Unreadable;
        Reason = error.what();
    }
}

TUsageReader::~TUsageReader() = default;

std::vector<TUsageRow> TUsageReader::Days(const std::optional<std::string>& adapter, int count)
{
    std::vector<TUsageRow> rows;
    if (!Database || count <= 0) return rows;
    // Over all adapters the limit counts days, not rows: the oldest day to show is found first.
    TSqliteStatement statement(
        *Database,
        adapter ? "SELECT day, adapter, received, sent, seconds FROM usage_day WHERE adapter = ?2"
                  " ORDER BY day DESC LIMIT ?1"
                : "SELECT day, adapter, received, sent, seconds FROM usage_day WHERE day >= (SELECT MIN(day) FROM"
                  " (SELECT DISTINCT day FROM usage_day ORDER BY day DESC LIMIT ?1)) ORDER BY day DESC, adapter");
    statement.Bind(1, count);
    if (adapter) statement.Bind(2, *adapter);
    while (statement.Step())
        rows.push_back(RowOf(statement, statement.Text(0), 1));
    return rows;
}

std::vector<TUsageRow> TUsageReader::Periods(const std::optional<std::string>& adapter,
                                             const BillingPeriod::TPeriod& latest, int billingDay, int count)
{
    std::vector<TUsageRow> rows;
    if (!Database || count <= 0) return rows;
    TSqliteStatement first(*Database, "SELECT MIN(day) FROM usage_day WHERE 1" + AdapterClause(adapter, "?1"));
    if (adapter) first.Bind(1, *adapter);
    const auto oldest = first.Step() ? LocalDay::Parse(first.Text(0)) : std::nullopt;
    if (!oldest) return rows;
    int found = 0;
    for (BillingPeriod::TPeriod period = latest; found < count && period.Last >= *oldest;
         period = BillingPeriod::Previous(period, billingDay)) {
        std::vector<TUsageRow> periodRows = PeriodRows(adapter, period);
        if (periodRows.empty()) continue;
        rows.insert(rows.end(), periodRows.begin(), periodRows.end());
        ++found;
    }
    return rows;
}

std::vector<TUsageRow> TUsageReader::PeriodRows(const std::optional<std::string>& adapter,
                                                const BillingPeriod::TPeriod& period)
{
    TSqliteStatement statement(*Database, "SELECT adapter, SUM(received), SUM(sent), SUM(seconds) FROM usage_day"
                                          " WHERE day BETWEEN ?1 AND ?2" +
                                              AdapterClause(adapter, "?3") + " GROUP BY adapter ORDER BY adapter");
    const std::string date = LocalDay::Text(period.First);
    statement.Bind(1, date).Bind(2, LocalDay::Text(period.Last));
    if (adapter) statement.Bind(3, *adapter);
    std::vector<TUsageRow> rows;
    while (statement.Step())
        rows.push_back(RowOf(statement, date, 0));
    return rows;
}

TUsageFigures TUsageReader::Total(const std::optional<std::string>& adapter, const BillingPeriod::TPeriod& period)
{
    if (!Database) return {};
    TSqliteStatement statement(*Database, "SELECT SUM(received), SUM(sent), SUM(seconds) FROM usage_day"
                                          " WHERE day BETWEEN ?1 AND ?2" +
                                              AdapterClause(adapter, "?3"));
    statement.Bind(1, LocalDay::Text(period.First)).Bind(2, LocalDay::Text(period.Last));
    if (adapter) statement.Bind(3, *adapter);
    if (!statement.Step()) return {};
    return {statement.Int64(0), statement.Int64(1), statement.Int64(2)};
}
