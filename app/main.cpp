#include "main.h"

#include "AdapterMenu.h"
#include "BevelPanel.h"
#include "CommandLine.h"
#include "Formatting.h"
#include "LoadOnStartup.h"
#include "MainDisplays.h"
#include "MainLayout.h"
#include "StatisticsKeeper.h"
#include "StatusLogView.h"
#include "SyncSchedule.h"
#include "SyncTimer.h"
#include "TrayIconSetup.h"
#include "UsageCenter.h"
#include "ValueLabel.h"

#include "trend/Trend.h"
#include "ui/About.h"
#include "ui/ImageList.h"
#include "ui/TrayIcon.h"
#include "ui/WindowStacking.h"
#include "ui/mon.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QShowEvent>
#include <QSocketNotifier>
#include <QTimer>

#include <exception>

#include "platform/Exceptions.h"
#include "platform/IClipboard.h"
#include "platform/IClock.h"
#include "platform/IConsole.h"
#include "platform/qt/ThreadResolver.h"

namespace {

constexpr int LogLines = 3;

} // namespace

TMainForm::TMainForm(TPlatformServices services, QWidget* parent, INotificationArea* notificationArea)
    : QWidget(parent), MyReg(services.Registry), Services(services), Cycle(State, services.IpHelper, services.Clock),
      Keeper(
          std::make_unique<TStatisticsKeeper>(MyReg, State, services.TextFiles, services.Clock, services.ProgramPath))
{
    MyReg.SetRegKey(StoredSettings::RegKey);
    Keeper->SetStoreProblemHandler([this](const std::string& problem) {
        AddLogLine(QString::fromStdString(problem));
        Services.Console.WriteError(problem);
    });
    MainLayout::Build(*this, *this);
    AdapterChoices = new TAdapterMenu(*MenuAdapter, Services.IpHelper, [this] { return Cycle.AdapterChoice(); });
    // Offered once the program has given the window its usage file and notification service.
    MenuUsage->setEnabled(false);
    MenuNotifications->setEnabled(false);
    BuildTimers();
    TrayIconSetup::Build(*this, *this, notificationArea);
    WireEvents();
    BuildTimeClient();
    WatchAdapterChanges();
}

TMainForm::~TMainForm() = default;

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

// Closing the window only minimises it: the meter keeps running, and Exit is the one way out.
void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!CloseGuarded) {
        event->accept();
        return;
    }
    event->ignore();
    showMinimized();
}

void TMainForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) ReapplyStaysOnTop(*this);
    QWidget::showEvent(event);
}

// The adapter backend learns of changes from the kernel as they happen instead of asking at every tick.
void TMainForm::WatchAdapterChanges()
{
    const int fd = Services.IpHelper.TakeChangeDescriptor();
    if (fd < 0) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { Services.IpHelper.HandlePendingChanges(); });
}

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
    connect(MenuShowWindow, &QAction::triggered, this, &TMainForm::MenuShowWindowClick);
    // A checkable item has already inverted its check mark when it reports the click; the handlers act on
    // the new state. Start Minimized and Save Log take effect where they are read.
    connect(MenuAlwaysOnTop, &QAction::triggered, this, &TMainForm::MenuAlwaysOnTopClick);
    connect(MenuMinimizetoTray, &QAction::triggered, this, &TMainForm::MenuMinimizetoTrayClick);
    connect(MenuLoadOnStartup, &QAction::triggered, this, &TMainForm::MenuLoadOnStartupClick);
    connect(MenuExit, &QAction::triggered, this, &TMainForm::MenuExitClick);
    connect(AdapterChoices, &TAdapterMenu::Chosen, this, &TMainForm::MenuAdapterChoose);
    TrayIcon->SetOnAreaMissing([this](TTrayIcon&) { AddLogLine("No notification area: minimizing to the taskbar."); });
}

void TMainForm::FormCreate()
{
    AddLogLine(CommandLine::VersionLine);
    if (const std::string problem = MyReg.LoadProblem(); !problem.empty()) AddLogLine(QString::fromStdString(problem));
    TrayIconSetup::LoadUserImages(*this, Services.ProgramPath);
    Trend->ClearDataA();
    Trend->ClearDataB();
    // Applied as stored, even off every screen: the user may have a screen attached only sometimes.
    const StoredSettings::TPosition position = StoredSettings::LoadMainPosition(MyReg);
    move(position.Left, position.Top);
    if (const std::string damaged = StoredSettings::LoadStats(MyReg, State); !damaged.empty())
        AddLogLine(QString::fromStdString(damaged));
    const StoredSettings::TOptions options = StoredSettings::LoadOptions(MyReg);
    const auto items = OptionItems();
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i]->setChecked(options[i]);
    StoredSettings::LoadNumbers(MyReg, State);
    ApplyStoredAdapter();
    if (const QString recovered = Keeper->FinishInterruptedConnection(MenuSaveLog->isChecked()); !recovered.isEmpty())
        AddLogLine(recovered);
    if (MenuAlwaysOnTop->isChecked()) SetStaysOnTop(*this, true);
    TrayIcon->SetMinimizeToTray(MenuMinimizetoTray->isChecked());
    StartShown();
    ShowDisplays(Cycle.FirstContents());
    ApplySynchronizeTime();
    TimerStatus->start();
    // The first poll does not wait a whole interval, so the first figures follow one second later. It runs
    // from the event loop, where a failure is reported like any tick's, and only while the timer runs.
    QTimer::singleShot(0, this, [this] {
        if (TimerStatus->isActive()) TimerStatusTimer();
    });
}

// Started minimised, the window stays unshown where the tray icon and the monitor's menu reach it. Without
// a notification area it starts minimised on the taskbar instead: a program nothing shows cannot be reached.
void TMainForm::StartShown()
{
    if (!MenuStartMinimized->isChecked()) {
        show();
    } else if (TrayIcon->InArea()) {
        setWindowState(windowState() | Qt::WindowMinimized);
    } else {
        TrayIcon->ReportAreaMissing();
        showMinimized();
    }
}

std::array<QAction*, StoredSettings::OptionCount> TMainForm::OptionItems() const
{
    return {MenuAlwaysOnTop,     MenuMinimizetoTray, MenuStartMinimized, MenuLoadOnStartup, MenuSaveLog,
            MenuSynchronizeTime, MenuShowMonitor,    MenuHideMonitor,    MenuTransparent};
}

StoredSettings::TClosingValues TMainForm::ClosingValues() const
{
    StoredSettings::TClosingValues values;
    values.Main = {y(), x()};
    if (MonForm) values.Monitor = StoredSettings::TMonitorWindow{{MonForm->y(), MonForm->x()}, MonForm->MonAlpha()};
    const auto items = OptionItems();
    for (std::size_t i = 0; i < items.size(); ++i)
        values.Options[i] = items[i]->isChecked();
    return values;
}

TTickOptions TMainForm::TickOptions() const
{
    return {MenuSynchronizeTime->isChecked(), MenuShowMonitor->isChecked(), MenuHideMonitor->isChecked()};
}

void TMainForm::FormClose()
{
    if (const std::exception_ptr historyFailure = Keeper->StoreAtExit(ClosingValues(), Cycle.ClientIp()))
        std::rethrow_exception(historyFailure);
}

void TMainForm::Shutdown()
{
    TimerStatus->stop();
    SyncTimer->SetEnabled(false);
    TrayIcon->StopTimers();
    FormClose();
}

bool TMainForm::LastStoreFailed() const { return Keeper->LastStoreFailed(); }

void TMainForm::SaveStats() { Keeper->StoreConnectionEndingNow(MenuSaveLog->isChecked(), Cycle.ClientIp()); }

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
    Keeper->ResetTotals();
    AddLogLine("Reset total connection statistic.");
}

void TMainForm::TimerStatusTimer() { TickOutcome::Carry(Cycle.Tick(TickOptions()), *this); }

void TMainForm::StoreStatistics(const TTickOutcome& outcome)
{
    Keeper->StoreFinishedConnection(MenuSaveLog->isChecked(), outcome.HistoryClientIp);
}

void TMainForm::CheckpointConnection(const QString& clientIp) { Keeper->CheckpointRunningConnection(clientIp); }

void TMainForm::ShowDisplays(const TTickOutcome& outcome)
{
    MainDisplays::Show(outcome, *this, MonForm);
    if (!Usage || outcome.Transition == TTransition::None) return;
    // The usage of an ended connection is written by now (the keeper stores it first).
    const bool online = outcome.Transition == TTransition::Online;
    Usage->ConnectionChanged(online, State.LastConn, online ? Cycle.ClientIp() : QString());
    Usage->CheckCap(std::nullopt);
    if (const QString problem = Usage->TakeProblem(); !problem.isEmpty()) AddLogLine(problem);
}

void TMainForm::StepSyncTimer(TSyncStep step)
{
    if (step == TSyncStep::Start) Schedule->ConnectionUp(true);
    if (step == TSyncStep::Stop) Schedule->ConnectionDown(true);
}

void TMainForm::ApplyMonitor(TMonitorVisibility visibility, bool keepOnTop)
{
    if (!MonForm) return;
    switch (visibility) {
    case TMonitorVisibility::Show:
        MonForm->show();
        RaiseWhereStacked(MonForm);
        break;
    case TMonitorVisibility::Hide: MonForm->hide(); break;
    case TMonitorVisibility::Keep: break;
    }
    if (keepOnTop) MonForm->KeepOnTop();
}

void TMainForm::WriteStatusLine(const std::string& line) { Services.Console.WriteLine(line); }

// The keeper writes the figures once a minute; the cap is looked at as often.
void TMainForm::RecordUsage(const TUsageDelta& delta)
{
    Keeper->RecordUsage(delta);
    if (!Usage || ++SamplesSinceCapCheck < 60) return;
    SamplesSinceCapCheck = 0;
    Usage->CheckCap(std::nullopt);
    if (const QString problem = Usage->TakeProblem(); !problem.isEmpty()) AddLogLine(problem);
}

void TMainForm::AttachUsage(TUsageStore* store, const std::string& usagePath, INotifier& notifier)
{
    Keeper->AttachUsage(store);
    Usage = std::make_unique<TUsageCenter>(TUsageCenter::TLinks{MyReg, Services.Clock, notifier, usagePath, MenuUsage,
                                                                MenuNotifyConnection, MenuNotifyCap});
    for (const QString& problem : Usage->Load())
        AddLogLine(problem);
    connect(MenuUsage, &QAction::triggered, this, &TMainForm::MenuUsageClick);
    MenuUsage->setEnabled(true);
    MenuNotifications->setEnabled(true);
}

// The figures of every adapter: the cap is the line's, whichever adapter carried the bytes.
void TMainForm::MenuUsageClick()
{
    if (Usage) Usage->ShowWindow("All adapters", std::nullopt);
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
    Resolver = std::make_unique<TThreadResolver>();
    Schedule = std::make_unique<TSyncSchedule>(*TimeClient, *SyncTimer, *Resolver,
                                               [this](int32_t errorCode) { AddTimeClientErrorLine(errorCode); });
    connect(SyncTimer.get(), &TSyncTimer::Timeout, this, &TMainForm::TimerSynchronizeTimeTimer);
    // A checkable menu item has already changed its check mark when it reports the click.
    connect(MenuSynchronizeTime, &QAction::triggered, this, &TMainForm::MenuSynchronizeTimeClick);
}

// Start-up's two steps, after the options are loaded and before the status timer starts. A stored interval
// the timer cannot hold is reported in the status log and the timer gets the default; the stored value
// itself stays as it is and is written back unchanged at exit, so nothing the user set is lost.
void TMainForm::ApplySynchronizeTime()
{
    if (!Schedule->ApplyProtocol(State.SynchronizeTimeProtocol.toStdString()))
        AddLogLine("Unknown SynchronizeTimeProtocol \"" + State.SynchronizeTimeProtocol + "\": RFC868 is used.");
    Schedule->ApplyServer(State.SynchronizeTimeServer.toStdString(), MenuSynchronizeTime->isChecked());
    try {
        Schedule->ApplyInterval(State.SynchronizeTimeInterval);
    } catch (const Exception& error) {
        AddLogLine(error.what());
        Schedule->ApplyInterval(DefaultSynchronizeTimeInterval);
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
    const StoredSettings::TMonitorWindow stored = StoredSettings::LoadMonitorWindow(MyReg);
    const TMonPlacement placement{stored.Position.Top, stored.Position.Left, stored.MonAlpha};
    return TMonFormLinks{placement, PopupMenu, MenuShowMonitor, MenuHideMonitor, MenuTransparent, Trend, this};
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
    ApplyMonitor(
        DecideMonitorVisibility(event, MenuShowMonitor->isChecked(), MenuHideMonitor->isChecked(), State.Online),
        false);
}

void TMainForm::MenuShowMonitorClick() { ApplyMonitorVisibility(TMonitorEvent::ShowMonitorCommand); }
void TMainForm::MenuHideMonitorClick() { ApplyMonitorVisibility(TMonitorEvent::HideMonitorCommand); }

void TMainForm::MenuShowWindowClick() { TrayIcon->ShowMainForm(); }

void TMainForm::MenuAlwaysOnTopClick(bool checked)
{
    if (checked) MenuShowWindowClick();
    SetStaysOnTop(*this, checked);
}

// A window not minimised now follows the option at its next minimise.
void TMainForm::MenuMinimizetoTrayClick(bool checked)
{
    TrayIcon->SetMinimizeToTray(checked);
    if (checked) {
        TrayIcon->SendToTray();
    } else {
        TrayIcon->ReturnToTaskbar(); // the taskbar button returns, the window stays minimised
    }
}

// The check mark follows what the desktop will do: an entry that cannot be written or removed puts it back.
void TMainForm::MenuLoadOnStartupClick(bool checked)
{
    if (!LoadOnStartup::Apply(Services.Registry, checked, Services.ProgramPath))
        MenuLoadOnStartup->setChecked(!checked);
}

void TMainForm::MenuExitClick() { emit ExitRequested(); }

void TMainForm::MenuTransparentClick()
{
    if (MonForm) MonForm->ApplyTransparency();
}

// A stored text that names no interface is said once and watched as the first Ethernet adapter; the text
// itself stays as it is and is written back unchanged.
void TMainForm::ApplyStoredAdapter()
{
    const TParsedAdapterChoice parsed = ParseAdapterChoice(State.Adapter.toStdString());
    if (!parsed.Problem.empty()) AddLogLine(QString::fromStdString(parsed.Problem));
    Cycle.SetAdapterChoice(parsed.Choice);
}

void TMainForm::WatchAdapterForThisRun(const std::string& choiceText)
{
    Cycle.SetAdapterChoice(ParseAdapterChoice(choiceText).Choice);
}

void TMainForm::MenuAdapterChoose(const TAdapterChoice& choice)
{
    State.Adapter = QString::fromStdString(choice.Text());
    Cycle.SetAdapterChoice(choice);
}

void TMainForm::MenuAboutQorvixClick()
{
    if (!AboutForm) return;
    AboutForm->show();
    AboutForm->raise();
}
