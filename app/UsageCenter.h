#pragma once

#include "NotificationRules.h"

#include "usage/BillingPeriod.h"
#include "usage/Units.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class IClock;
class INotifier;
class QAction;
class QWidget;
class TMyReg;
class TUsageWindow;

// What the window offers over the usage file the statistics keeper writes: the "Usage..." window, the
// "Notifications" options and the notifications themselves (the connection's changes, the data cap).
class TUsageCenter : public QObject {
    Q_OBJECT
public:
    struct TLinks {
        TMyReg& Reg;
        IClock& Clock;
        INotifier& Notifier;
        std::string UsagePath;
        QAction* MenuUsage = nullptr;
        QAction* MenuNotifyConnection = nullptr;
        QAction* MenuNotifyCap = nullptr;
    };

    explicit TUsageCenter(TLinks links);
    ~TUsageCenter() override;

    // The stored billing period, units, notification options and the cap warnings this period has had;
    // answers a status-log line for each stored value that could not be taken.
    std::vector<QString> Load();

    // At each transition of the watched connection.
    void ConnectionChanged(bool online, const QString& name, const QString& address);
    // After the usage was written: the current period's use against the cap.
    void CheckCap(const std::optional<std::string>& adapter);
    // Opens the usage window on the current figures.
    void ShowWindow(const QString& caption, const std::optional<std::string>& adapter);
    // The line that says notifications cannot be shown, once per run; "" otherwise.
    QString TakeProblem() { return Rules.TakeProblem(); }

private:
    void StoreNotifyOptions();

    TLinks Links;
    BillingPeriod::TSettings Billing;
    Units::TUnits UnitsChosen = Units::TUnits::IEC;
    TNotificationRules Rules;
    std::unique_ptr<TUsageWindow> Window;
};
