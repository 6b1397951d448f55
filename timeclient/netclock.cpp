#include "netclock.h"

#include <dlfcn.h>

#include <filesystem>
#include <memory>

namespace {

constexpr const char* EngineFileName = "libquorvel_netclock.so";

struct TEntryPoints {
    decltype(&NetClock_Create) Create = nullptr;
    decltype(&NetClock_Destroy) Destroy = nullptr;
    decltype(&NetClock_Set) Set = nullptr;
    decltype(&NetClock_Get) Get = nullptr;
    decltype(&NetClock_GetLastError) GetLastError = nullptr;
    decltype(&NetClock_CheckIndex) CheckIndex = nullptr;
    decltype(&NetClock_Do) Do = nullptr;
    decltype(&NetClock_SetEventPump) SetEventPump = nullptr;
};

struct TModuleCloser {
    void operator()(void* module) const { dlclose(module); }
};

TEntryPoints Entry;
std::unique_ptr<void, TModuleCloser> Module;
std::string ModulePath;

template <typename Function> void Bind(Function& entry, const char* name)
{
    entry = reinterpret_cast<Function>(dlsym(Module.get(), name));
}

} // namespace

bool LoadEngine(const std::string& programPath)
{
    UnloadEngine();
    // A bare file name would make dlopen search the system's library path: the folder is always named.
    std::filesystem::path folder = std::filesystem::path(programPath).parent_path();
    if (folder.empty()) folder = ".";
    for (const std::filesystem::path& candidate :
         {folder / EngineFileName, folder / ".." / "lib" / "quorvel" / EngineFileName}) {
        Module.reset(dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL));
        if (!Module) continue;
        ModulePath = candidate.lexically_normal().string();
        Bind(Entry.Create, "NetClock_Create");
        Bind(Entry.Destroy, "NetClock_Destroy");
        Bind(Entry.Set, "NetClock_Set");
        Bind(Entry.Get, "NetClock_Get");
        Bind(Entry.GetLastError, "NetClock_GetLastError");
        Bind(Entry.CheckIndex, "NetClock_CheckIndex");
        Bind(Entry.Do, "NetClock_Do");
        Bind(Entry.SetEventPump, "NetClock_SetEventPump");
        return true;
    }
    return false;
}

void UnloadEngine()
{
    if (Module) {
        if (Entry.SetEventPump) Entry.SetEventPump(nullptr, nullptr);
        Entry = TEntryPoints{};
        Module.reset();
    }
    ModulePath.clear();
}

std::string EngineModulePath() { return ModulePath; }

void SetEngineEventPump(NetClockEventPump pump, void* userData)
{
    if (Entry.SetEventPump) Entry.SetEventPump(pump, userData);
}

TNetClock::TNetClock()
{
    if (Entry.Create) Handle = Entry.Create(EngineEvent, this, nullptr);
    if (Handle == 0) RaiseError(-1, "NetClock: Error creating component");
    try {
        SetTimeout(60);
    } catch (...) {
    }
    try {
        SetTimeServer(DefaultTimeServer);
    } catch (...) {
    }
}

TNetClock::~TNetClock()
{
    if (Handle != 0 && Entry.Destroy) Entry.Destroy(Handle);
    Handle = 0;
}

std::exception_ptr TNetClock::CreateException(int32_t code, const std::string& text) const
{
    return std::make_exception_ptr(ENetClock(code, text));
}

void TNetClock::RaiseError(int32_t code, std::string text) const
{
    if (text.empty() && Entry.GetLastError) {
        if (const char* engineText = Entry.GetLastError(Handle)) text = engineText;
    }
    std::rethrow_exception(CreateException(code, text));
}

std::string TNetClock::TextProperty(int32_t propertyId) const
{
    if (!Entry.Get) return {};
    // The engine's text is overwritten by its next call: copied at once.
    const char* text = reinterpret_cast<const char*>(Entry.Get(Handle, propertyId, 0, 0));
    return text ? std::string(text) : std::string();
}

void TNetClock::SetProperty(int32_t propertyId, intptr_t value)
{
    if (!Entry.Set) return;
    if (const int32_t result = Entry.Set(Handle, propertyId, 0, value, 0)) RaiseError(result, {});
}

bool TNetClock::Idle() const { return Entry.Get && Entry.Get(Handle, NETCLOCK_PROP_IDLE, 0, 0) != 0; }

std::string TNetClock::LocalHost() const { return TextProperty(NETCLOCK_PROP_LOCALHOST); }

void TNetClock::SetLocalHost(const std::string& value)
{
    SetProperty(NETCLOCK_PROP_LOCALHOST, reinterpret_cast<intptr_t>(value.c_str()));
}

std::string TNetClock::LocalTime() const { return TextProperty(NETCLOCK_PROP_LOCALTIME); }

std::string TNetClock::ServerTime() const { return TextProperty(NETCLOCK_PROP_SERVERTIME); }

int32_t TNetClock::Timeout() const
{
    return Entry.Get ? static_cast<int32_t>(Entry.Get(Handle, NETCLOCK_PROP_TIMEOUT, 0, 0)) : 0;
}

void TNetClock::SetTimeout(int32_t value) { SetProperty(NETCLOCK_PROP_TIMEOUT, value); }

int32_t TNetClock::TimePort() const
{
    return Entry.Get ? static_cast<int32_t>(Entry.Get(Handle, NETCLOCK_PROP_TIMEPORT, 0, 0)) : 0;
}

void TNetClock::SetTimePort(int32_t value) { SetProperty(NETCLOCK_PROP_TIMEPORT, value); }

std::string TNetClock::TimeServer() const { return TextProperty(NETCLOCK_PROP_TIMESERVER); }

void TNetClock::SetTimeServer(const std::string& value)
{
    SetProperty(NETCLOCK_PROP_TIMESERVER, reinterpret_cast<intptr_t>(value.c_str()));
}

int32_t TNetClock::Protocol() const
{
    return Entry.Get ? static_cast<int32_t>(Entry.Get(Handle, NETCLOCK_PROP_PROTOCOL, 0, 0)) : 0;
}

void TNetClock::SetProtocol(int32_t value) { SetProperty(NETCLOCK_PROP_PROTOCOL, value); }

int64_t TNetClock::OffsetNs() const
{
    return Entry.Get ? static_cast<int64_t>(Entry.Get(Handle, NETCLOCK_PROP_OFFSET_NS, 0, 0)) : 0;
}

int64_t TNetClock::RoundTripNs() const
{
    return Entry.Get ? static_cast<int64_t>(Entry.Get(Handle, NETCLOCK_PROP_ROUNDTRIP_NS, 0, 0)) : 0;
}

void TNetClock::SynchronizeClock() { RunExchange(NETCLOCK_METHOD_SYNCHRONIZECLOCK); }

void TNetClock::QueryTime() { RunExchange(NETCLOCK_METHOD_QUERYTIME); }

void TNetClock::RunExchange(int32_t methodId)
{
    if (!Entry.Do) return;
    intptr_t params[1] = {0};
    int32_t lengths[1] = {0};
    const int32_t result = Entry.Do(Handle, methodId, 0, params, lengths);
    RethrowEventFailure();
    if (result != 0) RaiseError(result, {});
}

void TNetClock::RethrowEventFailure()
{
    if (!EventFailure) return;
    std::exception_ptr failure = nullptr;
    std::swap(failure, EventFailure);
    std::rethrow_exception(failure);
}

int32_t TNetClock::EngineEvent(void* userData, int32_t eventId, int32_t paramCount, intptr_t* params, int32_t*)
{
    auto* clock = static_cast<TNetClock*>(userData);
    if (eventId != NETCLOCK_EVENT_ERROR || !clock->OnError || paramCount < 2 || !params) return 0;
    const auto* description = reinterpret_cast<const char*>(params[1]);
    try {
        clock->OnError(*clock, static_cast<int32_t>(params[0]), description ? description : "");
    } catch (...) {
        if (!clock->EventFailure) clock->EventFailure = std::current_exception();
    }
    return 0;
}
