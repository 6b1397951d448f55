#include "InstanceLock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>

namespace {

constexpr const char* LockName = "VelmarQuorvel.lock";

std::string ErrorText(const std::string& path) { return path + ": " + std::strerror(errno); }

std::string PrivateFolderName() { return "quorvel-" + std::to_string(geteuid()); }

// The folder holding the file, and the file's name in it.
std::pair<std::string, std::string> Split(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool InPrivateFolder(const std::string& folder)
{
    const std::size_t slash = folder.rfind('/');
    return folder.substr(slash == std::string::npos ? 0 : slash + 1) == PrivateFolderName();
}

// The user's private folder, made when it is missing; not open, with the reason, when what is there is not
// the user's alone. Checked on the open folder itself, so nothing can be swapped in after the check.
TFileDescriptor OpenPrivateFolder(const std::string& folder, std::string& why)
{
    const bool made = mkdir(folder.c_str(), 0700) == 0;
    if (!made && errno != EEXIST) {
        why = ErrorText(folder);
        return {};
    }
    TFileDescriptor opened(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!opened.Valid()) {
        // A link is refused as ENOTDIR or ELOOP, depending on the flag checked first: the entry itself tells.
        const int error = errno;
        struct stat entry {};
        if (lstat(folder.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) {
            why = folder + " is a symbolic link, not a folder of this user's own";
        } else if (error == ENOTDIR) {
            why = folder + " is not a folder";
        } else {
            why = folder + ": " + std::strerror(error);
        }
        return {};
    }
    if (made) fchmod(opened.Get(), 0700); // whatever the umask took away
    struct stat status {};
    if (fstat(opened.Get(), &status) != 0) {
        why = ErrorText(folder);
        return {};
    }
    if (status.st_uid != geteuid()) {
        why = folder + " belongs to another user";
        return {};
    }
    if ((status.st_mode & 07777) != 0700) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        why = folder + " has mode " + mode + "; the lock needs it at 0700, for this user alone";
        return {};
    }
    return opened;
}

} // namespace

TInstanceLock::TInstanceLock(const std::string& path)
{
    const auto [folderPath, name] = Split(path);
    TFileDescriptor folder;
    if (InPrivateFolder(folderPath)) {
        folder = OpenPrivateFolder(folderPath, Why);
        if (!folder.Valid()) return;
    }
    // O_NOFOLLOW: a link planted at the lock's place must not make us create or lock another file.
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW;
    File.Reset(folder.Valid() ? ::openat(folder.Get(), name.c_str(), flags, 0600) : ::open(path.c_str(), flags, 0600));
    if (!File.Valid()) {
        Why = ErrorText(path);
        return;
    }
    struct stat status {};
    if (fstat(File.Get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid()) {
        Why = path + ": not a regular file of this user";
        File.Reset();
        return;
    }
    if (flock(File.Get(), LOCK_EX | LOCK_NB) == 0) {
        Outcome = TResult::Acquired;
    } else if (errno == EWOULDBLOCK) {
        Outcome = TResult::HeldElsewhere;
    } else {
        Why = ErrorText(path);
        File.Reset();
    }
}

std::string TInstanceLock::DefaultPath(const XdgPaths::TEnvironment& environment)
{
    return DefaultFolder(environment) + "/" + LockName;
}

std::string TInstanceLock::DefaultFolder(const XdgPaths::TEnvironment& environment)
{
    if (const auto runtime = XdgPaths::RuntimeDir(environment)) return *runtime;
    // A shared folder, where anyone may make any name: the lock goes into a folder of the user's own there,
    // which the constructor makes and checks.
    const std::string folder = XdgPaths::AbsoluteEnv(environment, "TMPDIR").value_or("/tmp");
    return folder + "/" + PrivateFolderName();
}
