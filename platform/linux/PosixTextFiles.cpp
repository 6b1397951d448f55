#include "PosixTextFiles.h"

#include "FileDescriptor.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

class TPosixTextFile final : public ITextFile {
public:
    TPosixTextFile(TFileDescriptor file, std::string createdPath)
        : File(std::move(file)), CreatedPath(std::move(createdPath))
    {
    }

    void WriteLine(const std::string& line) override { Pending += line + "\r\n"; }

    // The lines reach the disk here, so a finished connection's record survives a power cut. They go out in
    // one write; when the disk is full, the part that got through is cut off again, so that the file never
    // keeps half a line for the next one to be glued to.
    void Flush() override
    {
        struct stat before {};
        if (fstat(File.Get(), &before) != 0) throw EInOutError(errno);
        const int failure = WriteAll();
        if (failure != 0) {
            Undo(before.st_size);
            throw EInOutError(failure);
        }
        Pending.clear();
        CreatedPath.clear(); // the file has its first lines: from now on it is an existing file
    }

    void Close() override
    {
        const int fd = File.Release();
        // The descriptor is gone whatever close answers; its answer still matters to the caller.
        if (fd >= 0 && close(fd) != 0 && errno != EINTR) throw EInOutError(errno);
    }

private:
    // 0, or the error number of the failure.
    int WriteAll()
    {
        if (const int error = WriteWhole(File.Get(), Pending)) return error;
        if (fdatasync(File.Get()) != 0 && errno != EINVAL) return errno;
        return 0;
    }

    // A file created for these lines goes again, so that the next attempt creates it with its header;
    // an existing one is cut back to its length before them.
    void Undo(off_t length)
    {
        if (!CreatedPath.empty()) {
            unlink(CreatedPath.c_str());
            return;
        }
        while (ftruncate(File.Get(), length) != 0 && errno == EINTR) {
        }
    }

    TFileDescriptor File;
    std::string CreatedPath; // set until the first lines of a file created here are written
    std::string Pending;
};

// Not blocking, so that a FIFO without a reader is refused at once instead of holding the window until one
// comes; anything that is not a regular file is refused as a device would be. A link in the file's place is
// refused (ELOOP) rather than followed, and another user's file is not ours to append to: either would let
// someone else choose what the history is written into. The history is the user's alone.
TFileDescriptor OpenRegular(const std::string& path, int flags)
{
    TFileDescriptor file(
        open(path.c_str(), flags | O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, S_IRUSR | S_IWUSR));
    if (!file.Valid()) throw EInOutError(errno);
    struct stat info {};
    if (fstat(file.Get(), &info) != 0) throw EInOutError(errno);
    if (!S_ISREG(info.st_mode)) throw EInOutError(ENXIO);
    if (info.st_uid != geteuid()) throw EInOutError(EACCES);
    return file;
}

} // namespace

TPosixTextFiles::TPosixTextFiles(TEnvironment environment) : Environment(std::move(environment)) {}

bool TPosixTextFiles::FileExists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

std::unique_ptr<ITextFile> TPosixTextFiles::Create(const std::string& path)
{
    // Exclusive: a file that appeared since the caller looked is never emptied.
    return std::make_unique<TPosixTextFile>(OpenRegular(path, O_CREAT | O_EXCL), path);
}

std::unique_ptr<ITextFile> TPosixTextFiles::OpenForAppend(const std::string& path)
{
    return std::make_unique<TPosixTextFile>(OpenRegular(path, O_APPEND), std::string());
}

bool TPosixTextFiles::FolderWritable(const std::string& folder) { return access(folder.c_str(), W_OK | X_OK) == 0; }

std::string TPosixTextFiles::UserDataFolder() { return XdgPaths::DataHome(Environment); }

void TPosixTextFiles::CreateFolder(const std::string& folder)
{
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) throw EInOutError(errno);
        if (end == std::string::npos) break;
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) throw EInOutError(errno);
    if (!S_ISDIR(info.st_mode)) throw EInOutError(ENOTDIR);
}
