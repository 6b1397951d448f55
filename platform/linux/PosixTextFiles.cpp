#include "PosixTextFiles.h"

#include "FileDescriptor.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

class TPosixTextFile final : public ITextFile {
public:
    explicit TPosixTextFile(int fd) : File(fd) {}

    void WriteLine(const std::string& line) override { Pending += line + "\r\n"; }

    // The lines reach the disk here, so a finished connection's record survives a power cut.
    void Flush() override
    {
        std::size_t done = 0;
        while (done < Pending.size()) {
            const ssize_t written = write(File.Get(), Pending.data() + done, Pending.size() - done);
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) throw EInOutError(errno);
            if (written == 0) throw EInOutError(ENOSPC);
            done += static_cast<std::size_t>(written);
        }
        Pending.clear();
        if (fdatasync(File.Get()) != 0 && errno != EINVAL) throw EInOutError(errno);
    }

    void Close() override
    {
        const int fd = File.Release();
        // The descriptor is gone whatever close answers; its answer still matters to the caller.
        if (fd >= 0 && close(fd) != 0 && errno != EINTR) throw EInOutError(errno);
    }

private:
    TFileDescriptor File;
    std::string Pending;
};

std::unique_ptr<ITextFile> Open(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) throw EInOutError(errno);
    return std::make_unique<TPosixTextFile>(fd);
}

} // namespace

bool TPosixTextFiles::FileExists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

std::unique_ptr<ITextFile> TPosixTextFiles::Create(const std::string& path) { return Open(path, O_CREAT | O_TRUNC); }

std::unique_ptr<ITextFile> TPosixTextFiles::OpenForAppend(const std::string& path) { return Open(path, O_APPEND); }
