#include "CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace CommandLine {
namespace {

constexpr int BadArguments = 2;

std::string Usage()
{
    return "Usage: qorvix [--help] [--version]\n"
           "Quorvel watches the computer's network connection and shows its rates, bytes and duration.\n"
           "\n"
           "  -h, --help     show this help and end\n"
           "  -v, --version  show the version and end\n";
}

} // namespace

TParsed Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({"h", "help"}, "show this help and end");
    const QCommandLineOption version({"v", "version"}, "show the version and end");
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(arguments))
        return {TAction::Exit, BadArguments, {}, parser.errorText().toStdString() + "\n" + Usage()};
    if (!parser.positionalArguments().isEmpty())
        return {TAction::Exit,
                BadArguments,
                {},
                "Unexpected argument: " + parser.positionalArguments().first().toStdString() + "\n" + Usage()};
    if (parser.isSet(help)) return {TAction::Exit, 0, Usage(), {}};
    if (parser.isSet(version)) return {TAction::Exit, 0, std::string(VersionLine) + "\n", {}};
    return {};
}

} // namespace CommandLine
