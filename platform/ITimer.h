#pragma once

#include <functional>

// A timer of the user-interface thread's event loop. Components take it from outside so that tests fire
// it by hand instead of waiting. Like the toolkit's timer component, it runs only while it is enabled and
// its interval is not 0.
class ITimer {
public:
    virtual ~ITimer() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    // Enabling an enabled timer leaves it running from its first start, it does not restart it.
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    // Called on every expiry while running.
    virtual void SetOnTimer(std::function<void()> onTimer) = 0;
};
