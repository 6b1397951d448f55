#pragma once

#include "FileDescriptor.h"
#include "XdgPaths.h"

#include <cstdlib>

#include <string>

// The one-instance-per-session guard: an exclusive flock on a per-user lock file, held while this object
// lives. The kernel drops the lock when the process ends, however it ends, so a crash never leaves a stale
// guard behind.
class TInstanceLock {
public:
    enum class TResult { Acquired, HeldElsewhere, Unavailable };

    explicit TInstanceLock(const std::string& path);

    // Acquired: this process is the only instance. HeldElsewhere: another process holds the lock.
    // Unavailable: the lock file could not be used (the guard is then skipped rather than blocking the start).
    TResult Result() const { return Outcome; }
    const std::string& Problem() const { return Why; }

    // $XDG_RUNTIME_DIR/VelmarQuorvel.lock, or a file of this user's own in the temporary folder.
    static std::string DefaultPath(const XdgPaths::TEnvironment& environment = ::getenv);

private:
    TFileDescriptor File;
    TResult Outcome = TResult::Unavailable;
    std::string Why;
};
