#pragma once

#include <functional>
#include <optional>
#include <string>

// The user's base folders as the XDG base directory rules give them. A variable that does not hold an
// absolute path is invalid and counts as unset: a relative one would put the user's files under whatever
// folder the program happened to be started in.
namespace XdgPaths {

// Reads an environment variable; null when it is not set.
using TEnvironment = std::function<const char*(const char* name)>;

// The variable's value when it is an absolute path; nothing when it is unset, empty or relative.
std::optional<std::string> AbsoluteEnv(const TEnvironment& environment, const char* name);

// $HOME, or the home folder of the user's account when it is not an absolute path.
std::string Home(const TEnvironment& environment);
// $XDG_CONFIG_HOME, or ~/.config.
std::string ConfigHome(const TEnvironment& environment);
// $XDG_DATA_HOME, or ~/.local/share.
std::string DataHome(const TEnvironment& environment);
// $XDG_RUNTIME_DIR; the rules leave the replacement for a missing one to the program.
std::optional<std::string> RuntimeDir(const TEnvironment& environment);

} // namespace XdgPaths
