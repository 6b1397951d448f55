#include "app/StoredSettings.h"

#include "settings/MyReg.h"

#include "doubles/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace {

class StoredValues : public testing::Test {
protected:
    StoredValues() { Reg.SetRegKey(StoredSettings::RegKey); }

    std::string Stored(const std::string& section, const std::string& name)
    {
        return Registry.Text("software\\velmar software\\quorvel\\" + section, name);
    }

    TMemoryRegistry Registry;
    TMyReg Reg{Registry};
};

} // namespace

TEST_F(StoredValues, AFirstRunGetsTheDocumentedDefaults)
{
    MonitorState state;
    StoredSettings::LoadStats(Reg, state);
    StoredSettings::LoadNumbers(Reg, state);
    const StoredSettings::TOptions options = StoredSettings::LoadOptions(Reg);
    const StoredSettings::TPosition main = StoredSettings::LoadMainPosition(Reg);

    EXPECT_EQ(state.LastOnLine, "N/A");
    EXPECT_EQ(state.LastOffLine, "N/A");
    EXPECT_EQ(state.LastConn, "N/A");
    EXPECT_EQ(state.LastSent + state.LastRecv + state.LastDuration + state.LastSpeed, 0);
    EXPECT_EQ(state.TotalSent + state.TotalRecv + state.TotalDuration, 0);
    EXPECT_EQ(state.MaxGraph, 25600);
    EXPECT_EQ(state.MinGraph, 0);
    EXPECT_EQ(state.SynchronizeTimeInterval, 7200);
    EXPECT_FALSE(state.SynchronizeTimeServer.isEmpty());
    for (int i = 0; i < StoredSettings::OptionCount; ++i)
        EXPECT_EQ(options[i], i == StoredSettings::ShowMonitor) << StoredSettings::Options[i].Name;
    EXPECT_EQ(main.Top, 50);
    EXPECT_EQ(main.Left, 50);
    EXPECT_TRUE(Registry.Keys.empty()) << "loading writes nothing";
}

TEST_F(StoredValues, ValuesStoredByAnEarlierRunAreReadWhateverTheLetterCaseOfTheirSection)
{
    TMyReg writer(Registry);
    writer.SetRegKey(StoredSettings::RegKey);
    writer.WriteFlagValue("option", "SaveLog", true);
    writer.WriteFlagValue("OPTION", "ShowMonitor", false);
    writer.WriteInt64Value("option", "MaxGraph", 1000000);
    writer.WriteInt64Value("Option", "SynchronizeTimeInterval", 0);
    writer.WriteTextValue("Option", "SynchronizeTimeServer", "127.0.0.1");
    writer.WriteIntValue("position", "MainTop", -40);
    writer.WriteTextValue("stats", "LastConn", "Intel(R) PRO/1000 MT...");
    writer.WriteInt64Value("Stats", "TotalSent", 9000000000);

    MonitorState state;
    StoredSettings::LoadStats(Reg, state);
    StoredSettings::LoadNumbers(Reg, state);
    const StoredSettings::TOptions options = StoredSettings::LoadOptions(Reg);
    EXPECT_TRUE(options[StoredSettings::SaveLog]);
    EXPECT_FALSE(options[StoredSettings::ShowMonitor]);
    EXPECT_EQ(state.MaxGraph, 1000000);
    EXPECT_EQ(state.SynchronizeTimeInterval, 0);
    EXPECT_EQ(state.SynchronizeTimeServer, "127.0.0.1");
    EXPECT_EQ(StoredSettings::LoadMainPosition(Reg).Top, -40);
    EXPECT_EQ(state.LastConn, "Intel(R) PRO/1000 MT...");
    EXPECT_EQ(state.TotalSent, 9000000000);
}

TEST_F(StoredValues, SavedTotalsIncludeTheConnectionWhileTheTotalsInMemoryDoNot)
{
    MonitorState state;
    state.LastOnLine = "Mon 07 Dec 2026 10:00:00";
    state.LastOffLine = "Mon 07 Dec 2026 11:00:00";
    state.LastConn = "eth0";
    state.LastSent = 4000;
    state.LastRecv = 6000;
    state.LastDuration = 3600;
    state.TotalSent = 1;
    state.TotalRecv = 2;
    state.TotalDuration = 3;
    StoredSettings::SaveStats(Reg, state);

    EXPECT_EQ(Stored("stats", "TotalSent"), "4001");
    EXPECT_EQ(Stored("stats", "TotalRecv"), "6002");
    EXPECT_EQ(Stored("stats", "TotalDuration"), "3603");
    EXPECT_EQ(Stored("stats", "LastSent"), "4000");
    EXPECT_EQ(Stored("stats", "LastOffLine"), "Mon 07 Dec 2026 11:00:00");
    EXPECT_EQ(state.TotalSent, 1);

    MonitorState next;
    StoredSettings::LoadStats(Reg, next);
    EXPECT_EQ(next.TotalSent, 4001);
    EXPECT_EQ(next.LastConn, "eth0");
    EXPECT_EQ(next.LastDuration, 3600);
}

TEST_F(StoredValues, ShutdownWritesOptionsAsFlagsAndNumbersAsDecimalText)
{
    StoredSettings::TOptions options{};
    options[StoredSettings::Transparent] = true;
    StoredSettings::SaveOptions(Reg, options);
    MonitorState state;
    state.MaxGraph = 25600;
    state.SynchronizeTimeInterval = 4294968; // an out-of-range value read at start goes back unchanged
    state.SynchronizeTimeServer = "time.example";
    StoredSettings::SaveNumbers(Reg, state, 300);
    StoredSettings::SavePositions(Reg, {10, 20}, StoredSettings::TPosition{30, 40});

    const auto& option = Registry.Keys["software\\velmar software\\quorvel\\option"];
    EXPECT_EQ(option.at("transparent").Type, REG_DWORD);
    EXPECT_EQ(option.at("transparent").Data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(option.at("alwaysontop").Data, (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(option.at("maxgraph").Type, REG_SZ);
    EXPECT_EQ(Stored("option", "SynchronizeTimeInterval"), "4294968");
    EXPECT_EQ(Stored("option", "MonAlpha"), "300");
    EXPECT_EQ(Stored("option", "SynchronizeTimeServer"), "time.example");
    EXPECT_EQ(StoredSettings::LoadOptions(Reg), options);
    EXPECT_EQ(Registry.Keys["software\\velmar software\\quorvel\\position"].at("monleft").Data,
              (std::vector<uint8_t>{40, 0, 0, 0}));
}

namespace {

// Records the order of the writes that reach the store, as "key\value name".
class TWriteOrder final : public IRegistry {
public:
    explicit TWriteOrder(IRegistry& inner) : Inner(inner) {}
    std::vector<std::string> Writes;

    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path, bool create) override
    {
        auto key = Inner.OpenKey(path, create);
        if (!key) return nullptr;
        return std::make_unique<TKey>(std::move(key), path.substr(path.rfind('\\') + 1), Writes);
    }
    void BeginUpdate() override { Inner.BeginUpdate(); }
    bool EndUpdate() override { return Inner.EndUpdate(); }

private:
    class TKey final : public IRegistryKey {
    public:
        TKey(std::unique_ptr<IRegistryKey> inner, std::string section, std::vector<std::string>& writes)
            : Inner(std::move(inner)), Section(std::move(section)), Writes(writes)
        {
        }
        bool SetValue(const std::string& name, const TRegValue& value) override
        {
            Writes.push_back(Section + "\\" + name);
            return Inner->SetValue(name, value);
        }
        bool DeleteValue(const std::string& name) override { return Inner->DeleteValue(name); }
        std::optional<TRegValueInfo> QueryValue(const std::string& name) override { return Inner->QueryValue(name); }
        std::optional<TRegValue> ReadValue(const std::string& name) override { return Inner->ReadValue(name); }

    private:
        std::unique_ptr<IRegistryKey> Inner;
        std::string Section;
        std::vector<std::string>& Writes;
    };
    IRegistry& Inner;
};

class SavedAtExit : public StoredValues {
protected:
    TWriteOrder Order{Registry};
    TMyReg Recorded{Order};
    MonitorState State;
    StoredSettings::TClosingValues Values;
    bool StatsSaved = false;

    SavedAtExit()
    {
        Recorded.SetRegKey(StoredSettings::RegKey);
        Values.Main = {11, 12};
        Values.Monitor = StoredSettings::TMonitorWindow{{21, 22}, 200};
        Values.Options[StoredSettings::SaveLog] = true;
        State.SynchronizeTimeServer = "time.example";
    }
    std::exception_ptr Save(std::function<void()> saveStats = {})
    {
        return StoredSettings::SaveAtExit(Recorded, State, Values, [&] {
            StatsSaved = true;
            Recorded.WriteTextValue("Stats", "LastOffLine", "now");
            if (saveStats) saveStats();
        });
    }
};

} // namespace

TEST_F(SavedAtExit, WritesPositionsTheConnectionOptionsAndNumbersInOrderAsOneUpdate)
{
    State.Online = true;
    EXPECT_FALSE(Save());
    const std::vector<std::string> expected{"Position\\MainTop",
                                            "Position\\MainLeft",
                                            "Position\\MonTop",
                                            "Position\\MonLeft",
                                            "Stats\\LastOffLine",
                                            "Option\\AlwaysOnTop",
                                            "Option\\MinimizeToTray",
                                            "Option\\StartMinimized",
                                            "Option\\LoadOnStartup",
                                            "Option\\SaveLog",
                                            "Option\\SynchronizeTime",
                                            "Option\\ShowMonitor",
                                            "Option\\HideMonitor",
                                            "Option\\Transparent",
                                            "Option\\MaxGraph",
                                            "Option\\MinGraph",
                                            "Option\\SynchronizeTimeServer",
                                            "Option\\SynchronizeTimeInterval",
                                            "Option\\MonAlpha"};
    EXPECT_EQ(Order.Writes, expected);
    EXPECT_EQ(Registry.GroupsEnded, 1);
    EXPECT_EQ(Registry.WritesOutsideGroups, 0);
    EXPECT_EQ(Stored("option", "MonAlpha"), "200");
    EXPECT_TRUE(Reg.ReadFlagValue("Option", "SaveLog", false));
    EXPECT_EQ(Reg.ReadIntValue("Position", "MainLeft", 0), 12);
}

TEST_F(SavedAtExit, OfflineNoStatisticsAreWritten)
{
    EXPECT_FALSE(Save());
    EXPECT_FALSE(StatsSaved);
    EXPECT_EQ(Order.Writes.size(), 18u);
}

TEST_F(SavedAtExit, WithoutAMonitorWindowItsStoredValuesStay)
{
    Reg.WriteIntValue("Position", "MonTop", 77);
    Reg.WriteInt64Value("Option", "MonAlpha", 90);
    Values.Monitor.reset();
    Save();
    EXPECT_EQ(Reg.ReadIntValue("Position", "MonTop", 0), 77);
    EXPECT_EQ(Stored("option", "MonAlpha"), "90");
    EXPECT_EQ(Reg.ReadIntValue("Position", "MainTop", 0), 11);
}

TEST_F(SavedAtExit, AFailedHistoryIsReturnedAfterTheOptionsAndNumbersAreSaved)
{
    State.Online = true;
    const std::exception_ptr failure = Save([] { throw std::runtime_error("Disk full"); });
    ASSERT_TRUE(failure);
    EXPECT_THROW(std::rethrow_exception(failure), std::runtime_error);
    EXPECT_EQ(Order.Writes.back(), "Option\\MonAlpha");
    EXPECT_EQ(Stored("stats", "LastOffLine"), "now");
    EXPECT_EQ(Registry.GroupsEnded, 1);
}
