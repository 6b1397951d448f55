#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

CommandLine::TParsed Parse(const QStringList& options) { return CommandLine::Parse(QStringList{"qorvix"} + options); }

TEST(CommandLine, NoArgumentsRunTheProgram)
{
    const CommandLine::TParsed parsed = Parse({});
    EXPECT_EQ(parsed.Action, CommandLine::TAction::Run);
    EXPECT_TRUE(parsed.Output.empty() && parsed.Error.empty());
}

TEST(CommandLine, HelpAndVersionAnswerOnStandardOutputAndEnd)
{
    for (const char* help : {"--help", "-h"}) {
        const CommandLine::TParsed parsed = Parse({help});
        EXPECT_EQ(parsed.Action, CommandLine::TAction::Exit);
        EXPECT_EQ(parsed.ExitCode, 0);
        EXPECT_TRUE(parsed.Output.starts_with("Usage: qorvix")) << parsed.Output;
        EXPECT_TRUE(parsed.Error.empty());
    }
    const CommandLine::TParsed version = Parse({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Output, "Quorvel v1.0.0.04\n");
}

TEST(CommandLine, AnUnknownOptionOrAStrayArgumentEndsWithTwoAndTheUsageOnStandardError)
{
    for (const QStringList& wrong : {QStringList{"--frobnicate"}, QStringList{"eth0"}, QStringList{"-x", "--help"}}) {
        const CommandLine::TParsed parsed = Parse(wrong);
        EXPECT_EQ(parsed.Action, CommandLine::TAction::Exit) << wrong.join(' ').toStdString();
        EXPECT_EQ(parsed.ExitCode, 2);
        EXPECT_TRUE(parsed.Output.empty());
        EXPECT_NE(parsed.Error.find("Usage: qorvix"), std::string::npos) << parsed.Error;
    }
    EXPECT_NE(Parse({"--frobnicate"}).Error.find("frobnicate"), std::string::npos) << "names what was wrong";
}

TEST(CommandLine, TimeOffsetAsksTheStoredServerOrTheOneNamedWithTheProtocolChosen)
{
    const CommandLine::TParsed stored = Parse({"--time-offset"});
    EXPECT_EQ(stored.Action, CommandLine::TAction::TimeOffset);
    EXPECT_EQ(stored.Server, "");
    EXPECT_FALSE(stored.Ntp);
    const CommandLine::TParsed named = Parse({"--time-offset", "--ntp", "127.0.0.1:12345"});
    EXPECT_EQ(named.Action, CommandLine::TAction::TimeOffset);
    EXPECT_EQ(named.Server, "127.0.0.1:12345");
    EXPECT_TRUE(named.Ntp);
    EXPECT_EQ(Parse({"time.example", "--time-offset"}).Server, "time.example") << "the server may come first";
}

TEST(CommandLine, NtpWithoutTimeOffsetOrTwoServersEndWithTwoAndTheUsage)
{
    for (const QStringList& wrong :
         {QStringList{"--ntp"}, QStringList{"--ntp", "time.example"},
          QStringList{"--time-offset", "one.example", "two.example"}, QStringList{"--time-offset", ""}}) {
        const CommandLine::TParsed parsed = Parse(wrong);
        EXPECT_EQ(parsed.Action, CommandLine::TAction::Exit) << wrong.join(' ').toStdString();
        EXPECT_EQ(parsed.ExitCode, 2) << wrong.join(' ').toStdString();
        EXPECT_NE(parsed.Error.find("Usage: qorvix"), std::string::npos) << parsed.Error;
    }
    EXPECT_NE(Parse({"--time-offset", "a", "b"}).Error.find("Unexpected argument: b"), std::string::npos);
}

TEST(CommandLine, TheHelpNamesTheTimeOffsetQueryAndItsTimeOut)
{
    const std::string help = Parse({"--help"}).Output;
    EXPECT_NE(help.find("[--time-offset [--ntp] [SERVER]]"), std::string::npos) << help;
    EXPECT_NE(help.find("within 5 seconds"), std::string::npos) << help;
}

} // namespace

namespace {

TEST(CommandLine, AnAdapterChoiceGoesToTheRunOrToInfoAndIsCheckedFirst)
{
    const CommandLine::TParsed run = Parse({"--adapter", "wlan0"});
    EXPECT_EQ(run.Action, CommandLine::TAction::Run);
    EXPECT_EQ(run.Adapter, "wlan0");
    EXPECT_EQ(Parse({}).Adapter, std::nullopt) << "the stored choice";
    const CommandLine::TParsed info = Parse({"--info", "--adapter", "default-route"});
    EXPECT_EQ(info.Action, CommandLine::TAction::Info);
    EXPECT_EQ(info.Adapter, "default-route");
    EXPECT_EQ(Parse({"--list-adapters"}).Action, CommandLine::TAction::ListAdapters);

    for (const QStringList& wrong : {QStringList{"--adapter", "a/b"}, QStringList{"--adapter", "sixteen-chars-xx"},
                                     QStringList{"--adapter", "eth0", "--list-adapters"},
                                     QStringList{"--info", "--time-offset"}, QStringList{"--adapter"}}) {
        const CommandLine::TParsed parsed = Parse(wrong);
        EXPECT_EQ(parsed.Action, CommandLine::TAction::Exit) << wrong.join(' ').toStdString();
        EXPECT_EQ(parsed.ExitCode, 2) << wrong.join(' ').toStdString();
    }
    EXPECT_NE(Parse({"--adapter", "a\x1b]0;x"}).Error.find("\\x1b"), std::string::npos) << "printed escaped";
}

} // namespace

namespace {

TEST(CommandLine, UsageTakesItsCountsAndFormAndRefusesWhatDoesNotBelong)
{
    const CommandLine::TParsed plain = Parse({"--usage"});
    EXPECT_EQ(plain.Action, CommandLine::TAction::Usage);
    EXPECT_EQ(plain.Days, 30);
    EXPECT_EQ(plain.Months, std::nullopt);
    const CommandLine::TParsed months = Parse({"--usage", "--months", "12", "--json", "--adapter", "wlan0"});
    EXPECT_EQ(months.Months, 12);
    EXPECT_TRUE(months.Json);
    EXPECT_EQ(months.Adapter, "wlan0");
    EXPECT_EQ(Parse({"--usage", "--days", "7"}).Days, 7);
    for (const QStringList& wrong : {QStringList{"--usage", "--days", "0"}, QStringList{"--usage", "--days", "x"},
                                     QStringList{"--usage", "--days", "3", "--months", "2"}, QStringList{"--json"},
                                     QStringList{"--days", "3"}, QStringList{"--usage", "--info"}}) {
        EXPECT_EQ(Parse(wrong).ExitCode, 2) << wrong.join(' ').toStdString();
        EXPECT_EQ(Parse(wrong).Action, CommandLine::TAction::Exit) << wrong.join(' ').toStdString();
    }
}

} // namespace
