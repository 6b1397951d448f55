#pragma once

#include "SysfsDevices.h"

#include "platform/IIpHelper.h"

#include <cstdint>

namespace InterfaceKind {

// What a user would call the interface, from its link type (ARPHRD_*) and what sysfs says of its device.
TInterfaceKind Classify(uint16_t hardwareType, const TSysfsDevices::TTraits& traits);

} // namespace InterfaceKind
