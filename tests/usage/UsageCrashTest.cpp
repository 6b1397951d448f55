#include "usage/UsageReader.h"
#include "usage/UsageStore.h"

#include "doubles/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::vector<std::pair<std::string, std::string>> Rows{
    {"eth0", "2025-03-01"}, {"eth0", "2025-03-02"}, {"wlan0", "2025-03-01"}, {"wlan0", "2025-03-02"}};

// Adds one to every row and flushes, over and over, writing a byte to report for each flush stored.
[[noreturn]] void WriteUntilKilled(const std::string& path, int report)
{
    TUsageStore store(path, {});
    for (int64_t now = 0;; ++now) {
        for (const auto& [adapter, day] : Rows)
            store.Add(adapter, day, 1, 1, 1);
        if (store.Flush(now) && write(report, "+", 1) != 1) _exit(1);
    }
}

// The bytes read until wanted came (all of them, up to the end, when wanted is 0).
int64_t ReadReports(int from, int64_t wanted)
{
    int64_t reports = 0;
    char buffer[256];
    while (wanted == 0 || reports < wanted) {
        const ssize_t got = read(from, buffer, wanted == 0 ? sizeof buffer : 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        reports += got;
    }
    return reports;
}

} // namespace

// A writer killed at any moment, a flush half-done among them, leaves a file that passes its integrity
// check and holds every flush it reported stored, each one whole and none twice.
TEST(UsageStoreCrash, AWriterKilledAtAnyMomentLeavesAWholeFile)
{
    TTempFolder folder("usage-crash");
    const std::string path = folder.File("usage.sqlite3");
    int64_t reported = 0;
    int64_t stored = 0;
    for (int kill = 0; kill < 200; ++kill) {
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(report[0]);
            WriteUntilKilled(path, report[1]);
        }
        close(report[1]);
        // Killed after a varying number of flushes, so that the kill lands anywhere in the next one.
        reported += ReadReports(report[0], 1 + kill % 3);
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        reported += ReadReports(report[0], 0);
        close(report[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;

        TUsageReader reader(path);
        ASSERT_EQ(reader.State(), TUsageReader::TState::Opened) << "after kill " << kill << ": " << reader.Problem();
        const std::vector<TUsageRow> rows = reader.Days(std::nullopt, 10);
        ASSERT_EQ(rows.size(), Rows.size()) << "after kill " << kill;
        for (const TUsageRow& row : rows)
            ASSERT_EQ(row.Figures, rows[0].Figures) << "a flush stored in part, after kill " << kill;
        ASSERT_GE(rows[0].Figures.Received, stored) << "a day shrank after kill " << kill;
        ASSERT_GE(rows[0].Figures.Received, reported) << "a reported flush lost after kill " << kill;
        // Only the flush each kill interrupted may be stored unreported.
        ASSERT_LE(rows[0].Figures.Received, reported + kill + 1) << "after kill " << kill;
        stored = rows[0].Figures.Received;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path))
        EXPECT_FALSE(entry.path().filename().string().starts_with("usage.sqlite3.damaged-")) << entry.path();
}
