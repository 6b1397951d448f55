#pragma once

#include "platform/INotifier.h"

#include <QString>

#include <cstdint>
#include <functional>

// When the desktop is told about the connection and the data cap, and what it is told. The connection has
// one notification that each change replaces in place, so a flapping link leaves its latest state on
// screen rather than a stack; each cap warning comes once per billing period.
class TNotificationRules {
public:
    // A number of bytes in the units the user chose.
    using TAmountText = std::function<QString(int64_t bytes)>;

    TNotificationRules(INotifier& notifier, TAmountText amountText);

    // The stored options NotifyConnection (off unless set) and NotifyCap (on unless set).
    bool NotifyConnection() const { return ConnectionOn; }
    void SetNotifyConnection(bool on) { ConnectionOn = on; }
    bool NotifyCap() const { return CapOn; }
    void SetNotifyCap(bool on) { CapOn = on; }

    // At each transition of the watched connection: its name (the adapter or network) and, online, the
    // address it came up with; either may be "".
    void ConnectionChanged(bool online, const QString& name, const QString& address);

    // At each look at the period's use. periodKey names the billing period (its first day as text, say): a
    // new key re-arms both warnings and takes the last period's warning off the screen. capBytes 0 or less is
    // no cap; warnPercent is the warning share, 1 to 100. Answers whether ShownCapWarnings() changed, so
    // that the caller knows when to store it.
    bool UsageChecked(const QString& periodKey, int64_t usedBytes, int64_t capBytes, int warnPercent);

    // The warnings the current period has had, "<period>:<warning share>", "<period>:100" or both shares
    // ("2026-12-01:80,100"); "" when none. Stored, and restored at start-up so a restart does not warn again.
    QString ShownCapWarnings() const;
    // A text that does not read as one ShownCapWarnings() writes counts as no warnings shown.
    void RestoreCapWarnings(const QString& stored);

    // The line that says notifications cannot be shown, once per run, when the first one was due; "" after.
    QString TakeProblem();

private:
    bool Deliver(TNotification notification, uint32_t& id);

    INotifier& Notifier;
    TAmountText AmountText;
    bool ConnectionOn = false;
    bool CapOn = true;
    uint32_t ConnectionId = 0;
    uint32_t CapId = 0;
    QString Period;
    // The warning share a warning of this period was shown at, 0 for none: a share the user raises later
    // warns again, a lowered one does not.
    int WarnedPercent = 0;
    bool CapReachedShown = false;
    bool ProblemNoted = false;
    QString Problem;
};
