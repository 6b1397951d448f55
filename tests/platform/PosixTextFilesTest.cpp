#include "platform/linux/PosixTextFiles.h"

#include "platform/Exceptions.h"

#include "doubles/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The error number a call raised with, or 0 when it raised nothing.
template <typename TCall> int RaisedError(TCall call)
{
    try {
        call();
    } catch (const EInOutError& error) {
        return error.ErrorCode();
    }
    return 0;
}

// The umask the tests run under must not decide a new file's mode.
class TUmask {
public:
    explicit TUmask(mode_t mask) : Old(umask(mask)) {}
    ~TUmask() { umask(Old); }

private:
    mode_t Old;
};

class TextFiles : public testing::Test {
protected:
    TTempFolder Temp{"text-files"};
    TPosixTextFiles Files;
    std::string History = Temp.File("history.csv");
};

} // namespace

TEST_F(TextFiles, ANewHistoryIsReadableByTheUserAlone)
{
    const TUmask mask(0022);
    auto file = Files.Create(History);
    file->WriteLine("Date;Sent");
    file->Flush();
    file->Close();
    struct stat status {};
    ASSERT_EQ(stat(History.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(Contents(History), "Date;Sent\r\n");
}

// A link planted in the history's place would have the lines written into whatever it points to.
TEST_F(TextFiles, ALinkInPlaceOfTheHistoryIsRefusedAndWhatItPointsToLeftAlone)
{
    const std::string precious = Temp.File("precious");
    std::ofstream(precious) << "precious";
    std::filesystem::create_symlink(precious, History);
    EXPECT_EQ(RaisedError([&] { Files.OpenForAppend(History)->WriteLine("x"); }), ELOOP);
    EXPECT_EQ(Contents(precious), "precious");

    const std::string missing = Temp.File("not-yet");
    std::filesystem::remove(History);
    std::filesystem::create_symlink(missing, History);
    EXPECT_NE(RaisedError([&] { Files.Create(History); }), 0) << "a new file is never made through a link";
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(TextFiles, AFifoInPlaceOfTheHistoryIsRefusedWithoutWaitingForAReader)
{
    ASSERT_EQ(mkfifo(History.c_str(), 0600), 0);
    EXPECT_NE(RaisedError([&] { Files.OpenForAppend(History); }), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(History));
}

TEST_F(TextFiles, AnotherUsersHistoryIsRefusedAndLeftAsItIs)
{
    if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user takes root";
    std::ofstream(History) << "theirs\r\n";
    ASSERT_EQ(chown(History.c_str(), 65534, 65534), 0);
    EXPECT_EQ(RaisedError([&] {
                  auto file = Files.OpenForAppend(History);
                  file->WriteLine("mine");
                  file->Flush();
              }),
              EACCES);
    EXPECT_EQ(Contents(History), "theirs\r\n");
}
