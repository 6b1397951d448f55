#pragma once

#include "AtomicFile.h"

#include <cstddef>
#include <optional>
#include <string>

// Reading and replacing the settings file as a whole.
namespace SettingsFile {

struct TContents {
    std::optional<std::string> Text; // nothing when there is no file or it was refused
    std::string Problem;             // why an existing file was refused, "" otherwise
    bool Oversized = false;          // refused for holding more than the limit
};

// The whole file. A file that exists but cannot be read, is a link, is not a regular file, is not the
// effective user's own or holds more than the limit is refused with the reason ("not owned by you"), never
// cut: what is written back must be everything that was there.
TContents Load(const std::string& path, std::size_t limit);

// Replaces the file as a whole (see AtomicFile); a new file is the user's alone. Makes the missing folders
// and keeps the file's own folder private. When it is not stored, the file is as it was and the result
// says why.
AtomicFile::TResult Replace(const std::string& path, const std::string& text);

} // namespace SettingsFile
