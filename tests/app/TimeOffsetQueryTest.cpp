#include "app/TimeOffsetQuery.h"
#include "app/StoredSettings.h"

#include "doubles/TempFolder.h"
#include "platform/linux/FileRegistry.h"
#include "settings/MyReg.h"
#include "timeclient/engine/NetClock.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using TimeOffsetQuery::TMeasurement;

TEST(TimeOffsetQuery, AnNtpMeasurementIsPrintedInMicroseconds)
{
    EXPECT_EQ(TimeOffsetQuery::FormatLine({1'234'000, 456'000, "127.0.0.1", NETCLOCK_PROTOCOL_NTP}),
              "offset +0.001234 s, round trip 0.000456 s, server 127.0.0.1 (NTP)");
    EXPECT_EQ(TimeOffsetQuery::FormatLine({-2'000'000'500, 12'345'678'499, "10.0.0.5", NETCLOCK_PROTOCOL_NTP}),
              "offset -2.000001 s, round trip 12.345678 s, server 10.0.0.5 (NTP)")
        << "rounded to the nearest microsecond, halves away from zero";
    EXPECT_EQ(TimeOffsetQuery::FormatLine({0, 0, "10.0.0.5", NETCLOCK_PROTOCOL_NTP}),
              "offset +0.000000 s, round trip 0.000000 s, server 10.0.0.5 (NTP)");
}

TEST(TimeOffsetQuery, AnRfc868OffsetIsInWholeSecondsCountedFromTheMiddleOfTheAnswersSecond)
{
    // A clock in agreement sees the answer's second begin up to a second before the answer arrives.
    EXPECT_EQ(TimeOffsetQuery::FormatLine({-900'000'000, 1'500, "127.0.0.1", NETCLOCK_PROTOCOL_RFC868}),
              "offset +0 s, round trip 0.000002 s, server 127.0.0.1 (RFC 868)");
    EXPECT_EQ(TimeOffsetQuery::FormatLine({-100'000'000, 0, "127.0.0.1", NETCLOCK_PROTOCOL_RFC868}),
              "offset +0 s, round trip 0.000000 s, server 127.0.0.1 (RFC 868)");
    EXPECT_EQ(TimeOffsetQuery::FormatLine({99'400'000'000, 0, "127.0.0.1", NETCLOCK_PROTOCOL_RFC868}),
              "offset +100 s, round trip 0.000000 s, server 127.0.0.1 (RFC 868)");
    EXPECT_EQ(TimeOffsetQuery::FormatLine({-3'600'200'000'000, 0, "127.0.0.1", NETCLOCK_PROTOCOL_RFC868}),
              "offset -3600 s, round trip 0.000000 s, server 127.0.0.1 (RFC 868)");
}

TEST(TimeOffsetQuery, AServerIsAHostOrAHostAndAPort)
{
    const auto plain = TimeOffsetQuery::ParseServer("time.example");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Host, "time.example");
    EXPECT_FALSE(plain->Port);
    const auto withPort = TimeOffsetQuery::ParseServer("127.0.0.1:40123");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->Host, "127.0.0.1");
    EXPECT_EQ(withPort->Port, 40123);
    for (const char* wrong : {"", ":123", "host:", "host:0", "host:65536", "host:12a", "host:1234567"})
        EXPECT_FALSE(TimeOffsetQuery::ParseServer(wrong)) << wrong;
}

TEST(TimeOffsetQuery, ANamedServerIsAskedWithRfc868UnlessNtpIsChosenAndOtherwiseTheStoredChoiceHolds)
{
    const auto named = TimeOffsetQuery::Choose("127.0.0.1:4000", false, "pool.example", "NTP");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->Server.Host, "127.0.0.1");
    EXPECT_EQ(named->Protocol, NETCLOCK_PROTOCOL_RFC868) << "the stored protocol belongs to the stored server";
    EXPECT_EQ(TimeOffsetQuery::Choose("127.0.0.1", true, "pool.example", "RFC868")->Protocol, NETCLOCK_PROTOCOL_NTP);

    const auto stored = TimeOffsetQuery::Choose("", false, " pool.example ", " ntp ");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Server.Host, "pool.example");
    EXPECT_EQ(stored->Protocol, NETCLOCK_PROTOCOL_NTP);
    EXPECT_EQ(TimeOffsetQuery::Choose("", false, "time.example", "RFC868")->Protocol, NETCLOCK_PROTOCOL_RFC868);
    EXPECT_EQ(TimeOffsetQuery::Choose("", true, "time.example", "RFC868")->Protocol, NETCLOCK_PROTOCOL_NTP);
    EXPECT_FALSE(TimeOffsetQuery::Choose("", false, "", "RFC868"));
}

TEST(TimeOffsetQuery, TheStoredServerAndProtocolAreReadWithoutCreatingOrChangingTheSettingsFile)
{
    TTempFolder folder("time-offset-settings");
    const std::string path = folder.File("registry.reg");
    const auto fresh = TimeOffsetQuery::ChooseWithSettings(path, "", false);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->Server.Host, DefaultSynchronizeTimeServer);
    EXPECT_EQ(fresh->Protocol, NETCLOCK_PROTOCOL_RFC868);
    EXPECT_FALSE(std::filesystem::exists(path)) << "a query must not create the settings file";

    {
        TFileRegistry registry(path);
        TMyReg reg(registry);
        reg.SetRegKey(StoredSettings::RegKey);
        reg.WriteTextValue("Option", "SynchronizeTimeServer", "ntp.example:1123");
        reg.WriteTextValue("Option", "SynchronizeTimeProtocol", "NTP");
    }
    const auto modified = std::filesystem::last_write_time(path);
    const auto stored = TimeOffsetQuery::ChooseWithSettings(path, "", false);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Server.Host, "ntp.example");
    EXPECT_EQ(stored->Server.Port, 1123);
    EXPECT_EQ(stored->Protocol, NETCLOCK_PROTOCOL_NTP);
    EXPECT_EQ(std::filesystem::last_write_time(path), modified);
}

} // namespace
