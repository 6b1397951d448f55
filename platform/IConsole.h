#pragma once

#include <string>

// Where the program reports what it does when no window can show it (no display).
class IConsole {
public:
    virtual ~IConsole() = default;
    virtual void WriteLine(const std::string& line) = 0;
};
