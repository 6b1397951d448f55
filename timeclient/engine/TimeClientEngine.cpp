#include "TimeClientEngine.h"

#include "Rfc868.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace {

constexpr int32_t InterruptedCode = 301;
constexpr int32_t OutOfMemory = 200;
constexpr int32_t ClockRefused = 119;
constexpr int ExchangePauseMs = 10;
constexpr int ProcessEventsPauseMs = 20;
constexpr int64_t NsPerSecond = 1'000'000'000;

int SetSystemClock(const TCalendarTime& universal)
{
    const timespec moment{static_cast<time_t>(TimeCalendar::ToUnixSeconds(universal)), 0};
    return clock_settime(CLOCK_REALTIME, &moment) == 0 ? 0 : errno;
}

int64_t ReadSystemClock()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * NsPerSecond + now.tv_nsec;
}

} // namespace

TTimeClientEngine::TTimeClientEngine(NetClockEventCallback callback, void* userData)
    : Callback(callback), UserData(userData), SetClock(SetSystemClock), ReadClock(ReadSystemClock)
{
    SetRemotePort(37);
    SetRemoteHost(DefaultTimeServer);
    SetTimeoutMs(60 * 1000);
}

int32_t TTimeClientEngine::ProcessResult(int32_t code)
{
    switch (code) {
    case 0: return 0;
    case InterruptedCode: LastErrorText = "Interrupted."; return code;
    case OutOfMemory: LastErrorText = "Out of memory."; return code;
    default:
        if (LastErrorText.empty()) BuildSocketErrorText(code);
        return code;
    }
}

intptr_t TTimeClientEngine::Get(int32_t propertyId)
{
    LastErrorCode = 0;
    switch (propertyId) {
    case NETCLOCK_PROP_IDLE: return Mode == 0 ? 1 : 0;
    case NETCLOCK_PROP_LOCALHOST: Text = LocalHost(); break;
    case NETCLOCK_PROP_LOCALTIME: Text = LocalTime; break;
    case NETCLOCK_PROP_SERVERTIME: Text = ServerTime; break;
    case NETCLOCK_PROP_TIMEOUT: return static_cast<intptr_t>(TimeoutMs() / 1000);
    case NETCLOCK_PROP_TIMEPORT: return RemotePort();
    case NETCLOCK_PROP_TIMESERVER: Text = RemoteHost(); break;
    default: return 0;
    }
    return reinterpret_cast<intptr_t>(Text.c_str());
}

int32_t TTimeClientEngine::Set(int32_t propertyId, intptr_t value)
{
    auto text = [&] { return value ? std::string(reinterpret_cast<const char*>(value)) : std::string(); };
    int32_t result;
    switch (propertyId) {
    case NETCLOCK_PROP_LOCALHOST: result = SetLocalHost(text()); break;
    case NETCLOCK_PROP_TIMEOUT:
        SetTimeoutMs(static_cast<int64_t>(value) * 1000);
        result = 0;
        break;
    case NETCLOCK_PROP_TIMEPORT: result = SetRemotePort(static_cast<int32_t>(value)); break;
    case NETCLOCK_PROP_TIMESERVER: result = SetRemoteHost(text()); break;
    default: return -1; // no text: the last error text stays as it was
    }
    // LastErrorCode belongs to NetClock_Do: a property write between a failed exchange and the host's
    // question for its code must not hide it.
    return ProcessResult(result);
}

int32_t TTimeClientEngine::Do(int32_t methodId, int32_t paramCount, intptr_t* params)
{
    int32_t result = LastErrorCode;
    switch (methodId) {
    case NETCLOCK_METHOD_CONFIG: {
        const char* setting = paramCount >= 1 && params && params[0] ? reinterpret_cast<const char*>(params[0]) : "";
        result = Config(setting, Text);
        if (paramCount >= 2) params[1] = reinterpret_cast<intptr_t>(Text.c_str());
        break;
    }
    case NETCLOCK_METHOD_PROCESSEVENTS:
        WaitStep(ProcessEventsPauseMs);
        result = 0;
        break;
    case NETCLOCK_METHOD_SYNCHRONIZECLOCK: result = Exchange(2); break;
    case NETCLOCK_METHOD_QUERYTIME: result = Exchange(1); break;
    case NETCLOCK_METHOD_INTERRUPT:
        RequestInterrupt();
        result = 0;
        break;
    default: break;
    }
    LastErrorCode = result;
    return ProcessResult(result);
}

int32_t TTimeClientEngine::Exchange(uint8_t mode)
{
    LocalTime.clear();
    ServerTime.clear();
    Mode = mode;
    DeadlineHeld = true;
    const int32_t result = ExchangeSteps();
    DeadlineHeld = false;
    Mode = 0;
    const std::string text = LastErrorText; // the final deactivation must not wipe the exchange's error
    SetActive(false);
    LastErrorText = text;
    return result;
}

int32_t TTimeClientEngine::ExchangeSteps()
{
    if (const int32_t result = SetActive(false)) return result;
    // Connected: only the server's datagrams arrive, and a closed port on its host surfaces as 10054.
    if (const int32_t result = SetUseConnection(true)) return result;
    ServerSeconds = 0;
    Answered = false;
    if (const int32_t result = SetActive(true)) return result;
    StartDeadline();
    SentAtNs = ReadClock();
    if (const int32_t result = Send(Rfc868::Request.data(), Rfc868::Request.size())) return result;
    while (!Answered && Active()) {
        if (!WaitStep(ExchangePauseMs)) return InterruptedCode;
    }
    if (ServerSeconds == 0) return 0;

    const TCalendarTime universal = TimeCalendar::FromServerSeconds(ServerSeconds);
    ServerTime = TimeCalendar::Format(universal) + " GMT";
    LocalTime = TimeCalendar::Format(TimeCalendar::ToLocal(universal));
    if (Mode == 2 && !ClockWithinAnswer(universal)) {
        if (const int error = SetClock(universal)) {
            char text[64];
            std::snprintf(text, sizeof text, "Error setting system time [0x%x].", static_cast<unsigned>(error));
            LastErrorText = text;
            return ClockRefused;
        }
    }
    return 0;
}

// The answer counts whole seconds: the server read its clock somewhere in [answer, answer + 1 s), and did
// so between the request and the answer. A clock that agrees with that is left alone; setting it to the
// whole second would throw away its sub-second accuracy at every exchange and fight a time daemon that
// keeps it exact.
bool TTimeClientEngine::ClockWithinAnswer(const TCalendarTime& universal) const
{
    const int64_t answerNs = TimeCalendar::ToUnixSeconds(universal) * NsPerSecond;
    return SentAtNs < answerNs + NsPerSecond && ReceivedAtNs >= answerNs;
}

int32_t TTimeClientEngine::DatagramReceived(const uint8_t* data, std::size_t length, const std::string&, uint16_t)
{
    // Only the first answer counts. An answer shorter than the four bytes of a time is not one: the
    // exchange keeps waiting instead of reading whatever an earlier datagram left in the buffer.
    if (Answered) return 0;
    const std::optional<uint32_t> seconds = Rfc868::ParseAnswer({data, length});
    if (!seconds) return 0;
    ReceivedAtNs = ReadClock();
    ServerSeconds = *seconds;
    Answered = true;
    SetActive(false);
    return 0;
}

int32_t TTimeClientEngine::ErrorOccurred(int32_t code, const std::string& description)
{
    if (Callback) {
        intptr_t params[2] = {code, reinterpret_cast<intptr_t>(description.c_str())};
        int32_t lengths[2] = {0, 0};
        Callback(UserData, NETCLOCK_EVENT_ERROR, 2, params, lengths);
    }
    return 0;
}
