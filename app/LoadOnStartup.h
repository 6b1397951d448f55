#pragma once

#include <string>

class IRegistry;

// Starting the program with the user's session: the value "Quorvel" of the per-user Run key, holding the
// program's own path as it is, unquoted.
namespace LoadOnStartup {

inline constexpr const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* ValueName = "Quorvel";

// Writes (on) or removes (off) the value; no other value of the key is touched and a missing key is not
// created. True when the key now says what was asked: removing a value that is not there succeeds.
bool Apply(IRegistry& registry, bool on, const std::string& programPath);

} // namespace LoadOnStartup
