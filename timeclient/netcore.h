#pragma once

#include "platform/Exceptions.h"

#include <cstdint>
#include <exception>
#include <string>

// The exception of the time client components: the engine's code and the message "<code>: <text>".
class ENetCore : public Exception {
public:
    ENetCore(int32_t code, const std::string& text);
    int32_t Code;
};

// The common base of the time client components. A failure reported by the engine becomes an exception
// of the component's own class, built by CreateException.
class TNetCore {
public:
    virtual ~TNetCore() = default;
    TNetCore(const TNetCore&) = delete;
    TNetCore& operator=(const TNetCore&) = delete;

protected:
    TNetCore() = default;
    // The exception for a code and its text, ready to be raised; a component returns its own class.
    virtual std::exception_ptr CreateException(int32_t code, const std::string& text) const;
};
