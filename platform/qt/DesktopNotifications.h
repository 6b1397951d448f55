#pragma once

#include "platform/INotifier.h"

#include <QString>

// The freedesktop notification protocol on the session bus (org.freedesktop.Notifications).
//
// Notify is called synchronously with a short timeout rather than asynchronously: the caller replaces its
// notifications in place and needs the id the service gave before its next event, and a healthy service
// answers within milliseconds. The one wait a hung service can cause is bounded by the timeout, after which
// that service counts as missing until another process owns the name.
class TDesktopNotifications final : public INotifier {
public:
    // iconName: the installed icon theme name; applicationId: the launcher's id (<id>.desktop), "" for none.
    explicit TDesktopNotifications(QString iconName, QString applicationId = {});

    uint32_t Show(const TNotification& notification) override;
    void Close(uint32_t id) override;
    bool Available() const override;

private:
    QString CurrentOwner() const;
    bool UsableOwner(const QString& owner) const;

    QString IconName;
    QString ApplicationId;
    bool BusNamed = false;
    // The unique bus name of the service that failed a call; a service started by the bus on demand that
    // failed leaves it empty and sets ActivationFailed instead.
    QString FailedOwner;
    bool ActivationFailed = false;
};
