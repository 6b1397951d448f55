#include "usage/UsageReport.h"
#include "usage/Sqlite.h"
#include "usage/UsageStore.h"

#include "doubles/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

constexpr int64_t KiB = 1024;

// The output's lines with the padding between fields taken out.
std::vector<std::string> Fields(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        std::istringstream words(line);
        std::string fields;
        for (std::string field; words >> field;)
            fields += (fields.empty() ? "" : " ") + field;
        lines.push_back(fields);
    }
    return lines;
}

class SmallUsageFile : public testing::Test {
protected:
    void SetUp() override
    {
        TUsageStore store(Path, {});
        store.Add("eth0", "2025-02-14", 1024 * KiB, 0, 60); // the period before, with billing day 15
        store.Add("eth0", "2025-03-01", 1536 * KiB, 512, 3600);
        store.Add("wlan0", "2025-03-01", 2 * KiB, KiB, 59);
        store.Add("eth0", "2025-03-02", KiB, 0, 3661);
        Request.Path = Path;
        Request.Today = *LocalDay::Parse("2025-03-02");
        Request.Billing = {15, 0, 80};
    }

    TTempFolder Folder{"usage-report"};
    std::string Path = Folder.File("usage.sqlite3");
    UsageReport::TRequest Request;
};

} // namespace

TEST_F(SmallUsageFile, TheTableListsTheNewestDaysAndTheCurrentPeriod)
{
    Request.Days = 2;
    const UsageReport::TOutcome outcome = UsageReport::Run(Request);
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_EQ(Fields(outcome.Output), (std::vector<std::string>{
                                          "Date Adapter Received Sent Online",
                                          "2025-03-02 eth0 1.00 KiB 0 B 01:01:01",
                                          "2025-03-01 eth0 1.50 MiB 512 B 01:00:00",
                                          "2025-03-01 wlan0 2.00 KiB 1.00 KiB 00:00:59",
                                          "Current period 2025-02-15 to 2025-03-14: 1.50 MiB (no cap set)",
                                      }));
    // Names to the left and figures to the right, so that the columns line up.
    std::istringstream lines(outcome.Output);
    std::string header, line;
    std::getline(lines, header);
    for (int row = 0; row < 3 && std::getline(lines, line); ++row) {
        EXPECT_EQ(line.size(), header.size()) << line;
        EXPECT_EQ(line.find_first_not_of(' ', 10), header.find("Adapter")) << line;
    }

    Request.Adapter = "wlan0";
    Request.Billing = {15, 4 * KiB, 70};
    Request.Units = Units::TUnits::SI;
    EXPECT_EQ(Fields(UsageReport::Run(Request).Output),
              (std::vector<std::string>{
                  "Date Adapter Received Sent Online", "2025-03-01 wlan0 2.05 kB 1.02 kB 00:00:59",
                  "Current period 2025-02-15 to 2025-03-14: 3.07 kB of 4.10 kB (75.0%), past the warning at 70%"}));
}

TEST_F(SmallUsageFile, MonthsSumTheBillingPeriodsNewestFirst)
{
    Request.Months = 2;
    Request.Json = true;
    EXPECT_EQ(UsageReport::Run(Request).Output,
              "[\n"
              "  {\"date\": \"2025-02-15\", \"adapter\": \"eth0\", \"received\": 1573888, \"sent\": 512, \"seconds\": "
              "7261},\n"
              "  {\"date\": \"2025-02-15\", \"adapter\": \"wlan0\", \"received\": 2048, \"sent\": 1024, \"seconds\": "
              "59},\n"
              "  {\"date\": \"2025-01-15\", \"adapter\": \"eth0\", \"received\": 1048576, \"sent\": 0, \"seconds\": "
              "60}\n"
              "]\n");
    Request.Json = false;
    Request.Months = 1;
    const std::vector<std::string> lines = Fields(UsageReport::Run(Request).Output);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Period Adapter Received Sent Online");
    EXPECT_EQ(lines[1], "2025-02-15 to 2025-03-14 eth0 1.50 MiB 512 B 02:01:01");
}

// An adapter name may hold any bytes: neither the table nor the JSON lets them steer the terminal.
TEST_F(SmallUsageFile, AdapterNamesAreEscapedInTheTableAndInJson)
{
    TUsageStore(Path, {}).Add("we\"ird\x1b[31m\xff", "2025-03-03", 1, 2, 3);
    Request.Days = 1;
    EXPECT_EQ(Fields(UsageReport::Run(Request).Output)[1], "2025-03-03 we\"ird\\x1b[31m\\xff 1 B 2 B 00:00:03");
    Request.Json = true;
    EXPECT_EQ(UsageReport::Run(Request).Output, "[\n  {\"date\": \"2025-03-03\", \"adapter\": \"we\\\"ird\\u001b[31m"
                                                "\\ufffd\", \"received\": 1, \"sent\": 2, \"seconds\": 3}\n]\n");
}

TEST_F(SmallUsageFile, TheFileIsReadWhileTheProgramWritesIt)
{
    TUsageStore store(Path, {});
    TSqliteDatabase writer(Path, SQLITE_OPEN_READWRITE);
    TSqliteTransaction uncommitted(writer);
    writer.Execute("INSERT INTO usage_day (adapter, day, received) VALUES ('eth0', '2025-03-09', 5)");
    Request.Days = 1;
    const UsageReport::TOutcome outcome = UsageReport::Run(Request);
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Error;
    EXPECT_EQ(Fields(outcome.Output)[1], "2025-03-02 eth0 1.00 KiB 0 B 01:01:01");
}

TEST_F(SmallUsageFile, WithoutAFileTheReportIsEmptyAndNothingIsMade)
{
    Request.Path = Folder.File("none/usage.sqlite3");
    const UsageReport::TOutcome table = UsageReport::Run(Request);
    EXPECT_EQ(table.ExitCode, 0);
    EXPECT_EQ(Fields(table.Output),
              (std::vector<std::string>{"Date Adapter Received Sent Online",
                                        "Current period 2025-02-15 to 2025-03-14: 0 B (no cap set)"}));
    Request.Json = true;
    Request.Months = 12;
    EXPECT_EQ(UsageReport::Run(Request).Output, "[]\n");
    EXPECT_FALSE(std::filesystem::exists(Folder.File("none")));
}

TEST_F(SmallUsageFile, ADamagedFileIsReportedAndLeftWhereItIs)
{
    std::filesystem::remove(Path);
    std::ofstream(Path) << "Online,Offline,Connection,Speed\n";
    const UsageReport::TOutcome outcome = UsageReport::Run(Request);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Output, "");
    EXPECT_NE(outcome.Error.find("is damaged (file is not a database)"), std::string::npos) << outcome.Error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path), {}), 1) << "nothing moved or added";
    EXPECT_EQ(std::filesystem::file_size(Path), 32u);

    std::filesystem::remove(Path);
    TSqliteDatabase(Path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute("PRAGMA user_version = 2");
    Request.Json = true;
    const UsageReport::TOutcome newer = UsageReport::Run(Request);
    EXPECT_EQ(newer.ExitCode, 1);
    EXPECT_NE(newer.Error.find("newer version"), std::string::npos) << newer.Error;
}
