#include "ThreadResolver.h"

#include <QMetaObject>

#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

namespace {

// The numbers the time client's own lookups report, so that the status log reads the same either way.
constexpr int32_t HostNotFound = 11001;
constexpr int32_t TryAgain = 11002;
constexpr int32_t NoRecovery = 11003;
constexpr int32_t NoData = 11004;
constexpr int32_t NoBuffers = 10055;

} // namespace

// What a lookup thread shares with the resolver: the object to post the answer to, cleared when it goes.
struct TThreadResolver::TShared {
    std::mutex Lock;
    TThreadResolver* Owner = nullptr;
};

TThreadResolver::TThreadResolver() : Shared(std::make_shared<TShared>()) { Shared->Owner = this; }

TThreadResolver::~TThreadResolver()
{
    const std::lock_guard<std::mutex> held(Shared->Lock);
    Shared->Owner = nullptr;
}

int32_t TThreadResolver::ErrorNumber(int getaddrinfoResult)
{
    switch (getaddrinfoResult) {
    case 0: return 0;
    case EAI_NONAME: return HostNotFound;
    case EAI_AGAIN: return TryAgain;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return NoData;
    case EAI_MEMORY: return NoBuffers;
    default: return NoRecovery;
    }
}

void TThreadResolver::Resolve(const std::string& name)
{
    if (Running) {
        Next = name;
        return;
    }
    Start(name);
}

void TThreadResolver::Start(const std::string& name)
{
    Running = true;
    std::thread([shared = Shared, name] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* found = nullptr;
        const int result = getaddrinfo(name.c_str(), nullptr, &hints, &found);
        std::string address;
        if (result == 0 && found) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
            address = text;
        }
        if (found) freeaddrinfo(found);
        const int32_t error = address.empty() ? (result == 0 ? HostNotFound : ErrorNumber(result)) : 0;
        const std::lock_guard<std::mutex> held(shared->Lock);
        if (TThreadResolver* owner = shared->Owner)
            QMetaObject::invokeMethod(
                owner, [owner, name, address, error] { owner->Answered(name, address, error); }, Qt::QueuedConnection);
    }).detach();
}

void TThreadResolver::Answered(const std::string& name, const std::string& address, int32_t errorCode)
{
    Running = false;
    if (Next) {
        const std::string next = *Next;
        Next.reset();
        Start(next); // the newer request stands; this answer is for a name nobody wants any more
        return;
    }
    if (Handler) Handler(name, address, errorCode);
}
