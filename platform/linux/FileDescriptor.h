#pragma once

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>

// Owns one file descriptor; closes it when it goes.
class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int fd) : Fd(fd) {}
    TFileDescriptor(TFileDescriptor&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept
    {
        if (this != &other) Reset(std::exchange(other.Fd, -1));
        return *this;
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    ~TFileDescriptor() { Reset(); }

    int Get() const { return Fd; }
    bool Valid() const { return Fd >= 0; }
    // Gives up ownership without closing.
    int Release() { return std::exchange(Fd, -1); }
    void Reset(int fd = -1)
    {
        if (Fd >= 0) ::close(Fd);
        Fd = fd;
    }

private:
    int Fd = -1;
};

// Writes all of the text, going on after interruptions and short writes. 0, or the error number of the
// failed write; a write that takes nothing means the disk is full.
inline int WriteWhole(int fd, std::string_view text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        if (written == 0) return ENOSPC;
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

// Reads the file to its end, going on after interruptions. Nothing when a read failed.
inline std::optional<std::string> ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return text;
        text.append(buffer, static_cast<std::size_t>(got));
    }
}
