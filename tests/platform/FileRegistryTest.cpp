#include "platform/linux/FileRegistry.h"

#include "doubles/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
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

std::string TextOf(const std::optional<TRegValue>& value)
{
    return value ? std::string(value->Data.begin(), value->Data.end() - 1) : "<none>";
}

TEST(FileRegistry, AFileEditedIntoNonsenseKeepsItsGoodLinesAndIsMadeValidByTheNextWrite)
{
    TTempFolder folder("registry-bad");
    const std::string path = folder.File("registry.reg");
    std::ofstream(path, std::ios::binary) << "Windows Registry Editor Version 5.00\n\n"
                                             "[HKEY_CURRENT_USER\\Software\\Q\\Stats]\n"
                                             "\"LastConn\"=\"eth0\"\n"
                                             "\"Broken\"=\"unterminated\n"
                                             "garbage line ]]][[[\n"
                                             "\"Dword\"=dword:zz\n"
                                             "\"TooLong\"=dword:123456789\n"
                                             "\"Hex\"=hex(b):01,02,0g\n"
                                             "[HKEY_LOCAL_MACHINE\\Elsewhere]\n"
                                             "\"Orphan\"=\"lost\"\n"
                                             "[HKEY_CURRENT_USER\\Software\\Q\\Option]\n"
                                             "\"SaveLog\"=dword:00000001\n"
                                             "\"Raw\"=hex(b):01,02,\\\n  03,04\n"
                                          << std::string("\0\xff\xfe binary noise\n", 17);
    TFileRegistry registry(path);
    EXPECT_EQ(registry.DamagedLines(), 8);
    EXPECT_EQ(TextOf(registry.OpenKey("software\\q\\stats", false)->ReadValue("lastconn")), "eth0");
    const auto option = registry.OpenKey("Software\\Q\\Option", false);
    ASSERT_TRUE(option);
    EXPECT_EQ(option->ReadValue("SaveLog")->Data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(option->ReadValue("Raw")->Data, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(option->ReadValue("Raw")->Type, 0xbu);
    EXPECT_TRUE(registry.OpenKey("Software", false)) << "parents of a listed key exist";

    ASSERT_TRUE(option->SetValue("New", Text("value")));
    TFileRegistry reread(path);
    EXPECT_EQ(reread.DamagedLines(), 0);
    EXPECT_EQ(TextOf(reread.OpenKey("Software\\Q\\Option", false)->ReadValue("New")), "value");
}

TEST(FileRegistry, TextsWithQuotesBackslashesAndNewlinesRoundTrip)
{
    TTempFolder folder("registry-texts");
    const std::string path = folder.File("registry.reg");
    const std::vector<std::string> texts = {"say \"hi\"", "C:\\path\\", "two\r\nlines", "tab\there",
                                            "",           "\\\"",       "ümlaut ☃"};
    {
        TFileRegistry registry(path);
        auto key = registry.OpenKey("Software\\Q\\Stats", true);
        for (std::size_t i = 0; i < texts.size(); ++i)
            ASSERT_TRUE(key->SetValue("v" + std::to_string(i), Text(texts[i])));
        ASSERT_TRUE(key->SetValue("Quoted \"name\"", Text("x")));
    }
    TFileRegistry reread(path);
    EXPECT_EQ(reread.DamagedLines(), 0) << ReadAll(path);
    auto key = reread.OpenKey("Software\\Q\\Stats", false);
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(TextOf(key->ReadValue("v" + std::to_string(i))), texts[i]);
    EXPECT_EQ(TextOf(key->ReadValue("quoted \"NAME\"")), "x");
}

TEST(FileRegistry, AMissingOrEmptyFileIsAnEmptyRegistry)
{
    TTempFolder folder("registry-empty");
    TFileRegistry missing(folder.File("none.reg"));
    EXPECT_FALSE(missing.OpenKey("Software", false));
    std::ofstream(folder.File("empty.reg")).flush();
    TFileRegistry empty(folder.File("empty.reg"));
    EXPECT_FALSE(empty.OpenKey("Software", false));
    EXPECT_EQ(empty.DamagedLines(), 0);
}

// A writer that is killed at any moment leaves a file that parses and holds, for every value, either the
// value before or the value after the write in progress.
TEST(FileRegistry, KillingAWriterAtRandomMomentsNeverLeavesAHalfWrittenFile)
{
    TTempFolder folder("registry-kill");
    const std::string path = folder.File("quorvel/registry.reg");
    constexpr int Values = 12;
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayMicroseconds(0, 30000);
    for (int round = 0; round < 40; ++round) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            TFileRegistry registry(path);
            auto key = registry.OpenKey("Software\\Velmar Software\\Quorvel\\Stats", true);
            const auto last = key->ReadValue("Value" + std::to_string(Values - 1));
            for (long generation = last ? std::stol(TextOf(last)) + 1 : 0;; ++generation)
                for (int v = 0; v < Values; ++v)
                    key->SetValue("Value" + std::to_string(v), Text(std::to_string(generation)));
        }
        usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);

        TFileRegistry registry(path);
        ASSERT_EQ(registry.DamagedLines(), 0) << "round " << round;
        const auto key = registry.OpenKey("Software\\Velmar Software\\Quorvel\\Stats", false);
        if (!key) continue; // killed before its first write
        long lowest = LONG_MAX, highest = LONG_MIN;
        for (int v = 0; v < Values; ++v) {
            const auto value = key->ReadValue("Value" + std::to_string(v));
            if (!value) continue;
            const long generation = std::stol(TextOf(value));
            lowest = std::min(lowest, generation);
            highest = std::max(highest, generation);
        }
        EXPECT_LE(highest - lowest, 1) << "every value is the old or the new one";
    }
}

} // namespace
