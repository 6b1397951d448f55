#include "platform/linux/InstanceLock.h"

#include "doubles/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
    EXPECT_NE(TInstanceLock::DefaultPath().find("VelmarQuorvel-" + std::to_string(geteuid())), std::string::npos);
}
