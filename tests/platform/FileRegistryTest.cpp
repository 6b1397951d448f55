#include "platform/linux/FileRegistry.h"

#include "doubles/TempFolder.h"
#include "doubles/Unprivileged.h"
#include "platform/linux/FileDescriptor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TRegValue Text(const std::string& text)
{
    TRegValue value{REG_SZ, std::vector<uint8_t>(text.begin(), text.end())};
    value.Data.push_back(0);
    return value;
}

std::string TextOf(const std::optional<TRegValue>& value)
{
    return value ? std::string(value->Data.begin(), value->Data.end() - 1) : "<none>";
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A key path of the given number of levels below "Software".
std::string DeepPath(int levels)
{
    std::string path = "Software";
    for (int level = 1; level < levels; ++level)
        path += "\\L" + std::to_string(level);
    return path;
}

// Reads the given number of progress bytes from a writer; false when they did not come in a minute.
bool AwaitProgress(int fd, int count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    char bytes[64];
    while (count > 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        const ssize_t got = read(fd, bytes, std::min<std::size_t>(sizeof bytes, static_cast<std::size_t>(count)));
        if (got <= 0) return false;
        count -= static_cast<int>(got);
    }
    return count <= 0;
}

// Runs the body in a child process and hands back what it reported, one text per entry: for checks under
// limits the test process itself must not take on.
std::vector<std::string> ReportOfChild(const std::function<std::vector<std::string>()>& body)
{
    int report[2];
    if (pipe(report) != 0) return {"no pipe"};
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        std::string joined;
        try {
            for (const std::string& entry : body())
                joined.append(entry).push_back('\0');
        } catch (...) {
            joined = "the child raised";
        }
        const bool sent = WriteWhole(report[1], joined) == 0;
        _exit(sent ? 0 : 1);
    }
    close(report[1]);
    std::vector<std::string> entries;
    if (child < 0) {
        close(report[0]);
        return {"no child"};
    }
    std::string text;
    char chunk[4096];
    for (ssize_t got; (got = read(report[0], chunk, sizeof chunk)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    close(report[0]);
    waitpid(child, nullptr, 0);
    for (std::size_t start = 0, end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        entries.push_back(text.substr(start, end - start));
    return entries;
}

mode_t ModeOf(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST(FileRegistry, AFileEditedIntoNonsenseKeepsItsGoodLinesAndIsMadeValidByTheNextWrite)
{
    TTempFolder folder("registry-bad");
    const std::string path = folder.File("registry.reg");
    std::ofstream(path, std::ios::binary) << "Windows Registry Editor Version 5.00\n\n"
                                             "[HKEY_CURRENT_USER\\Software\\Q\\Stats]\n"
                                             "\"LastConn\"=\"eth0\"\n"
                                             "\"Broken\"=\"unterminated\n"
                                             "garbage line ]]][[[\n"
                                             "\"Dword\"=dword:zz\n"
                                             "\"TooLong\"=dword:123456789\n"
                                             "\"Hex\"=hex(b):01,02,0g\n"
                                             "[HKEY_LOCAL_MACHINE\\Elsewhere]\n"
                                             "\"Orphan\"=\"lost\"\n"
                                             "[HKEY_CURRENT_USER\\Software\\Q\\Option]\n"
                                             "\"SaveLog\"=dword:00000001\n"
                                             "\"Raw\"=hex(b):01,02,\\\n  03,04\n"
                                          << std::string("\0\xff\xfe binary noise\n", 17);
    TFileRegistry registry(path);
    EXPECT_EQ(registry.DamagedLines(), 8);
    EXPECT_EQ(TextOf(registry.OpenKey("software\\q\\stats", false)->ReadValue("lastconn")), "eth0");
    const auto option = registry.OpenKey("Software\\Q\\Option", false);
    ASSERT_TRUE(option);
    EXPECT_EQ(option->ReadValue("SaveLog")->Data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(option->ReadValue("Raw")->Data, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(option->ReadValue("Raw")->Type, 0xbu);
    EXPECT_TRUE(registry.OpenKey("Software", false)) << "parents of a listed key exist";

    ASSERT_TRUE(option->SetValue("New", Text("value")));
    TFileRegistry reread(path);
    EXPECT_EQ(reread.DamagedLines(), 0);
    EXPECT_EQ(TextOf(reread.OpenKey("Software\\Q\\Option", false)->ReadValue("New")), "value");
}

TEST(FileRegistry, TextsWithQuotesBackslashesAndNewlinesRoundTrip)
{
    TTempFolder folder("registry-texts");
    const std::string path = folder.File("registry.reg");
    const std::vector<std::string> texts = {"say \"hi\"", "C:\\path\\", "two\r\nlines", "tab\there",
                                            "",           "\\\"",       "ümlaut ☃"};
    {
        TFileRegistry registry(path);
        auto key = registry.OpenKey("Software\\Q\\Stats", true);
        for (std::size_t i = 0; i < texts.size(); ++i)
            ASSERT_TRUE(key->SetValue("v" + std::to_string(i), Text(texts[i])));
        ASSERT_TRUE(key->SetValue("Quoted \"name\"", Text("x")));
    }
    TFileRegistry reread(path);
    EXPECT_EQ(reread.DamagedLines(), 0) << ReadAll(path);
    auto key = reread.OpenKey("Software\\Q\\Stats", false);
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(TextOf(key->ReadValue("v" + std::to_string(i))), texts[i]);
    EXPECT_EQ(TextOf(key->ReadValue("quoted \"NAME\"")), "x");
}

TEST(FileRegistry, AMissingOrEmptyFileIsAnEmptyRegistry)
{
    TTempFolder folder("registry-empty");
    TFileRegistry missing(folder.File("none.reg"));
    EXPECT_FALSE(missing.OpenKey("Software", false));
    std::ofstream(folder.File("empty.reg")).flush();
    TFileRegistry empty(folder.File("empty.reg"));
    EXPECT_FALSE(empty.OpenKey("Software", false));
    EXPECT_EQ(empty.DamagedLines(), 0);
}

// A reader beside a running instance must not take that instance's temporary file away mid-write.
TEST(FileRegistry, OpenedReadOnlyItReadsTheValuesAndTouchesNeitherTheFileNorItsLeftovers)
{
    TTempFolder folder("registry-read-only");
    const std::string path = folder.File("settings.reg");
    {
        TFileRegistry writer(path);
        ASSERT_TRUE(writer.OpenKey("Software\\Quorvel", true)->SetValue("Server", Text("time.example")));
    }
    const std::string before = ReadAll(path);
    const std::string inProgress = path + ".new-abc123";
    std::ofstream(inProgress) << "being written";

    TFileRegistry reader(path, TFileRegistry::TAccess::ReadOnly);
    auto key = reader.OpenKey("Software\\Quorvel", false);
    ASSERT_TRUE(key);
    EXPECT_EQ(TextOf(key->ReadValue("Server")), "time.example");
    EXPECT_FALSE(key->SetValue("Server", Text("other.example")));
    EXPECT_NE(reader.StoreProblem().find("read only"), std::string::npos) << reader.StoreProblem();
    EXPECT_FALSE(reader.OpenKey("Software\\Other", true));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(ReadAll(inProgress), "being written");
}

// A writer that is killed at any moment leaves a file that parses and holds, for every value, either the
// value before or the value after the write in progress. The writer reports each value it has written, and
// is killed after a random number of them, so the moments do not depend on how busy the machine is.
TEST(FileRegistry, KillingAWriterAtRandomMomentsNeverLeavesAHalfWrittenFile)
{
    TTempFolder folder("registry-kill");
    const std::string path = folder.File("quorvel/registry.reg");
    constexpr int Values = 12;
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> valuesBeforeKill(1, Values + 1);
    std::uniform_int_distribution<int> extraMicroseconds(0, 2000);
    for (int round = 0; round < 40; ++round) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            close(progress[0]);
            TFileRegistry registry(path);
            auto key = registry.OpenKey("Software\\Velmar Software\\Quorvel\\Stats", true);
            const auto last = key->ReadValue("Value" + std::to_string(Values - 1));
            for (long generation = last ? std::stol(TextOf(last)) + 1 : 0;; ++generation)
                for (int v = 0; v < Values; ++v) {
                    key->SetValue("Value" + std::to_string(v), Text(std::to_string(generation)));
                    if (write(progress[1], "v", 1) != 1) _exit(1);
                }
        }
        close(progress[1]);
        const bool progressed = AwaitProgress(progress[0], valuesBeforeKill(random));
        usleep(static_cast<useconds_t>(extraMicroseconds(random))); // lands anywhere in the next write
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        close(progress[0]);
        ASSERT_TRUE(progressed) << "round " << round << ": the writer wrote nothing within a minute";

        TFileRegistry registry(path);
        ASSERT_EQ(registry.DamagedLines(), 0) << "round " << round;
        const auto key = registry.OpenKey("Software\\Velmar Software\\Quorvel\\Stats", false);
        ASSERT_TRUE(key) << "round " << round;
        long lowest = LONG_MAX, highest = LONG_MIN;
        for (int v = 0; v < Values; ++v) {
            const auto value = key->ReadValue("Value" + std::to_string(v));
            if (!value) continue;
            const long generation = std::stol(TextOf(value));
            lowest = std::min(lowest, generation);
            highest = std::max(highest, generation);
        }
        if (lowest == LONG_MAX) continue; // killed after the key was made, before its first value
        EXPECT_LE(highest - lowest, 1) << "every value is the old or the new one";
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path / "quorvel"), {}), 1)
        << "the new files of killed writers are cleared away";
}

// A file that exists but cannot be read is never taken for a missing one: it is reported once, writes do
// not reach it, and it keeps its contents and its place.
TEST(FileRegistry, AFileThatCannotBeReadIsNeverWrittenOver)
{
    TTempFolder folder("registry-unreadable");
    std::filesystem::create_directories(folder.Path / "quorvel");
    std::filesystem::permissions(folder.Path, std::filesystem::perms::all);
    std::filesystem::permissions(folder.Path / "quorvel", std::filesystem::perms::all); // others may replace it
    const std::string path = folder.File("quorvel/registry.reg");
    const std::string original = "Windows Registry Editor Version 5.00\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Q\\Stats]\n\"TotalSent\"=\"123\"\n";
    std::ofstream(path, std::ios::binary) << original;
    // Left to its owner only, as a run under sudo leaves it; the check below runs as another user.
    std::filesystem::permissions(path, geteuid() == 0
                                           ? std::filesystem::perms::owner_read | std::filesystem::perms::owner_write
                                           : std::filesystem::perms::none);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);

    EXPECT_TRUE(RunUnprivileged([&] {
        testing::internal::CaptureStderr();
        TFileRegistry registry(path);
        const auto created = registry.OpenKey("Software\\Q\\Stats", true);
        const std::string storeProblem = registry.StoreProblem();
        registry.BeginUpdate();
        const auto grouped = registry.OpenKey("Software\\Q\\Option", true);
        const bool groupStored = registry.EndUpdate();
        const std::string errors = testing::internal::GetCapturedStderr();
        const bool ok = !created && !grouped && groupStored && Count(errors, "not read") == 1 &&
                        storeProblem.starts_with("Settings file " + path + " not saved (") &&
                        registry.LoadProblem().find("Permission denied") != std::string::npos &&
                        registry.LoadProblem().find(path) != std::string::npos;
        if (!ok)
            std::fprintf(stderr, "problem: %s\nstore: %s\nstandard error: %s\n", registry.LoadProblem().c_str(),
                         storeProblem.c_str(), errors.c_str());
        return ok;
    }));
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
    std::filesystem::permissions(path, std::filesystem::perms::owner_read, std::filesystem::perm_options::add);
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path / "quorvel"), {}), 1)
        << "nothing left beside it";
}

// A file up to the limit is read whole. A larger one is no settings file of this program: nothing of it is
// taken, it stays as it is until the settings are first saved, and is then kept beside as ".damaged" while a
// fresh file takes its place.
TEST(FileRegistry, AFileUpToTheLimitIsReadWholeAndALargerOneIsPutAsideAtTheFirstSave)
{
    TTempFolder folder("registry-large");
    const std::string path = folder.File("registry.reg");
    const std::string head =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Q\\Filler]\n\"Pad\"=\"";
    const std::string tail = "\"\n\n[HKEY_CURRENT_USER\\Software\\Q\\Stats]\n\"TotalSent\"=\"77\"\n";
    const std::string filler(TFileRegistry::MaxFileSize - head.size() - tail.size(), 'x');
    std::ofstream(path, std::ios::binary) << head << filler << tail;
    ASSERT_EQ(std::filesystem::file_size(path), TFileRegistry::MaxFileSize);
    {
        TFileRegistry registry(path);
        EXPECT_EQ(registry.LoadProblem(), "");
        const auto stats = registry.OpenKey("Software\\Q\\Stats", false);
        ASSERT_TRUE(stats) << "the key after the filler";
        EXPECT_EQ(TextOf(stats->ReadValue("TotalSent")), "77");
        EXPECT_EQ(TextOf(registry.OpenKey("Software\\Q\\Filler", false)->ReadValue("Pad")).size(), filler.size());
    }

    std::ofstream(path, std::ios::binary | std::ios::app) << "\n"; // one byte over
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    testing::internal::CaptureStderr();
    TFileRegistry tooLarge(path);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(tooLarge.LoadProblem(), "Settings file " + path +
                                          " not read (larger than 1 MiB): running on defaults, the file is kept as " +
                                          path + ".damaged at the next save.");
    EXPECT_EQ(Count(errors, "not read"), 1u) << errors;
    EXPECT_FALSE(tooLarge.OpenKey("Software\\Q\\Stats", false)) << "nothing of it is taken";
    struct stat unsaved {};
    ASSERT_EQ(stat(path.c_str(), &unsaved), 0);
    EXPECT_EQ(unsaved.st_ino, before.st_ino) << "reading alone changes nothing";

    testing::internal::CaptureStderr();
    ASSERT_TRUE(tooLarge.OpenKey("Software\\Q\\Option", true)->SetValue("SaveLog", Text("1")));
    errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find(path + ".damaged"), std::string::npos) << errors;
    struct stat aside {};
    ASSERT_EQ(stat((path + ".damaged").c_str(), &aside), 0);
    EXPECT_EQ(aside.st_ino, before.st_ino) << "the large file itself is kept, not a copy";
    EXPECT_EQ(aside.st_size, before.st_size);
    EXPECT_LT(std::filesystem::file_size(path), 200u) << "the fresh file holds the new value alone";
    TFileRegistry fresh(path);
    EXPECT_EQ(fresh.LoadProblem(), "");
    EXPECT_EQ(TextOf(fresh.OpenKey("Software\\Q\\Option", false)->ReadValue("SaveLog")), "1");
    EXPECT_FALSE(fresh.OpenKey("Software\\Q\\Stats", false));
}

// Keys keep the registry's limits, and a deep key costs one section of the file rather than one per level,
// also when an older file lists every level.
TEST(FileRegistry, DeepKeysKeepTheRegistryLimitsAndTakeOneSection)
{
    TTempFolder folder("registry-deep");
    const std::string path = folder.File("registry.reg");
    {
        TFileRegistry registry(path);
        EXPECT_FALSE(registry.OpenKey(DeepPath(513), true));
        EXPECT_FALSE(registry.OpenKey("Software\\" + std::string(256, 'n'), true));
        const auto longName = registry.OpenKey("Software\\" + std::string(255, 'n'), true);
        ASSERT_TRUE(longName);
        const auto deepest = registry.OpenKey(DeepPath(512), true);
        ASSERT_TRUE(deepest);
        ASSERT_TRUE(deepest->SetValue("Deep", Text("value")));
    }
    const std::string written = ReadAll(path);
    EXPECT_EQ(Count(written, "[HKEY_CURRENT_USER\\"), 2u) << "the two keys made, not their parents";
    TFileRegistry reread(path);
    EXPECT_EQ(TextOf(reread.OpenKey(DeepPath(512), false)->ReadValue("deep")), "value");
    EXPECT_TRUE(reread.OpenKey(DeepPath(300), false)) << "a parent exists with its children";
    EXPECT_FALSE(reread.OpenKey(DeepPath(513), false));
    EXPECT_FALSE(reread.OpenKey("Software\\L", false)) << "a name that only begins like a parent";

    // A file that lists every level as its own section, and one level too deep.
    std::string everyLevel = "Windows Registry Editor Version 5.00\n";
    for (int levels = 1; levels <= 513; ++levels)
        everyLevel += "\n[HKEY_CURRENT_USER\\" + DeepPath(levels) + "]\n";
    everyLevel += "\"TooDeep\"=\"x\"\n";
    std::ofstream(path, std::ios::binary) << everyLevel;
    TFileRegistry old(path);
    EXPECT_EQ(old.DamagedLines(), 2) << "the 513th level's header and its value";
    ASSERT_TRUE(old.OpenKey(DeepPath(512), false));
    ASSERT_TRUE(old.OpenKey("Software\\Q", true)->SetValue("V", Text("1")));
    EXPECT_EQ(Count(ReadAll(path), "[HKEY_CURRENT_USER\\"), 2u) << "the deepest listed key and the new one";
}

// Before a file with damaged lines is first rewritten, the file as it was is kept beside it.
TEST(FileRegistry, AFileWithDamagedLinesIsKeptBesideItBeforeItsFirstRewrite)
{
    TTempFolder folder("registry-damaged");
    const std::string path = folder.File("registry.reg");
    const std::string original = "Windows Registry Editor Version 5.00\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Q\\Stats\n" // the closing bracket lost
                                 "\"TotalSent\"=\"123456\"\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Q\\Option]\n\"SaveLog\"=dword:00000001\n";
    std::ofstream(path, std::ios::binary) << original;
    std::ofstream(path + ".damaged", std::ios::binary) << "an older copy";

    TFileRegistry registry(path);
    EXPECT_EQ(registry.DamagedLines(), 2);
    EXPECT_EQ(ReadAll(path + ".damaged"), "an older copy") << "reading alone keeps everything as it is";
    const auto option = registry.OpenKey("Software\\Q\\Option", false);
    ASSERT_TRUE(option);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(option->SetValue("ShowMonitor", Text("1")));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadAll(path + ".damaged"), original);
    EXPECT_NE(errors.find(path + ".damaged"), std::string::npos) << errors;
    EXPECT_EQ(ReadAll(path).find("123456"), std::string::npos) << "the damaged section itself is gone";

    std::filesystem::remove(path + ".damaged");
    ASSERT_TRUE(option->SetValue("ShowMonitor", Text("0")));
    EXPECT_FALSE(std::filesystem::exists(path + ".damaged")) << "only the first rewrite keeps a copy";
}

// The new file is made under a name of its own, so a link planted beside the settings file is not written
// through; the settings folder is made private to the user.
TEST(FileRegistry, ALinkPlantedBesideTheFileIsNotWrittenThrough)
{
    TTempFolder folder("registry-link");
    std::filesystem::create_directories(folder.Path / "quorvel");
    std::filesystem::permissions(folder.Path / "quorvel",
                                 std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                     std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                     std::filesystem::perms::others_exec);
    const std::string target = folder.File("target");
    std::ofstream(target) << "precious";
    std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    const std::string path = folder.File("quorvel/registry.reg");
    std::filesystem::create_symlink(target, path + ".new");

    TFileRegistry registry(path);
    ASSERT_TRUE(registry.OpenKey("Software\\Q", true)->SetValue("V", Text("1")));
    EXPECT_EQ(ReadAll(target), "precious");
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    EXPECT_EQ(std::filesystem::status(folder.Path / "quorvel").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_EQ(TextOf(TFileRegistry(path).OpenKey("Software\\Q", false)->ReadValue("V")), "1");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path / "quorvel"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"registry.reg", "registry.reg.new"})) << "no temporary file left";
}

// A store the disk refuses half way (the file size limit stands in for a full disk) reports the file and the
// reason, keeps the old file whole and the changes in memory, and the next group writes them all.
TEST(FileRegistry, AStoreTheDiskRefusesIsReportedKeptInMemoryAndWrittenByTheNextGroup)
{
    TTempFolder folder("registry-full");
    const std::string path = folder.File("quorvel/registry.reg");
    ASSERT_TRUE(TFileRegistry(path).OpenKey("Software\\Q\\Stats", true)->SetValue("TotalSent", Text("1")));
    const std::string original = ReadAll(path);
    const std::string pad(64 * 1024, 'p');

    const std::vector<std::string> report = ReportOfChild([&]() -> std::vector<std::string> {
        signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG instead of ending the process
        rlimit limit{};
        if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return {"no limit"};
        const rlimit small{4096, limit.rlim_max};
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) return {"limit not set"};
        TFileRegistry registry(path);
        const auto stats = registry.OpenKey("Software\\Q\\Stats", false);
        if (!stats) return {"no key"};
        registry.BeginUpdate();
        stats->SetValue("TotalSent", Text("2"));
        stats->SetValue("Pad", Text(pad));
        const bool stored = registry.EndUpdate();
        const std::string problem = registry.StoreProblem();
        const std::string onDisk = ReadAll(path);
        const std::string inMemory = TextOf(stats->ReadValue("TotalSent"));
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return {"limit not lifted"};
        registry.BeginUpdate(); // a group that changes nothing itself
        const bool retried = registry.EndUpdate();
        return {stored ? "stored" : "not stored", problem, onDisk, inMemory, retried ? "stored" : "not stored",
                registry.StoreProblem()};
    });
    ASSERT_EQ(report.size(), 6u) << (report.empty() ? "" : report[0]);
    EXPECT_EQ(report[0], "not stored");
    EXPECT_EQ(report[1], "Settings file " + path + " not saved (" + std::strerror(EFBIG) + ")");
    EXPECT_EQ(report[2], original) << "the old file is whole";
    EXPECT_EQ(report[3], "2") << "the change is kept in memory";
    EXPECT_EQ(report[4], "stored") << "the next group writes what the failed one could not";
    EXPECT_EQ(report[5], "") << "a success clears the problem";

    TFileRegistry reread(path);
    const auto stats = reread.OpenKey("Software\\Q\\Stats", false);
    ASSERT_TRUE(stats);
    EXPECT_EQ(TextOf(stats->ReadValue("TotalSent")), "2");
    EXPECT_EQ(TextOf(stats->ReadValue("Pad")), pad);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path / "quorvel"), {}), 1)
        << "no new file left beside it";
}

// A settings folder the user made read-only keeps the owner's bits as they are (only group and others lose
// theirs), and a write there fails with the file named and the system's reason, the file left as it was.
TEST(FileRegistry, AFolderMadeReadOnlyStaysSoAndAWriteThereSaysWhy)
{
    for (const mode_t mode : {mode_t{0500}, mode_t{0550}}) {
        TTempFolder folder("registry-readonly");
        std::filesystem::permissions(folder.Path, std::filesystem::perms::all); // the unprivileged check gets in
        const std::string settings = folder.File("quorvel");
        const std::string path = settings + "/registry.reg";
        ASSERT_TRUE(TFileRegistry(path).OpenKey("Software\\Q\\Stats", true)->SetValue("TotalSent", Text("1")));
        const std::string original = ReadAll(path);
        if (geteuid() == 0) { // the check runs as nobody, who must own what a user would own
            ASSERT_EQ(chown(settings.c_str(), 65534, 65534), 0);
            ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(chmod(settings.c_str(), mode), 0);

        EXPECT_TRUE(RunUnprivileged([&] {
            TFileRegistry registry(path);
            const auto stats = registry.OpenKey("Software\\Q\\Stats", false);
            const bool refused = stats && !stats->SetValue("TotalSent", Text("2"));
            const std::string problem = registry.StoreProblem();
            const bool ok =
                refused && problem == "Settings file " + path + " not saved (" + std::strerror(EACCES) + ")";
            if (!ok) std::fprintf(stderr, "store problem: %s\n", problem.c_str());
            return ok;
        })) << std::oct
            << mode;
        EXPECT_EQ(ModeOf(settings), 0500u) << std::oct << mode;
        EXPECT_EQ(ReadAll(path), original);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(settings), {}), 1);
        chmod(settings.c_str(), 0700); // so that the folder can be cleared away
    }
}

// What stands in the settings file's place and is refused: the reason is told once, nothing of it is printed
// or copied, nothing replaces it, during the run or when the registry goes at the end.
void ExpectRefusedAndLeftAlone(const std::string& path, const std::string& reason)
{
    struct stat before {};
    ASSERT_EQ(lstat(path.c_str(), &before), 0);
    testing::internal::CaptureStderr();
    {
        TFileRegistry registry(path);
        EXPECT_EQ(registry.LoadProblem(), "Settings file " + path + " not read (" + reason +
                                              "): running on defaults, the file is left as it is.");
        EXPECT_FALSE(registry.OpenKey("Software\\Q\\Stats", false)) << "nothing of it is taken";
        EXPECT_FALSE(registry.OpenKey("Software\\Q\\Stats", true));
        registry.BeginUpdate();
        registry.OpenKey("Software\\Q\\Option", true);
        registry.EndUpdate();
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(errors, "not read"), 1u) << errors;
    EXPECT_EQ(errors.find("secret"), std::string::npos) << errors;
    struct stat after {};
    ASSERT_EQ(lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "it was replaced";
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path + ".damaged")));
}

const std::string SecretLines = "secret line one\nsecret line two\n";

TEST(FileRegistry, ALinkInPlaceOfTheFileIsRefusedAndNeitherEchoedNorCopied)
{
    TTempFolder folder("registry-symlink");
    const std::string target = folder.File("someone-elses");
    std::ofstream(target, std::ios::binary) << SecretLines; // every line damaged: each would be echoed
    const std::string path = folder.File("registry.reg");
    std::filesystem::create_symlink(target, path);
    ExpectRefusedAndLeftAlone(path, "a symbolic link");
    EXPECT_EQ(ReadAll(target), SecretLines);
}

TEST(FileRegistry, AFileOfAnotherUserIsRefusedAndLeftAlone)
{
    if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user takes root";
    TTempFolder folder("registry-foreign");
    const std::string path = folder.File("registry.reg");
    std::ofstream(path, std::ios::binary) << SecretLines;
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    ExpectRefusedAndLeftAlone(path, "not owned by you");
    EXPECT_EQ(ReadAll(path), SecretLines);
}

TEST(FileRegistry, AFifoInPlaceOfTheFileIsRefusedWithoutWaitingForAWriter)
{
    TTempFolder folder("registry-fifo");
    const std::string path = folder.File("registry.reg");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    ExpectRefusedAndLeftAlone(path, "not a regular file");
    EXPECT_TRUE(std::filesystem::is_fifo(path));
}

// A planted file must not drive the terminal its damaged lines are printed on: control characters, the C1
// controls of UTF-8 and stray bytes are printed as escapes; letters and the key paths' backslashes stay.
TEST(FileRegistry, DamagedLinesAreEchoedWithTheirControlCharactersEscaped)
{
    TTempFolder folder("registry-escape");
    const std::string path = folder.File("registry.reg");
    std::ofstream(path, std::ios::binary) << "Windows Registry Editor Version 5.00\n\n"
                                             "\x1b]2;owned\x07 tab\there \xc2\x9b"
                                             "31m \x7f \xff \xc3\xbcmlaut C:\\x\r\n";
    testing::internal::CaptureStderr();
    const TFileRegistry registry(path);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(registry.DamagedLines(), 1);
    EXPECT_NE(errors.find("damaged line skipped: \\x1b]2;owned\\x07 tab\\there \\xc2\\x9b31m \\x7f \\xff "
                          "\xc3\xbcmlaut C:\\x\n"),
              std::string::npos)
        << errors;
    const auto control = [](unsigned char c) { return (c < 0x20 && c != '\n') || c == 0x7f; };
    EXPECT_TRUE(std::none_of(errors.begin(), errors.end(), control)) << errors;
}

} // namespace
