#include "StdConsole.h"

#include <cstdio>

void TStdoutConsole::WriteLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void TStderrErrorReporter::ShowError(const std::string& message)
{
    std::fprintf(stderr, "Quorvel: %s\n", message.c_str());
    std::fflush(stderr);
}

namespace {

void WriteToStandardError(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

} // namespace

void TStdoutConsole::WriteError(const std::string& line) { WriteToStandardError(line); }

void TSilentConsole::WriteError(const std::string& line) { WriteToStandardError(line); }
