#pragma once

#include <string>

// Shows the message of an exception that left an event handler; the program goes on afterwards.
class IErrorReporter {
public:
    virtual ~IErrorReporter() = default;
    virtual void ShowError(const std::string& message) = 0;
};
