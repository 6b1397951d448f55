#include "settings/MyReg.h"

#include "platform/linux/FileRegistry.h"

#include "doubles/TempFolder.h"
#include "doubles/Unprivileged.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sstream>

namespace {

class Settings : public testing::Test {
protected:
    TTempFolder Folder{"myreg"};
    std::string FilePath = Folder.File("quorvel/registry.reg");
    TFileRegistry Registry{FilePath};
    TMyReg MyReg{Registry};

    void SetUp() override { MyReg.SetRegKey("\\Software\\Velmar Software\\Quorvel\\"); }
    std::string FileText() const
    {
        std::ifstream file(FilePath);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::optional<TRegValue> Stored(const std::string& section, const std::string& name)
    {
        const auto key = Registry.OpenKey("Software\\Velmar Software\\Quorvel\\" + section, false);
        return key ? key->ReadValue(name) : std::nullopt;
    }
};

TEST_F(Settings, FirstRunReadsDefaultsAndTheFirstWriteCreatesTheKey)
{
    EXPECT_EQ(MyReg.ReadTextValue("Stats", "LastConn", "N/A"), "N/A");
    EXPECT_EQ(MyReg.ReadInt64Value("Option", "MaxGraph", 25600), 25600);
    EXPECT_EQ(MyReg.ReadIntValue("Position", "MainLeft", 215), 215);
    EXPECT_TRUE(MyReg.ReadFlagValue("Option", "ShowMonitor", true));
    EXPECT_FALSE(std::filesystem::exists(FilePath)) << "reads create nothing";

    MyReg.WriteInt64Value("Stats", "TotalSent", 12);
    EXPECT_NE(FileText().find("[HKEY_CURRENT_USER\\Software\\Velmar Software\\Quorvel\\Stats]\n\"TotalSent\"=\"12\""),
              std::string::npos);
    EXPECT_EQ(std::filesystem::status(FilePath).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(Settings, AnEmptyTextIsNotTheDefault)
{
    MyReg.WriteTextValue("Stats", "LastConn", "");
    EXPECT_EQ(MyReg.ReadTextValue("Stats", "LastConn", "N/A"), "");
}

TEST_F(Settings, SixtyFourBitNumbersAreDecimalTextAndRoundTrip)
{
    MyReg.WriteInt64Value("Stats", "LastSent", -5);
    const auto stored = Stored("Stats", "LastSent");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Type, REG_SZ);
    EXPECT_EQ(std::string(stored->Data.begin(), stored->Data.end()), std::string("-5\0", 3));
    EXPECT_EQ(MyReg.ReadInt64Value("Stats", "LastSent", 0), -5);
    for (int64_t value : {int64_t{1} << 40, std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()}) {
        MyReg.WriteInt64Value("Stats", "TotalRecv", value);
        EXPECT_EQ(MyReg.ReadInt64Value("Stats", "TotalRecv", 0), value);
    }
    TFileRegistry reloaded(FilePath);
    TMyReg fromFile(reloaded);
    fromFile.SetRegKey(MyReg.RegKey());
    EXPECT_EQ(fromFile.ReadInt64Value("Stats", "LastSent", 0), -5) << "survives a restart";
}

TEST_F(Settings, FlagsAndNumbersFallBackOnAnyOtherType)
{
    MyReg.WriteFlagValue("Option", "SaveLog", true);
    const auto stored = Stored("Option", "SaveLog");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Type, REG_DWORD);
    EXPECT_EQ(stored->Data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_TRUE(MyReg.ReadFlagValue("Option", "SaveLog", false));

    MyReg.WriteIntValue("Option", "SaveLog", 2);
    EXPECT_TRUE(MyReg.ReadFlagValue("Option", "SaveLog", false)) << "any number but 0 is true";
    MyReg.WriteIntValue("Position", "MainLeft", -40);
    EXPECT_EQ(MyReg.ReadIntValue("Position", "MainLeft", 0), -40);

    MyReg.WriteTextValue("Option", "SaveLog", "1");
    EXPECT_FALSE(MyReg.ReadFlagValue("Option", "SaveLog", false));
    EXPECT_EQ(MyReg.ReadIntValue("Option", "SaveLog", 77), 77);
    Registry.OpenKey("Software\\Velmar Software\\Quorvel\\Option", false)
        ->SetValue("Wide", TRegValue{REG_DWORD, {1, 0, 0, 0, 0}});
    EXPECT_EQ(MyReg.ReadIntValue("Option", "Wide", 9), 9) << "more than 4 bytes";
}

TEST_F(Settings, TextWhereANumberIsExpectedReadsTheDefault)
{
    for (const char* text : {"abc", "12abc", "", " 12", "+12", "99999999999999999999", "1,000"}) {
        MyReg.WriteTextValue("Option", "MaxGraph", text);
        EXPECT_EQ(MyReg.ReadInt64Value("Option", "MaxGraph", 25600), 25600) << text;
    }
    MyReg.WriteFlagValue("Option", "MaxGraph", true);
    EXPECT_EQ(MyReg.ReadInt64Value("Option", "MaxGraph", 25600), 25600);
    EXPECT_EQ(MyReg.ReadTextValue("Option", "MaxGraph", "d"), "d");
}

TEST_F(Settings, SectionAndValueNamesIgnoreLetterCase)
{
    MyReg.WriteInt64Value("Option", "MonAlpha", 200);
    EXPECT_EQ(MyReg.ReadInt64Value("option", "monalpha", 0), 200);
    MyReg.WriteInt64Value("OPTION", "MONALPHA", 100);
    EXPECT_EQ(MyReg.ReadInt64Value("Option", "MonAlpha", 0), 100);
    EXPECT_EQ(FileText().find("MonAlpha"), std::string::npos) << "one value, under its latest spelling";
}

TEST_F(Settings, AKeyWithoutTrailingBackslashIsNotRepaired)
{
    TMyReg fresh(Registry);
    EXPECT_EQ(fresh.RegKey(), "\\Software\\Company Name\\Software Name\\");
    EXPECT_EQ(fresh._About(), "Velmar Software Inc.");
    EXPECT_EQ(fresh._Version(), "1.3");
    fresh.Set_About("x");
    EXPECT_EQ(fresh._About(), "Velmar Software Inc.");

    fresh.SetRegKey("\\Software\\Velmar Software\\Quorvel");
    EXPECT_EQ(fresh.RegKey(), "\\Software\\Velmar Software\\Quorvel");
    fresh.WriteIntValue("Position", "MainTop", 3);
    EXPECT_TRUE(Registry.OpenKey("Software\\Velmar Software\\QuorvelPosition", false));
    EXPECT_FALSE(Registry.OpenKey("Software\\Velmar Software\\Quorvel\\Position", false));
}

// The write is kept in memory for the next store to try again; the store says why it failed.
TEST_F(Settings, AnUnwritableFolderKeepsTheWriteInMemoryAndSaysWhy)
{
    std::filesystem::create_directories(Folder.Path / "locked");
    std::filesystem::permissions(Folder.Path, std::filesystem::perms::all);
    std::filesystem::permissions(Folder.Path / "locked",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                     std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    EXPECT_TRUE(RunUnprivileged([&] {
        TFileRegistry locked(Folder.File("locked/registry.reg"));
        TMyReg store(locked);
        store.WriteInt64Value("Stats", "TotalSent", 5); // returns normally
        return store.ReadInt64Value("Stats", "TotalSent", 0) == 5 &&
               locked.StoreProblem().find("Permission denied") != std::string::npos;
    }));
    EXPECT_FALSE(std::filesystem::exists(Folder.Path / "locked" / "registry.reg"));
}

TEST_F(Settings, AnUnreadableFileKeepsTheDefaultsAndSaysWhy)
{
    MyReg.WriteInt64Value("Stats", "TotalSent", 123456);
    const std::string written = FileText();
    std::filesystem::permissions(Folder.Path, std::filesystem::perms::all);
    std::filesystem::permissions(Folder.Path / "quorvel", std::filesystem::perms::all);
    std::filesystem::permissions(FilePath, geteuid() == 0 ? std::filesystem::perms::owner_read |
                                                                std::filesystem::perms::owner_write
                                                          : std::filesystem::perms::none);
    EXPECT_TRUE(RunUnprivileged([&] {
        testing::internal::CaptureStderr();
        TFileRegistry unreadable(FilePath);
        testing::internal::GetCapturedStderr();
        TMyReg store(unreadable);
        store.SetRegKey(MyReg.RegKey());
        store.WriteInt64Value("Stats", "TotalSent", 5);
        store.WriteFlagValue("Option", "SaveLog", true);
        return store.ReadInt64Value("Stats", "TotalSent", 0) == 0 && !store.ReadFlagValue("Option", "SaveLog", false) &&
               store.LoadProblem().find("Permission denied") != std::string::npos;
    }));
    EXPECT_EQ(FileText(), written) << "the totals are still there for the user who can read them";
    EXPECT_EQ(MyReg.LoadProblem(), "");
}

} // namespace
