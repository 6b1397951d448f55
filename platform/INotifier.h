#pragma once

#include <QString>

#include <cstdint>

// How much a notification matters; the desktop may keep a critical one on screen until the user dismisses it.
enum class TNotificationUrgency : uint8_t { Low = 0, Normal = 1, Critical = 2 };

struct TNotification {
    QString Summary;
    QString Body;
    // The kind of event in the desktop's words ("network.disconnected"); "" for none.
    QString Category;
    TNotificationUrgency Urgency = TNotificationUrgency::Normal;
    // The id of a notification this one replaces in place, 0 for a new one. A notification that is no longer
    // shown is not an error: the desktop then shows this one as a new one.
    uint32_t Replaces = 0;
};

// The desktop's notification service. Each call returns within a short bound even when the service hangs,
// and a service that failed once is not asked again until another one takes its place, so that a broken
// desktop costs the window at most one short wait.
class INotifier {
public:
    virtual ~INotifier() = default;

    // The id the service gave the notification (the same id when it replaced one), 0 when nothing was shown.
    virtual uint32_t Show(const TNotification& notification) = 0;
    // Takes a shown notification off the screen; an unknown id or a missing service is ignored.
    virtual void Close(uint32_t id) = 0;
    // Whether a service is there to show notifications.
    virtual bool Available() const = 0;
};
