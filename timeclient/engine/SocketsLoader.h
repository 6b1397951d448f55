#pragma once

#include <cstdint>
#include <string>

// The process's hold on the sockets library, counted per port. On this platform the sockets are part of
// the C library, so acquiring never fails; the state texts keep their meaning for the engine's callers.
namespace SocketsLoader {

struct TState {
    int References = 0;
    std::string Description;     // "WinsockInfo"
    std::string Status = "Down"; // "WinsockStatus"
    int32_t MaxSockets = 0;
    int32_t MaxDatagramSize = 0;
    std::string LibraryPath = "WSOCK32.DLL"; // "WinsockPath": the file name until the library is loaded
};

// Resets the state at module load.
void Reset();
// True when the port now holds the library.
bool Acquire();
void Release();
const TState& State();

} // namespace SocketsLoader
