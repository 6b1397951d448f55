#include "UsageCommand.h"

#include "StoredSettings.h"

#include "platform/linux/FileRegistry.h"
#include "settings/MyReg.h"
#include "usage/BillingPeriod.h"
#include "usage/Units.h"

namespace UsageCommand {

UsageReport::TRequest Request(const CommandLine::TParsed& parsed, const std::string& registryPath,
                              const std::string& usagePath, std::chrono::year_month_day today)
{
    TFileRegistry registry(registryPath, TFileRegistry::TAccess::ReadOnly);
    TMyReg reg(registry);
    reg.SetRegKey(StoredSettings::RegKey);
    const BillingPeriod::TSettings defaults;
    UsageReport::TRequest request;
    request.Path = usagePath;
    request.Days = parsed.Days;
    request.Months = parsed.Months;
    request.Json = parsed.Json;
    request.Adapter = parsed.Adapter;
    // Values outside their range are taken as their defaults, as the running program takes them.
    request.Billing =
        BillingPeriod::Checked(reg.ReadInt64Value("Option", BillingPeriod::BillingDayName, defaults.BillingDay),
                               reg.ReadInt64Value("Option", BillingPeriod::DataCapName, defaults.DataCap),
                               reg.ReadInt64Value("Option", BillingPeriod::CapWarnPercentName, defaults.CapWarnPercent))
            .Settings;
    request.Units = Units::Parse(reg.ReadTextValue("Option", Units::SettingName, "IEC")).Units;
    request.Today = today;
    return request;
}

} // namespace UsageCommand
