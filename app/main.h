#pragma once

#include "MonitorState.h"
#include "MonitorVisibility.h"
#include "StatusCycle.h"
#include "StatusLine.h"
#include "StoredSettings.h"
#include "platform/PlatformServices.h"
#include "settings/MyReg.h"
#include "timeclient/netclock.h"

#include <QWidget>

#include <memory>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class INotificationArea;
class QTimer;
class TAboutForm;
class TBevelPanel;
class TImageList;
class TMonForm;
struct TMonFormLinks;
class TStatusLogView;
class TSyncSchedule;
class TSyncTimer;
class TNetClockTimeClient;
class TTrayIcon;
class TTrend;
class TValueLabel;

// The main window. Its components are public as the window's parts that the other modules work on;
// the decisions live in plain classes, this form only wires and writes captions.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    // Without a notification area of the caller's, the desktop's is used.
    explicit TMainForm(TPlatformServices services, QWidget* parent = nullptr,
                       INotificationArea* notificationArea = nullptr);
    ~TMainForm() override;

    // The window's creation: the version line, the tray images, the stored position, statistics, options
    // and numbers, the first contents of every display, the time client's settings, then the status timer.
    void FormCreate();
    // The window's end: positions, the running connection, options and numbers, as one update of the store.
    // A history-file failure raises its EInOutError after everything else is saved.
    void FormClose();
    // From now on a close request is granted instead of minimising the window.
    void DetachCloseGuard() { CloseGuarded = false; }

    // The once-a-second poll of the connection.
    void TimerStatusTimer();

    // Stores the last connection and the totals including it and, with "Save Log" checked, appends it to
    // the history file. A history failure raises EInOutError after the statistics are stored.
    void SaveStats();

    void AddLogLine(const QString& text);
    void LabelConnDblClick();
    void ResetDblClick();

    // What the monitor window is given: the settings store, the menu and its check marks, the main graph.
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
    // Asks the program to run its exit path (ExitRequested); the program owns the windows' end.
    void MenuExitClick();

signals:
    void ExitRequested();

public:
    MonitorState State;
    TMyReg MyReg;

    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;

    TValueLabel* LabelConn = nullptr;
    TValueLabel* LabelSpeed = nullptr;
    TValueLabel* LabelSent = nullptr;
    TValueLabel* LabelRecv = nullptr;
    TValueLabel* LabelDuration = nullptr;
    TValueLabel* LabelDNS1 = nullptr;
    TValueLabel* LabelDNS2 = nullptr;
    TValueLabel* LabelGatewayIP = nullptr;
    TValueLabel* LabelClientIP = nullptr;
    TValueLabel* LabelUpSpeed = nullptr;
    TValueLabel* LabelDownSpeed = nullptr;

    TValueLabel* LabelLastConn = nullptr;
    TValueLabel* LabelLastSpeed = nullptr;
    TValueLabel* LabelLastSent = nullptr;
    TValueLabel* LabelLastRecv = nullptr;
    TValueLabel* LabelLastDuration = nullptr;

    TValueLabel* LabelTotalSent = nullptr;
    TValueLabel* LabelTotalRecv = nullptr;
    TValueLabel* LabelTotalDuration = nullptr;

    TBevelPanel* Reset = nullptr;
    TTrend* Trend = nullptr;
    TStatusLogView* Log = nullptr;

    QMenu* PopupMenu = nullptr;
    QAction* MenuShowWindow = nullptr;
    QAction* MenuAlwaysOnTop = nullptr;
    QAction* MenuMinimizetoTray = nullptr;
    QAction* MenuStartMinimized = nullptr;
    QAction* MenuLoadOnStartup = nullptr;
    QAction* MenuSaveLog = nullptr;
    QAction* MenuSynchronizeTime = nullptr;
    QAction* N1 = nullptr;
    QAction* MenuShowMonitor = nullptr;
    QAction* MenuHideMonitor = nullptr;
    QAction* MenuTransparent = nullptr;
    QAction* N2 = nullptr;
    QAction* MenuCopyNetworkInfo = nullptr;
    QAction* MenuAboutQorvix = nullptr;
    QAction* N3 = nullptr;
    QAction* MenuExit = nullptr;

    QTimer* TimerStatus = nullptr;
    QTimer* TimerSynchronizeTime = nullptr;

    // Scheduled clock synchronisation. The component is created with the window: without the engine the
    // window's creation fails with its ENetClock.
    TNetClock NetClock;
    void NetClockError(TNetClock& sender, int32_t errorCode, const std::string& description);
    void MenuSynchronizeTimeClick(bool checked);
    void TimerSynchronizeTimeTimer();
    // The synchronisation timer's interval and whether it runs (TimerSynchronizeTime drives it).
    const TSyncTimer& SynchronizeTimer() const { return *SyncTimer; }
    TImageList* IconList = nullptr;
    TTrayIcon* TrayIcon = nullptr;
    TMonForm* MonForm = nullptr;
    TAboutForm* AboutForm = nullptr;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildTimers();
    void WireEvents();

    void GoOnline(const TTickDecision& decision);
    void TakeSample(const InterfaceSample& sample);
    void GoOffline();
    void WatchAdapterChanges();
    std::array<QAction*, StoredSettings::OptionCount> OptionItems() const;
    StoredSettings::TClosingValues ClosingValues() const;
    void ShowLastConnection();
    void ShowTotals();
    void ShowTotals(int64_t sent, int64_t received, int64_t duration);
    void ClearCurrentConnection();
    void ApplyMonitorVisibility(TMonitorEvent event);

    TPlatformServices Services;
    TStatusCycle Cycle;
    TStatusLine StatusLine;
    // The running connection's client address, for its history record.
    QString ClientIp;
    bool CloseGuarded = true;

    void BuildTimeClient();
    void ApplySynchronizeTime();
    void AddTimeClientErrorLine(int32_t errorCode);
    std::unique_ptr<TNetClockTimeClient> TimeClient;
    std::unique_ptr<TSyncTimer> SyncTimer;
    std::unique_ptr<TSyncSchedule> Schedule;
};
