#pragma once

#include "platform/INotifier.h"

#include <map>

// A notification service that keeps what is on its screen. It replaces in place as a desktop does: a
// notification that replaces one still shown keeps its id, one that replaces a closed one gets a new id.
class TFakeNotifier final : public INotifier {
public:
    bool Present = true; // false: a desktop without a notification service
    int ShowCalls = 0;
    std::map<uint32_t, TNotification> OnScreen;

    uint32_t Show(const TNotification& notification) override
    {
        ++ShowCalls;
        if (!Present) return 0;
        const uint32_t id = OnScreen.count(notification.Replaces) ? notification.Replaces : ++LastId;
        OnScreen[id] = notification;
        return id;
    }
    void Close(uint32_t id) override { OnScreen.erase(id); }
    bool Available() const override { return Present; }

private:
    uint32_t LastId = 0;
};
