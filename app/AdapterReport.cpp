#include "AdapterReport.h"

#include "MonitorState.h"
#include "StoredSettings.h"

#include "platform/IIpHelper.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/PrintableText.h"
#include "settings/MyReg.h"

namespace AdapterReport {

TAdapterChoice ChooseWithSettings(const std::string& registryPath, const std::optional<std::string>& given)
{
    if (given) return ParseAdapterChoice(*given).Choice;
    TFileRegistry registry(registryPath, TFileRegistry::TAccess::ReadOnly);
    TMyReg reg(registry);
    reg.SetRegKey(StoredSettings::RegKey);
    MonitorState stored;
    StoredSettings::LoadNumbers(reg, stored);
    return ParseAdapterChoice(stored.Adapter.toStdString()).Choice;
}

// The tables come from the kernel, but names and texts may hold anything a driver or a user put there.
TOutcome Info(IIpHelper& ipHelper, const TAdapterChoice& choice)
{
    std::optional<TWatchedAdapter> watched;
    try {
        watched = WatchAdapter(ipHelper, choice);
    } catch (const std::exception&) {
        watched.reset();
    }
    if (!watched) return {"N/A\n", 1};
    TOutcome outcome;
    for (const std::string& line : NetworkInfoLines(*watched))
        outcome.Output += PrintableText::Escaped(line) + "\n";
    return outcome;
}

TOutcome ListAdapters(IIpHelper& ipHelper)
{
    TOutcome outcome;
    for (const TInterfaceView& view : ipHelper.Interfaces()) {
        std::string addresses;
        for (const TInterfaceAddress& address : view.Addresses)
            addresses += (addresses.empty() ? "" : " ") + address.Address;
        outcome.Output += PrintableText::Escaped(view.Name) + "\t" + KindName(view.Kind) + "\t" +
                          (view.Up ? "up" : "down") + "\t" + addresses + "\n";
    }
    return outcome;
}

} // namespace AdapterReport
