#include "SocketsLoader.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/socket.h>

namespace SocketsLoader {

namespace {

// Made on first use: the module's load routine runs before other globals of the library are made.
TState& Current()
{
    static TState state;
    return state;
}

std::string PathOfSocketFunctions()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&::socket), &info) && info.dli_fname) return info.dli_fname;
    return Current().LibraryPath;
}

} // namespace

void Reset() { Current() = TState{}; }

bool Acquire()
{
    if (++Current().References >= 1) {
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        Current().Description = "POSIX sockets (Windows Sockets 1.1 compatible)";
        Current().Status = "Running";
        Current().MaxSockets = files.rlim_cur > 32767 ? 32767 : static_cast<int32_t>(files.rlim_cur);
        Current().MaxDatagramSize = 65507; // the largest UDP payload over IPv4
        Current().LibraryPath = PathOfSocketFunctions();
    }
    return true;
}

void Release()
{
    if (Current().References == 0) return;
    --Current().References;
    // Each release cleans the library up, as the sockets library's own clean-up does.
    Current().Description.clear();
    Current().Status = "Down";
    Current().MaxSockets = 0;
    Current().MaxDatagramSize = 0;
}

const TState& State() { return Current(); }

} // namespace SocketsLoader
