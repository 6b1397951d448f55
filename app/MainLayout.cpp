#include "MainLayout.h"

#include "BevelPanel.h"
#include "CaptionGroupBox.h"
#include "Formatting.h"
#include "MainParts.h"
#include "StatusLogView.h"
#include "ValueLabel.h"

#include "trend/Trend.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

namespace MainLayout {
namespace {

constexpr int CaptionLeft = 15;
constexpr int LabelHeight = 13;
constexpr int UnitRight = 225;
// A hint stays up for ten seconds: long enough to read the network summary under the connection name.
constexpr int HintDurationMs = 10000;
// The longest texts of the rows that are not counts or durations: a connection name cut to its 20
// characters, all of the widest letters, and a dotted IPv4 address (the only kind the rows show).
constexpr const char* LongestName = "WWWWWWWWWWWWWWWWWWWW...";
constexpr const char* LongestAddress = "255.255.255.255";

QLabel* AddFixedLabel(QWidget* parent, const QString& text, int x, int top)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->adjustSize();
    label->setGeometry(x, top, label->width(), LabelHeight);
    return label;
}

QGroupBox* AddGroup(QWidget& window, const QString& name, const QString& caption, const QRect& geometry)
{
    auto* group = new TCaptionGroupBox(name, caption, &window);
    group->setGeometry(geometry);
    return group;
}

// The value grows left from its right edge up to a space beyond its caption's text (the caption column for a
// row without caption), stepping its font down for a text that would go further; `longest` is the longest
// text the row shows.
TValueLabel* AddRow(QGroupBox* group, int top, const QString& caption, const QString& valueName, int valueRight,
                    const QString& longest, const QString& unit = {})
{
    int leftLimit = CaptionLeft;
    if (!caption.isEmpty()) {
        const QLabel* captionLabel = AddFixedLabel(group, caption, CaptionLeft, top);
        const QFontMetrics metrics(captionLabel->font());
        leftLimit = captionLabel->x() + metrics.horizontalAdvance(caption) + metrics.horizontalAdvance(' ');
    }
    auto* value = new TValueLabel(valueName, valueRight, top, group);
    value->SetLeftLimit(leftLimit, longest);
    if (!unit.isEmpty()) {
        auto* unitLabel = new TValueLabel("Unit" + valueName, UnitRight, top, group);
        unitLabel->SetCaption(unit);
    }
    return value;
}

void BuildWindow(QWidget& window)
{
    window.setObjectName("MainForm");
    window.setWindowTitle("Quorvel");
    window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window.setFixedSize(528, 354);
    window.move(215, 150);
    QFont windowFont("Microsoft Sans Serif");
    windowFont.setPixelSize(11);
    window.setFont(windowFont);
    window.setBackgroundRole(QPalette::Button);
    window.setAutoFillBackground(true);
}

void BuildCurrentConnectionGroup(QWidget& window, TMainParts& parts)
{
    using namespace Formatting;
    const QString count = LongestCountText(), duration = LongestDurationText();
    QGroupBox* group = parts.GroupBox2 =
        AddGroup(window, "GroupBox2", "  Current Connection  ", QRect(16, 14, 240, 258));
    parts.LabelConn = AddRow(group, 24, "Connection:", "LabelConn", 225, LongestName);
    parts.LabelSpeed = AddRow(group, 42, "Speed:", "LabelSpeed", 190, count, "bits/s");
    parts.LabelSent = AddRow(group, 60, "Sent:", "LabelSent", 190, count, "bytes");
    parts.LabelRecv = AddRow(group, 78, "Received:", "LabelRecv", 190, count, "bytes");
    parts.LabelDuration = AddRow(group, 96, "Duration:", "LabelDuration", 225, duration);
    parts.LabelDNS1 = AddRow(group, 128, "DNS Server:", "LabelDNS1", 225, LongestAddress);
    parts.LabelDNS2 = AddRow(group, 146, {}, "LabelDNS2", 225, LongestAddress);
    parts.LabelGatewayIP = AddRow(group, 164, "Gateway IP:", "LabelGatewayIP", 225, LongestAddress);
    parts.LabelClientIP = AddRow(group, 182, "Client IP:", "LabelClientIP", 225, LongestAddress);
    parts.LabelUpSpeed = AddRow(group, 214, "Upload Speed:", "LabelUpSpeed", 180, count, "bytes/s");
    parts.LabelDownSpeed = AddRow(group, 232, "Download Speed:", "LabelDownSpeed", 180, count, "bytes/s");

    parts.LabelConn->setCursor(Qt::PointingHandCursor);
    for (TValueLabel* hinted : {parts.LabelConn, parts.LabelDuration, parts.LabelClientIP})
        hinted->setToolTipDuration(HintDurationMs);
}

void BuildLastConnectionGroup(QWidget& window, TMainParts& parts)
{
    using namespace Formatting;
    const QString count = LongestCountText();
    QGroupBox* group = parts.GroupBox1 = AddGroup(window, "GroupBox1", "  Last Connection  ", QRect(274, 14, 240, 126));
    parts.LabelLastConn = AddRow(group, 24, "Connection:", "LabelLastConn", 225, LongestName);
    parts.LabelLastSpeed = AddRow(group, 42, "Speed:", "LabelLastSpeed", 190, count, "bits/s");
    parts.LabelLastSent = AddRow(group, 60, "Sent:", "LabelLastSent", 190, count, "bytes");
    parts.LabelLastRecv = AddRow(group, 78, "Received:", "LabelLastRecv", 190, count, "bytes");
    parts.LabelLastDuration = AddRow(group, 96, "Duration:", "LabelLastDuration", 225, LongestDurationText());
    parts.LabelLastDuration->setToolTipDuration(HintDurationMs);
}

void BuildTotalConnectionGroup(QWidget& window, TMainParts& parts)
{
    using namespace Formatting;
    QGroupBox* group = parts.GroupBox3 =
        AddGroup(window, "GroupBox3", "  Total Connection  ", QRect(274, 154, 240, 118));
    parts.LabelTotalSent = AddRow(group, 24, "Sent:", "LabelTotalSent", 190, LongestCountText(), "bytes");
    parts.LabelTotalRecv = AddRow(group, 42, "Received:", "LabelTotalRecv", 190, LongestCountText(), "bytes");
    parts.LabelTotalDuration = AddRow(group, 60, "Duration:", "LabelTotalDuration", 225, LongestDurationText());

    parts.Reset = new TBevelPanel("Reset", "Reset", group);
    parts.Reset->setGeometry(75, 86, 90, 18);
    parts.Reset->setCursor(Qt::PointingHandCursor);
    parts.Reset->setToolTip("Double click to reset stats");
    parts.Reset->setToolTipDuration(HintDurationMs);
}

void BuildLowerArea(QWidget& window, TMainParts& parts)
{
    // Series A is the received rate (lime), series B the sent rate (red).
    TTrend* trend = parts.Trend = new TTrend(&window);
    trend->setObjectName("Trend");
    trend->setGeometry(16, 290, 240, 50);
    trend->SetBorderWidth(1);
    trend->SetSystemColor(QPalette::Button);
    trend->SetMaxVal(7000);
    trend->SetDivisions(238);
    trend->SetOptions(toTwin);
    trend->SetStyle(tsBar);
    trend->SetColorDataA(QColor(0, 255, 0));
    trend->SetColorDataB(QColor(255, 0, 0));

    parts.Log = new TStatusLogView("Log", &window);
    parts.Log->setGeometry(274, 290, 240, 50);
}

QAction* AddMenuItem(QMenu* menu, const QString& name, const QString& caption, bool option)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(option);
    item->setChecked(false);
    return item;
}

QAction* AddSeparator(QMenu* menu, const QString& name)
{
    QAction* separator = menu->addSeparator();
    separator->setObjectName(name);
    return separator;
}

void BuildPopupMenu(QWidget& window, TMainParts& parts)
{
    QMenu* menu = parts.PopupMenu = new QMenu(&window);
    menu->setObjectName("PopupMenu");
    parts.MenuShowWindow = AddMenuItem(menu, "MenuShowWindow", "Show Window", false);
    parts.MenuAlwaysOnTop = AddMenuItem(menu, "MenuAlwaysOnTop", "Always On Top", true);
    parts.MenuMinimizetoTray = AddMenuItem(menu, "MenuMinimizetoTray", "Minimize to Tray", true);
    parts.MenuStartMinimized = AddMenuItem(menu, "MenuStartMinimized", "Start Minimized", true);
    parts.MenuLoadOnStartup = AddMenuItem(menu, "MenuLoadOnStartup", "Load on Startup", true);
    parts.MenuSaveLog = AddMenuItem(menu, "MenuSaveLog", "Save Log", true);
    parts.MenuSynchronizeTime = AddMenuItem(menu, "MenuSynchronizeTime", "Synchronize Time", true);
    parts.N1 = AddSeparator(menu, "N1");
    parts.MenuShowMonitor = AddMenuItem(menu, "MenuShowMonitor", "Show Monitor...", true);
    parts.MenuHideMonitor = AddMenuItem(menu, "MenuHideMonitor", "Hide Monitor when Offline", true);
    parts.MenuTransparent = AddMenuItem(menu, "MenuTransparent", "Transparent Monitor", true);
    parts.N2 = AddSeparator(menu, "N2");
    parts.MenuAdapter = menu->addMenu("Adapter");
    parts.MenuAdapter->setObjectName("MenuAdapter");
    parts.MenuAdapter->menuAction()->setObjectName("MenuAdapter");
    parts.MenuUsage = AddMenuItem(menu, "MenuUsage", "Usage...", false);
    parts.MenuNotifications = menu->addMenu("Notifications");
    parts.MenuNotifications->setObjectName("MenuNotifications");
    parts.MenuNotifications->menuAction()->setObjectName("MenuNotifications");
    parts.MenuNotifyConnection =
        AddMenuItem(parts.MenuNotifications, "MenuNotifyConnection", "Connection Lost or Restored", true);
    parts.MenuNotifyCap = AddMenuItem(parts.MenuNotifications, "MenuNotifyCap", "Data Cap Warnings", true);
    parts.N4 = AddSeparator(menu, "N4");
    parts.MenuCopyNetworkInfo = AddMenuItem(menu, "MenuCopyNetworkInfo", "Copy Network Info...", false);
    parts.MenuAboutQorvix = AddMenuItem(menu, "MenuAboutQorvix", "About Quorvel", false);
    parts.N3 = AddSeparator(menu, "N3");
    parts.MenuExit = AddMenuItem(menu, "MenuExit", "Exit", false);

    // The default item is the one a double click on the tray icon runs; it is shown bold.
    menu->setDefaultAction(parts.MenuShowWindow);
    QFont bold = parts.MenuShowWindow->font();
    bold.setBold(true);
    parts.MenuShowWindow->setFont(bold);
}

} // namespace

void Build(QWidget& window, TMainParts& parts)
{
    BuildWindow(window);
    BuildCurrentConnectionGroup(window, parts);
    BuildLastConnectionGroup(window, parts);
    BuildTotalConnectionGroup(window, parts);
    BuildLowerArea(window, parts);
    BuildPopupMenu(window, parts);
}

} // namespace MainLayout
