// The exported C interface of the engine and the module's own load and unload routines.
#include "NetClock.h"

#include "SocketsLoader.h"
#include "TimeClientEngine.h"

#include <dlfcn.h>
#include <new>

namespace {

void* ModuleInstance = nullptr;

TTimeClientEngine* Engine(intptr_t handle) { return reinterpret_cast<TTimeClientEngine*>(handle); }

__attribute__((constructor)) void OnLoad()
{
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&OnLoad), &info);
    NetClock_StaticInit(info.dli_fbase);
}

__attribute__((destructor)) void OnUnload() { NetClock_StaticDestroy(); }

} // namespace

extern "C" {

int32_t NetClock_StaticInit(void* moduleInstance)
{
    ModuleInstance = moduleInstance;
    SocketsLoader::Reset();
    return 0;
}

int32_t NetClock_StaticDestroy(void)
{
    ModuleInstance = nullptr;
    return 0;
}

intptr_t NetClock_Create(NetClockEventCallback callback, void* userData, void*)
{
    auto* engine = new (std::nothrow) TTimeClientEngine(callback, userData);
    return reinterpret_cast<intptr_t>(engine);
}

int32_t NetClock_Destroy(intptr_t handle)
{
    delete Engine(handle);
    return 0;
}

intptr_t NetClock_Get(intptr_t handle, int32_t propertyId, int32_t, intptr_t)
{
    return handle ? Engine(handle)->Get(propertyId) : 0;
}

int32_t NetClock_Set(intptr_t handle, int32_t propertyId, int32_t, intptr_t value, int32_t)
{
    return handle ? Engine(handle)->Set(propertyId, value) : -1;
}

int32_t NetClock_Do(intptr_t handle, int32_t methodId, int32_t paramCount, intptr_t* params, int32_t*)
{
    return handle ? Engine(handle)->Do(methodId, paramCount, params) : -1;
}

const char* NetClock_GetLastError(intptr_t handle) { return handle ? Engine(handle)->LastError() : ""; }

int32_t NetClock_GetLastErrorCode(intptr_t handle) { return handle ? Engine(handle)->LastErrorCode : 0; }

int32_t NetClock_CheckIndex(intptr_t, int32_t, int32_t) { return 0; }

int32_t NetClock_SetEventPump(NetClockEventPump pump, void* userData)
{
    TDatagramPort::SetEventPump(pump, userData);
    return 0;
}

} // extern "C"
