#include "settings/RegBatch.h"

#include "platform/linux/FileRegistry.h"

#include "doubles/MemoryRegistry.h"
#include "doubles/TempFolder.h"
#include "doubles/Unprivileged.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace {

const std::string Key = "\\Software\\Velmar Software\\Quorvel\\";

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The ten statistics of one save, each derived from the generation so that a mix of two shows.
void SaveStats(TMyReg& reg, int64_t generation)
{
    reg.WriteTextValue("Stats", "LastOnLine", "on " + std::to_string(generation));
    reg.WriteTextValue("Stats", "LastOffLine", "off " + std::to_string(generation));
    reg.WriteTextValue("Stats", "LastConn", "eth" + std::to_string(generation));
    reg.WriteInt64Value("Stats", "LastSpeed", generation * 1000);
    reg.WriteInt64Value("Stats", "LastSent", generation);
    reg.WriteInt64Value("Stats", "LastRecv", generation * 2);
    reg.WriteInt64Value("Stats", "LastDuration", generation * 3);
    reg.WriteInt64Value("Stats", "TotalSent", generation * (generation + 1) / 2);
    reg.WriteInt64Value("Stats", "TotalRecv", generation * (generation + 1));
    reg.WriteInt64Value("Stats", "TotalDuration", generation * (generation + 1) * 3 / 2);
}

// The generation the stored statistics belong to, 0 when there are none, -1 when they are of two.
int64_t StoredGeneration(TMyReg& reg)
{
    const int64_t g = reg.ReadInt64Value("Stats", "LastSent", 0);
    const bool whole = reg.ReadTextValue("Stats", "LastOnLine", "on 0") == "on " + std::to_string(g) &&
                       reg.ReadTextValue("Stats", "LastOffLine", "off 0") == "off " + std::to_string(g) &&
                       reg.ReadTextValue("Stats", "LastConn", "eth0") == "eth" + std::to_string(g) &&
                       reg.ReadInt64Value("Stats", "LastSpeed", 0) == g * 1000 &&
                       reg.ReadInt64Value("Stats", "LastRecv", 0) == g * 2 &&
                       reg.ReadInt64Value("Stats", "LastDuration", 0) == g * 3 &&
                       reg.ReadInt64Value("Stats", "TotalSent", 0) == g * (g + 1) / 2 &&
                       reg.ReadInt64Value("Stats", "TotalRecv", 0) == g * (g + 1) &&
                       reg.ReadInt64Value("Stats", "TotalDuration", 0) == g * (g + 1) * 3 / 2;
    return whole ? g : -1;
}

class Batch : public testing::Test {
protected:
    TTempFolder Folder{"regbatch"};
    std::string FilePath = Folder.File("quorvel/registry.reg");
};

TEST_F(Batch, TheWritesOfNestedScopesReachTheFileWhenTheOutermostEnds)
{
    TFileRegistry registry(FilePath);
    TMyReg reg(registry);
    reg.SetRegKey(Key);
    reg.WriteInt64Value("Stats", "TotalSent", 1);
    {
        const TRegBatch outer(reg);
        SaveStats(reg, 7);
        {
            const TRegBatch inner(reg);
            reg.WriteFlagValue("Option", "SaveLog", true);
        }
        EXPECT_EQ(StoredGeneration(reg), 7) << "the group's writes are read back at once";
        EXPECT_EQ(ReadAll(FilePath).find("Option"), std::string::npos) << "the inner scope wrote alone";
        TFileRegistry onDisk(FilePath);
        TMyReg stored(onDisk);
        stored.SetRegKey(Key);
        EXPECT_EQ(stored.ReadInt64Value("Stats", "TotalSent", 0), 1) << "the file waits for the scope";
    }
    TFileRegistry onDisk(FilePath);
    TMyReg stored(onDisk);
    stored.SetRegKey(Key);
    EXPECT_EQ(StoredGeneration(stored), 7);
    EXPECT_TRUE(stored.ReadFlagValue("Option", "SaveLog", false));

    reg.WriteInt64Value("Option", "MonAlpha", 200); // after the scope, each write stands alone again
    TFileRegistry later(FilePath);
    TMyReg afterwards(later);
    afterwards.SetRegKey(Key);
    EXPECT_EQ(afterwards.ReadInt64Value("Option", "MonAlpha", 120), 200);
}

// What could not be stored stays whole in memory, for the next group to store with its own.
TEST_F(Batch, AGroupThatCannotBeStoredStaysWholeInMemory)
{
    std::filesystem::create_directories(Folder.Path / "locked");
    std::filesystem::permissions(Folder.Path, std::filesystem::perms::all);
    std::filesystem::permissions(Folder.Path / "locked",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                     std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    EXPECT_TRUE(RunUnprivileged([&] {
        TFileRegistry registry(Folder.File("locked/registry.reg"));
        TMyReg reg(registry);
        reg.SetRegKey(Key);
        {
            const TRegBatch group(reg);
            SaveStats(reg, 3);
        }
        return StoredGeneration(reg) == 3 && !registry.StoreProblem().empty();
    }));
    EXPECT_FALSE(std::filesystem::exists(Folder.Path / "locked" / "registry.reg"));
}

TEST_F(Batch, TheScopeTellsTheRegistryOnceForTheOutermostGroup)
{
    TMemoryRegistry registry;
    TMyReg reg(registry);
    {
        const TRegBatch outer(reg);
        const TRegBatch inner(reg);
        EXPECT_EQ(registry.UpdateDepth, 2);
    }
    EXPECT_EQ(registry.UpdateDepth, 0);
    EXPECT_EQ(registry.GroupsEnded, 1);
}

// A writer saving the statistics in groups and killed at random moments leaves the old or the new
// generation of the whole group, never the new connection with the old totals. It reports each save it has
// made and is killed after a random number of them, so the moments do not depend on machine load.
TEST_F(Batch, KillingAGroupedSaveLeavesTheOldOrTheNewStatistics)
{
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> savesBeforeKill(1, 8);
    std::uniform_int_distribution<int> extraMicroseconds(0, 3000);
    int64_t previous = 0;
    for (int round = 0; round < 40; ++round) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            close(progress[0]);
            TFileRegistry registry(FilePath);
            TMyReg reg(registry);
            reg.SetRegKey(Key);
            for (int64_t generation = reg.ReadInt64Value("Stats", "LastSent", 0) + 1;; ++generation) {
                {
                    const TRegBatch group(reg);
                    SaveStats(reg, generation);
                }
                if (write(progress[1], "g", 1) != 1) _exit(1);
            }
        }
        close(progress[1]);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int waiting = savesBeforeKill(random);
        while (waiting > 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd ready{progress[0], POLLIN, 0};
            char byte = 0;
            if (poll(&ready, 1, 100) > 0 && read(progress[0], &byte, 1) == 1) --waiting;
        }
        usleep(static_cast<useconds_t>(extraMicroseconds(random))); // lands anywhere in the next save
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        close(progress[0]);
        ASSERT_EQ(waiting, 0) << "round " << round << ": the writer saved nothing within a minute";

        TFileRegistry registry(FilePath);
        ASSERT_EQ(registry.DamagedLines(), 0);
        TMyReg reg(registry);
        reg.SetRegKey(Key);
        const int64_t generation = StoredGeneration(reg);
        ASSERT_NE(generation, -1) << "round " << round << ": statistics of two saves mixed";
        EXPECT_GE(generation, previous) << "round " << round;
        previous = generation;
    }
    EXPECT_GT(previous, 0);
}

} // namespace
