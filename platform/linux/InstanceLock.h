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

    // A lock in a folder named quorvel-<uid> (the one DefaultPath picks inside a shared temporary folder) gets
    // that folder made for the user alone, and is Unavailable when the folder found there is not: a link,
    // not a folder, another user's, or of a mode other than 0700. Another user could otherwise plant the
    // lock or take it away.
    explicit TInstanceLock(const std::string& path);

    // Acquired: this process is the only instance. HeldElsewhere: another process holds the lock.
    // Unavailable: the lock file could not be used (the guard is then skipped rather than blocking the start).
    TResult Result() const { return Outcome; }
    const std::string& Problem() const { return Why; }

    // $XDG_RUNTIME_DIR/VelmarQuorvel.lock, or VelmarQuorvel.lock in this user's folder quorvel-<uid> of the
    // temporary folder ($TMPDIR when it is an absolute path, else /tmp).
    static std::string DefaultPath(const XdgPaths::TEnvironment& environment = ::getenv);
    // The folder DefaultPath's lock is in: other per-session files of the instance go beside it.
    static std::string DefaultFolder(const XdgPaths::TEnvironment& environment = ::getenv);

private:
    TFileDescriptor File;
    TResult Outcome = TResult::Unavailable;
    std::string Why;
};
