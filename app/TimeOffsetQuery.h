#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

// `qorvix --time-offset`: one question to a time server, its answer printed, and nothing changed: the clock
// is not set, the settings file is only read, no display and no single-instance lock are needed.
namespace TimeOffsetQuery {

// How long the query waits for the answer: a terminal user is waiting, so not the minute the window's
// own synchronisation allows.
inline constexpr int TimeoutSeconds = 5;

// Where to ask: HOST, or HOST:PORT when a port is named (so a test can use a loopback server on any port).
struct TServer {
    std::string Host;
    std::optional<uint16_t> Port;
};

// HOST or HOST:PORT; nothing for an empty host or a port that is not 1 to 65535.
std::optional<TServer> ParseServer(const std::string& text);

struct TQuery {
    TServer Server;
    int32_t Protocol = 0; // a NETCLOCK_PROTOCOL_ value
};

// The server named on the command line, else the stored one. --ntp chooses NTP; without it a server named
// on the command line is asked with RFC 868 and the stored server with the stored protocol ("RFC868" or "NTP").
// Nothing when the server is not a valid HOST[:PORT].
std::optional<TQuery> Choose(const std::string& namedServer, bool ntp, const QString& storedServer,
                             const QString& storedProtocol);

struct TMeasurement {
    int64_t OffsetNs = 0; // what to add to the local clock to agree with the server's
    int64_t RoundTripNs = 0;
    std::string Address; // the server's dotted address
    int32_t Protocol = 0;
};

// "offset +0.001234 s, round trip 0.000456 s, server 127.0.0.1 (NTP)", without a line end. An RFC 868
// offset is in whole seconds, the resolution of its answer.
std::string FormatLine(const TMeasurement& measurement);

struct TOutcome {
    int ExitCode = 0;   // 0 answered, 1 no valid answer in time
    std::string Output; // the line for standard output
    std::string Error;  // the reason for standard error
};

// Asks once through the time client engine, which must be loaded; waits at most TimeoutSeconds.
TOutcome Run(const TQuery& query);

// Choose over the server and protocol stored in the settings file at registryPath. The file is only read,
// and only when no server is named: a running instance may be writing it at this moment.
std::optional<TQuery> ChooseWithSettings(const std::string& registryPath, const std::string& namedServer, bool ntp);

} // namespace TimeOffsetQuery
