#include "usage/UsageStore.h"
#include "usage/Sqlite.h"
#include "usage/UsageReader.h"

#include "doubles/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace std::chrono;

namespace {

using TRows = std::vector<TUsageRow>;

TRows StoredDays(const std::string& path)
{
    TUsageReader reader(path);
    EXPECT_EQ(reader.State(), TUsageReader::TState::Opened) << reader.Problem();
    return reader.Days(std::nullopt, 1000);
}

std::vector<std::string> NamesStarting(const TTempFolder& folder, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path)) {
        if (entry.path().filename().string().starts_with(prefix)) names.push_back(entry.path().filename());
    }
    return names;
}

mode_t ModeOf(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

} // namespace

TEST(UsageStore, FiguresAddUpAcrossFlushesAndSurviveReopening)
{
    TTempFolder folder("usage-add");
    const std::string path = folder.File("data/quorvel/usage.sqlite3");
    {
        TUsageStore store(path, {});
        store.Add("eth0", "2025-03-01", 100, 10, 1);
        store.Add("wlan0", "2025-03-01", 7, 0, 0);
        ASSERT_TRUE(store.Flush(0));
        EXPECT_FALSE(store.Pending());
        store.Add("eth0", "2025-03-01", 1000, 100, 60);
        ASSERT_TRUE(store.Flush(1000));
    }
    EXPECT_EQ(ModeOf(folder.File("data/quorvel")), 0700u);
    EXPECT_EQ(ModeOf(path), 0600u);
    {
        TUsageStore store(path, {});
        store.Add("eth0", "2025-03-02", 1, 2, 3);
        store.Add("eth0", "2025-03-02", -400, 10, -1); // a caller's fault: taken as 0
        EXPECT_EQ(store.NegativeDeltas(), 2);
        // Not flushed by hand: going away writes what is left.
    }
    EXPECT_EQ(StoredDays(path), (TRows{{"2025-03-02", "eth0", {1, 12, 3}},
                                       {"2025-03-01", "eth0", {1100, 110, 61}},
                                       {"2025-03-01", "wlan0", {7, 0, 0}}}));
}

TEST(UsageStore, AFlushIsDueAMinuteAfterTheLastOneWhenFiguresWait)
{
    TTempFolder folder("usage-due");
    TUsageStore store(folder.File("usage.sqlite3"), {});
    EXPECT_FALSE(store.NeedsFlush(0));
    store.Add("eth0", "2025-03-01", 1, 1, 1);
    EXPECT_TRUE(store.NeedsFlush(0)) << "never flushed yet";
    ASSERT_TRUE(store.Flush(5'000));
    store.Add("eth0", "2025-03-01", 1, 1, 1);
    EXPECT_FALSE(store.NeedsFlush(64'999));
    EXPECT_TRUE(store.NeedsFlush(65'000));
}

// Another program holding the write lock: the figures wait in memory, the user hears of it once, and they
// are written once the file is free.
TEST(UsageStore, AFlushThatFailsKeepsTheFiguresForTheNextOne)
{
    TTempFolder folder("usage-locked");
    const std::string path = folder.File("usage.sqlite3");
    std::vector<std::string> problems;
    {
        TUsageStore store(path, [&](const std::string& line) { problems.push_back(line); });
        TSqliteDatabase other(path, SQLITE_OPEN_READWRITE);
        auto lock = std::make_unique<TSqliteTransaction>(other);
        store.Add("eth0", "2025-03-01", 100, 10, 5);
        EXPECT_FALSE(store.Flush(0));
        store.Add("eth0", "2025-03-01", 1, 1, 1);
        EXPECT_FALSE(store.Flush(60'000));
        EXPECT_TRUE(store.Pending());
        lock.reset();
        EXPECT_TRUE(store.Flush(120'000));
    }
    EXPECT_EQ(StoredDays(path), (TRows{{"2025-03-01", "eth0", {101, 11, 6}}}));
    ASSERT_EQ(problems.size(), 1u) << "reported once a run";
    EXPECT_NE(problems[0].find("locked"), std::string::npos) << problems[0];
}

TEST(UsageStore, ADamagedFileIsMovedAsideAndANewOneStarted)
{
    TTempFolder folder("usage-damaged");
    const std::string path = folder.File("usage.sqlite3");
    const std::vector<std::pair<const char*, std::function<void()>>> damages{
        {"not a database", [&] { std::ofstream(path) << "Online,Offline,Connection\nno database at all\n"; }},
        {"a newer version",
         [&] { TSqliteDatabase(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute("PRAGMA user_version = 7"); }},
        {"pages overwritten", [&] {
             {
                 TUsageStore store(path, {});
                 for (int n = 1; n <= 28; ++n)
                     store.Add("adapter-with-a-long-name-" + std::to_string(n), "2025-02-01", n, n, n);
             }
             // The table's page overwritten, the first page (the schema) left whole.
             std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
             file.seekp(4096);
             file << std::string(4096, 'U');
         }}};
    for (const auto& [kind, spoil] : damages) {
        std::filesystem::remove_all(folder.Path);
        std::filesystem::create_directories(folder.Path);
        spoil();
        std::vector<std::string> problems;
        {
            TUsageStore store(path, [&](const std::string& line) { problems.push_back(line); });
            store.Add("eth0", "2025-03-01", 1, 2, 3);
            EXPECT_TRUE(store.Flush(0)) << kind;
        }
        const std::vector<std::string> aside = NamesStarting(folder, "usage.sqlite3.damaged-");
        ASSERT_EQ(aside.size(), 1u) << kind;
        EXPECT_EQ(aside[0].size(), std::string("usage.sqlite3.damaged-20250301-120000").size()) << aside[0];
        ASSERT_EQ(problems.size(), 1u) << kind;
        EXPECT_NE(problems[0].find(aside[0]), std::string::npos) << problems[0];
        EXPECT_EQ(StoredDays(path), (TRows{{"2025-03-01", "eth0", {1, 2, 3}}})) << kind;
    }
}

TEST(UsageStore, ALinkInTheFilesPlaceIsNeverOpenedNorMoved)
{
    TTempFolder folder("usage-link");
    const std::string path = folder.File("usage.sqlite3");
    std::ofstream(folder.File("elsewhere")) << "someone else's";
    ASSERT_EQ(symlink(folder.File("elsewhere").c_str(), path.c_str()), 0);
    std::vector<std::string> problems;
    {
        TUsageStore store(path, [&](const std::string& line) { problems.push_back(line); });
        store.Add("eth0", "2025-03-01", 1, 1, 1);
        EXPECT_FALSE(store.Flush(0));
    }
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("symbolic link"), std::string::npos) << problems[0];
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_TRUE(NamesStarting(folder, "usage.sqlite3.").empty());
    EXPECT_EQ(TUsageReader(path).State(), TUsageReader::TState::Unreadable);
}

// A tick is booked on the local day it ends in, days of 23 and 25 hours included, and a wall clock set back
// books on the earlier day without taking anything from the later one.
TEST(UsageStore, TicksAreBookedOnTheLocalDayTheyEndIn)
{
    ASSERT_EQ(setenv("TZ", "Europe/Berlin", 1), 0);
    tzset();
    auto utc = [](const char* day, int hour, int minute, int second) {
        return sys_days(*LocalDay::Parse(day)) + hours(hour) + minutes(minute) + seconds(second);
    };
    TTempFolder folder("usage-days");
    const std::string path = folder.File("usage.sqlite3");
    {
        TUsageStore store(path, {});
        store.AddTick("eth0", utc("2024-03-30", 22, 59, 59) + milliseconds(900), 1, 0, 1); // 23:59:59.9 CET
        store.AddTick("eth0", utc("2024-03-30", 23, 0, 0), 2, 0, 1);                       // midnight CET
        store.AddTick("eth0", utc("2024-03-31", 21, 59, 59), 4, 0, 1);                     // 23:59:59 CEST
        store.AddTick("eth0", utc("2024-03-31", 22, 0, 0), 8, 0, 1);                       // midnight CEST
        store.AddTick("eth0", utc("2024-10-26", 22, 0, 0), 16, 0, 1);                      // midnight CEST
        store.AddTick("eth0", utc("2024-10-27", 22, 59, 59), 32, 0, 1);                    // 23:59:59 CET
        store.AddTick("eth0", utc("2024-10-27", 23, 0, 0), 64, 0, 1);                      // midnight CET
        ASSERT_TRUE(store.Flush(0));
        store.AddTick("eth0", utc("2024-10-27", 21, 30, 0), 128, 0, 1); // the clock set back to the 27th
    }
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(StoredDays(path), (TRows{{"2024-10-28", "eth0", {64, 0, 1}},
                                       {"2024-10-27", "eth0", {176, 0, 3}},
                                       {"2024-04-01", "eth0", {8, 0, 1}},
                                       {"2024-03-31", "eth0", {6, 0, 2}},
                                       {"2024-03-30", "eth0", {1, 0, 1}}}));
}
