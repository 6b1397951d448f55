#include "SysfsDevices.h"

#include "TextFiles.h"

#include <sys/stat.h>

#include <charconv>

namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

} // namespace

TSysfsDevices::TSysfsDevices(std::string sysClassNet, std::string udevData)
    : SysClassNet(std::move(sysClassNet)), UdevData(std::move(udevData))
{
}

const TSysfsDevices::TTraits& TSysfsDevices::Traits(uint32_t index, const std::string& name)
{
    auto cached = Cache.find(index);
    if (cached != Cache.end() && cached->second.Name == name) return cached->second;
    TTraits traits;
    traits.Name = name;
    const std::string device = SysClassNet + "/" + name;
    traits.Physical = Exists(device + "/device");
    traits.Wireless = Exists(device + "/wireless") || Exists(device + "/phy80211");
    traits.Bridge = Exists(device + "/bridge");
    if (auto uevent = TextFiles::Read(device + "/uevent", 4096)) {
        for (std::string_view line : TextFiles::Lines(*uevent)) {
            constexpr std::string_view key = "DEVTYPE=";
            if (line.starts_with(key)) traits.DeviceType = std::string(TextFiles::Trim(line.substr(key.size())));
        }
    }
    if (auto udev = TextFiles::Read(UdevData + "/n" + std::to_string(index), 64 * 1024)) {
        for (std::string_view line : TextFiles::Lines(*udev)) {
            constexpr std::string_view key = "E:ID_MODEL_FROM_DATABASE=";
            if (line.starts_with(key)) traits.Model = std::string(TextFiles::Trim(line.substr(key.size())));
        }
    }
    return Cache[index] = std::move(traits);
}

uint64_t TSysfsDevices::Speed(const std::string& name) const
{
    if (name.empty() || name.find('/') != std::string::npos) return 0;
    // Megabits per second; -1 when unknown, and reading fails while the link is down.
    const auto text = TextFiles::Read(SysClassNet + "/" + name + "/speed", 64);
    if (!text) return 0;
    const std::string_view digits = TextFiles::Trim(*text);
    int64_t megabits = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), megabits);
    if (error != std::errc() || end != digits.data() + digits.size() || megabits <= 0) return 0;
    if (static_cast<uint64_t>(megabits) > UINT64_MAX / 1000000) return 0; // nonsense, not a speed
    return static_cast<uint64_t>(megabits) * 1000000;
}
