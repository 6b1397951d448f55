#pragma once

#include <cstdint>
#include <map>
#include <string>

// What sysfs and the udev database say of a network device; the folders are given, so tests can lay out
// trees of their own.
class TSysfsDevices {
public:
    struct TTraits {
        std::string Name;
        bool Physical = false; // backed by hardware: sysfs links its "device"
        bool Wireless = false;
        bool Bridge = false;    // sysfs has the bridge's own folder
        std::string DeviceType; // the kernel's DEVTYPE ("wlan", "wwan", "bridge"); empty for most
        std::string Model;      // from the udev hardware database; empty when unknown
    };

    TSysfsDevices(std::string sysClassNet, std::string udevData);

    // Fixed for the life of an interface index (and its name), so kept once read.
    const TTraits& Traits(uint32_t index, const std::string& name);
    // The link speed in bits per second; 0 when the device does not know it (link down, no speed).
    uint64_t Speed(const std::string& name) const;

private:
    std::string SysClassNet;
    std::string UdevData;
    std::map<uint32_t, TTraits> Cache;
};
