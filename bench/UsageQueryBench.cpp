// `qorvix --usage` over ten years of days for three adapters: the report of the last 30 days and of the last
// 12 billing periods, each from opening the file (with its integrity check) to the finished text, as the
// command line runs it. Each should answer within 50 ms.
#include "usage/LocalDay.h"
#include "usage/UsageReport.h"
#include "usage/UsageStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using namespace std::chrono;

constexpr int Years = 10;
const year_month_day LastDay{year{2026}, month{12}, day{9}};

// A folder of its own under the temporary directory holding the usage file, removed afterwards.
class TBenchDatabase {
public:
    TBenchDatabase()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-bench-XXXXXX").string();
        Folder = mkdtemp(pattern.data()) ? pattern : std::string();
        Path = Folder + "/usage.sqlite3";
        TUsageStore store(Path, {});
        const sys_days last(LastDay);
        for (sys_days at = last - days(365 * Years + Years / 4); at <= last; at += days(1)) {
            const int64_t n = (at - last).count();
            const std::string day = LocalDay::Text(year_month_day(at));
            store.Add("eth0", day, 3'000'000'000 + n * 7919, 200'000'000 + n, 28'800);
            store.Add("wlan0", day, 800'000'000 + n * 104'729, 90'000'000, 14'400);
            store.Add("enx00e04c680001", day, 5'000'000 - n, 700'000, 3'600);
        }
        store.Flush(0);
    }
    ~TBenchDatabase()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Folder, ignored);
    }
    std::string Folder;
    std::string Path;
};

const TBenchDatabase& Database()
{
    static const TBenchDatabase database;
    return database;
}

void Report(benchmark::State& state, std::optional<int> months)
{
    UsageReport::TRequest request;
    request.Path = Database().Path;
    request.Months = months;
    request.Today = LastDay;
    request.Billing = {15, 500'000'000'000, 80};
    for (auto _ : state) {
        const UsageReport::TOutcome outcome = UsageReport::Run(request);
        if (outcome.ExitCode != 0) state.SkipWithError(outcome.Error.c_str());
        benchmark::DoNotOptimize(outcome.Output.data());
    }
}

void BM_UsageReport30Days(benchmark::State& state) { Report(state, std::nullopt); }
void BM_UsageReport12Months(benchmark::State& state) { Report(state, 12); }

} // namespace

BENCHMARK(BM_UsageReport30Days)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UsageReport12Months)->Unit(benchmark::kMillisecond);
