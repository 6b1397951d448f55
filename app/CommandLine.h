#pragma once

#include <QStringList>

#include <optional>
#include <string>

// The program's command line. Every option that answers and ends (help, version, an error) is handled
// here before anything else starts: no display, no single-instance lock, no settings touched.
namespace CommandLine {

// The line the status log starts with and --version prints.
inline constexpr const char* VersionLine = "Quorvel v1.0.0.04";

// TimeOffset: ask the time server once and print the clock's offset; Info: print the network information
// of the chosen adapter; ListAdapters: print every adapter; Usage: print the stored usage. These run with no
// display and no lock.
enum class TAction { Run, Exit, TimeOffset, Info, ListAdapters, Usage };

struct TParsed {
    TAction Action = TAction::Run;
    int ExitCode = 0;   // with Exit: 0 done, 2 bad arguments
    std::string Output; // for standard output
    std::string Error;  // for standard error
    // With TimeOffset: HOST or HOST:PORT, empty for the stored server; Ntp forces NTP over the stored protocol.
    std::string Server;
    bool Ntp = false;
    // With Run and Info: the adapter choice given for this run (never stored); nothing for the stored one.
    // With Usage: only that adapter's figures.
    std::optional<std::string> Adapter;
    // With Usage: how many days, or billing periods with Months; JSON instead of the table.
    int Days = 30;
    std::optional<int> Months;
    bool Json = false;
};

// The arguments as the program received them, the program's own name first.
TParsed Parse(const QStringList& arguments);

} // namespace CommandLine
