#include "XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

namespace XdgPaths {

std::optional<std::string> AbsoluteEnv(const TEnvironment& environment, const char* name)
{
    const char* value = environment(name);
    if (value && value[0] == '/') return std::string(value);
    return std::nullopt;
}

std::string Home(const TEnvironment& environment)
{
    if (auto home = AbsoluteEnv(environment, "HOME")) return *home;
    const passwd* user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

std::string ConfigHome(const TEnvironment& environment)
{
    if (auto config = AbsoluteEnv(environment, "XDG_CONFIG_HOME")) return *config;
    return Home(environment) + "/.config";
}

std::string DataHome(const TEnvironment& environment)
{
    if (auto data = AbsoluteEnv(environment, "XDG_DATA_HOME")) return *data;
    return Home(environment) + "/.local/share";
}

std::optional<std::string> RuntimeDir(const TEnvironment& environment)
{
    return AbsoluteEnv(environment, "XDG_RUNTIME_DIR");
}

} // namespace XdgPaths
