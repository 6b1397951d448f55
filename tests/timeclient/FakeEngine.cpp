// An engine library for the component's tests that lacks two entry points (NetClock_Get and
// NetClock_CheckIndex) and reports failures without texts: writing Timeout makes the value written the
// result of that write and of every later method call, and the last error text is always empty.
#include "timeclient/engine/NetClock.h"

#include <new>

namespace {

struct TFakeInstance {
    int32_t Result = 0;
};

TFakeInstance* Instance(intptr_t handle) { return reinterpret_cast<TFakeInstance*>(handle); }

} // namespace

extern "C" {

NETCLOCK_EXPORT intptr_t NetClock_Create(NetClockEventCallback, void*, void*)
{
    return reinterpret_cast<intptr_t>(new (std::nothrow) TFakeInstance);
}

NETCLOCK_EXPORT int32_t NetClock_Destroy(intptr_t handle)
{
    delete Instance(handle);
    return 0;
}

NETCLOCK_EXPORT int32_t NetClock_Set(intptr_t handle, int32_t propertyId, int32_t, intptr_t value, int32_t)
{
    if (propertyId != NETCLOCK_PROP_TIMEOUT) return 0;
    Instance(handle)->Result = static_cast<int32_t>(value);
    return Instance(handle)->Result;
}

NETCLOCK_EXPORT int32_t NetClock_Do(intptr_t handle, int32_t, int32_t, intptr_t*, int32_t*)
{
    return Instance(handle)->Result;
}

NETCLOCK_EXPORT const char* NetClock_GetLastError(intptr_t) { return ""; }

} // extern "C"
