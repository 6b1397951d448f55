#pragma once

#include "platform/IConsole.h"
#include "platform/IErrorReporter.h"

// Standard output, flushed per line so that a pipe or a journal sees each line at once.
class TStdoutConsole final : public IConsole {
public:
    void WriteLine(const std::string& line) override;
    void WriteError(const std::string& line) override;
};

// Used when a window shows everything the console would.
class TSilentConsole final : public IConsole {
public:
    void WriteLine(const std::string&) override {}
    void WriteError(const std::string& line) override;
};

class TStderrErrorReporter final : public IErrorReporter {
public:
    void ShowError(const std::string& message) override;
};
