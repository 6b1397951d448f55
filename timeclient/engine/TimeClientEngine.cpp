#include "TimeClientEngine.h"

#include "Rfc868.h"

#include <sys/time.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <random>

namespace {

constexpr int32_t InterruptedCode = 301;
constexpr int32_t OutOfMemory = 200;
constexpr int32_t ClockRefused = 119;
constexpr int32_t KissOfDeathCode = 120;
constexpr int32_t UnknownProtocol = 121;
constexpr uint16_t Rfc868Port = 37;
constexpr uint16_t NtpPort = 123;
constexpr int ExchangePauseMs = 10;
constexpr int ProcessEventsPauseMs = 20;
constexpr int64_t NsPerSecond = 1'000'000'000;

int SetSystemClock(const TCalendarTime& universal)
{
    const timespec moment{static_cast<time_t>(TimeCalendar::ToUnixSeconds(universal)), 0};
    return clock_settime(CLOCK_REALTIME, &moment) == 0 ? 0 : errno;
}

// Nanoseconds split into whole seconds and a non-negative remainder, as timespec and timeval want them.
struct TSplitTime {
    int64_t Seconds;
    int64_t Nanoseconds;
};
TSplitTime Split(int64_t ns)
{
    TSplitTime split{ns / NsPerSecond, ns % NsPerSecond};
    if (split.Nanoseconds < 0) split = {split.Seconds - 1, split.Nanoseconds + NsPerSecond};
    return split;
}

int AdjustSystemClock(Sntp::TAdjustment how, int64_t offsetNs)
{
    if (how == Sntp::TAdjustment::Step) {
        // Stepped from the clock as it reads now: the time spent since the reply arrived is kept.
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const TSplitTime target = Split(static_cast<int64_t>(now.tv_sec) * NsPerSecond + now.tv_nsec + offsetNs);
        const timespec moment{static_cast<time_t>(target.Seconds), static_cast<long>(target.Nanoseconds)};
        return clock_settime(CLOCK_REALTIME, &moment) == 0 ? 0 : errno;
    }
    const TSplitTime delta = Split(offsetNs);
    const timeval slew{static_cast<time_t>(delta.Seconds), static_cast<suseconds_t>(delta.Nanoseconds / 1000)};
    return adjtime(&slew, nullptr) == 0 ? 0 : errno;
}

std::string ClockErrorText(int error)
{
    char text[64];
    std::snprintf(text, sizeof text, "Error setting system time [0x%x].", static_cast<unsigned>(error));
    return text;
}

int64_t ReadSystemClock()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * NsPerSecond + now.tv_nsec;
}

} // namespace

TTimeClientEngine::TTimeClientEngine(NetClockEventCallback callback, void* userData)
    : Callback(callback), UserData(userData), SetClock(SetSystemClock), AdjustClock(AdjustSystemClock),
      ReadClock(ReadSystemClock)
{
    SetRemotePort(Rfc868Port);
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
    case NETCLOCK_PROP_TIMEPORT: return TimePort();
    case NETCLOCK_PROP_TIMESERVER: Text = RemoteHost(); break;
    case NETCLOCK_PROP_PROTOCOL: return Protocol;
    case NETCLOCK_PROP_OFFSET_NS: return static_cast<intptr_t>(OffsetNs);
    case NETCLOCK_PROP_ROUNDTRIP_NS: return static_cast<intptr_t>(RoundTripNs);
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
    case NETCLOCK_PROP_TIMEPORT:
        result = SetRemotePort(static_cast<int32_t>(value));
        if (result == 0) PortSet = true;
        break;
    case NETCLOCK_PROP_TIMESERVER: result = SetRemoteHost(text()); break;
    case NETCLOCK_PROP_PROTOCOL: result = SetProtocol(value); break;
    default: return -1; // no text: the last error text stays as it was
    }
    // LastErrorCode belongs to NetClock_Do: a property write between a failed exchange and the host's
    // question for its code must not hide it.
    return ProcessResult(result);
}

int32_t TTimeClientEngine::SetProtocol(intptr_t value)
{
    if (value != NETCLOCK_PROTOCOL_RFC868 && value != NETCLOCK_PROTOCOL_NTP) {
        LastErrorText = "Unknown protocol: 0 is RFC 868, 1 is NTP.";
        return UnknownProtocol;
    }
    LastErrorText.clear();
    Protocol = static_cast<int32_t>(value);
    return 0;
}

// A port the host set stays; otherwise each protocol's well-known port. The socket takes it when an
// exchange starts, so that a change of protocol during an exchange cannot touch the connected socket.
uint16_t TTimeClientEngine::TimePort() const
{
    if (PortSet) return RemotePort();
    return Protocol == NETCLOCK_PROTOCOL_NTP ? NtpPort : Rfc868Port;
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
    RunningProtocol = Protocol;
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
    SetRemotePort(TimePort()); // the socket is closed here, so the port is never refused
    const bool ntp = RunningProtocol == NETCLOCK_PROTOCOL_NTP;
    const std::string server = RemoteHost() + ":" + std::to_string(RemotePort());
    if (const auto kissed = KissedServers.find(server); ntp && kissed != KissedServers.end())
        return RefuseKissedServer(server, kissed->second);
    ServerSeconds = 0;
    Answered = false;
    KissCode.clear();
    if (const int32_t result = SetActive(true)) return result;
    StartDeadline();
    if (ntp) {
        std::random_device random;
        RequestStamp = Sntp::DrawTransmitStamp(random);
        const Sntp::TPacket request = Sntp::BuildRequest(RequestStamp);
        SentAtNs = ReadClock();
        if (const int32_t result = Send(request.data(), request.size())) return result;
    } else {
        SentAtNs = ReadClock();
        if (const int32_t result = Send(Rfc868::Request.data(), Rfc868::Request.size())) return result;
    }
    while (!Answered && Active()) {
        if (!WaitStep(ExchangePauseMs)) return InterruptedCode;
    }
    if (!ntp) return TakeRfc868Answer();
    if (!KissCode.empty()) {
        KissedServers.emplace(server, KissCode);
        return RefuseKissedServer(server, KissCode);
    }
    return TakeNtpReply();
}

int32_t TTimeClientEngine::TakeRfc868Answer()
{
    if (ServerSeconds == 0) return 0;

    const TCalendarTime universal = TimeCalendar::FromServerSeconds(ServerSeconds);
    // The server's second against the local clock when its answer came: the offset is as coarse as the answer.
    OffsetNs = TimeCalendar::ToUnixSeconds(universal) * NsPerSecond - ReceivedAtNs;
    RoundTripNs = ReceivedAtNs - SentAtNs;
    ServerTime = TimeCalendar::Format(universal) + " GMT";
    LocalTime = TimeCalendar::Format(TimeCalendar::ToLocal(universal));
    if (Mode == 2 && !ClockWithinAnswer(universal)) {
        if (const int error = SetClock(universal)) {
            LastErrorText = ClockErrorText(error);
            return ClockRefused;
        }
    }
    return 0;
}

int32_t TTimeClientEngine::TakeNtpReply()
{
    if (!Answered) return 0;

    // The server's seconds belong to the era nearest to the local clock when the reply arrived.
    const int64_t serverReceivedNs = Sntp::ToUnixNs(Reply.ReceiveStamp, ReceivedAtNs);
    const int64_t serverSentNs = Sntp::ToUnixNs(Reply.TransmitStamp, ReceivedAtNs);
    const Sntp::TSample sample = Sntp::Measure(SentAtNs, serverReceivedNs, serverSentNs, ReceivedAtNs);
    OffsetNs = sample.OffsetNs;
    RoundTripNs = sample.DelayNs;
    const TCalendarTime universal = TimeCalendar::FromUnixSeconds(Split(serverSentNs).Seconds);
    ServerTime = TimeCalendar::Format(universal) + " GMT";
    LocalTime = TimeCalendar::Format(TimeCalendar::ToLocal(universal));
    if (Mode == 2) {
        if (const int error = AdjustClock(Sntp::ChooseAdjustment(sample.OffsetNs), sample.OffsetNs)) {
            LastErrorText = ClockErrorText(error);
            return ClockRefused;
        }
    }
    return 0;
}

int32_t TTimeClientEngine::RefuseKissedServer(const std::string& server, const std::string& kissCode)
{
    LastErrorText =
        "The time server " + server + " refused service (kiss code " + kissCode + "); it is not asked again.";
    return KissOfDeathCode;
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
    if (RunningProtocol == NETCLOCK_PROTOCOL_NTP) {
        NtpDatagramReceived(data, length);
        return 0;
    }
    const std::optional<uint32_t> seconds = Rfc868::ParseAnswer({data, length});
    if (!seconds) return 0;
    ReceivedAtNs = ReadClock();
    ServerSeconds = *seconds;
    Answered = true;
    SetActive(false);
    return 0;
}

// A datagram that fails the checks is ignored, as a short RFC 868 answer is: the exchange waits on for the
// server's reply until its time-out.
void TTimeClientEngine::NtpDatagramReceived(const uint8_t* data, std::size_t length)
{
    const int64_t arrivedNs = ReadClock(); // T4, read before anything else delays it
    Sntp::TReply reply = Sntp::ParseReply({data, length}, RequestStamp);
    if (reply.Status == Sntp::TReplyStatus::KissOfDeath && Sntp::ForbidsFurtherRequests(reply.KissCode)) {
        KissCode = reply.KissCode;
    } else if (reply.Status != Sntp::TReplyStatus::Valid) {
        return;
    }
    ReceivedAtNs = arrivedNs;
    Reply = std::move(reply);
    Answered = true;
    SetActive(false);
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
