#include "QtNotificationArea.h"

#include <QAbstractNativeEventFilter>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QStyleHints>

#include <xcb/xcb.h>

#include <string>

// An X11 tray host announces itself by taking the selection _NET_SYSTEM_TRAY_S<screen> and broadcasting
// a MANAGER client message on the root window; a restarted panel does the same. Qt's event filter sees
// it before Qt does.
class TTrayManagerFilter final : public QAbstractNativeEventFilter {
public:
    TTrayManagerFilter(xcb_connection_t* connection, int screen, std::function<void()> onManager)
        : OnManager(std::move(onManager))
    {
        Manager = Intern(connection, "MANAGER");
        Selection = Intern(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screen));
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->format == 32 && client->type == Manager && Manager != XCB_ATOM_NONE &&
            client->data.data32[1] == Selection)
            OnManager();
        return false; // Qt's own tray code needs the message as well
    }

private:
    static xcb_atom_t Intern(xcb_connection_t* connection, const std::string& name)
    {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str());
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        if (!reply) return XCB_ATOM_NONE;
        const xcb_atom_t atom = reply->atom;
        free(reply);
        return atom;
    }

    std::function<void()> OnManager;
    xcb_atom_t Manager = XCB_ATOM_NONE;
    xcb_atom_t Selection = XCB_ATOM_NONE;
};

namespace {

// The X screen the program runs on, from DISPLAY (":0" is screen 0, ":0.1" screen 1): each screen has a
// tray selection of its own.
int X11ScreenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.lastIndexOf('.');
    return dot > display.lastIndexOf(':') ? display.mid(dot + 1).toInt() : 0;
}

// Every size goes in, so that Qt offers the desktop the picture that fits its panel.
QIcon ToQIcon(const TNotifyIcon& icon)
{
    QIcon result;
    for (const TNotifyImage& image : icon.Images) {
        if (image.Width <= 0 || image.Height <= 0 ||
            image.Pixels.size() != static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height))
            continue;
        // Copied, so that no pixmap Qt keeps refers to the caller's pixels.
        const QImage pixels = QImage(reinterpret_cast<const uchar*>(image.Pixels.data()), image.Width, image.Height,
                                     static_cast<qsizetype>(image.Width) * 4, QImage::Format_ARGB32)
                                  .copy();
        result.addPixmap(QPixmap::fromImage(pixels));
    }
    return result;
}

constexpr const char* WatcherService = "org.kde.StatusNotifierWatcher";

// Without a session bus address the D-Bus library would try to start a bus of its own.
bool SessionBusNamed() { return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"); }

// Qt shows the icon through StatusNotifierItem when a watcher on the session bus says that a host
// displays items; asked the same question, the answer tells which way the icon went.
bool StatusNotifierHostPresent()
{
    if (!SessionBusNamed()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(WatcherService)) return false;
    QDBusInterface watcher(WatcherService, "/StatusNotifierWatcher", WatcherService, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
}

} // namespace

TQtNotificationArea::TQtNotificationArea(QObject* parent) : QObject(parent) { WatchForTrays(); }

TQtNotificationArea::~TQtNotificationArea()
{
    if (ManagerFilter && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(ManagerFilter.get());
}

void TQtNotificationArea::WatchForTrays()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal") return; // no desktop: the headless run stays quiet
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        // Announced after Qt has handled the message, so that Qt already knows the new tray.
        ManagerFilter = std::make_unique<TTrayManagerFilter>(x11->connection(), X11ScreenNumber(), [this] {
            QMetaObject::invokeMethod(this, &TQtNotificationArea::OnTrayCreated, Qt::QueuedConnection);
        });
        QCoreApplication::instance()->installNativeEventFilter(ManagerFilter.get());
    }
    if (!SessionBusNamed()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    WatcherWatch = new QDBusServiceWatcher(WatcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(WatcherWatch, &QDBusServiceWatcher::serviceRegistered, this, &TQtNotificationArea::OnTrayCreated,
            Qt::QueuedConnection);
}

bool TQtNotificationArea::Add(const TNotifyIcon& icon, const QString& tip)
{
    if (Tray && Tray->isVisible()) return false; // already there, as a second add of the same icon
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    if (!Tray) {
        StatusNotifier = StatusNotifierHostPresent();
        Tray = std::make_unique<QSystemTrayIcon>();
        Tray->setContextMenu(Menu);
        connect(Tray.get(), &QSystemTrayIcon::activated, this, &TQtNotificationArea::OnActivated);
    }
    Tray->setIcon(ToQIcon(icon));
    Tray->setToolTip(tip);
    ShownIcon = icon.Key;
    ShownTip = tip;
    ++Updates;
    Tray->show();
    return Tray->isVisible();
}

bool TQtNotificationArea::Modify(const TNotifyIcon& icon, const QString& tip)
{
    if (!Tray || !Tray->isVisible()) return false;
    // Each change costs the desktop a round trip (a D-Bus signal or an X11 repaint of the docked window).
    if (icon.Key != ShownIcon) {
        Tray->setIcon(ToQIcon(icon));
        ShownIcon = icon.Key;
        ++Updates;
    }
    if (tip != ShownTip) {
        Tray->setToolTip(tip);
        ShownTip = tip;
        ++Updates;
    }
    return true;
}

bool TQtNotificationArea::Delete()
{
    if (!Tray || !Tray->isVisible()) return false;
    Tray->hide();
    return true;
}

void TQtNotificationArea::SetMenu(QMenu* menu)
{
    Menu = menu;
    if (Tray) Tray->setContextMenu(menu);
}

int TQtNotificationArea::DoubleClickInterval() const
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

void TQtNotificationArea::SetHandlers(TMouseHandler mouse, TTrayCreatedHandler trayCreated)
{
    OnMouse = std::move(mouse);
    OnCreated = std::move(trayCreated);
}

// Qt reports activations, not presses. On the X11 tray a click becomes a press with its release, so the
// component's click logic (and its double-click timing) runs as it would for presses. A StatusNotifierItem
// host reports one activation per click and no double clicks at all: that one is passed on as it is.
void TQtNotificationArea::OnActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (StatusNotifier) {
            Report(TNotifyMouse::Activate);
            break;
        }
        Report(TNotifyMouse::LeftDown);
        Report(TNotifyMouse::LeftUp);
        break;
    case QSystemTrayIcon::DoubleClick: Report(TNotifyMouse::LeftDoubleClick); break;
    case QSystemTrayIcon::MiddleClick:
        Report(TNotifyMouse::MiddleDown);
        Report(TNotifyMouse::MiddleUp);
        break;
    case QSystemTrayIcon::Context: Report(TNotifyMouse::ContextMenu); break;
    case QSystemTrayIcon::Unknown: break;
    }
}

void TQtNotificationArea::Report(TNotifyMouse kind)
{
    if (OnMouse) OnMouse(TNotifyMouseEvent{kind, QCursor::pos(), QGuiApplication::queryKeyboardModifiers()});
}

// A new tray knows nothing of icons added to the one before it: the icon counts as removed until the
// owner adds it again.
void TQtNotificationArea::OnTrayCreated()
{
    if (Tray && Tray->isVisible()) Tray->hide();
    if (OnCreated) OnCreated();
}
