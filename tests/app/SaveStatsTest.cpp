#include "app/ConnectionHistory.h"
#include "app/StatusLogView.h"
#include "app/ValueLabel.h"
#include "app/main.h"

#include "doubles/QtPrinters.h"
#include "doubles/TempFolder.h"
#include "doubles/TestPlatform.h"
#include "doubles/Unprivileged.h"
#include "platform/linux/FileDescriptor.h"

#include <QAction>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

const std::string Stats = "Software\\Velmar Software\\Quorvel\\Stats";

class StatisticsSave : public testing::Test {
protected:
    TTempFolder Folder{"history"};
    TTestPlatform Platform;
    std::string HistoryPath = Folder.File("qorvix.log");
    std::unique_ptr<TMainForm> Form;

    void SetUp() override
    {
        // A portable copy: its history is kept beside it.
        std::ofstream(Folder.File("quorvel.portable")).put('\n');
        Platform.ProgramPath = Folder.File("qorvix");
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "eth0";
        adapter.Name = "eth0";
        adapter.Ips = {"192.168.1.20"};
        Platform.IpHelper.Adapters = {adapter};
        Platform.IpHelper.Row = MIB_IFROW{0, MIB_IF_TYPE_ETHERNET, 1'000'000'000, MIB_IF_OPER_STATUS_OPERATIONAL, 0, 0};
        Platform.Registry.OpenKey(Stats, true)->SetValue("TotalSent", Text("1000"));
        Form = std::make_unique<TMainForm>(Platform.Services());
        Form->FormCreate();
        Form->TimerStatus->stop();
        Form->MenuSaveLog->setChecked(true);
    }

    static TRegValue Text(const std::string& text)
    {
        TRegValue value{REG_SZ, std::vector<uint8_t>(text.begin(), text.end())};
        value.Data.push_back(0);
        return value;
    }
    // One connection: up, `seconds` of traffic, down.
    void Connection(int seconds, uint64_t sentPerSecond)
    {
        Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_OPERATIONAL;
        Form->TimerStatusTimer();
        for (int i = 0; i < seconds; ++i) {
            Platform.Clock.Advance(1000);
            Platform.IpHelper.Row.dwOutOctets += sentPerSecond;
            Form->TimerStatusTimer();
        }
        Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
        Platform.Clock.Advance(1000);
        Form->TimerStatusTimer();
    }
    std::string History() const
    {
        std::ifstream file(HistoryPath, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

TEST_F(StatisticsSave, TheFirstSaveCreatesTheHeaderAndTheSecondOnlyAppends)
{
    Connection(2, 100);
    EXPECT_EQ(History(), "Online,Offline,Connection,Speed,Sent,Received,Duration,Client IP\r\n"
                         "Sun 06 Dec 2026 17:00:00,Sun 06 Dec 2026 17:00:03,eth0,1000000000,200,0,00:00:02,"
                         "192.168.1.20\r\n");
    Connection(1, 50);
    const std::string history = History();
    EXPECT_EQ(history.find("Online,Offline"), 0u);
    EXPECT_EQ(history.find("Online,Offline", 1), std::string::npos) << "one header only";
    EXPECT_NE(history.find("eth0,1000000000,50,0,00:00:01,192.168.1.20\r\n"), std::string::npos);
}

TEST_F(StatisticsSave, TwoConnectionsInOneRunAddUpInTheStoredTotals)
{
    Connection(2, 100);
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1200");
    Connection(3, 10);
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1230") << "1000 loaded at start + 200 + 30";
    EXPECT_EQ(Form->State.TotalSent, 1230);
    EXPECT_EQ(Platform.Registry.Text(Stats, "LastSent"), "30");
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalDuration"), "5");
    EXPECT_EQ(Platform.Registry.Text(Stats, "LastOffLine"), "Sun 06 Dec 2026 17:00:07");
    EXPECT_EQ(Platform.Registry.Text(Stats, "LastConn"), "eth0");
}

TEST_F(StatisticsSave, WithSaveLogOffOnlyTheStatisticsAreStored)
{
    Form->MenuSaveLog->setChecked(false);
    Connection(1, 5);
    EXPECT_FALSE(std::filesystem::exists(HistoryPath));
    EXPECT_EQ(Platform.Registry.Text(Stats, "LastSent"), "5");
}

TEST_F(StatisticsSave, TheStatisticsOfOneSaveAreWrittenAsOneGroup)
{
    const int singleWrites = Platform.Registry.WritesOutsideGroups;
    Connection(2, 100);
    EXPECT_EQ(Platform.Registry.WritesOutsideGroups, singleWrites);
    EXPECT_EQ(Platform.Registry.GroupsEnded, 2) << "the first sample's checkpoint, then the connection's end";
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1200");
}

TEST_F(StatisticsSave, NamesAreNotQuotedAndLongDurationsKeepAllTheirHours)
{
    Form->State.LastConn = "Intel, Gigabit";
    Form->State.LastDuration = 360000;
    Form->SaveStats();
    const std::string history = History();
    const std::string record = history.substr(history.find("\r\n") + 2);
    EXPECT_EQ(std::count(record.begin(), record.end(), ','), 8) << record;
    EXPECT_NE(record.find(",Intel, Gigabit,"), std::string::npos);
    EXPECT_NE(record.find(",100:00:00,"), std::string::npos);
}

TEST_F(StatisticsSave, AnUnwritableFolderIsAccessDeniedAfterTheStatisticsAreStored)
{
    std::filesystem::permissions(Folder.Path, std::filesystem::perms::owner_all | std::filesystem::perms::others_read |
                                                  std::filesystem::perms::others_exec);
    EXPECT_TRUE(RunUnprivileged([&] {
        Form->State.LastSent = 77;
        try {
            Form->SaveStats();
        } catch (const EInOutError& error) {
            return error.Message() == "File access denied" && Platform.Registry.Text(Stats, "LastSent") == "77";
        }
        return false;
    }));
}

TEST_F(StatisticsSave, AHistoryFailureStillCompletesTheOfflineTransition)
{
    std::filesystem::create_directory(HistoryPath); // a folder where the file should be
    Form->TimerStatusTimer();
    Platform.Clock.Advance(1000);
    Platform.IpHelper.Row.dwOutOctets += 40;
    Form->TimerStatusTimer();
    Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    EXPECT_THROW(Form->TimerStatusTimer(), EInOutError);
    EXPECT_FALSE(Form->State.Online);
    EXPECT_EQ(Form->State.TotalSent, 1040) << "the connection reached the totals in memory";
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1040");
    EXPECT_EQ(Form->LabelLastSent->Caption(), "40");
    EXPECT_EQ(Form->LabelConn->Caption(), "");
    EXPECT_TRUE(Form->Log->Line(Form->Log->Count() - 1).startsWith("Offline: "));
}

TEST_F(StatisticsSave, AConnectionWithoutASampleIsRecordedWithNoBytes)
{
    Connection(2, 100);
    Connection(0, 0);
    const std::string history = History();
    EXPECT_NE(history.find("\r\nSun 06 Dec 2026 17:00:03,Sun 06 Dec 2026 17:00:04,eth0,1000000000,0,0,00:00:01,"
                           "192.168.1.20\r\n"),
              std::string::npos)
        << history;
    EXPECT_EQ(Platform.Registry.Text(Stats, "TotalSent"), "1200");
}

TEST_F(StatisticsSave, TheRecordTakesTheAddressTheConnectionCameUpWith)
{
    Form->TimerStatusTimer();
    Form->LabelClientIP->SetCaption("edited");
    Platform.IpHelper.Row.dwOperStatus = MIB_IF_OPER_STATUS_NON_OPERATIONAL;
    Platform.Clock.Advance(1000);
    Form->TimerStatusTimer();
    const std::string history = History();
    EXPECT_TRUE(history.ends_with(",192.168.1.20\r\n")) << history;
    Form->SaveStats();
    EXPECT_TRUE(History().ends_with(",00:00:01,\r\n")) << "offline, there is no address";
}

// Runs a check in a child process and waits for it with a generous deadline, so that a check that blocks
// fails the test instead of hanging it. Returns whether the child ended in time and the check held.
bool InChild(const std::function<bool()>& check)
{
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        // The child ends here whatever happens, or it would run the rest of the tests a second time.
        bool held = false;
        try {
            held = check();
        } catch (...) {
        }
        _exit(held ? 0 : 1);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Any write that would take the file beyond the limit fails, as on a full disk.
bool WithFileSizeLimit(rlim_t bytes, const std::function<bool()>& check)
{
    return InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0 && check();
    });
}

bool RaisesInOutError(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EInOutError&) {
        return true;
    }
    return false;
}

std::string Contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class HistoryFile : public testing::Test {
protected:
    TTempFolder Folder{"historyfile"};
    std::string Path = Folder.File("qorvix.log");
    TPosixTextFiles Files;
};

TEST_F(HistoryFile, AFailedAppendLeavesNoPartOfTheRecord)
{
    ConnectionHistory::Append(Files, Path, "first");
    const std::string before = Contents(Path);
    EXPECT_TRUE(WithFileSizeLimit(before.size() + 10, [&] {
        return RaisesInOutError([&] { ConnectionHistory::Append(Files, Path, "a record longer than ten bytes"); });
    }));
    EXPECT_EQ(Contents(Path), before);
    ConnectionHistory::Append(Files, Path, "second");
    EXPECT_EQ(Contents(Path), before + "second\r\n") << "the next record starts a line of its own";
}

TEST_F(HistoryFile, AFailedCreationLeavesNoFileSoTheNextOneGetsItsHeader)
{
    EXPECT_TRUE(WithFileSizeLimit(
        20, [&] { return RaisesInOutError([&] { ConnectionHistory::Append(Files, Path, "first"); }); }));
    EXPECT_FALSE(std::filesystem::exists(Path));
    ConnectionHistory::Append(Files, Path, "second");
    EXPECT_EQ(Contents(Path), std::string(ConnectionHistory::HeaderLine) + "\r\nsecond\r\n");
}

TEST_F(HistoryFile, AFifoIsRefusedWithoutWaitingForAReader)
{
    ASSERT_EQ(mkfifo(Path.c_str(), 0600), 0);
    EXPECT_TRUE(InChild([&] { return RaisesInOutError([&] { ConnectionHistory::Append(Files, Path, "x"); }); }));

    // With a reader there, nothing reaches it either.
    TFileDescriptor reader(open(Path.c_str(), O_RDONLY | O_NONBLOCK));
    ASSERT_TRUE(reader.Valid());
    EXPECT_TRUE(InChild([&] { return RaisesInOutError([&] { ConnectionHistory::Append(Files, Path, "x"); }); }));
    char byte = 0;
    EXPECT_LE(read(reader.Get(), &byte, 1), 0);
}

// A file system of paths that exist and folders the user may write in, as the test says.
class TInstallFiles final : public ITextFiles {
public:
    std::set<std::string> Existing;
    std::set<std::string> Writable;
    std::vector<std::string> Created;

    bool FileExists(const std::string& path) override { return Existing.contains(path); }
    std::unique_ptr<ITextFile> Create(const std::string&) override { throw EInOutError(EACCES); }
    std::unique_ptr<ITextFile> OpenForAppend(const std::string&) override { throw EInOutError(EACCES); }
    bool FolderWritable(const std::string& folder) override { return Writable.contains(folder); }
    std::string UserDataFolder() override { return "/home/ann/.local/share"; }
    void CreateFolder(const std::string& folder) override { Created.push_back(folder); }
};

TEST(HistoryPlace, APortableCopyKeepsItBesideItselfOnlyInAFolderTheUserMayWriteIn)
{
    TInstallFiles files;
    files.Existing = {"/media/stick/quorvel/quorvel.portable"};
    EXPECT_FALSE(ConnectionHistory::HistoryBesideProgram(files, "/media/stick/quorvel")) << "a read-only stick";
    files.Writable = {"/media/stick/quorvel", "/opt/quorvel"};
    EXPECT_TRUE(ConnectionHistory::HistoryBesideProgram(files, "/media/stick/quorvel"));
    EXPECT_FALSE(ConnectionHistory::HistoryBesideProgram(files, "/opt/quorvel"))
        << "a writable folder without the marker is no portable copy";
}

TEST(HistoryPlace, ABuildTreeIsAPortableCopy)
{
    TInstallFiles files;
    files.Existing = {"/src/quorvel/build/CMakeCache.txt"};
    files.Writable = {"/src/quorvel/build", "/src/quorvel/build/app"};
    EXPECT_TRUE(ConnectionHistory::HistoryBesideProgram(files, "/src/quorvel/build/app"));
    EXPECT_TRUE(ConnectionHistory::HistoryBesideProgram(files, "/src/quorvel/build"));
    EXPECT_FALSE(ConnectionHistory::HistoryBesideProgram(files, "/src/quorvel/build/app/sub"))
        << "the cache is looked for in the program's folder and the one above only";
}

TEST(HistoryPlace, AnInstalledProgramNeverKeepsItBesideItself)
{
    for (const std::string installed :
         {"share/applications/com.velmarsoftware.Quorvel.desktop",
          "share/metainfo/com.velmarsoftware.Quorvel.metainfo.xml", "share/quorvel/installed"}) {
        SCOPED_TRACE(installed);
        TInstallFiles files;
        // Installed into ~/.local, and for good measure into a build tree (cmake --install build --prefix build)
        // with a portable marker dropped beside it: the install's own files decide.
        files.Existing = {"/home/ann/.local/" + installed, "/src/build/" + installed, "/src/build/CMakeCache.txt",
                          "/src/build/bin/quorvel.portable"};
        files.Writable = {"/home/ann/.local/bin", "/src/build/bin"};
        EXPECT_FALSE(ConnectionHistory::HistoryBesideProgram(files, "/home/ann/.local/bin"));
        EXPECT_FALSE(ConnectionHistory::HistoryBesideProgram(files, "/src/build/bin"));
    }
    TInstallFiles other;
    other.Existing = {"/home/ann/.local/share/quorvel/installed", "/home/ann/.local/tools/quorvel.portable"};
    other.Writable = {"/home/ann/.local/tools"};
    EXPECT_TRUE(ConnectionHistory::HistoryBesideProgram(other, "/home/ann/.local/tools"))
        << "only a bin/ folder belongs to the install of its prefix";
}

TEST(HistoryPlace, AnythingButAPortableCopyWritesToTheUsersDataFolderWhichIsCreated)
{
    TInstallFiles files;
    files.Existing = {"/opt/quorvel/quorvel.portable"};
    files.Writable = {"/opt/quorvel", "/home/ann/.local/bin"};
    EXPECT_EQ(ConnectionHistory::HistoryPath(files, "/opt/quorvel/qorvix"), "/opt/quorvel/qorvix.log");
    EXPECT_TRUE(files.Created.empty()) << "no folder made when it is not needed";
    EXPECT_EQ(ConnectionHistory::HistoryPath(files, "/home/ann/.local/bin/qorvix"),
              "/home/ann/.local/share/quorvel/qorvix.log");
    EXPECT_EQ(files.Created, std::vector<std::string>{"/home/ann/.local/share/quorvel"});
}

TEST(UserDataFolder, XdgDataHomeWhenAbsoluteOtherwiseUnderHome)
{
    std::map<std::string, std::string> variables;
    TPosixTextFiles files([&](const char* name) {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
    variables["HOME"] = "/home/ann";
    EXPECT_EQ(files.UserDataFolder(), "/home/ann/.local/share");
    variables["XDG_DATA_HOME"] = "/data/ann";
    EXPECT_EQ(files.UserDataFolder(), "/data/ann");
    variables["XDG_DATA_HOME"] = "relative/data";
    EXPECT_EQ(files.UserDataFolder(), "/home/ann/.local/share") << "a relative path is not taken";
}

TEST_F(StatisticsSave, AnUnwritablePortableCopysHistoryGoesToTheUsersDataFolder)
{
    const std::string data = Folder.File("data");
    std::filesystem::create_directory(data);
    // The program's folder belongs to root and is closed to others; the data folder is the user's.
    std::filesystem::permissions(Folder.Path, std::filesystem::perms::owner_all | std::filesystem::perms::others_read |
                                                  std::filesystem::perms::others_exec);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(data.c_str(), 65534, 65534), 0);
    } else {
        std::filesystem::permissions(Folder.Path, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
    }
    EXPECT_TRUE(RunUnprivileged([&] {
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        Form->SaveStats();
        return Contents(data + "/quorvel/qorvix.log").starts_with(ConnectionHistory::HeaderLine);
    }));
    EXPECT_FALSE(std::filesystem::exists(HistoryPath));
}

TEST(StatisticsLoad, StartUpShowsTheStoredLastConnectionAndTotals)
{
    TTestPlatform platform;
    auto stats = platform.Registry.OpenKey(Stats, true);
    auto text = [](const std::string& value) {
        TRegValue stored{REG_SZ, std::vector<uint8_t>(value.begin(), value.end())};
        stored.Data.push_back(0);
        return stored;
    };
    stats->SetValue("LastOnLine", text("Sat 05 Dec 2026 08:00:00"));
    stats->SetValue("LastOffLine", text("Sat 05 Dec 2026 09:00:00"));
    stats->SetValue("lastconn", text("USB Ethernet"));
    stats->SetValue("LastSpeed", text("100000000"));
    stats->SetValue("LastSent", text("1234567"));
    stats->SetValue("LastDuration", text("3600"));
    stats->SetValue("TotalRecv", text("not a number"));
    stats->SetValue("TotalDuration", text("360000"));
    TMainForm form(platform.Services());
    form.FormCreate();
    form.TimerStatus->stop();
    EXPECT_EQ(form.LabelLastConn->Caption(), "USB Ethernet");
    EXPECT_EQ(form.LabelLastSpeed->Caption(), "100,000,000");
    EXPECT_EQ(form.LabelLastSent->Caption(), "1,234,567");
    EXPECT_EQ(form.LabelLastRecv->Caption(), "0");
    EXPECT_EQ(form.LabelLastDuration->Caption(), "01:00:00");
    EXPECT_EQ(form.LabelLastDuration->toolTip(),
              "Online: Sat 05 Dec 2026 08:00:00\r\nOffline: Sat 05 Dec 2026 09:00:00");
    EXPECT_EQ(form.LabelTotalRecv->Caption(), "0");
    EXPECT_EQ(form.LabelTotalDuration->Caption(), "100:00:00");
    EXPECT_EQ(form.State.LastSent, 1234567);

    TTestPlatform fresh;
    TMainForm first(fresh.Services());
    first.FormCreate();
    first.TimerStatus->stop();
    EXPECT_EQ(first.State.LastOnLine, "N/A");
    EXPECT_EQ(first.LabelLastConn->Caption(), "N/A");
    EXPECT_EQ(first.LabelTotalSent->Caption(), "0");
}

TEST(HistoryPath, TheProgramsExtensionBecomesLog)
{
    EXPECT_EQ(ConnectionHistory::HistoryPath("/opt/quorvel/qorvix"), "/opt/quorvel/qorvix.log");
    EXPECT_EQ(ConnectionHistory::HistoryPath("/opt/quorvel/qorvix.bin"), "/opt/quorvel/qorvix.log");
    EXPECT_EQ(ConnectionHistory::HistoryPath("/opt/v1.2/qorvix"), "/opt/v1.2/qorvix.log");
}

} // namespace
