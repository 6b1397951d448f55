#include "TimeOffsetQuery.h"

#include "MonitorState.h"
#include "StoredSettings.h"

#include "platform/linux/FileRegistry.h"
#include "settings/MyReg.h"
#include "timeclient/netclock.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>

namespace TimeOffsetQuery {
namespace {

constexpr int64_t NsPerSecond = 1'000'000'000;
constexpr int32_t InterruptedCode = 301; // the engine's code for an exchange that ran out of time

// Microseconds rounded half away from zero, as "[-]S.UUUUUU"; the sign is the caller's.
std::string Microseconds(int64_t ns, bool plusSign)
{
    const bool negative = ns < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(ns) : static_cast<uint64_t>(ns);
    const uint64_t us = (magnitude + 500) / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%s%" PRIu64 ".%06" PRIu64, negative ? "-" : (plusSign ? "+" : ""), us / 1'000'000,
                  us % 1'000'000);
    return text;
}

// The server read its clock somewhere within the whole second it answered: the middle of that second is the
// best guess, rounded to the whole seconds the answer can tell.
int64_t Rfc868Seconds(int64_t offsetNs)
{
    const int64_t middle = offsetNs + NsPerSecond / 2;
    const int64_t half = NsPerSecond / 2;
    return middle >= 0 ? (middle + half) / NsPerSecond : -((-middle + half) / NsPerSecond);
}

std::string ProtocolName(int32_t protocol) { return protocol == NETCLOCK_PROTOCOL_NTP ? "NTP" : "RFC 868"; }

std::string Named(const TQuery& query)
{
    return query.Server.Host + (query.Server.Port ? ":" + std::to_string(*query.Server.Port) : std::string());
}

} // namespace

std::optional<TServer> ParseServer(const std::string& text)
{
    const std::size_t colon = text.rfind(':');
    // More than one colon is an IPv6 address without a port.
    if (colon == std::string::npos || text.find(':') != colon) {
        if (text.empty()) return std::nullopt;
        return TServer{text, std::nullopt};
    }
    const std::string host = text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    if (host.empty() || port.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    const int number = std::stoi(port);
    if (number < 1 || number > 65535) return std::nullopt;
    return TServer{host, static_cast<uint16_t>(number)};
}

std::optional<TQuery> Choose(const std::string& namedServer, bool ntp, const QString& storedServer,
                             const QString& storedProtocol)
{
    const bool named = !namedServer.empty();
    const std::optional<TServer> server = ParseServer(named ? namedServer : storedServer.trimmed().toStdString());
    if (!server) return std::nullopt;
    const bool storedNtp = storedProtocol.trimmed().compare("NTP", Qt::CaseInsensitive) == 0;
    const bool useNtp = ntp || (!named && storedNtp);
    return TQuery{*server, useNtp ? NETCLOCK_PROTOCOL_NTP : NETCLOCK_PROTOCOL_RFC868};
}

std::optional<TQuery> ChooseWithSettings(const std::string& registryPath, const std::string& namedServer, bool ntp)
{
    MonitorState stored;
    if (namedServer.empty()) {
        TFileRegistry registry(registryPath, TFileRegistry::TAccess::ReadOnly);
        TMyReg reg(registry);
        reg.SetRegKey(StoredSettings::RegKey);
        StoredSettings::LoadNumbers(reg, stored);
    }
    return Choose(namedServer, ntp, stored.SynchronizeTimeServer, stored.SynchronizeTimeProtocol);
}

std::string FormatLine(const TMeasurement& measurement)
{
    const bool ntp = measurement.Protocol == NETCLOCK_PROTOCOL_NTP;
    std::string offset;
    if (ntp) {
        offset = Microseconds(measurement.OffsetNs, true);
    } else {
        char text[32];
        std::snprintf(text, sizeof text, "%+" PRId64, Rfc868Seconds(measurement.OffsetNs));
        offset = text;
    }
    return "offset " + offset + " s, round trip " + Microseconds(measurement.RoundTripNs, false) + " s, server " +
           measurement.Address + " (" + ProtocolName(measurement.Protocol) + ")";
}

TOutcome Run(const TQuery& query)
{
    std::string reported; // what the engine told while waiting, such as a port reported unreachable
    try {
        TNetClock clock;
        clock.OnError = [&](TNetClock&, int32_t, const std::string& description) {
            if (reported.empty()) reported = description;
        };
        clock.SetTimeout(TimeoutSeconds);
        clock.SetProtocol(query.Protocol);
        clock.SetTimeServer(query.Server.Host);
        if (query.Server.Port) clock.SetTimePort(*query.Server.Port);
        clock.QueryTime();
        // An exchange that ended without error but without a time got an answer that was not one.
        if (clock.ServerTime().empty()) return {1, {}, "The time server " + Named(query) + " sent no valid answer.\n"};
        return {0, FormatLine({clock.OffsetNs(), clock.RoundTripNs(), clock.TimeServer(), query.Protocol}) + "\n", {}};
    } catch (const ENetClock& error) {
        if (error.Code == InterruptedCode) {
            std::string reason = "No valid answer from the time server " + Named(query) + " (" +
                                 ProtocolName(query.Protocol) + ") within " + std::to_string(TimeoutSeconds) +
                                 " seconds";
            if (!reported.empty()) reason += ": " + reported;
            return {1, {}, reason + "\n"};
        }
        return {1, {}, "The time server " + Named(query) + " could not be asked: " + error.what() + "\n"};
    }
}

} // namespace TimeOffsetQuery
