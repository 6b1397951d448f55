#include "UsageCenter.h"

#include "platform/IClock.h"
#include "settings/MyReg.h"
#include "ui/UsageView.h"
#include "ui/UsageWindow.h"
#include "usage/LocalDay.h"
#include "usage/UsageReader.h"

#include <QAction>

namespace {

constexpr const char* Option = "Option";
constexpr const char* NotifyConnectionName = "NotifyConnection";
constexpr const char* NotifyCapName = "NotifyCap";
constexpr const char* CapWarningsName = "CapWarningsShown";

} // namespace

TUsageCenter::TUsageCenter(TLinks links)
    : Links(links),
      Rules(links.Notifier, [this](int64_t bytes) { return QString::fromStdString(Units::Amount(bytes, UnitsChosen)); })
{
    connect(Links.MenuNotifyConnection, &QAction::triggered, this, [this](bool on) {
        Rules.SetNotifyConnection(on);
        StoreNotifyOptions();
    });
    connect(Links.MenuNotifyCap, &QAction::triggered, this, [this](bool on) {
        Rules.SetNotifyCap(on);
        StoreNotifyOptions();
    });
}

TUsageCenter::~TUsageCenter() = default;

std::vector<QString> TUsageCenter::Load()
{
    std::vector<QString> problems;
    TMyReg& reg = Links.Reg;
    const BillingPeriod::TSettings defaults;
    const BillingPeriod::TChecked billing =
        BillingPeriod::Checked(reg.ReadInt64Value(Option, BillingPeriod::BillingDayName, defaults.BillingDay),
                               reg.ReadInt64Value(Option, BillingPeriod::DataCapName, defaults.DataCap),
                               reg.ReadInt64Value(Option, BillingPeriod::CapWarnPercentName, defaults.CapWarnPercent));
    Billing = billing.Settings;
    for (const std::string& problem : billing.Problems)
        problems.push_back(QString::fromStdString(problem));
    const Units::TChoice units = Units::Parse(reg.ReadTextValue(Option, Units::SettingName, "IEC"));
    UnitsChosen = units.Units;
    if (!units.Problem.empty()) problems.push_back(QString::fromStdString(units.Problem));
    Rules.SetNotifyConnection(reg.ReadFlagValue(Option, NotifyConnectionName, false));
    Rules.SetNotifyCap(reg.ReadFlagValue(Option, NotifyCapName, true));
    Rules.RestoreCapWarnings(QString::fromStdString(reg.ReadTextValue(Option, CapWarningsName, "")));
    Links.MenuNotifyConnection->setChecked(Rules.NotifyConnection());
    Links.MenuNotifyCap->setChecked(Rules.NotifyCap());
    return problems;
}

// A user's choice is kept at once: it is one small write, and an option must not be lost to a crash.
void TUsageCenter::StoreNotifyOptions()
{
    Links.Reg.WriteFlagValue(Option, NotifyConnectionName, Rules.NotifyConnection());
    Links.Reg.WriteFlagValue(Option, NotifyCapName, Rules.NotifyCap());
}

void TUsageCenter::ConnectionChanged(bool online, const QString& name, const QString& address)
{
    Rules.ConnectionChanged(online, name, address);
}

void TUsageCenter::CheckCap(const std::optional<std::string>& adapter)
{
    if (Billing.DataCap <= 0 || !Rules.NotifyCap()) return;
    const std::chrono::year_month_day today = LocalDay::Of(Links.Clock.Now());
    const BillingPeriod::TPeriod period = BillingPeriod::Containing(today, Billing.BillingDay);
    int64_t used = 0;
    try {
        TUsageReader reader(Links.UsagePath);
        if (reader.State() != TUsageReader::TState::Opened) return;
        used = UsageView::Total(reader.Total(adapter, period));
    } catch (const std::exception&) {
        return; // the keeper reports a file that fails; the next look tries again
    }
    if (Rules.UsageChecked(QString::fromStdString(LocalDay::Text(period.First)), used, Billing.DataCap,
                           Billing.CapWarnPercent))
        Links.Reg.WriteTextValue(Option, CapWarningsName, Rules.ShownCapWarnings().toStdString());
}

void TUsageCenter::ShowWindow(const QString& caption, const std::optional<std::string>& adapter)
{
    if (!Window) Window = std::make_unique<TUsageWindow>();
    const std::chrono::year_month_day today = LocalDay::Of(Links.Clock.Now());
    const BillingPeriod::TPeriod current = BillingPeriod::Containing(today, Billing.BillingDay);
    std::vector<TUsageRow> days;
    std::vector<TUsageRow> periods;
    try {
        TUsageReader reader(Links.UsagePath);
        if (reader.State() == TUsageReader::TState::Opened) {
            days = reader.Days(adapter, TUsageView::DayCount);
            periods = reader.Periods(adapter, current, Billing.BillingDay, TUsageView::PeriodCount);
        }
    } catch (const std::exception&) {
        // An unreadable file shows as a period without figures; the keeper reports the file itself.
    }
    Window->Show(UsageView::Of(caption, days, periods, Billing, today, UnitsChosen));
}
