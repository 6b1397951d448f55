#include "app/LoadOnStartup.h"

#include "doubles/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace {

const std::string RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class StartWithTheSession : public testing::Test {
protected:
    TMemoryRegistry Registry;
    void SetUp() override
    {
        const std::string other = "C:/other.exe";
        Registry.OpenKey(RunKey, true)->SetValue("Other", TRegValue{REG_SZ, {other.begin(), other.end()}});
    }
    std::optional<TRegValue> Value(const std::string& name) { return Registry.OpenKey(RunKey, false)->ReadValue(name); }
};

} // namespace

TEST_F(StartWithTheSession, OnStoresThePlainPathWithItsEndingNulAndOffRemovesOnlyIt)
{
    ASSERT_TRUE(LoadOnStartup::Apply(Registry, true, "/opt/my tools/qorvix"));
    const auto stored = Value("Quorvel");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Type, REG_SZ);
    const std::string expected("/opt/my tools/qorvix\0", 21);
    EXPECT_EQ(std::string(stored->Data.begin(), stored->Data.end()), expected);

    ASSERT_TRUE(LoadOnStartup::Apply(Registry, false, "/opt/my tools/qorvix"));
    EXPECT_FALSE(Value("Quorvel"));
    EXPECT_TRUE(Value("Other"));
}

TEST_F(StartWithTheSession, OffWhenNothingIsRegisteredSucceeds)
{
    EXPECT_TRUE(LoadOnStartup::Apply(Registry, false, "/usr/bin/qorvix"));
    EXPECT_TRUE(Value("Other"));
}

TEST_F(StartWithTheSession, AMissingKeyIsNotCreatedAndFails)
{
    Registry.Keys.clear();
    EXPECT_FALSE(LoadOnStartup::Apply(Registry, true, "/usr/bin/qorvix"));
    EXPECT_FALSE(Registry.OpenKey(RunKey, false));
}
