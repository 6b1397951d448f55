#include "DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

namespace {

constexpr const char* Service = "org.freedesktop.Notifications";
constexpr const char* Path = "/org/freedesktop/Notifications";
constexpr const char* Interface = "org.freedesktop.Notifications";
constexpr const char* ApplicationName = "Quorvel";

// Long enough for a busy desktop, short enough that a hung service freezes the window only for a moment. A
// service the bus starts on demand may need longer for its first answer: it then counts as failed, and the
// process it started is used as soon as it owns the name.
constexpr int CallTimeoutMs = 1000;
// -1 leaves the time on screen to the desktop's own setting.
constexpr qint32 DesktopExpiry = -1;

QVariant UrgencyHint(TNotificationUrgency urgency) { return QVariant::fromValue(static_cast<uchar>(urgency)); }

} // namespace

TDesktopNotifications::TDesktopNotifications(QString iconName, QString applicationId)
    : IconName(std::move(iconName)), ApplicationId(std::move(applicationId)),
      // Without a session bus address the D-Bus library would try to start a bus of its own.
      BusNamed(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
{
}

QString TDesktopNotifications::CurrentOwner() const
{
    if (!BusNamed) return {};
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return {};
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(Service);
    return owner.isValid() ? owner.value() : QString();
}

bool TDesktopNotifications::UsableOwner(const QString& owner) const
{
    if (!owner.isEmpty()) return owner != FailedOwner;
    if (!BusNamed || ActivationFailed) return false;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(Service);
}

bool TDesktopNotifications::Available() const { return UsableOwner(CurrentOwner()); }

uint32_t TDesktopNotifications::Show(const TNotification& notification)
{
    const QString owner = CurrentOwner();
    if (!UsableOwner(owner)) return 0;

    QVariantMap hints;
    if (!notification.Category.isEmpty()) hints.insert("category", notification.Category);
    hints.insert("urgency", UrgencyHint(notification.Urgency));
    if (!ApplicationId.isEmpty()) hints.insert("desktop-entry", ApplicationId);
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, "Notify");
    call << QString(ApplicationName) << notification.Replaces << IconName << notification.Summary << notification.Body
         << QStringList() << hints << DesktopExpiry;

    // Block, not BlockWithGui: no other event of the program runs inside the wait and finds it half done.
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallTimeoutMs);
    const QList<QVariant> answer = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || answer.size() != 1 ||
        answer.front().metaType() != QMetaType::fromType<uint>()) {
        if (owner.isEmpty())
            ActivationFailed = true;
        else
            FailedOwner = owner;
        return 0;
    }
    return answer.front().toUInt();
}

void TDesktopNotifications::Close(uint32_t id)
{
    if (id == 0) return;
    const QString owner = CurrentOwner();
    if (owner.isEmpty() || owner == FailedOwner) return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, "CloseNotification");
    call << id;
    // A service that has gone holds nothing to close: no new one is started for it.
    call.setAutoStartService(false);
    // Nothing waits for the answer: a notification that stays on screen is no reason to hold the window.
    QDBusConnection::sessionBus().send(call);
}
