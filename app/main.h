#pragma once

#include "MainParts.h"
#include "MonitorState.h"
#include "MonitorVisibility.h"
#include "StatusCycle.h"
#include "StoredSettings.h"
#include "TickOutcome.h"
#include "platform/PlatformServices.h"
#include "settings/MyReg.h"
#include "timeclient/netclock.h"

#include <QWidget>

#include <memory>

class INotificationArea;
class IResolver;
class TAboutForm;
class TAdapterMenu;
class TUsageStore;
class TUsageCenter;
class INotifier;
struct TAdapterChoice;
class TMonForm;
struct TMonFormLinks;
class TStatisticsKeeper;
class TSyncSchedule;
class TSyncTimer;
class TNetClockTimeClient;

// The main window. Its components (TMainParts) are public as the window's parts that the other modules
// work on; the poll cycle decides, the statistics keeper stores, and this form only wires and writes.
class TMainForm : public QWidget, public TMainParts, private ITickTargets {
    Q_OBJECT
public:
    // Without a notification area of the caller's, the desktop's is used.
    explicit TMainForm(TPlatformServices services, QWidget* parent = nullptr,
                       INotificationArea* notificationArea = nullptr);
    ~TMainForm() override;

    // The window's creation: the version line, the tray images, the stored position, statistics, options
    // and numbers, the first contents of every display, the time client's settings, then the status timer.
    void FormCreate();
    // The program's end, for every way out: every timer stops, so nothing polls, synchronises or cycles
    // the tray any more, and the windows' values and a running connection are stored as one update. A
    // history-file failure raises its EInOutError after everything else is stored. Never waits.
    void Shutdown();
    // The window's end: positions, the running connection, options and numbers, as one update of the store.
    // A history-file failure raises its EInOutError after everything else is saved.
    void FormClose();
    // Stores the connection ending now as the last one and, with "Save Log" checked, appends it to the
    // history file. A history failure raises EInOutError after the statistics are stored.
    void SaveStats();
    // The last store of the settings failed: what it held is only in memory.
    bool LastStoreFailed() const;
    // From now on a close request is granted instead of minimising the window.
    void DetachCloseGuard() { CloseGuarded = false; }

    // The once-a-second poll of the connection.
    void TimerStatusTimer();

    void AddLogLine(const QString& text) override;
    void LabelConnDblClick();
    void ResetDblClick();

    // What the monitor window is given: its stored placement, the menu and its check marks, the main graph.
    TMonFormLinks MonitorLinks();
    // The two secondary windows, created after this one; the poll cycle and the menu drive them from then on.
    void AttachWindows(TMonForm* monForm, TAboutForm* aboutForm);
    // Handlers of checkable items run after Qt has inverted the check mark; they act on the new state.
    void MenuShowWindowClick();
    void MenuAlwaysOnTopClick(bool checked);
    void MenuMinimizetoTrayClick(bool checked);
    void MenuLoadOnStartupClick(bool checked);
    void MenuShowMonitorClick();
    void MenuHideMonitorClick();
    void MenuTransparentClick();
    void MenuAboutQorvixClick();
    // A choice in the Adapter submenu: stored, and watched from the next tick on.
    void MenuAdapterChoose(const TAdapterChoice& choice);
    // The usage figures are kept in this store from now on, and the notifications go to this service (not
    // owned; both outlive the window).
    void AttachUsage(TUsageStore* store, const std::string& usagePath, INotifier& notifier);
    void MenuUsageClick();
    // A choice of the command line: watched in this run, never stored.
    void WatchAdapterForThisRun(const std::string& choiceText);
    // Asks the program to run its exit path (ExitRequested); the program owns the windows' end.
    void MenuExitClick();

signals:
    void ExitRequested();

public:
    MonitorState State;
    TMyReg MyReg;

    // Scheduled clock synchronisation. The component is created with the window: without the engine the
    // window's creation fails with its ENetClock.
    TNetClock NetClock;
    void NetClockError(TNetClock& sender, int32_t errorCode, const std::string& description);
    void MenuSynchronizeTimeClick(bool checked);
    void TimerSynchronizeTimeTimer();
    // The synchronisation timer's interval and whether it runs (TimerSynchronizeTime drives it).
    const TSyncTimer& SynchronizeTimer() const { return *SyncTimer; }
    TMonForm* MonForm = nullptr;
    TAboutForm* AboutForm = nullptr;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildTimers();
    void WireEvents();
    void StartShown();
    void ApplyStoredAdapter();
    void WatchAdapterChanges();

    // How the form carries out a tick's outcome; the order is TickOutcome::Carry's.
    void StoreStatistics(const TTickOutcome& outcome) override;
    void CheckpointConnection(const QString& clientIp) override;
    void ShowDisplays(const TTickOutcome& outcome) override;
    void StepSyncTimer(TSyncStep step) override;
    void ApplyMonitor(TMonitorVisibility visibility, bool keepOnTop) override;
    void WriteStatusLine(const std::string& line) override;
    void RecordUsage(const TUsageDelta& delta) override;

    std::array<QAction*, StoredSettings::OptionCount> OptionItems() const;
    TTickOptions TickOptions() const;
    StoredSettings::TClosingValues ClosingValues() const;
    void ApplyMonitorVisibility(TMonitorEvent event);

    TPlatformServices Services;
    TStatusCycle Cycle;
    std::unique_ptr<TStatisticsKeeper> Keeper;
    bool CloseGuarded = true;
    TAdapterMenu* AdapterChoices = nullptr;
    std::unique_ptr<TUsageCenter> Usage;
    int SamplesSinceCapCheck = 0;

    void BuildTimeClient();
    void ApplySynchronizeTime();
    void AddTimeClientErrorLine(int32_t errorCode);
    std::unique_ptr<TNetClockTimeClient> TimeClient;
    std::unique_ptr<IResolver> Resolver; // declared before the schedule it answers, so that it outlives it
    std::unique_ptr<TSyncTimer> SyncTimer;
    std::unique_ptr<TSyncSchedule> Schedule;
};
