#include "main.h"

#include "BevelPanel.h"
#include "CaptionGroupBox.h"
#include "ConnectionHistory.h"
#include "Formatting.h"
#include "StatusLogView.h"
#include "SyncSchedule.h"
#include "SyncTimer.h"
#include "TrayImage.h"
#include "ValueLabel.h"

#include "trend/Trend.h"
#include "ui/About.h"
#include "ui/ImageList.h"
#include "ui/TrayArtwork.h"
#include "ui/TrayIcon.h"
#include "ui/mon.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <exception>

#include "platform/Checked.h"
#include "platform/IClipboard.h"
#include "platform/IClock.h"
#include "platform/IConsole.h"
#include "platform/qt/QtNotificationArea.h"
#include "platform/qt/QtTimer.h"
#include "settings/RegBatch.h"

namespace {

constexpr int CaptionLeft = 15;
constexpr int LabelHeight = 13;
constexpr int UnitRight = 225;
constexpr int HintDurationMs = 10000;
constexpr int LogLines = 3;
constexpr const char* VersionLine = "Quorvel v1.0.0.04";

QLabel* AddFixedLabel(QWidget* parent, const QString& text, int x, int top)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->adjustSize();
    label->setGeometry(x, top, label->width(), LabelHeight);
    return label;
}

} // namespace

TMainForm::TMainForm(TPlatformServices services, QWidget* parent, INotificationArea* notificationArea)
    : QWidget(parent), MyReg(services.Registry), Services(services), Cycle(State, services.IpHelper, services.Clock)
{
    MyReg.SetRegKey("\\Software\\Velmar Software\\Quorvel\\");
    BuildWindow();
    BuildCurrentConnectionGroup();
    BuildLastConnectionGroup();
    BuildTotalConnectionGroup();
    BuildLowerArea();
    BuildPopupMenu();
    BuildTimers();
    BuildTrayIcon(notificationArea);
    WireEvents();
    BuildTimeClient();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildWindow()
{
    setObjectName("MainForm");
    setWindowTitle("Quorvel");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(528, 354);
    move(215, 150);
    QFont windowFont("Microsoft Sans Serif");
    windowFont.setPixelSize(11);
    setFont(windowFont);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

QGroupBox* TMainForm::AddGroup(const QString& name, const QString& caption, const QRect& geometry)
{
    auto* group = new TCaptionGroupBox(name, caption, this);
    group->setGeometry(geometry);
    return group;
}

TValueLabel* TMainForm::AddRow(QGroupBox* group, int top, const QString& caption, const QString& valueName,
                               int valueRight, const QString& unit)
{
    if (!caption.isEmpty()) AddFixedLabel(group, caption, CaptionLeft, top);
    auto* value = new TValueLabel(valueName, valueRight, top, group);
    if (!unit.isEmpty()) {
        auto* unitLabel = new TValueLabel("Unit" + valueName, UnitRight, top, group);
        unitLabel->SetCaption(unit);
    }
    return value;
}

void TMainForm::BuildCurrentConnectionGroup()
{
    GroupBox2 = AddGroup("GroupBox2", "  Current Connection  ", QRect(16, 14, 240, 258));
    LabelConn = AddRow(GroupBox2, 24, "Connection:", "LabelConn", 225);
    LabelSpeed = AddRow(GroupBox2, 42, "Speed:", "LabelSpeed", 190, "bits/s");
    LabelSent = AddRow(GroupBox2, 60, "Sent:", "LabelSent", 190, "bytes");
    LabelRecv = AddRow(GroupBox2, 78, "Received:", "LabelRecv", 190, "bytes");
    LabelDuration = AddRow(GroupBox2, 96, "Duration:", "LabelDuration", 225);
    LabelDNS1 = AddRow(GroupBox2, 128, "DNS Server:", "LabelDNS1", 225);
    LabelDNS2 = AddRow(GroupBox2, 146, {}, "LabelDNS2", 225);
    LabelGatewayIP = AddRow(GroupBox2, 164, "Gateway IP:", "LabelGatewayIP", 225);
    LabelClientIP = AddRow(GroupBox2, 182, "Client IP:", "LabelClientIP", 225);
    LabelUpSpeed = AddRow(GroupBox2, 214, "Upload Speed:", "LabelUpSpeed", 180, "bytes/s");
    LabelDownSpeed = AddRow(GroupBox2, 232, "Download Speed:", "LabelDownSpeed", 180, "bytes/s");

    LabelConn->setCursor(Qt::PointingHandCursor);
    for (TValueLabel* hinted : {LabelConn, LabelDuration, LabelClientIP})
        hinted->setToolTipDuration(HintDurationMs);
}

void TMainForm::BuildLastConnectionGroup()
{
    GroupBox1 = AddGroup("GroupBox1", "  Last Connection  ", QRect(274, 14, 240, 126));
    LabelLastConn = AddRow(GroupBox1, 24, "Connection:", "LabelLastConn", 225);
    LabelLastSpeed = AddRow(GroupBox1, 42, "Speed:", "LabelLastSpeed", 190, "bits/s");
    LabelLastSent = AddRow(GroupBox1, 60, "Sent:", "LabelLastSent", 190, "bytes");
    LabelLastRecv = AddRow(GroupBox1, 78, "Received:", "LabelLastRecv", 190, "bytes");
    LabelLastDuration = AddRow(GroupBox1, 96, "Duration:", "LabelLastDuration", 225);
    LabelLastDuration->setToolTipDuration(HintDurationMs);
}

void TMainForm::BuildTotalConnectionGroup()
{
    GroupBox3 = AddGroup("GroupBox3", "  Total Connection  ", QRect(274, 154, 240, 118));
    LabelTotalSent = AddRow(GroupBox3, 24, "Sent:", "LabelTotalSent", 190, "bytes");
    LabelTotalRecv = AddRow(GroupBox3, 42, "Received:", "LabelTotalRecv", 190, "bytes");
    LabelTotalDuration = AddRow(GroupBox3, 60, "Duration:", "LabelTotalDuration", 225);

    Reset = new TBevelPanel("Reset", "Reset", GroupBox3);
    Reset->setGeometry(75, 86, 90, 18);
    Reset->setCursor(Qt::PointingHandCursor);
    Reset->setToolTip("Double click to reset stats");
    Reset->setToolTipDuration(HintDurationMs);
}

void TMainForm::BuildLowerArea()
{
    // Series A is the received rate (lime), series B the sent rate (red).
    Trend = new TTrend(this);
    Trend->setObjectName("Trend");
    Trend->setGeometry(16, 290, 240, 50);
    Trend->SetBorderWidth(1);
    Trend->SetSystemColor(QPalette::Button);
    Trend->SetMaxVal(7000);
    Trend->SetDivisions(238);
    Trend->SetOptions(toTwin);
    Trend->SetStyle(tsBar);
    Trend->SetColorDataA(QColor(0, 255, 0));
    Trend->SetColorDataB(QColor(255, 0, 0));

    Log = new TStatusLogView("Log", this);
    Log->setGeometry(274, 290, 240, 50);
}

QAction* TMainForm::AddMenuItem(const QString& name, const QString& caption, bool option)
{
    QAction* item = PopupMenu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(option);
    item->setChecked(false);
    return item;
}

QAction* TMainForm::AddSeparator(const QString& name)
{
    QAction* separator = PopupMenu->addSeparator();
    separator->setObjectName(name);
    return separator;
}

void TMainForm::BuildPopupMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("PopupMenu");
    MenuShowWindow = AddMenuItem("MenuShowWindow", "Show Window", false);
    MenuAlwaysOnTop = AddMenuItem("MenuAlwaysOnTop", "Always On Top", true);
    MenuMinimizetoTray = AddMenuItem("MenuMinimizetoTray", "Minimize to Tray", true);
    MenuStartMinimized = AddMenuItem("MenuStartMinimized", "Start Minimized", true);
    MenuLoadOnStartup = AddMenuItem("MenuLoadOnStartup", "Load on Startup", true);
    MenuSaveLog = AddMenuItem("MenuSaveLog", "Save Log", true);
    MenuSynchronizeTime = AddMenuItem("MenuSynchronizeTime", "Synchronize Time", true);
    N1 = AddSeparator("N1");
    MenuShowMonitor = AddMenuItem("MenuShowMonitor", "Show Monitor...", true);
    MenuHideMonitor = AddMenuItem("MenuHideMonitor", "Hide Monitor when Offline", true);
    MenuTransparent = AddMenuItem("MenuTransparent", "Transparent Monitor", true);
    N2 = AddSeparator("N2");
    MenuCopyNetworkInfo = AddMenuItem("MenuCopyNetworkInfo", "Copy Network Info...", false);
    MenuAboutQorvix = AddMenuItem("MenuAboutQorvix", "About Quorvel", false);
    N3 = AddSeparator("N3");
    MenuExit = AddMenuItem("MenuExit", "Exit", false);

    // The default item is the one a double click on the tray icon runs; it is shown bold.
    PopupMenu->setDefaultAction(MenuShowWindow);
    QFont bold = MenuShowWindow->font();
    bold.setBold(true);
    MenuShowWindow->setFont(bold);
}

void TMainForm::BuildTimers()
{
    TimerStatus = new QTimer(this);
    TimerStatus->setObjectName("TimerStatus");
    TimerStatus->setInterval(1000);

    TimerSynchronizeTime = new QTimer(this);
    TimerSynchronizeTime->setObjectName("TimerSynchronizeTime");
    TimerSynchronizeTime->setInterval(1000);
}

void TMainForm::BuildTrayIcon(INotificationArea* notificationArea)
{
    IconList = new TImageList(this);
    IconList->setObjectName("IconList");
    for (int state = 0; state < TrayArtwork::StateCount; ++state)
        IconList->Add(TrayArtwork::Icon(state));
    // The desktop's area belongs to the icon, so that it outlives every request the icon makes.
    std::unique_ptr<TQtNotificationArea> ownArea;
    if (!notificationArea) notificationArea = (ownArea = std::make_unique<TQtNotificationArea>()).get();
    TrayIcon = new TTrayIcon(*notificationArea, std::make_unique<TQtTimer>(), std::make_unique<TQtTimer>(), this);
    if (ownArea) ownArea.release()->setParent(TrayIcon);
    TrayIcon->setObjectName("TrayIcon");
    TrayIcon->SetIconList(IconList);
    TrayIcon->SetPopupMenu(PopupMenu);
    TrayIcon->SetHint("0.0.0.0");
    TrayIcon->SetIconIndex(0);
    TrayIcon->SetCycleInterval(0);
    TrayIcon->SetMainWindow(this);
    TrayIcon->Loaded();
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event) { PopupMenu->popup(event->globalPos()); }

void TMainForm::WireEvents()
{
    connect(TimerStatus, &QTimer::timeout, this, &TMainForm::TimerStatusTimer);
    connect(LabelConn, &TValueLabel::DoubleClicked, this, &TMainForm::LabelConnDblClick);
    connect(MenuCopyNetworkInfo, &QAction::triggered, this, &TMainForm::LabelConnDblClick);
    connect(Reset, &TBevelPanel::DoubleClicked, this, &TMainForm::ResetDblClick);
    connect(MenuShowMonitor, &QAction::triggered, this, &TMainForm::MenuShowMonitorClick);
    connect(MenuHideMonitor, &QAction::triggered, this, &TMainForm::MenuHideMonitorClick);
    connect(MenuTransparent, &QAction::triggered, this, &TMainForm::MenuTransparentClick);
    connect(MenuAboutQorvix, &QAction::triggered, this, &TMainForm::MenuAboutQorvixClick);
}

void TMainForm::FormCreate()
{
    AddLogLine(VersionLine);
    if (const std::string problem = MyReg.LoadProblem(); !problem.empty()) AddLogLine(QString::fromStdString(problem));
    Trend->ClearDataA();
    Trend->ClearDataB();
    LoadStats();
    // The monitor window's creation reads these three check marks, so they come from the settings first.
    MenuShowMonitor->setChecked(MyReg.ReadFlagValue("Option", "ShowMonitor", true));
    MenuHideMonitor->setChecked(MyReg.ReadFlagValue("Option", "HideMonitor", false));
    MenuTransparent->setChecked(MyReg.ReadFlagValue("Option", "Transparent", false));
    State.MaxGraph = DefaultMaxGraph;
    State.MinGraph = DefaultMinGraph;
    State.SynchronizeTimeServer = DefaultSynchronizeTimeServer;
    State.SynchronizeTimeInterval = DefaultSynchronizeTimeInterval;

    ClearCurrentConnection();
    LabelConn->setToolTip(DefaultNotAvailable);
    ShowLastConnection();
    // Offline at start: the stored totals already include the last connection.
    LabelTotalSent->SetCaption(Formatting::CountText(State.TotalSent));
    LabelTotalRecv->SetCaption(Formatting::CountText(State.TotalRecv));
    LabelTotalDuration->SetCaption(Formatting::FormatDuration(State.TotalDuration));
    LoadSynchronizeTimeOptions();
    ApplySynchronizeTime();
    TimerStatus->start();
    // The first poll does not wait a whole interval, so the first figures follow one second later. It runs
    // from the event loop, where a failure is reported like any tick's, and only while the timer runs.
    QTimer::singleShot(0, this, [this] {
        if (TimerStatus->isActive()) TimerStatusTimer();
    });
}

void TMainForm::LoadStats()
{
    auto text = [&](const char* name) {
        return QString::fromStdString(MyReg.ReadTextValue("Stats", name, DefaultNotAvailable));
    };
    auto number = [&](const char* name) { return MyReg.ReadInt64Value("Stats", name, 0); };
    State.LastOnLine = text("LastOnLine");
    State.LastOffLine = text("LastOffLine");
    State.LastConn = text("LastConn");
    State.LastSpeed = number("LastSpeed");
    State.LastSent = number("LastSent");
    State.LastRecv = number("LastRecv");
    State.LastDuration = number("LastDuration");
    State.TotalSent = number("TotalSent");
    State.TotalRecv = number("TotalRecv");
    State.TotalDuration = number("TotalDuration");
}

void TMainForm::SaveStats()
{
    State.LastOffLine = Formatting::TimeStamp(Services.Clock.Now());
    const TRegBatch oneUpdate(MyReg); // a crash keeps the old or the new statistics, never a mix
    MyReg.WriteTextValue("Stats", "LastOnLine", State.LastOnLine.toStdString());
    MyReg.WriteTextValue("Stats", "LastOffLine", State.LastOffLine.toStdString());
    MyReg.WriteTextValue("Stats", "LastConn", State.LastConn.toStdString());
    MyReg.WriteInt64Value("Stats", "LastSpeed", State.LastSpeed);
    MyReg.WriteInt64Value("Stats", "LastSent", State.LastSent);
    MyReg.WriteInt64Value("Stats", "LastRecv", State.LastRecv);
    MyReg.WriteInt64Value("Stats", "LastDuration", State.LastDuration);
    // The stored totals include the connection being saved; the ones in memory do not yet.
    MyReg.WriteInt64Value("Stats", "TotalSent", Checked::Add(State.TotalSent, State.LastSent));
    MyReg.WriteInt64Value("Stats", "TotalRecv", Checked::Add(State.TotalRecv, State.LastRecv));
    MyReg.WriteInt64Value("Stats", "TotalDuration", Checked::Add(State.TotalDuration, State.LastDuration));
    if (!MenuSaveLog->isChecked()) return;
    ConnectionHistory::Append(Services.TextFiles,
                              ConnectionHistory::HistoryPath(Services.TextFiles, Services.ProgramPath),
                              ConnectionHistory::RecordLine(State, ClientIp));
}

void TMainForm::AddLogLine(const QString& text)
{
    if (Log->Count() == LogLines) Log->Delete(0);
    Log->Append(text);
    Services.Console.WriteLine(text.toStdString());
}

void TMainForm::LabelConnDblClick()
{
    Services.Clipboard.SetText(LabelConn->toolTip().toStdString());
    AddLogLine("Copy network info to clipboard.");
}

void TMainForm::ResetDblClick()
{
    for (TValueLabel* total : {LabelTotalSent, LabelTotalRecv, LabelTotalDuration})
        total->SetCaption({});
    State.TotalSent = State.TotalRecv = State.TotalDuration = 0;
    AddLogLine("Reset total connection statistic.");
}

void TMainForm::TimerStatusTimer()
{
    const TTickDecision decision = Cycle.Decide();
    switch (decision.Action) {
    case TTickAction::GoOnline: GoOnline(decision); break;
    case TTickAction::TakeSample: TakeSample(decision.Sample); break;
    case TTickAction::GoOffline: GoOffline(); break;
    case TTickAction::None: break;
    }
}

void TMainForm::GoOnline(const TTickDecision& decision)
{
    using namespace Formatting;
    const AdapterSnapshot& snapshot = decision.Snapshot;
    Cycle.StartConnection(decision);
    LabelConn->SetCaption(State.LastConn);
    LabelSpeed->SetCaption(CountText(State.LastSpeed));
    Trend->SetMaxVal(State.MaxGraph);
    Trend->SetMinVal(State.MinGraph);
    Trend->ClearDataA();
    Trend->ClearDataB();
    if (MonForm) MonForm->RestartTrend(State.MaxGraph, State.MinGraph);
    LabelDNS1->SetCaption(QString::fromStdString(Entry(snapshot.DnsServers, 1)));
    LabelDNS2->SetCaption(QString::fromStdString(Entry(snapshot.DnsServers, 2)));
    LabelGatewayIP->SetCaption(QString::fromStdString(Entry(snapshot.Gateways, 1)));
    ClientIp = QString::fromStdString(Entry(snapshot.ClientIps, 1));
    LabelClientIP->SetCaption(ClientIp);
    State.LastOnLine = TimeStamp(Services.Clock.Now());
    LabelDuration->setToolTip("Online: " + State.LastOnLine);
    LabelConn->setToolTip(NetworkInfoText(snapshot));
    TrayIcon->SetHint(QString::fromStdString(Entry(snapshot.ClientIps, 1)));
    TrayIcon->SetIconIndex(1);
    ApplyMonitorVisibility(TMonitorEvent::WentOnline);
    AddLogLine("Online: " + State.LastOnLine);
    Schedule->ConnectionUp(MenuSynchronizeTime->isChecked());
}

void TMainForm::TakeSample(const InterfaceSample& sample)
{
    using namespace Formatting;
    const std::optional<TRates> rates = Cycle.TakeSample(sample);
    if (!rates) return;
    Trend->AddDataA(rates->DownRate);
    Trend->AddDataB(rates->UpRate);
    if (MonForm) MonForm->ShowSample(rates->DownRate, rates->UpRate, FormatDuration(State.LastDuration));
    LabelSent->SetCaption(CountText(State.LastSent));
    LabelRecv->SetCaption(CountText(State.LastRecv));
    LabelDuration->SetCaption(FormatDuration(State.LastDuration));
    LabelUpSpeed->SetCaption(CountText(rates->UpRate));
    LabelDownSpeed->SetCaption(CountText(rates->DownRate));
    ShowTotals();
    // Only a change of image reaches the desktop.
    if (const auto image = TrayImageForRates(rates->UpRate, rates->DownRate); image && *image != TrayIcon->IconIndex())
        TrayIcon->SetIconIndex(*image);
    if (MonForm && MenuShowMonitor->isChecked()) MonForm->KeepOnTop();
    Services.Console.WriteLine(
        StatusLine.Build(rates->UpRate, rates->DownRate, State.LastSent, State.LastRecv, State.LastDuration));
}

void TMainForm::GoOffline()
{
    Cycle.EndConnection();
    // A history file that cannot be written must not leave the connection half ended: the totals in
    // memory would miss it and the next save would store totals without it. The error is reported once
    // the transition is complete.
    std::exception_ptr historyFailure;
    try {
        SaveStats();
    } catch (const EInOutError&) {
        historyFailure = std::current_exception();
    }
    ShowLastConnection();
    Cycle.AddLastToTotals();
    ClearCurrentConnection();
    ClientIp.clear();
    LabelConn->setToolTip(DefaultNotAvailable);
    TrayIcon->SetHint("0.0.0.0");
    TrayIcon->SetIconIndex(0);
    ApplyMonitorVisibility(TMonitorEvent::WentOffline);
    AddLogLine("Offline: " + State.LastOffLine);
    Schedule->ConnectionDown(MenuSynchronizeTime->isChecked());
    if (historyFailure) std::rethrow_exception(historyFailure);
}

void TMainForm::ShowLastConnection()
{
    using namespace Formatting;
    LabelLastConn->SetCaption(State.LastConn);
    LabelLastSpeed->SetCaption(CountText(State.LastSpeed));
    LabelLastSent->SetCaption(CountText(State.LastSent));
    LabelLastRecv->SetCaption(CountText(State.LastRecv));
    LabelLastDuration->SetCaption(FormatDuration(State.LastDuration));
    LabelLastDuration->setToolTip("Online: " + State.LastOnLine + "\r\nOffline: " + State.LastOffLine);
}

// While a connection runs, the totals shown include it; only its end adds it to the stored totals.
void TMainForm::ShowTotals()
{
    using namespace Formatting;
    LabelTotalSent->SetCaption(CountText(Checked::Add(State.TotalSent, State.LastSent)));
    LabelTotalRecv->SetCaption(CountText(Checked::Add(State.TotalRecv, State.LastRecv)));
    LabelTotalDuration->SetCaption(FormatDuration(Checked::Add(State.TotalDuration, State.LastDuration)));
}

void TMainForm::ClearCurrentConnection()
{
    for (TValueLabel* label : {LabelConn, LabelSpeed, LabelSent, LabelRecv, LabelDuration, LabelDNS1, LabelDNS2,
                               LabelGatewayIP, LabelClientIP, LabelUpSpeed, LabelDownSpeed})
        label->SetCaption({});
}

// --- Scheduled clock synchronisation

void TMainForm::BuildTimeClient()
{
    NetClock.SetTimeout(30);
    NetClock.SetTimeServer(TNetClock::DefaultTimeServer);
    NetClock.OnError = [this](TNetClock& sender, int32_t errorCode, const std::string& description) {
        NetClockError(sender, errorCode, description);
    };
    TimerSynchronizeTime->setInterval(7200);
    TimeClient = std::make_unique<TNetClockTimeClient>(NetClock);
    SyncTimer = std::make_unique<TSyncTimer>(*TimerSynchronizeTime);
    Schedule = std::make_unique<TSyncSchedule>(*TimeClient, *SyncTimer,
                                               [this](int32_t errorCode) { AddTimeClientErrorLine(errorCode); });
    connect(SyncTimer.get(), &TSyncTimer::Timeout, this, &TMainForm::TimerSynchronizeTimeTimer);
    // A checkable menu item has already changed its check mark when it reports the click.
    connect(MenuSynchronizeTime, &QAction::triggered, this, &TMainForm::MenuSynchronizeTimeClick);
}

// Until start-up loads every option from one table, the three of the synchronisation are read here.
void TMainForm::LoadSynchronizeTimeOptions()
{
    MenuSynchronizeTime->setChecked(MyReg.ReadFlagValue("Option", "SynchronizeTime", false));
    State.SynchronizeTimeServer =
        QString::fromStdString(MyReg.ReadTextValue("Option", "SynchronizeTimeServer", DefaultSynchronizeTimeServer));
    State.SynchronizeTimeInterval =
        MyReg.ReadInt64Value("Option", "SynchronizeTimeInterval", DefaultSynchronizeTimeInterval);
}

// Start-up's two steps, after the options are loaded and before the status timer starts. An interval
// that cannot be applied is reported by the caller; the status monitoring starts all the same.
void TMainForm::ApplySynchronizeTime()
{
    Schedule->ApplyServer(State.SynchronizeTimeServer.toStdString());
    try {
        Schedule->ApplyInterval(State.SynchronizeTimeInterval);
    } catch (...) {
        TimerStatus->start();
        throw;
    }
}

void TMainForm::NetClockError(TNetClock&, int32_t errorCode, const std::string&) { AddTimeClientErrorLine(errorCode); }

// The description is left out: the code and the moment are what the user can act on.
void TMainForm::AddTimeClientErrorLine(int32_t errorCode)
{
    AddLogLine("Error " + QString::number(errorCode) + ": " + Formatting::TimeStamp(Services.Clock.Now()));
}

void TMainForm::MenuSynchronizeTimeClick(bool checked) { Schedule->OptionChanged(checked, State.Online); }

void TMainForm::TimerSynchronizeTimeTimer() { Schedule->TimerTick(); }
TMonFormLinks TMainForm::MonitorLinks()
{
    return TMonFormLinks{MyReg, PopupMenu, MenuShowMonitor, MenuHideMonitor, MenuTransparent, Trend, this};
}

void TMainForm::AttachWindows(TMonForm* monForm, TAboutForm* aboutForm)
{
    MonForm = monForm;
    AboutForm = aboutForm;
    // The double click runs the menu command itself, so the check mark is inverted exactly once.
    if (MonForm) connect(MonForm, &TMonForm::TrendDblClick, MenuShowMonitor, &QAction::trigger);
}

void TMainForm::ApplyMonitorVisibility(TMonitorEvent event)
{
    if (!MonForm) return;
    switch (DecideMonitorVisibility(event, MenuShowMonitor->isChecked(), MenuHideMonitor->isChecked(), State.Online)) {
    case TMonitorVisibility::Show:
        MonForm->show();
        MonForm->raise();
        break;
    case TMonitorVisibility::Hide: MonForm->hide(); break;
    case TMonitorVisibility::Keep: break;
    }
}

void TMainForm::MenuShowMonitorClick() { ApplyMonitorVisibility(TMonitorEvent::ShowMonitorCommand); }
void TMainForm::MenuHideMonitorClick() { ApplyMonitorVisibility(TMonitorEvent::HideMonitorCommand); }

void TMainForm::MenuTransparentClick()
{
    if (MonForm) MonForm->ApplyTransparency();
}

void TMainForm::MenuAboutQorvixClick()
{
    if (!AboutForm) return;
    AboutForm->show();
    AboutForm->raise();
}
