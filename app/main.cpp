#include "main.h"

#include "BevelPanel.h"
#include "ConnectionHistory.h"
#include "Formatting.h"
#include "StatusLogView.h"
#include "ValueLabel.h"

#include "trend/Trend.h"

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

TMainForm::TMainForm(TPlatformServices services, QWidget* parent)
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
    WireEvents();
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
    auto* group = new QGroupBox(caption, this);
    group->setObjectName(name);
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
    Trend->SetColor(palette().color(QPalette::Button));
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

void TMainForm::contextMenuEvent(QContextMenuEvent* event) { PopupMenu->popup(event->globalPos()); }

void TMainForm::WireEvents()
{
    connect(TimerStatus, &QTimer::timeout, this, &TMainForm::TimerStatusTimer);
    connect(LabelConn, &TValueLabel::DoubleClicked, this, &TMainForm::LabelConnDblClick);
    connect(MenuCopyNetworkInfo, &QAction::triggered, this, &TMainForm::LabelConnDblClick);
    connect(Reset, &TBevelPanel::DoubleClicked, this, &TMainForm::ResetDblClick);
}

void TMainForm::FormCreate()
{
    AddLogLine(VersionLine);
    if (const std::string problem = MyReg.LoadProblem(); !problem.empty()) AddLogLine(QString::fromStdString(problem));
    Trend->ClearDataA();
    Trend->ClearDataB();
    LoadStats();
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
    TimerStatus->start();
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
    ConnectionHistory::Append(Services.TextFiles, ConnectionHistory::HistoryPath(Services.ProgramPath),
                              ConnectionHistory::RecordLine(State, LabelClientIP->Caption()));
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
    LabelDNS1->SetCaption(QString::fromStdString(Entry(snapshot.DnsServers, 1)));
    LabelDNS2->SetCaption(QString::fromStdString(Entry(snapshot.DnsServers, 2)));
    LabelGatewayIP->SetCaption(QString::fromStdString(Entry(snapshot.Gateways, 1)));
    LabelClientIP->SetCaption(QString::fromStdString(Entry(snapshot.ClientIps, 1)));
    State.LastOnLine = TimeStamp(Services.Clock.Now());
    LabelDuration->setToolTip("Online: " + State.LastOnLine);
    LabelConn->setToolTip(NetworkInfoText(snapshot));
    AddLogLine("Online: " + State.LastOnLine);
}

void TMainForm::TakeSample(const InterfaceSample& sample)
{
    using namespace Formatting;
    const std::optional<TRates> rates = Cycle.TakeSample(sample);
    if (!rates) return;
    Trend->AddDataA(rates->DownRate);
    Trend->AddDataB(rates->UpRate);
    LabelSent->SetCaption(CountText(State.LastSent));
    LabelRecv->SetCaption(CountText(State.LastRecv));
    LabelDuration->SetCaption(FormatDuration(State.LastDuration));
    LabelUpSpeed->SetCaption(CountText(rates->UpRate));
    LabelDownSpeed->SetCaption(CountText(rates->DownRate));
    ShowTotals();
    Services.Console.WriteLine(("Up " + LabelUpSpeed->Caption() + " bytes/s, down " + LabelDownSpeed->Caption() +
                                " bytes/s, sent " + LabelSent->Caption() + " bytes, received " + LabelRecv->Caption() +
                                " bytes, duration " + LabelDuration->Caption())
                                   .toStdString());
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
    LabelConn->setToolTip(DefaultNotAvailable);
    AddLogLine("Offline: " + State.LastOffLine);
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
