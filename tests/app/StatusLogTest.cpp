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

using Formatting::FormatDuration;

// The process's locale for the length of a test.
class TDefaultLocale {
public:
    explicit TDefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TDefaultLocale() { QLocale::setDefault(Saved); }

private:
    QLocale Saved;
};

const auto SevenFiveNine =
    std::chrono::system_clock::time_point{} + std::chrono::seconds(1796576400 - 10 * 3600 + 5 * 60 + 9);

TEST(TimeStamps, TheTimeSeparatorIsTheLocales)
{
    for (const QLocale& locale :
         {QLocale(QLocale::Finnish, QLocale::Finland), QLocale(QLocale::Danish, QLocale::Denmark)}) {
        TDefaultLocale chosen(locale);
        const QString stamp = Formatting::TimeStamp(SevenFiveNine);
        EXPECT_TRUE(stamp.endsWith(" 2026 07.05.09"))
            << stamp.toStdString() << ": two digits each, the locale's separator";
        EXPECT_TRUE(stamp.contains(" " + locale.monthName(12, QLocale::ShortFormat) + " "))
            << stamp.toStdString() << ": the names follow the same locale";
        EXPECT_FALSE(stamp.contains(':')) << stamp.toStdString();
    }
    TDefaultLocale english(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(Formatting::TimeStamp(SevenFiveNine), "Sun 06 Dec 2026 07:05:09");
}

TEST(StatusLine, EachFigureFollowsItsOwnValueAndTheBufferIsKept)
{
    TStatusLine line;
    const std::string& first = line.Build(1234, 0, 1234567, 12, 3725);
    EXPECT_EQ(first, "Up 1,234 bytes/s, down 0 bytes/s, sent 1,234,567 bytes, received 12 bytes, duration 01:02:05");
    // Figures that repeat another's earlier value, and one that goes back to a value it had before.
    const std::string& longer = line.Build(1234, 1234, 1234567, 0, 3726);
    EXPECT_EQ(longer,
              "Up 1,234 bytes/s, down 1,234 bytes/s, sent 1,234,567 bytes, received 0 bytes, duration 01:02:06");
    const char* buffer = longer.data();
    EXPECT_EQ(line.Build(0, 1234, 1234568, 12, 3725),
              "Up 0 bytes/s, down 1,234 bytes/s, sent 1,234,568 bytes, received 12 bytes, duration 01:02:05");
    EXPECT_EQ(line.Build(0, 1234, 1234568, 12, 3725).data(), buffer) << "the same buffer each time";
}

TEST(FormatDuration, AroundItsBoundaries)
{
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(59), "00:00:59");
    EXPECT_EQ(FormatDuration(60), "00:01:00");
    EXPECT_EQ(FormatDuration(3599), "00:59:59");
    EXPECT_EQ(FormatDuration(3725), "01:02:05");
    EXPECT_EQ(FormatDuration(86400), "24:00:00");
    EXPECT_EQ(FormatDuration(360000), "100:00:00");
    EXPECT_EQ(FormatDuration(int64_t{1} << 40), "305419896:36:16");
}

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

TEST_F(LogAndCommands, ResetEmptiesTheTotalLabelsAndZeroesTheTotals)
{
    Form.State.TotalSent = 100;
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
    EXPECT_EQ(Form.Log->Line(0), "Reset total connection statistic.");
}

} // namespace
