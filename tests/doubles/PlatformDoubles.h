#pragma once

#include "platform/IClipboard.h"
#include "platform/IClock.h"
#include "platform/IConsole.h"
#include "platform/IErrorReporter.h"
#include "platform/PlatformServices.h"

#include <string>
#include <vector>

// A clock the test moves by hand.
class TFakeClock final : public IClock {
public:
    int64_t Tick = 1000;
    std::chrono::system_clock::time_point WallTime =
        std::chrono::system_clock::time_point{} + std::chrono::seconds(1796576400); // Sun 06 Dec 2026 17:00:00 UTC

    int64_t TickCount() override { return Tick; }
    std::chrono::system_clock::time_point Now() override { return WallTime; }
    void Advance(int64_t milliseconds)
    {
        Tick += milliseconds;
        WallTime += std::chrono::milliseconds(milliseconds);
    }
};

class TRecordingClipboard final : public IClipboard {
public:
    std::vector<std::string> Texts;
    void SetText(const std::string& text) override { Texts.push_back(text); }
};

class TRecordingConsole final : public IConsole {
public:
    std::vector<std::string> Lines;
    std::vector<std::string> Errors;
    void WriteLine(const std::string& line) override { Lines.push_back(line); }
    void WriteError(const std::string& line) override { Errors.push_back(line); }
};

class TRecordingErrorReporter final : public IErrorReporter {
public:
    std::vector<std::string> Messages;
    void ShowError(const std::string& message) override { Messages.push_back(message); }
};
