#pragma once

#include "timeclient/netclock.h"

#include <dlfcn.h>

// The component does not offer the engine's time port; tests that bring their own server on a free
// port set it on the component's engine instance through the loaded module.
inline bool SetEngineTimePort(TNetClock& clock, int port)
{
    void* module = dlopen(EngineModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!module) return false;
    auto set = reinterpret_cast<decltype(&NetClock_Set)>(dlsym(module, "NetClock_Set"));
    const bool done = set && set(clock.EngineHandle(), NETCLOCK_PROP_TIMEPORT, 0, port, 0) == 0;
    dlclose(module);
    return done;
}
