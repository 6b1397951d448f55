#pragma once

#include <cerrno>
#include <unistd.h>
#include <utility>

// Owns one socket descriptor. The only place where the engine closes a socket, so that an early return or a
// port that goes while active cannot leak one.
class TSocketHandle {
public:
    TSocketHandle() = default;
    explicit TSocketHandle(int fd) : Fd(fd) {}
    TSocketHandle(TSocketHandle&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    TSocketHandle& operator=(TSocketHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            Fd = std::exchange(other.Fd, -1);
        }
        return *this;
    }
    TSocketHandle(const TSocketHandle&) = delete;
    TSocketHandle& operator=(const TSocketHandle&) = delete;
    ~TSocketHandle() { Close(); }

    int Get() const { return Fd; }
    bool Valid() const { return Fd >= 0; }
    // Closes the socket now: 0, or the error number of the close. The descriptor is gone either way.
    int Close()
    {
        if (Fd < 0) return 0;
        return ::close(std::exchange(Fd, -1)) == 0 ? 0 : errno;
    }

private:
    int Fd = -1;
};
