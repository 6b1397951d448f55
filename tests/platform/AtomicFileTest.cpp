#include "platform/linux/AtomicFile.h"

#include "doubles/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

mode_t ModeOf(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

std::vector<std::string> Names(const TTempFolder& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The umask the tests run under must not decide a new file's mode.
class TUmask {
public:
    explicit TUmask(mode_t mask) : Old(umask(mask)) {}
    ~TUmask() { umask(Old); }

private:
    mode_t Old;
};

} // namespace

TEST(AtomicFile, AnExistingFileKeepsItsModeAndANewOneGetsTheModeAskedFor)
{
    TTempFolder folder("atomic-mode");
    const TUmask mask(0077);
    const std::string shared = folder.File("shared");
    std::ofstream(shared) << "old";
    ASSERT_EQ(chmod(shared.c_str(), 0640), 0);
    ASSERT_TRUE(AtomicFile::Replace(shared, "new").Stored);
    EXPECT_EQ(Contents(shared), "new");
    EXPECT_EQ(ModeOf(shared), 0640u);

    const std::string fresh = folder.File("fresh");
    ASSERT_TRUE(AtomicFile::Replace(fresh, "first").Stored);
    EXPECT_EQ(Contents(fresh), "first");
    EXPECT_EQ(ModeOf(fresh), 0600u) << "private unless asked otherwise";
    const std::string entry = folder.File("entry.desktop");
    ASSERT_TRUE(AtomicFile::Replace(entry, "[Desktop Entry]\n", 0644).Stored);
    EXPECT_EQ(ModeOf(entry), 0644u);
}

// A link planted where a careless writer would put its new file, or in the file's own place, is replaced or
// passed by, never written through, and lends the new file nothing.
TEST(AtomicFile, ALinkBesideOrInPlaceOfTheFileIsNotWrittenThrough)
{
    TTempFolder folder("atomic-link");
    const std::string precious = folder.File("precious");
    std::ofstream(precious) << "precious";
    ASSERT_EQ(chmod(precious.c_str(), 0644), 0);
    const std::string path = folder.File("settings");
    std::filesystem::create_symlink(precious, path + ".new");
    std::filesystem::create_symlink(precious, path);

    const AtomicFile::TResult result = AtomicFile::Replace(path, "mine");
    ASSERT_TRUE(result.Stored) << result.Problem;
    EXPECT_EQ(Contents(precious), "precious");
    EXPECT_EQ(ModeOf(precious), 0644u);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
    EXPECT_EQ(Contents(path), "mine");
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"precious", "settings", "settings.new"}));
}

// A write the system refuses half way (here the file size limit, as a full disk would) leaves the old file
// whole, nothing beside it, and the system's reason for the caller to show.
TEST(AtomicFile, AFailedWriteLeavesTheFileAsItWasWithTheReason)
{
    TTempFolder folder("atomic-full");
    const std::string path = folder.File("totals");
    std::ofstream(path) << "old totals";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG instead of ending the process
        const rlimit small{4096, 4096};
        const bool limited = setrlimit(RLIMIT_FSIZE, &small) == 0;
        const AtomicFile::TResult result = AtomicFile::Replace(path, std::string(64 * 1024, 'x'));
        _exit(limited && !result.Stored && result.Error == EFBIG && result.Problem == std::strerror(EFBIG) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the failure and its reason were not reported";
    EXPECT_EQ(Contents(path), "old totals");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"totals"}) << "the new file is removed again";
}
