#include "SettingsFile.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>

namespace SettingsFile {

namespace {

std::string Folder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool MakeFolders(const std::string& file)
{
    for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
        if (mkdir(file.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// The settings folder may have been made by hand or by another tool with a wider mode: the totals and the
// temporary files beside them are the user's own business.
void MakePrivate(const std::string& folder)
{
    struct stat status {};
    if (stat(folder.c_str(), &status) == 0 && status.st_uid == geteuid() && (status.st_mode & 07777) != 0700)
        chmod(folder.c_str(), 0700); // a folder that will not change keeps working as it is
}

constexpr std::string_view TemporarySuffix = ".new-XXXXXX";

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
    bool RenameTo(const std::string& path)
    {
        if (close(File.Release()) != 0) return false;
        Renamed = rename(Name.c_str(), path.c_str()) == 0;
        return Renamed;
    }

private:
    std::string Name;
    TFileDescriptor File;
    bool Created = false;
    bool Renamed = false;
};

std::string TooLarge(std::size_t limit) { return "larger than " + std::to_string(limit / (1024 * 1024)) + " MiB"; }

} // namespace

TContents Load(const std::string& path, std::size_t limit)
{
    // Without blocking, so that a pipe put in the file's place cannot hold the program.
    TFileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.Valid()) return {std::nullopt, errno == ENOENT ? std::string() : std::strerror(errno)};
    struct stat status {};
    if (fstat(file.Get(), &status) != 0) return {std::nullopt, std::strerror(errno)};
    if (!S_ISREG(status.st_mode)) return {std::nullopt, "not a regular file"};
    if (static_cast<uint64_t>(status.st_size) > limit) return {std::nullopt, TooLarge(limit)};
    std::string text;
    text.reserve(static_cast<std::size_t>(status.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(file.Get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {std::nullopt, std::strerror(errno)};
        if (got == 0) break;
        // The file may grow while it is read.
        if (text.size() + static_cast<std::size_t>(got) > limit) return {std::nullopt, TooLarge(limit)};
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return {std::move(text), {}};
}

bool Replace(const std::string& path, const std::string& text)
{
    const std::string folder = Folder(path);
    if (!MakeFolders(path)) return false;
    MakePrivate(folder);
    TTemporaryFile temporary(path);
    if (!temporary.Valid() || !WriteAll(temporary.Fd(), text) || fsync(temporary.Fd()) != 0 ||
        !temporary.RenameTo(path))
        return false;
    // The rename itself reaches the disk with the folder.
    TFileDescriptor directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid()) fsync(directory.Get());
    return true;
}

void RemoveLeftovers(const std::string& path)
{
    const std::filesystem::path file(path);
    const std::string prefix = file.filename().string() + std::string(TemporarySuffix.substr(0, 5));
    std::error_code error;
    std::filesystem::directory_iterator entries(file.has_parent_path() ? file.parent_path() : ".", error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        std::error_code ignored;
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) && entries->is_regular_file(ignored))
            std::filesystem::remove(entries->path(), ignored);
    }
}

} // namespace SettingsFile
