#include "CommandLine.h"

#include "TimeOffsetQuery.h"

#include "netinfo/AdapterChoice.h"
#include "platform/linux/PrintableText.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace CommandLine {
namespace {

constexpr int BadArguments = 2;

std::string Usage()
{
    return "Usage: qorvix [--help] [--version] [--adapter CHOICE] [--info] [--list-adapters]\n"
           "              [--usage [--days N | --months N] [--json]] [--time-offset [--ntp] [SERVER]]\n"
           "Quorvel watches the computer's network connection and shows its rates, bytes and duration.\n"
           "\n"
           "  -h, --help     show this help and end\n"
           "  -v, --version  show the version and end\n"
           "  --adapter CHOICE  watch this adapter for this run, without storing the choice: default-route (the\n"
           "                 one the default route leaves through), all-physical (the sum of the hardware\n"
           "                 adapters), or an interface name; by default the stored choice (the first\n"
           "                 Ethernet adapter unless chosen otherwise in the menu)\n"
           "  --info         print the network information of the chosen adapter and end; with no such\n"
           "                 adapter print N/A and end with 1\n"
           "  --list-adapters  print every adapter: name, kind, state and addresses, and end\n"
           "  --usage        print the usage of the last 30 days that have figures, newest first, with the\n"
           "                 current billing period against the cap, and end; --days N for N days,\n"
           "                 --months N for N billing periods, --json for a JSON array, --adapter NAME for one\n"
           "                 adapter's figures\n"
           "  --time-offset  ask the time server once how far this computer's clock is off, print it and end;\n"
           "                 the clock is not set. SERVER is HOST or HOST:PORT, by default the stored server\n"
           "                 and protocol. No answer within " +
           std::to_string(TimeOffsetQuery::TimeoutSeconds) +
           " seconds, or an invalid one, ends with 1.\n"
           "  --ntp          with --time-offset: ask with NTP (port 123 unless SERVER names one); without it\n"
           "                 a SERVER given is asked with RFC 868 (port 37)\n";
}

TParsed Exit(int exitCode, std::string output, std::string error)
{
    TParsed parsed;
    parsed.Action = TAction::Exit;
    parsed.ExitCode = exitCode;
    parsed.Output = std::move(output);
    parsed.Error = std::move(error);
    return parsed;
}

TParsed BadUsage(const std::string& reason) { return Exit(BadArguments, {}, reason + "\n" + Usage()); }

// A count of days or periods: a whole number from 1 to ten years' worth.
std::optional<int> Count(const QString& text)
{
    bool number = false;
    const int count = text.toInt(&number);
    if (!number || count < 1 || count > 3660) return std::nullopt;
    return count;
}

TParsed UsageRequest(const QCommandLineParser& parser, const QCommandLineOption& adapter,
                     const QCommandLineOption& days, const QCommandLineOption& months, const QCommandLineOption& json)
{
    if (parser.isSet(days) && parser.isSet(months)) return BadUsage("--days and --months go one at a time");
    TParsed parsed;
    parsed.Action = TAction::Usage;
    parsed.Json = parser.isSet(json);
    if (parser.isSet(adapter)) parsed.Adapter = parser.value(adapter).toStdString();
    for (const QCommandLineOption* option : {&days, &months}) {
        if (!parser.isSet(*option)) continue;
        const std::optional<int> count = Count(parser.value(*option));
        if (!count)
            return BadUsage("Not a count: \"" + PrintableText::Escaped(parser.value(*option).toStdString()) +
                            "\" (1 to 3660)");
        if (option == &days) parsed.Days = *count;
        if (option == &months) parsed.Months = *count;
    }
    return parsed;
}

} // namespace

TParsed Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({"h", "help"}, "show this help and end");
    const QCommandLineOption version({"v", "version"}, "show the version and end");
    const QCommandLineOption timeOffset("time-offset", "ask the time server once and print the offset");
    const QCommandLineOption ntp("ntp", "with --time-offset: ask with NTP");
    const QCommandLineOption adapter("adapter", "watch this adapter for this run", "CHOICE");
    const QCommandLineOption info("info", "print the network information and end");
    const QCommandLineOption listAdapters("list-adapters", "print every adapter and end");
    const QCommandLineOption usage("usage", "print the stored usage and end");
    const QCommandLineOption days("days", "with --usage: this many days", "N");
    const QCommandLineOption months("months", "with --usage: this many billing periods", "N");
    const QCommandLineOption json("json", "with --usage: a JSON array");
    for (const QCommandLineOption* option :
         {&help, &version, &timeOffset, &ntp, &adapter, &info, &listAdapters, &usage, &days, &months, &json})
        parser.addOption(*option);
    if (!parser.parse(arguments)) return BadUsage(parser.errorText().toStdString());
    const QStringList positional = parser.positionalArguments();
    const int serversAllowed = parser.isSet(timeOffset) ? 1 : 0;
    if (positional.size() > serversAllowed)
        return BadUsage("Unexpected argument: " + positional.at(serversAllowed).toStdString());
    if (parser.isSet(help)) return Exit(0, Usage(), {});
    if (parser.isSet(version)) return Exit(0, std::string(VersionLine) + "\n", {});
    if (parser.isSet(ntp) && !parser.isSet(timeOffset)) return BadUsage("--ntp belongs to --time-offset");
    const int actions = int(parser.isSet(timeOffset)) + int(parser.isSet(info)) + int(parser.isSet(listAdapters)) +
                        int(parser.isSet(usage));
    if (actions > 1) return BadUsage("--time-offset, --info, --list-adapters and --usage go one at a time");
    if (!parser.isSet(usage) && (parser.isSet(days) || parser.isSet(months) || parser.isSet(json)))
        return BadUsage("--days, --months and --json belong to --usage");
    if (parser.isSet(usage)) return UsageRequest(parser, adapter, days, months, json);
    if (parser.isSet(adapter) && (parser.isSet(timeOffset) || parser.isSet(listAdapters)))
        return BadUsage("--adapter belongs to a run or to --info");
    if (parser.isSet(listAdapters)) {
        TParsed parsed;
        parsed.Action = TAction::ListAdapters;
        return parsed;
    }
    if (!parser.isSet(timeOffset)) {
        TParsed parsed;
        parsed.Action = parser.isSet(info) ? TAction::Info : TAction::Run;
        if (!parser.isSet(adapter)) return parsed;
        parsed.Adapter = parser.value(adapter).toStdString();
        if (!ParseAdapterChoice(*parsed.Adapter).Problem.empty())
            return BadUsage("Not an adapter: \"" + PrintableText::Escaped(*parsed.Adapter) +
                            "\" (default-route, all-physical or an interface name)");
        return parsed;
    }
    TParsed parsed;
    parsed.Action = TAction::TimeOffset;
    if (!positional.isEmpty()) parsed.Server = positional.first().toStdString();
    if (!positional.isEmpty() && !TimeOffsetQuery::ParseServer(parsed.Server))
        return BadUsage("Not a server: \"" + parsed.Server + "\" (HOST or HOST:PORT, the port 1 to 65535)");
    parsed.Ntp = parser.isSet(ntp);
    return parsed;
}

} // namespace CommandLine
