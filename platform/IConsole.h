#pragma once

#include <string>

// Where the program reports what it does when no window can show it (no display).
class IConsole {
public:
    virtual ~IConsole() = default;
    virtual void WriteLine(const std::string& line) = 0;
    // A failure the user must hear of even with a window shown: standard error.
    virtual void WriteError(const std::string& line) = 0;
};
