// A base folder variable that is not an absolute path counts as unset wherever the program reads one.
#include "platform/linux/AutostartRegistry.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/PosixTextFiles.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class XdgPaths : public testing::Test {
protected:
    std::map<std::string, std::string> Variables{{"HOME", "/home/ann"}, {"TMPDIR", "/var/tmp"}};
    ::XdgPaths::TEnvironment Environment = [this](const char* name) {
        const auto found = Variables.find(name);
        return found == Variables.end() ? nullptr : found->second.c_str();
    };
};

} // namespace

TEST_F(XdgPaths, ARelativeOrEmptyConfigHomeFallsBackToTheHomeFolder)
{
    Variables["XDG_CONFIG_HOME"] = "/etc/ann";
    EXPECT_EQ(TFileRegistry::DefaultPath(Environment), "/etc/ann/quorvel/registry.reg");
    EXPECT_EQ(TAutostartRegistry::DefaultFolder(Environment), "/etc/ann/autostart");
    for (const char* invalid : {"config", "./config", ""}) {
        Variables["XDG_CONFIG_HOME"] = invalid;
        EXPECT_EQ(TFileRegistry::DefaultPath(Environment), "/home/ann/.config/quorvel/registry.reg") << invalid;
        EXPECT_EQ(TAutostartRegistry::DefaultFolder(Environment), "/home/ann/.config/autostart") << invalid;
    }
}

TEST_F(XdgPaths, ARelativeOrEmptyDataHomeFallsBackToTheHomeFolder)
{
    TPosixTextFiles files(Environment);
    Variables["XDG_DATA_HOME"] = "/srv/ann";
    EXPECT_EQ(files.UserDataFolder(), "/srv/ann");
    for (const char* invalid : {"data", ""}) {
        Variables["XDG_DATA_HOME"] = invalid;
        EXPECT_EQ(files.UserDataFolder(), "/home/ann/.local/share") << invalid;
    }
}

TEST_F(XdgPaths, ARelativeOrEmptyRuntimeDirFallsBackToTheTemporaryFolder)
{
    const std::string shared = "/var/tmp/quorvel-" + std::to_string(geteuid()) + "/VelmarQuorvel.lock";
    Variables["XDG_RUNTIME_DIR"] = "/run/user/1000";
    EXPECT_EQ(TInstanceLock::DefaultPath(Environment), "/run/user/1000/VelmarQuorvel.lock");
    for (const char* invalid : {"run/user/1000", ""}) {
        Variables["XDG_RUNTIME_DIR"] = invalid;
        EXPECT_EQ(TInstanceLock::DefaultPath(Environment), shared) << invalid;
    }
}
