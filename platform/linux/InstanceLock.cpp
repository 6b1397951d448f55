#include "InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

constexpr const char* LockName = "VelmarQuorvel";

std::string ErrorText(const std::string& path) { return path + ": " + std::strerror(errno); }

} // namespace

TInstanceLock::TInstanceLock(const std::string& path)
{
    // O_NOFOLLOW: a link planted at the lock's place in a shared folder must not make us create or lock
    // another file.
    File.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
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
    if (const auto runtime = XdgPaths::RuntimeDir(environment)) return *runtime + "/" + LockName + ".lock";
    // A shared folder: the user's number keeps one user's lock from blocking another's start.
    const std::string folder = XdgPaths::AbsoluteEnv(environment, "TMPDIR").value_or("/tmp");
    return folder + "/" + LockName + "-" + std::to_string(geteuid()) + ".lock";
}
