#include "platform/linux/InstanceLock.h"

#include "doubles/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>

TEST(InstanceLock, OnlyOneHolderAtATimeAndTheLockEndsWithItsHolder)
{
    TTempFolder temp("lock");
    const std::string path = temp.File("VelmarQuorvel.lock");
    {
        TInstanceLock first(path);
        ASSERT_EQ(first.Result(), TInstanceLock::TResult::Acquired) << first.Problem();
        TInstanceLock second(path);
        EXPECT_EQ(second.Result(), TInstanceLock::TResult::HeldElsewhere);

        // Another process sees the lock too, and gets it once the holder is gone.
        const pid_t child = fork();
        if (child == 0) _exit(TInstanceLock(path).Result() == TInstanceLock::TResult::HeldElsewhere ? 0 : 1);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(TInstanceLock(path).Result(), TInstanceLock::TResult::Acquired);
}

TEST(InstanceLock, ALinkAtTheLockPathIsNotFollowed)
{
    TTempFolder temp("locklink");
    const std::string target = temp.File("victim");
    std::filesystem::create_symlink(target, temp.File("VelmarQuorvel.lock"));
    TInstanceLock lock(temp.File("VelmarQuorvel.lock"));
    EXPECT_EQ(lock.Result(), TInstanceLock::TResult::Unavailable);
    EXPECT_FALSE(lock.Problem().empty());
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(InstanceLock, ThePathIsPerUserSession)
{
    setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    EXPECT_EQ(TInstanceLock::DefaultPath(), "/run/user/1000/VelmarQuorvel.lock");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_NE(TInstanceLock::DefaultPath().find("/quorvel-" + std::to_string(geteuid()) + "/VelmarQuorvel.lock"),
              std::string::npos);
}

namespace {

// The temporary folder of a session without a runtime folder, and the private folder the lock goes to there.
class PrivateFolder : public testing::Test {
protected:
    TTempFolder Temp{"lock-private"};
    std::map<std::string, std::string> Variables{{"TMPDIR", Temp.Path.string()}};
    XdgPaths::TEnvironment Environment = [this](const char* name) {
        const auto found = Variables.find(name);
        return found == Variables.end() ? nullptr : found->second.c_str();
    };
    std::string Folder = Temp.File("quorvel-" + std::to_string(geteuid()));
    std::string Path = TInstanceLock::DefaultPath(Environment);

    // The lock is refused for the reason given, and nothing is made where the folder should be.
    void ExpectRefused(const std::string& why, const std::string& lookedAt)
    {
        const TInstanceLock lock(Path);
        EXPECT_EQ(lock.Result(), TInstanceLock::TResult::Unavailable);
        EXPECT_EQ(lock.Problem(), Folder + why);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(lookedAt + "/VelmarQuorvel.lock")));
    }
};

mode_t ModeOf(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

} // namespace

TEST_F(PrivateFolder, WithoutARuntimeFolderTheLockGoesToAFolderOfTheUsersAlone)
{
    ASSERT_EQ(Path, Folder + "/VelmarQuorvel.lock");
    const mode_t old = umask(0177); // a mask that would leave the folder without its search bit
    const TInstanceLock first(Path);
    umask(old);
    ASSERT_EQ(first.Result(), TInstanceLock::TResult::Acquired) << first.Problem();
    EXPECT_EQ(ModeOf(Folder), 0700u);
    EXPECT_EQ(TInstanceLock(Path).Result(), TInstanceLock::TResult::HeldElsewhere) << "the folder is taken as it is";
}

TEST_F(PrivateFolder, ALinkAFileOrAWiderFolderInItsPlaceIsRefused)
{
    const std::string elsewhere = Temp.File("elsewhere");
    std::filesystem::create_directory(elsewhere);
    ASSERT_EQ(chmod(elsewhere.c_str(), 0700), 0);
    std::filesystem::create_directory_symlink(elsewhere, Folder);
    ExpectRefused(" is a symbolic link, not a folder of this user's own", elsewhere);
    std::filesystem::remove(Folder);

    std::ofstream(Folder) << "planted";
    ExpectRefused(" is not a folder", Folder);
    std::filesystem::remove(Folder);

    std::filesystem::create_directory(Folder);
    ASSERT_EQ(chmod(Folder.c_str(), 0777), 0);
    ExpectRefused(" has mode 0777; the lock needs it at 0700, for this user alone", Folder);
    EXPECT_EQ(ModeOf(Folder), 0777u) << "someone else's choice is not changed either";
}

TEST_F(PrivateFolder, AFolderOfAnotherUserIsRefused)
{
    if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user takes root";
    std::filesystem::create_directory(Folder);
    ASSERT_EQ(chmod(Folder.c_str(), 0700), 0);
    ASSERT_EQ(chown(Folder.c_str(), 65534, 65534), 0);
    ExpectRefused(" belongs to another user", Folder);
}
