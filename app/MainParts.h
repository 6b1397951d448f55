#pragma once

class QAction;
class QGroupBox;
class QMenu;
class QTimer;
class TBevelPanel;
class TImageList;
class TStatusLogView;
class TTrayIcon;
class TTrend;
class TValueLabel;

// The main window's components, as the builders fill them and the form writes them. Every one is owned
// by the window it was built on.
struct TMainParts {
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
    QMenu* MenuAdapter = nullptr;
    QAction* MenuUsage = nullptr;
    QMenu* MenuNotifications = nullptr;
    QAction* MenuNotifyConnection = nullptr;
    QAction* MenuNotifyCap = nullptr;
    QAction* N4 = nullptr;
    QAction* MenuCopyNetworkInfo = nullptr;
    QAction* MenuAboutQorvix = nullptr;
    QAction* N3 = nullptr;
    QAction* MenuExit = nullptr;

    QTimer* TimerStatus = nullptr;
    QTimer* TimerSynchronizeTime = nullptr;

    TImageList* IconList = nullptr;
    TTrayIcon* TrayIcon = nullptr;
};
