#pragma once

#include "platform/INotificationArea.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

class QDBusServiceWatcher;
class TTrayManagerFilter;

// The notification area through QSystemTrayIcon, which speaks StatusNotifierItem over D-Bus where the
// desktop offers a watcher and the X11 system tray protocol elsewhere. Without a notification area (no
// tray on the desktop, Qt's offscreen platform) every request is refused and nothing shows.
class TQtNotificationArea final : public QObject, public INotificationArea {
    Q_OBJECT
public:
    explicit TQtNotificationArea(QObject* parent = nullptr);
    ~TQtNotificationArea() override;

    bool Add(const TNotifyIcon& icon, const QString& tip) override;
    bool Modify(const TNotifyIcon& icon, const QString& tip) override;
    bool Delete() override;
    void SetMenu(QMenu* menu) override;
    int DoubleClickInterval() const override;
    void SetHandlers(TMouseHandler mouse, TTrayCreatedHandler trayCreated) override;

    // Icon and tooltip changes that went to the desktop since construction; unchanged values never do.
    int DesktopUpdates() const { return Updates; }
    // The icon is shown through a StatusNotifierItem host, which reports single clicks only.
    bool ThroughStatusNotifier() const { return StatusNotifier; }

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void Report(TNotifyMouse kind);
    void OnTrayCreated();
    void WatchForTrays();

    std::unique_ptr<QSystemTrayIcon> Tray;
    QPointer<QMenu> Menu;
    int64_t ShownIcon = 0;
    QString ShownTip;
    int Updates = 0;
    bool StatusNotifier = false;
    TMouseHandler OnMouse;
    TTrayCreatedHandler OnCreated;
    std::unique_ptr<TTrayManagerFilter> ManagerFilter;
    QDBusServiceWatcher* WatcherWatch = nullptr;
};
