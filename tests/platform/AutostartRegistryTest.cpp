#include "platform/linux/AutostartRegistry.h"
#include "platform/linux/FileRegistry.h"

#include "doubles/MemoryRegistry.h"
#include "doubles/TempFolder.h"
#include "doubles/Unprivileged.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TRegValue Text(const std::string& text)
{
    TRegValue value{REG_SZ, std::vector<uint8_t>(text.begin(), text.end())};
    value.Data.push_back(0);
    return value;
}

std::string TextOf(const TRegValue& value) { return std::string(value.Data.begin(), value.Data.end() - 1); }

class Autostart : public testing::Test {
protected:
    TTempFolder Temp{"autostart"};
    TMemoryRegistry Inner;
    std::string Folder = Temp.File("config/autostart");
    TAutostartRegistry Registry{Inner, Folder, "quorvel"};
};

} // namespace

TEST_F(Autostart, SettingTheRunValueWritesAnEntryAndDeletingItRemovesOnlyThatEntry)
{
    std::filesystem::create_directories(Folder);
    const std::string other = Folder + "/Other.desktop";
    std::ofstream(other) << "[Desktop Entry]\nExec=other\n";

    auto run = Registry.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run", /*create=*/false);
    ASSERT_TRUE(run);
    ASSERT_TRUE(run->SetValue("Quorvel", Text("/usr/bin/qorvix")));
    const std::string entry = Contents(Folder + "/Quorvel.desktop");
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=/usr/bin/qorvix\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=quorvel\n"), std::string::npos);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    ASSERT_TRUE(run->ReadValue("quorvel"));
    EXPECT_EQ(TextOf(*run->ReadValue("quorvel")), "/usr/bin/qorvix"); // names ignore letter case as keys do

    EXPECT_TRUE(run->DeleteValue("Quorvel"));
    EXPECT_FALSE(std::filesystem::exists(Folder + "/Quorvel.desktop"));
    EXPECT_FALSE(run->ReadValue("Quorvel"));
    EXPECT_FALSE(run->DeleteValue("Quorvel")) << "a second delete finds nothing";
    EXPECT_EQ(Contents(other), "[Desktop Entry]\nExec=other\n");
    EXPECT_TRUE(Inner.Keys.empty()) << "the Run key never reaches the settings file";
}

TEST_F(Autostart, APathWithSpacesIsQuotedInTheEntryAndComesBackPlain)
{
    auto run = Registry.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\", false);
    ASSERT_TRUE(run);
    for (const std::string& path : {std::string("/home/a b/My Apps/qorvix"), std::string("/opt/q\"uo$te`s\\/100%/x")}) {
        ASSERT_TRUE(run->SetValue("Quorvel", Text(path)));
        const auto back = run->ReadValue("Quorvel");
        ASSERT_TRUE(back);
        EXPECT_EQ(TextOf(*back), path);
    }
    EXPECT_EQ(TAutostartRegistry::ExecValue("/home/a b/qorvix"), "\"/home/a b/qorvix\"");
    // Inside quotes a backslash is escaped once for the quoting and once more for the file's string rules.
    EXPECT_EQ(TAutostartRegistry::ExecValue("/x/a\\b"), "\"/x/a\\\\\\\\b\"");
    EXPECT_EQ(TAutostartRegistry::ExecValue("/x/100%"), "/x/100%%");
}

TEST_F(Autostart, OtherKeysGoToTheRegistryBehindAndBadNamesAreRefused)
{
    auto option = Registry.OpenKey("Software\\Velmar Software\\Quorvel\\Option", true);
    ASSERT_TRUE(option);
    EXPECT_TRUE(option->SetValue("SaveLog", Text("1")));
    EXPECT_EQ(Inner.Text("software\\velmar software\\quorvel\\option", "savelog"), "1");
    EXPECT_FALSE(Registry.OpenKey("Software\\Nothing", false));

    auto run = Registry.OpenKey(TAutostartRegistry::RunKey, false);
    EXPECT_FALSE(run->SetValue("../escape", Text("/bin/x")));
    EXPECT_FALSE(run->SetValue("Quorvel", TRegValue{REG_DWORD, {1, 0, 0, 0}}));
    EXPECT_FALSE(std::filesystem::exists(Temp.File("config/escape.desktop")));
}

TEST_F(Autostart, AFolderThatCannotBeWrittenFailsWithoutLeavingAnything)
{
    std::filesystem::create_directories(Folder);
    chmod(Temp.Path.c_str(), 0755);
    chmod(Temp.File("config").c_str(), 0755);
    chmod(Folder.c_str(), 0555);
    EXPECT_TRUE(RunUnprivileged([&] {
        auto run = Registry.OpenKey(TAutostartRegistry::RunKey, false);
        return run && !run->SetValue("Quorvel", Text("/usr/bin/qorvix"));
    }));
    chmod(Folder.c_str(), 0755);
    EXPECT_TRUE(std::filesystem::is_empty(Folder));
}

TEST_F(Autostart, GroupsAndLoadProblemsAreTheSettingsFilesBehind)
{
    Inner.Problem = "settings damaged";
    EXPECT_EQ(Registry.LoadProblem(), "settings damaged");
    Registry.BeginUpdate();
    Registry.BeginUpdate();
    Registry.OpenKey("Software\\Velmar Software\\Quorvel\\Option", true)
        ->SetValue("X", TRegValue{REG_DWORD, {1, 0, 0, 0}});
    EXPECT_TRUE(Registry.EndUpdate());
    EXPECT_EQ(Inner.GroupsEnded, 0) << "the inner group is still open";
    EXPECT_TRUE(Registry.EndUpdate());
    EXPECT_EQ(Inner.GroupsEnded, 1);
    EXPECT_EQ(Inner.WritesOutsideGroups, 0);
}

// The program sees its settings through the autostart layer: a settings file that cannot be stored (here the
// name of the new file beside it is longer than a file name may be) is told through it.
TEST_F(Autostart, ASettingsFileThatCannotBeStoredIsToldThroughIt)
{
    const std::string path = Temp.File(std::string(250, 'r') + ".reg");
    TFileRegistry settings(path);
    TAutostartRegistry registry(settings, Folder, "quorvel");
    registry.BeginUpdate();
    const auto option = registry.OpenKey("Software\\Velmar Software\\Quorvel\\Option", true);
    ASSERT_TRUE(option);
    option->SetValue("X", Text("1"));
    EXPECT_FALSE(registry.EndUpdate());
    EXPECT_EQ(registry.StoreProblem(), "Settings file " + path + " not saved (" + std::strerror(ENAMETOOLONG) + ")");
}
