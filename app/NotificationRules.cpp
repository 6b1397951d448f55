#include "NotificationRules.h"

#include <QStringList>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr int FullShare = 100;

// The share of the cap used in whole percent, rounded down so that "80% used" never shows before 80% is.
// In integers wide enough for any cap.
int64_t UsedShare(int64_t used, int64_t cap)
{
    const __int128 share = static_cast<__int128>(std::max<int64_t>(used, 0)) * 100 / cap;
    return static_cast<int64_t>(std::min<__int128>(share, std::numeric_limits<int64_t>::max()));
}

} // namespace

TNotificationRules::TNotificationRules(INotifier& notifier, TAmountText amountText)
    : Notifier(notifier), AmountText(std::move(amountText))
{
}

void TNotificationRules::ConnectionChanged(bool online, const QString& name, const QString& address)
{
    if (!ConnectionOn) return;
    const QString who = name.isEmpty() ? QString("The network connection") : name;
    TNotification notification;
    if (online) {
        notification.Summary = "Connection restored";
        notification.Body = address.isEmpty() ? QString("%1 is connected again.").arg(who)
                                              : QString("%1 is connected again with address %2.").arg(who, address);
        notification.Category = "network.connected";
        notification.Urgency = TNotificationUrgency::Low;
    } else {
        notification.Summary = "Connection lost";
        notification.Body = QString("%1 is disconnected.").arg(who);
        notification.Category = "network.disconnected";
    }
    Deliver(notification, ConnectionId);
}

bool TNotificationRules::UsageChecked(const QString& periodKey, int64_t usedBytes, int64_t capBytes, int warnPercent)
{
    const QString before = ShownCapWarnings();
    if (periodKey != Period) {
        Period = periodKey;
        WarnedPercent = 0;
        CapReachedShown = false;
        // Last period's warning would tell of a cap that no longer holds.
        if (CapId != 0) Notifier.Close(CapId);
        CapId = 0;
    }
    if (CapOn && capBytes > 0 && !CapReachedShown) {
        const int64_t share = UsedShare(usedBytes, capBytes);
        const int warnShare = std::clamp(warnPercent, 1, FullShare);
        TNotification notification;
        notification.Summary = QString("Data cap: %1% used").arg(share);
        notification.Body = QString("%1 of the %2 data cap used in this billing period.")
                                .arg(AmountText(usedBytes), AmountText(capBytes));
        notification.Category = "network";
        // Both warnings share one notification: the cap reached replaces the warning before it.
        if (share >= FullShare) {
            notification.Urgency = TNotificationUrgency::Critical;
            if (Deliver(notification, CapId)) CapReachedShown = true;
        } else if (share >= warnShare && WarnedPercent < warnShare) {
            if (Deliver(notification, CapId)) WarnedPercent = warnShare;
        }
    }
    return ShownCapWarnings() != before;
}

QString TNotificationRules::ShownCapWarnings() const
{
    QStringList shares;
    if (WarnedPercent > 0) shares << QString::number(WarnedPercent);
    if (CapReachedShown) shares << QString::number(FullShare);
    return shares.isEmpty() ? QString() : Period + ':' + shares.join(',');
}

void TNotificationRules::RestoreCapWarnings(const QString& stored)
{
    Period.clear();
    WarnedPercent = 0;
    CapReachedShown = false;
    const qsizetype colon = stored.lastIndexOf(':');
    if (colon <= 0) return;
    int warned = 0;
    bool reached = false;
    for (const QString& part : stored.mid(colon + 1).split(',')) {
        bool number = false;
        const int share = part.toInt(&number);
        if (!number || share < 1 || share > FullShare) return;
        if (share == FullShare)
            reached = true;
        else
            warned = std::max(warned, share);
    }
    Period = stored.left(colon);
    WarnedPercent = warned;
    CapReachedShown = reached;
}

QString TNotificationRules::TakeProblem() { return std::exchange(Problem, QString()); }

// Nothing shown is not retried here: the connection's next change or the next look at the use tries again.
bool TNotificationRules::Deliver(TNotification notification, uint32_t& id)
{
    notification.Replaces = id;
    const uint32_t given = Notifier.Available() ? Notifier.Show(notification) : 0;
    if (given == 0) {
        if (!ProblemNoted) Problem = "No notification service on the desktop: notifications are not shown.";
        ProblemNoted = true;
        return false;
    }
    id = given;
    return true;
}
