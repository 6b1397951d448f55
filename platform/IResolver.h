#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Looks a host name up without holding the caller: the answer comes later, on the user-interface thread.
// A name server that never answers therefore costs nothing but the answer.
class IResolver {
public:
    // The name asked for, its first IPv4 address in dotted form (empty on failure), and 0 or the failure
    // as a Windows Sockets number: 11001 host not found, 11002 try again later, 11003 no recovery, 11004
    // no address for the name.
    using TAnswer = std::function<void(const std::string& name, const std::string& address, int32_t errorCode)>;

    virtual ~IResolver() = default;
    virtual void SetAnswerHandler(TAnswer handler) = 0;
    // One lookup runs at a time: a request made while one runs is looked up after it, and the answer of the
    // one it replaced is dropped. Nothing waits for a lookup that is still running when the resolver goes.
    virtual void Resolve(const std::string& name) = 0;
    virtual bool Busy() const = 0;
};
