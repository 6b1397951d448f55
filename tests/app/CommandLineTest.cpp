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

} // namespace
