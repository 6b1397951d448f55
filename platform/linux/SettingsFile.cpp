#include "SettingsFile.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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
// temporary files beside them are the user's own business. Only narrowed: the owner's bits stay as the user
// set them, so a folder made read-only to keep the settings as they are stays so.
void MakePrivate(const std::string& folder)
{
    struct stat status {};
    if (stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
        (status.st_mode & 077) != 0)
        chmod(folder.c_str(), status.st_mode & 0700); // a folder that will not change keeps working as it is
}

std::string TooLarge(std::size_t limit) { return "larger than " + std::to_string(limit / (1024 * 1024)) + " MiB"; }

} // namespace

TContents Load(const std::string& path, std::size_t limit)
{
    // Without blocking, so that a pipe put in the file's place cannot hold the program. Not through a link:
    // one planted in the file's place would have us echo and copy a file the user could not read otherwise.
    TFileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY));
    if (!file.Valid()) {
        const int error = errno;
        if (error == ENOENT) return {};
        struct stat link {};
        if (error == ELOOP && lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            return {std::nullopt, "a symbolic link"};
        return {std::nullopt, std::strerror(error)};
    }
    struct stat status {};
    if (fstat(file.Get(), &status) != 0) return {std::nullopt, std::strerror(errno)};
    if (!S_ISREG(status.st_mode)) return {std::nullopt, "not a regular file"};
    // Another user's file (root running on a user's settings, or one planted) is not ours to take or replace.
    if (status.st_uid != geteuid()) return {std::nullopt, "not owned by you"};
    if (static_cast<uint64_t>(status.st_size) > limit) return {std::nullopt, TooLarge(limit), true};
    std::string text;
    text.reserve(static_cast<std::size_t>(status.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(file.Get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {std::nullopt, std::strerror(errno)};
        if (got == 0) break;
        // The file may grow while it is read.
        if (text.size() + static_cast<std::size_t>(got) > limit) return {std::nullopt, TooLarge(limit), true};
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return {std::move(text), {}};
}

AtomicFile::TResult Replace(const std::string& path, const std::string& text)
{
    if (!MakeFolders(path)) return AtomicFile::Failed(errno);
    MakePrivate(Folder(path));
    return AtomicFile::Replace(path, text);
}

} // namespace SettingsFile
