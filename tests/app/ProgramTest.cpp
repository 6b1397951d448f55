// The program as the user runs it, built from doubles: start-up from stored values, close requests, the
// one exit path that Exit, a stop signal and the session's end share, and the menu commands.
#include "app/ConnectionHistory.h"
#include "app/QorvixProgram.h"
#include "app/StatusLogView.h"
#include "app/SyncTimer.h"
#include "app/ValueLabel.h"
#include "app/main.h"

#include "doubles/FakeNotificationArea.h"
#include "doubles/TempFolder.h"
#include "doubles/TestPlatform.h"
#include "platform/linux/AutostartRegistry.h"
#include "trend/Trend.h"
#include "ui/ImageList.h"
#include "ui/TrayArtwork.h"
#include "ui/TrayIcon.h"
#include "ui/mon.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QImageWriter>
#include <QSessionManager>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

const std::string Stats = "Software\\Velmar Software\\Quorvel\\Stats";
const std::string RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

QImage Picture(const QIcon& icon) { return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32); }

class Program : public testing::Test {
protected:
    TTempFolder Folder{"program"};
    TTestPlatform Platform;
    TFakeNotificationArea Area;
    TRecordingErrorReporter Reporter;
    TMyReg Reg{Platform.Registry};
    std::unique_ptr<TQorvixProgram> Life;

    void SetUp() override
    {
        Reg.SetRegKey(StoredSettings::RegKey);
        // A portable copy keeps its history beside it, here in the test's own folder.
        std::ofstream(Folder.File("quorvel.portable")).put('\n');
        Platform.ProgramPath = Folder.File("qorvix");
        TFakeAdapter adapter;
        adapter.Index = 2;
        adapter.Description = "eth0";
        adapter.Name = "eth0";
        adapter.Ips = {"192.168.1.20"};
        Platform.IpHelper.Adapters = {adapter};
        Platform.IpHelper.Row =
            MIB_IFROW{0, MIB_IF_TYPE_ETHERNET, 1'000'000'000, MIB_IF_OPER_STATUS_NON_OPERATIONAL, 0, 0};
    }

    void Start(TPlatformServices services)
    {
        Life = std::make_unique<TQorvixProgram>(services, Reporter, &Area);
        Life->Start();
        Form().TimerStatus->stop(); // the test drives the ticks
    }
    void Start() { Start(Platform.Services()); }
    TMainForm& Form() const { return Life->MainForm(); }

    void Tick(bool up, uint64_t sent = 0)
    {
        Platform.IpHelper.Row.dwOperStatus = up ? MIB_IF_OPER_STATUS_OPERATIONAL : MIB_IF_OPER_STATUS_NON_OPERATIONAL;
        Platform.IpHelper.Row.dwOutOctets += sent;
        Platform.Clock.Advance(1000);
        Form().TimerStatusTimer();
    }

    // Runs the event loop with the request made from inside it; true when the program ended the loop.
    static bool EndsTheProgram(const std::function<void()>& request)
    {
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        deadline.start(60000);
        QTimer::singleShot(0, request);
        return QCoreApplication::exec() == 0;
    }

    std::string StatsText(const std::string& name) { return Platform.Registry.Text(Stats, name); }
    int Lines(const std::string& path)
    {
        std::ifstream file(path);
        int count = 0;
        for (std::string line; std::getline(file, line);)
            ++count;
        return count;
    }
    bool LogHas(const std::string& text) const
    {
        return std::find(Platform.Console.Lines.begin(), Platform.Console.Lines.end(), text) !=
               Platform.Console.Lines.end();
    }
};

TEST_F(Program, AFirstRunStartsFromTheDefaults)
{
    Start(); // the test platform stores only a local time server
    EXPECT_EQ(Form().pos(), QPoint(50, 50));
    std::vector<QString> checked;
    for (QAction* item : Form().PopupMenu->actions())
        if (item->isChecked()) checked.push_back(item->text());
    EXPECT_EQ(checked, std::vector<QString>{"Show Monitor..."});
    EXPECT_EQ(Form().State.SynchronizeTimeInterval, 7200);
    EXPECT_EQ(Form().SynchronizeTimer().Interval(), 7'200'000u);
    EXPECT_EQ(Form().State.MinGraph, 0);
    EXPECT_EQ(Form().State.MaxGraph, 25600);
    EXPECT_EQ(Form().LabelLastConn->Caption(), "N/A");
    EXPECT_EQ(Form().LabelLastSent->Caption(), "0");
    EXPECT_EQ(Form().LabelTotalDuration->Caption(), "00:00:00");
    EXPECT_EQ(Form().LabelLastDuration->toolTip(), "Online: N/A\r\nOffline: N/A");
    EXPECT_EQ(Form().LabelConn->toolTip(), "N/A");
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(Form().TrayIcon->MinimizeToTray());
    EXPECT_TRUE(Life->MonForm().isVisible());
    EXPECT_EQ(Form().Log->Line(0), "Quorvel v1.0.0.04");
}

TEST_F(Program, StoredValuesReachTheWindowTheMenuAndTheState)
{
    Reg.WriteIntValue("Position", "MainTop", -30);
    Reg.WriteIntValue("Position", "MainLeft", 5000); // off every screen: applied as it is
    Reg.WriteFlagValue("Option", "AlwaysOnTop", true);
    Reg.WriteFlagValue("Option", "MinimizeToTray", true);
    Reg.WriteFlagValue("Option", "SaveLog", true);
    Reg.WriteFlagValue("Option", "ShowMonitor", false);
    Reg.WriteInt64Value("Option", "MaxGraph", 9000);
    Reg.WriteInt64Value("Option", "MinGraph", 100);
    Reg.WriteInt64Value("Option", "SynchronizeTimeInterval", 60);
    Reg.WriteTextValue("Stats", "LastConn", "eth7");
    Reg.WriteInt64Value("Stats", "LastSent", 1234567);
    Reg.WriteInt64Value("Stats", "TotalDuration", 3661);
    Reg.WriteTextValue("Stats", "LastOnLine", "Mon 01 Jun 2026 10:00:00");
    Start();
    EXPECT_EQ(Form().pos(), QPoint(5000, -30));
    EXPECT_TRUE(Form().MenuAlwaysOnTop->isChecked());
    EXPECT_TRUE(Form().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(Form().MenuMinimizetoTray->isChecked());
    EXPECT_TRUE(Form().TrayIcon->MinimizeToTray());
    EXPECT_TRUE(Form().MenuSaveLog->isChecked());
    EXPECT_FALSE(Form().MenuShowMonitor->isChecked());
    EXPECT_FALSE(Life->MonForm().isVisible());
    EXPECT_FALSE(Form().MenuStartMinimized->isChecked());
    EXPECT_EQ(Form().State.MaxGraph, 9000);
    EXPECT_EQ(Form().State.MinGraph, 100);
    EXPECT_EQ(Form().SynchronizeTimer().Interval(), 60'000u);
    EXPECT_EQ(Form().LabelLastConn->Caption(), "eth7");
    EXPECT_EQ(Form().LabelLastSent->Caption(), "1,234,567");
    EXPECT_EQ(Form().LabelTotalDuration->Caption(), "01:01:01");
    EXPECT_EQ(Form().LabelLastDuration->toolTip(), "Online: Mon 01 Jun 2026 10:00:00\r\nOffline: N/A");
}

TEST_F(Program, StartMinimizedLeavesOnlyTheTrayIconAndTheMonitorsMenu)
{
    Reg.WriteFlagValue("Option", "StartMinimized", true);
    Start();
    EXPECT_FALSE(Form().isVisible());
    EXPECT_TRUE(Area.Shown) << "the tray icon is there";
    EXPECT_EQ(Area.Menu, Form().PopupMenu);
    EXPECT_TRUE(Life->MonForm().isVisible()) << "and the monitor, whose menu is the same";
    Form().MenuShowWindow->trigger();
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(Form().isMinimized());
}

TEST_F(Program, WithoutANotificationAreaTheWindowIsNeverOutOfReach)
{
    Area.Refusing = true;
    Reg.WriteFlagValue("Option", "StartMinimized", true);
    Reg.WriteFlagValue("Option", "MinimizeToTray", true);
    Start();
    EXPECT_TRUE(Form().isVisible()) << "started minimised on the taskbar, not withdrawn";
    EXPECT_TRUE(Form().isMinimized());
    Form().TrayIcon->ShowMainForm();
    Form().showMinimized();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Form().isVisible()) << "Minimize to Tray minimises to the taskbar";
    int notes = 0;
    for (int i = 0; i < Form().Log->Count(); ++i)
        notes += Form().Log->Line(i) == "No notification area: minimizing to the taskbar.";
    EXPECT_EQ(notes, 1);
}

TEST_F(Program, OnlyTheTrayPictureFoundBesideTheProgramReplacesItsBuiltInOne)
{
    if (!QImageWriter::supportedImageFormats().contains("ico")) GTEST_SKIP() << "no icon file writer in this Qt";
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(Folder.File("qorvix2.ico")), "ico"));
    std::ofstream(Folder.File("qorvix3.ico")) << "not an icon";
    Start();
    TImageList& images = *Form().IconList;
    EXPECT_EQ(Picture(images.Image(2)).pixelColor(8, 8), QColor(Qt::red));
    for (int state : {0, 1, 3, 4})
        EXPECT_EQ(Picture(images.Image(state)), Picture(TrayArtwork::Icon(state))) << "image " << state;
    EXPECT_EQ(Form().TrayIcon->IconIndex(), 0);
}

TEST_F(Program, AFirstPictureFoundBesideTheProgramIsTheOneTheTrayShows)
{
    if (!QImageWriter::supportedImageFormats().contains("ico")) GTEST_SKIP() << "no icon file writer in this Qt";
    QImage blue(16, 16, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(QString::fromStdString(Folder.File("qorvix0.ico")), "ico"));
    Start();
    EXPECT_EQ(Picture(Form().IconList->Image(0)).pixelColor(8, 8), QColor(Qt::blue));
    EXPECT_EQ(Area.ShownIcon, Form().IconList->Image(0).cacheKey());
}

TEST_F(Program, ACloseRequestMinimisesAndSavesNothing)
{
    Start();
    Tick(true);
    const int groups = Platform.Registry.GroupsEnded;
    const int loose = Platform.Registry.WritesOutsideGroups;
    EXPECT_FALSE(Form().close());
    EXPECT_TRUE(Form().isMinimized());
    EXPECT_EQ(Platform.Registry.GroupsEnded, groups);
    EXPECT_EQ(Platform.Registry.WritesOutsideGroups, loose);
    Tick(true, 500);
    EXPECT_EQ(Form().State.LastSent, 500) << "the monitoring goes on";
}

TEST_F(Program, MinimiseToTrayTurnsACloseRequestIntoTheTray)
{
    Reg.WriteFlagValue("Option", "MinimizeToTray", true);
    Start();
    Form().close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Form().isVisible(); }, 30000));
    EXPECT_TRUE(Area.Shown);
}

TEST_F(Program, ExitWhileOnlineSavesTheConnectionEndingNowAndEndsTheProgram)
{
    Reg.WriteInt64Value("Stats", "TotalSent", 1000);
    Start();
    Form().MenuSaveLog->trigger();
    Form().MenuSynchronizeTime->trigger();
    Tick(true);
    Tick(true, 4000);
    ASSERT_TRUE(Form().SynchronizeTimer().Enabled());
    Life->MonForm().move(123, 45);
    Form().move(70, 80);
    Platform.Clock.Advance(60'000);
    const int groups = Platform.Registry.GroupsEnded;
    const int loose = Platform.Registry.WritesOutsideGroups;
    ASSERT_TRUE(EndsTheProgram([&] { Form().MenuExit->trigger(); }));
    EXPECT_EQ(Platform.Registry.GroupsEnded, groups + 1) << "one update of the store";
    EXPECT_EQ(Platform.Registry.WritesOutsideGroups, loose);
    EXPECT_EQ(StatsText("LastSent"), "4000");
    EXPECT_EQ(StatsText("TotalSent"), "5000");
    EXPECT_EQ(StatsText("LastOffLine"), Form().State.LastOffLine.toStdString());
    EXPECT_NE(StatsText("LastOffLine"), StatsText("LastOnLine")) << "the exit time, a minute later";
    EXPECT_EQ(Lines(Folder.File("qorvix.log")), 2) << "header and this connection";
    EXPECT_EQ(Reg.ReadIntValue("Position", "MainLeft", 0), 70);
    EXPECT_EQ(Reg.ReadIntValue("Position", "MainTop", 0), 80);
    EXPECT_EQ(Reg.ReadIntValue("Position", "MonLeft", 0), 123);
    EXPECT_EQ(Reg.ReadIntValue("Position", "MonTop", 0), 45);
    EXPECT_TRUE(Reg.ReadFlagValue("Option", "SaveLog", false));
    EXPECT_EQ(Reg.ReadInt64Value("Option", "MonAlpha", 0), 120);
    EXPECT_TRUE(Reporter.Messages.empty());
    EXPECT_FALSE(Form().TimerStatus->isActive()) << "nothing polls after the end";
    EXPECT_FALSE(Form().SynchronizeTimer().Enabled()) << "nor synchronises";
}

TEST_F(Program, ExitWhileOfflineWritesPositionsAndOptionsButNoStatistics)
{
    Reg.WriteInt64Value("Stats", "TotalSent", 1000);
    Start();
    Tick(true);
    Tick(true, 4000);
    Tick(false);
    Form().ResetDblClick(); // stored at once: the next start must not bring the old totals back
    Form().MenuStartMinimized->trigger();
    const std::string offline = StatsText("LastOffLine");
    Platform.Clock.Advance(60'000);
    ASSERT_TRUE(EndsTheProgram([&] { Form().MenuExit->trigger(); }));
    EXPECT_EQ(StatsText("LastOffLine"), offline);
    EXPECT_EQ(StatsText("TotalSent"), "0") << "the reset, not the totals before it";
    EXPECT_TRUE(Reg.ReadFlagValue("Option", "StartMinimized", false));
    EXPECT_EQ(Reg.ReadIntValue("Position", "MainTop", 0), 50);
}

TEST_F(Program, AStopSignalRunsTheExitPathOnce)
{
    Start();
    Tick(true);
    Tick(true, 700);
    const int groups = Platform.Registry.GroupsEnded;
    ASSERT_TRUE(EndsTheProgram([] {
        std::raise(SIGTERM);
        std::raise(SIGTERM); // impatient: the second arrives before the first one's exit has run
    }));
    EXPECT_EQ(std::count(Platform.Console.Lines.begin(), Platform.Console.Lines.end(), "Quorvel stops."), 1);
    EXPECT_EQ(StatsText("LastSent"), "700");
    Life->Exit(); // a second request after the end changes nothing
    Form().MenuExit->trigger();
    EXPECT_EQ(Platform.Registry.GroupsEnded, groups + 1);
}

TEST_F(Program, TheSessionsEndSavesLikeExitAndLetsTheSessionEnd)
{
    auto* manager = qApp->findChild<QSessionManager*>();
    if (!manager) GTEST_SKIP() << "this Qt has no session manager";
    Start();
    Tick(true);
    Tick(true, 900);
    ASSERT_TRUE(EndsTheProgram([&] { emit qApp->commitDataRequest(*manager); }));
    EXPECT_EQ(StatsText("LastSent"), "900");
    EXPECT_EQ(StatsText("TotalSent"), "900");
    EXPECT_TRUE(Reg.ReadFlagValue("Option", "ShowMonitor", false));
}

TEST_F(Program, AHistoryFailureAtExitIsReportedAfterEverythingElseIsSaved)
{
    std::filesystem::create_directory(Folder.File("qorvix.log")); // where the history file would go
    Start();
    Form().MenuSaveLog->trigger();
    Form().MenuHideMonitor->trigger();
    Tick(true);
    Tick(true, 300);
    ASSERT_TRUE(EndsTheProgram([&] { Form().MenuExit->trigger(); }));
    ASSERT_EQ(Reporter.Messages.size(), 1u);
    EXPECT_NE(Reporter.Messages[0], "");
    EXPECT_EQ(StatsText("LastSent"), "300");
    EXPECT_TRUE(Reg.ReadFlagValue("Option", "HideMonitor", false)) << "options saved after the failed history";
    EXPECT_EQ(Reg.ReadInt64Value("Option", "MaxGraph", 0), 25600);
}

TEST_F(Program, AlwaysOnTopFromTheTrayShowsTheWindowThenKeepsItOnTop)
{
    Reg.WriteFlagValue("Option", "StartMinimized", true);
    Reg.WriteFlagValue("Option", "MinimizeToTray", true);
    Start();
    ASSERT_FALSE(Form().isVisible());
    Form().MenuAlwaysOnTop->trigger();
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(Form().isMinimized());
    EXPECT_TRUE(Form().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(Form().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint)) << "the window system is told";
    EXPECT_EQ(Form().pos(), QPoint(50, 50));
    const WId native = Form().winId();
    Form().MenuAlwaysOnTop->trigger();
    EXPECT_FALSE(Form().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(Form().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Form().winId(), native) << "the same window, not a new one that flashes and may be placed anew";
    EXPECT_EQ(Form().pos(), QPoint(50, 50));
    EXPECT_TRUE(Form().isVisible()) << "turning it off neither shows nor hides";
    EXPECT_FALSE(Form().MenuAlwaysOnTop->isChecked());
}

TEST_F(Program, MinimizeToTrayActsAtOnceOnAMinimisedWindow)
{
    Start();
    Form().showMinimized();
    Form().MenuMinimizetoTray->trigger();
    EXPECT_TRUE(Form().TrayIcon->MinimizeToTray());
    EXPECT_FALSE(Form().isVisible()) << "only the tray icon remains";
    Form().MenuMinimizetoTray->trigger();
    EXPECT_FALSE(Form().TrayIcon->MinimizeToTray());
    EXPECT_TRUE(Form().isVisible()) << "the taskbar button is back";
    EXPECT_TRUE(Form().isMinimized());

    Form().TrayIcon->ShowMainForm();
    Form().MenuMinimizetoTray->trigger();
    EXPECT_TRUE(Form().isVisible()) << "a shown window waits for the next minimise";
}

class LoadOnStartupCommand : public Program {
protected:
    TTempFolder Autostart{"autostart"};
    void StartWith(const std::string& folder)
    {
        Registry = std::make_unique<TAutostartRegistry>(Platform.Registry, folder, "quorvel");
        TPlatformServices services = Platform.Services();
        Start(TPlatformServices{services.Clock, services.Clipboard, services.IpHelper, *Registry, services.TextFiles,
                                services.ProgramPath, services.Console});
    }
    std::unique_ptr<TAutostartRegistry> Registry;
};

TEST_F(LoadOnStartupCommand, OnThenOffWritesAndRemovesOnlyItsOwnEntry)
{
    Platform.ProgramPath = Folder.File("my programs/qorvix");
    const std::string folder = Autostart.File("autostart");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Other.desktop") << "[Desktop Entry]\nExec=other\n";
    StartWith(folder);

    Form().MenuLoadOnStartup->trigger();
    EXPECT_TRUE(Form().MenuLoadOnStartup->isChecked());
    std::ifstream entry(folder + "/Quorvel.desktop");
    std::stringstream text;
    text << entry.rdbuf();
    EXPECT_NE(text.str().find("Exec=\"" + Platform.ProgramPath + "\"\n"), std::string::npos) << text.str();
    const auto stored = Registry->OpenKey(RunKey, false)->ReadValue("Quorvel");
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::string(stored->Data.begin(), stored->Data.end()), Platform.ProgramPath + '\0') << "unquoted";

    Form().MenuLoadOnStartup->trigger();
    EXPECT_FALSE(Form().MenuLoadOnStartup->isChecked());
    EXPECT_FALSE(std::filesystem::exists(folder + "/Quorvel.desktop"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/Other.desktop"));
}

TEST_F(LoadOnStartupCommand, AnEntryThatCannotBeWrittenPutsTheCheckMarkBack)
{
    const std::string blocker = Autostart.File("file");
    std::ofstream(blocker) << "a file where a folder should be";
    StartWith(blocker + "/autostart");
    Form().MenuLoadOnStartup->trigger();
    EXPECT_FALSE(Form().MenuLoadOnStartup->isChecked());
    EXPECT_TRUE(Reporter.Messages.empty()) << "silently";
}

TEST_F(LoadOnStartupCommand, TurningOffAnEntryTheUserRemovedLeavesItOff)
{
    Reg.WriteFlagValue("Option", "LoadOnStartup", true);
    StartWith(Autostart.File("autostart"));
    ASSERT_TRUE(Form().MenuLoadOnStartup->isChecked());
    Form().MenuLoadOnStartup->trigger();
    EXPECT_FALSE(Form().MenuLoadOnStartup->isChecked());
}

} // namespace
