#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

// Replacing a file as a whole. The new contents go to a file of their own beside the target, reach the disk
// and are renamed over it, so that a crash, a full disk or a killed writer leaves the old file or the new
// one, never a part of either.
namespace AtomicFile {

struct TResult {
    bool Stored = false;
    int Error = 0;       // the errno of the step that failed; 0 when stored
    std::string Problem; // the system's text for it ("No space left on device"); "" when stored
};

// A failure with the system's text for the error number.
TResult Failed(int error);

// Replaces the file at path, whose folder must exist, by one holding text. A regular file in its place keeps
// its mode; a new file gets newMode whatever the umask. When it is not stored, the file is as it was and
// nothing is left beside it.
TResult Replace(const std::string& path, std::string_view text, mode_t newMode = 0600);

// Removes the new files that writers killed before their rename left beside the file at path.
void RemoveLeftovers(const std::string& path);

} // namespace AtomicFile
