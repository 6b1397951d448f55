#include "platform/DesktopIdentity.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// A key's value in the [Desktop Entry] group of the launcher as the build writes it for installing.
std::string LauncherValue(const std::string& key)
{
    std::ifstream launcher(QUORVEL_LAUNCHER_FILE);
    std::string line;
    bool inEntry = false;
    while (std::getline(launcher, line)) {
        if (line.starts_with("["))
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.starts_with(key + "="))
            return line.substr(key.size() + 1);
    }
    return {};
}

} // namespace

// The autostart entry the program writes takes its icon from DesktopIconName, the installed launcher from
// the launcher file; a menu and the session's autostart list then show the same picture.
TEST(DesktopIdentityTest, LauncherNamesTheIconTheProgramUsesForItsAutostartEntry)
{
    const std::string icon = LauncherValue("Icon");
    ASSERT_FALSE(icon.empty()) << "no Icon= in " << QUORVEL_LAUNCHER_FILE;
    EXPECT_EQ(icon, DesktopIconName);
}
