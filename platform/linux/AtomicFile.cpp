#include "AtomicFile.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace AtomicFile {

namespace {

// The new file is named after the target, so that a leftover is known as one and cleared away.
constexpr std::string_view TemporarySuffix = ".new-XXXXXX";
constexpr std::size_t UniquePartLength = 6;

std::string Folder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A link in the file's place is replaced like anything else there and lends the new file nothing: the mode
// of whatever it points to is not this file's business.
mode_t ModeFor(const std::string& path, mode_t newMode)
{
    struct stat status {};
    if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) return status.st_mode & 07777;
    return newMode;
}

// A new file under a unique name; removed again unless it was renamed into place.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& path) : Name(path + std::string(TemporarySuffix))
    {
        // Made exclusively and without following a link, so nothing planted under the name is written through.
        File.Reset(mkostemp(Name.data(), O_CLOEXEC | O_NOFOLLOW));
        Created = File.Valid();
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;
    ~TTemporaryFile()
    {
        if (Created && !Renamed) unlink(Name.c_str());
    }
    bool Valid() const { return File.Valid(); }
    int Fd() const { return File.Get(); }
    // 0, or the error number of the close or the rename.
    int RenameTo(const std::string& path)
    {
        // A file system that writes back late (NFS) reports a failed write only at the close.
        if (close(File.Release()) != 0 && errno != EINTR) return errno;
        if (rename(Name.c_str(), path.c_str()) != 0) return errno;
        Renamed = true;
        return 0;
    }

private:
    std::string Name;
    TFileDescriptor File;
    bool Created = false;
    bool Renamed = false;
};

} // namespace

TResult Failed(int error) { return {false, error, std::strerror(error)}; }

TResult Replace(const std::string& path, std::string_view text, mode_t newMode)
{
    const mode_t mode = ModeFor(path, newMode);
    TTemporaryFile temporary(path);
    if (!temporary.Valid()) return Failed(errno);
    if (const int error = WriteWhole(temporary.Fd(), text)) return Failed(error);
    // Before the flush, so that the mode reaches the disk with the contents.
    if (fchmod(temporary.Fd(), mode) != 0 || fsync(temporary.Fd()) != 0) return Failed(errno);
    if (const int error = temporary.RenameTo(path)) return Failed(error);
    // The rename itself reaches the disk with the folder. The file is in place by now, so a folder that
    // cannot be flushed does not undo the replacement.
    const TFileDescriptor directory(open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid()) fsync(directory.Get());
    return {true, 0, {}};
}

void RemoveLeftovers(const std::string& path)
{
    const std::filesystem::path file(path);
    const std::string prefix =
        file.filename().string() + std::string(TemporarySuffix.substr(0, TemporarySuffix.size() - UniquePartLength));
    std::error_code error;
    std::filesystem::directory_iterator entries(file.has_parent_path() ? file.parent_path() : ".", error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        std::error_code ignored;
        if (name.size() == prefix.size() + UniquePartLength && name.starts_with(prefix) &&
            entries->is_regular_file(ignored))
            std::filesystem::remove(entries->path(), ignored);
    }
}

} // namespace AtomicFile
