#include "app/BevelPanel.h"
#include "app/Formatting.h"
#include "app/StatusLine.h"
#include "app/StatusLogView.h"
#include "app/ValueLabel.h"
#include "app/main.h"

#include "doubles/QtPrinters.h"
#include "doubles/TestPlatform.h"
#include "platform/qt/QtClipboard.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
class LogAndCommands : public testing::Test {
protected:
    TTestPlatform Platform;
    TQtClipboard Clipboard; // the real clipboard, read back below
    TMainForm Form{Services()};

    TPlatformServices Services()
    {
        TPlatformServices services = Platform.Services();
        return TPlatformServices{services.Clock,    Clipboard,          services.IpHelper,
                                 services.Registry, services.TextFiles, services.ProgramPath,
                                 services.Console};
    }
};

TEST_F(LogAndCommands, TheLogKeepsTheThreeNewestLinesAndEchoesThemToTheConsole)
{
    for (const char* line : {"one", "two", "three", "four"})
        Form.AddLogLine(line);
    ASSERT_EQ(Form.Log->Count(), 3);
    EXPECT_EQ(Form.Log->Line(0), "two");
    EXPECT_EQ(Form.Log->Line(1), "three");
    EXPECT_EQ(Form.Log->Line(2), "four");
    EXPECT_EQ(Platform.Console.Lines, (std::vector<std::string>{"one", "two", "three", "four"}));
}

TEST_F(LogAndCommands, SettingsThatCouldNotBeLoadedAreReportedAfterTheVersionLine)
{
    Platform.Registry.Problem = "Settings file /x/registry.reg not read (Permission denied)";
    Form.FormCreate();
    Form.TimerStatus->stop();
    ASSERT_EQ(Form.Log->Count(), 2);
    EXPECT_EQ(Form.Log->Line(1), "Settings file /x/registry.reg not read (Permission denied)");
}

TEST_F(LogAndCommands, CopyWhileOfflinePutsNotAvailableOnTheClipboard)
{
    Form.FormCreate();
    Form.TimerStatus->stop();
    QGuiApplication::clipboard()->setText("something else");
    Form.LabelConnDblClick();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "N/A");
    EXPECT_EQ(Form.Log->Line(Form.Log->Count() - 1), "Copy network info to clipboard.");

    Form.LabelConn->setToolTip("line 1\r\nline 2");
    emit Form.LabelConn->DoubleClicked();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "line 1\r\nline 2");
    Form.MenuCopyNetworkInfo->trigger();
    EXPECT_EQ(Form.Log->Count(), 3);
}

TEST_F(LogAndCommands, ResetEmptiesTheTotalLabelsZeroesTheTotalsAndSurvivesARestart)
{
    Platform.Registry.OpenKey("Software\\Velmar Software\\Quorvel\\Stats", true)
        ->SetValue("TotalSent", TRegValue{REG_SZ, {'1', '0', '0', 0}});
    Form.FormCreate();
    Form.TimerStatus->stop();
    ASSERT_EQ(Form.State.TotalSent, 100);
    Form.State.TotalRecv = 200;
    Form.State.TotalDuration = 300;
    Form.State.LastSent = 7;
    emit Form.Reset->DoubleClicked();
    EXPECT_EQ(Form.State.TotalSent, 0);
    EXPECT_EQ(Form.State.TotalRecv, 0);
    EXPECT_EQ(Form.State.TotalDuration, 0);
    EXPECT_EQ(Form.State.LastSent, 7) << "the last connection is not a total";
    EXPECT_TRUE(Form.LabelTotalSent->Caption().isEmpty());
    EXPECT_TRUE(Form.LabelTotalRecv->Caption().isEmpty());
    EXPECT_TRUE(Form.LabelTotalDuration->Caption().isEmpty());
    EXPECT_EQ(Form.Log->Line(Form.Log->Count() - 1), "Reset total connection statistic.");

    // Offline nothing else stores the totals before the next start, which must not bring the old ones back.
    TMainForm next(Platform.Services());
    next.FormCreate();
    next.TimerStatus->stop();
    EXPECT_EQ(next.State.TotalSent, 0);
    EXPECT_EQ(next.LabelTotalSent->Caption(), "0");
}

} // namespace
