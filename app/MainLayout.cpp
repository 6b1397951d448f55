#include "MainLayout.h"

#include "BevelPanel.h"
#include "CaptionGroupBox.h"
#include "StatusLogView.h"
#include "ValueLabel.h"
#include "main.h"

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

QLabel* AddFixedLabel(QWidget* parent, const QString& text, int x, int top)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->adjustSize();
    label->setGeometry(x, top, label->width(), LabelHeight);
    return label;
}

QGroupBox* AddGroup(TMainForm& form, const QString& name, const QString& caption, const QRect& geometry)
{
    auto* group = new TCaptionGroupBox(name, caption, &form);
    group->setGeometry(geometry);
    return group;
}

TValueLabel* AddRow(QGroupBox* group, int top, const QString& caption, const QString& valueName, int valueRight,
                    const QString& unit = {})
{
    if (!caption.isEmpty()) AddFixedLabel(group, caption, CaptionLeft, top);
    auto* value = new TValueLabel(valueName, valueRight, top, group);
    if (!unit.isEmpty()) {
        auto* unitLabel = new TValueLabel("Unit" + valueName, UnitRight, top, group);
        unitLabel->SetCaption(unit);
    }
    return value;
}

void BuildWindow(TMainForm& form)
{
    form.setObjectName("MainForm");
    form.setWindowTitle("Quorvel");
    form.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    form.setFixedSize(528, 354);
    form.move(215, 150);
    QFont windowFont("Microsoft Sans Serif");
    windowFont.setPixelSize(11);
    form.setFont(windowFont);
    form.setBackgroundRole(QPalette::Button);
    form.setAutoFillBackground(true);
}

void BuildCurrentConnectionGroup(TMainForm& form)
{
    QGroupBox* group = form.GroupBox2 = AddGroup(form, "GroupBox2", "  Current Connection  ", QRect(16, 14, 240, 258));
    form.LabelConn = AddRow(group, 24, "Connection:", "LabelConn", 225);
    form.LabelSpeed = AddRow(group, 42, "Speed:", "LabelSpeed", 190, "bits/s");
    form.LabelSent = AddRow(group, 60, "Sent:", "LabelSent", 190, "bytes");
    form.LabelRecv = AddRow(group, 78, "Received:", "LabelRecv", 190, "bytes");
    form.LabelDuration = AddRow(group, 96, "Duration:", "LabelDuration", 225);
    form.LabelDNS1 = AddRow(group, 128, "DNS Server:", "LabelDNS1", 225);
    form.LabelDNS2 = AddRow(group, 146, {}, "LabelDNS2", 225);
    form.LabelGatewayIP = AddRow(group, 164, "Gateway IP:", "LabelGatewayIP", 225);
    form.LabelClientIP = AddRow(group, 182, "Client IP:", "LabelClientIP", 225);
    form.LabelUpSpeed = AddRow(group, 214, "Upload Speed:", "LabelUpSpeed", 180, "bytes/s");
    form.LabelDownSpeed = AddRow(group, 232, "Download Speed:", "LabelDownSpeed", 180, "bytes/s");

    form.LabelConn->setCursor(Qt::PointingHandCursor);
    for (TValueLabel* hinted : {form.LabelConn, form.LabelDuration, form.LabelClientIP})
        hinted->setToolTipDuration(HintDurationMs);
}

void BuildLastConnectionGroup(TMainForm& form)
{
    QGroupBox* group = form.GroupBox1 = AddGroup(form, "GroupBox1", "  Last Connection  ", QRect(274, 14, 240, 126));
    form.LabelLastConn = AddRow(group, 24, "Connection:", "LabelLastConn", 225);
    form.LabelLastSpeed = AddRow(group, 42, "Speed:", "LabelLastSpeed", 190, "bits/s");
    form.LabelLastSent = AddRow(group, 60, "Sent:", "LabelLastSent", 190, "bytes");
    form.LabelLastRecv = AddRow(group, 78, "Received:", "LabelLastRecv", 190, "bytes");
    form.LabelLastDuration = AddRow(group, 96, "Duration:", "LabelLastDuration", 225);
    form.LabelLastDuration->setToolTipDuration(HintDurationMs);
}

void BuildTotalConnectionGroup(TMainForm& form)
{
    QGroupBox* group = form.GroupBox3 = AddGroup(form, "GroupBox3", "  Total Connection  ", QRect(274, 154, 240, 118));
    form.LabelTotalSent = AddRow(group, 24, "Sent:", "LabelTotalSent", 190, "bytes");
    form.LabelTotalRecv = AddRow(group, 42, "Received:", "LabelTotalRecv", 190, "bytes");
    form.LabelTotalDuration = AddRow(group, 60, "Duration:", "LabelTotalDuration", 225);

    form.Reset = new TBevelPanel("Reset", "Reset", group);
    form.Reset->setGeometry(75, 86, 90, 18);
    form.Reset->setCursor(Qt::PointingHandCursor);
    form.Reset->setToolTip("Double click to reset stats");
    form.Reset->setToolTipDuration(HintDurationMs);
}

void BuildLowerArea(TMainForm& form)
{
    // Series A is the received rate (lime), series B the sent rate (red).
    TTrend* trend = form.Trend = new TTrend(&form);
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

    form.Log = new TStatusLogView("Log", &form);
    form.Log->setGeometry(274, 290, 240, 50);
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

void BuildPopupMenu(TMainForm& form)
{
    QMenu* menu = form.PopupMenu = new QMenu(&form);
    menu->setObjectName("PopupMenu");
    form.MenuShowWindow = AddMenuItem(menu, "MenuShowWindow", "Show Window", false);
    form.MenuAlwaysOnTop = AddMenuItem(menu, "MenuAlwaysOnTop", "Always On Top", true);
    form.MenuMinimizetoTray = AddMenuItem(menu, "MenuMinimizetoTray", "Minimize to Tray", true);
    form.MenuStartMinimized = AddMenuItem(menu, "MenuStartMinimized", "Start Minimized", true);
    form.MenuLoadOnStartup = AddMenuItem(menu, "MenuLoadOnStartup", "Load on Startup", true);
    form.MenuSaveLog = AddMenuItem(menu, "MenuSaveLog", "Save Log", true);
    form.MenuSynchronizeTime = AddMenuItem(menu, "MenuSynchronizeTime", "Synchronize Time", true);
    form.N1 = AddSeparator(menu, "N1");
    form.MenuShowMonitor = AddMenuItem(menu, "MenuShowMonitor", "Show Monitor...", true);
    form.MenuHideMonitor = AddMenuItem(menu, "MenuHideMonitor", "Hide Monitor when Offline", true);
    form.MenuTransparent = AddMenuItem(menu, "MenuTransparent", "Transparent Monitor", true);
    form.N2 = AddSeparator(menu, "N2");
    form.MenuCopyNetworkInfo = AddMenuItem(menu, "MenuCopyNetworkInfo", "Copy Network Info...", false);
    form.MenuAboutQorvix = AddMenuItem(menu, "MenuAboutQorvix", "About Quorvel", false);
    form.N3 = AddSeparator(menu, "N3");
    form.MenuExit = AddMenuItem(menu, "MenuExit", "Exit", false);

    // The default item is the one a double click on the tray icon runs; it is shown bold.
    menu->setDefaultAction(form.MenuShowWindow);
    QFont bold = form.MenuShowWindow->font();
    bold.setBold(true);
    form.MenuShowWindow->setFont(bold);
}

} // namespace

void Build(TMainForm& form)
{
    BuildWindow(form);
    BuildCurrentConnectionGroup(form);
    BuildLastConnectionGroup(form);
    BuildTotalConnectionGroup(form);
    BuildLowerArea(form);
    BuildPopupMenu(form);
}

} // namespace MainLayout
