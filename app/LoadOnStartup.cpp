#include "LoadOnStartup.h"

#include "platform/IRegistry.h"

namespace LoadOnStartup {

bool Apply(IRegistry& registry, bool on, const std::string& programPath)
{
    const std::unique_ptr<IRegistryKey> key = registry.OpenKey(RunKey, false);
    if (!key) return false;
    if (on) {
        TRegValue value{REG_SZ, std::vector<uint8_t>(programPath.begin(), programPath.end())};
        value.Data.push_back(0);
        return key->SetValue(ValueName, value);
    }
    // An entry the user removed by hand is already what "off" asks for.
    return !key->QueryValue(ValueName) || key->DeleteValue(ValueName);
}

} // namespace LoadOnStartup
