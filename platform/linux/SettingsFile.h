#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Reading and replacing the settings file as a whole.
namespace SettingsFile {

struct TContents {
    std::optional<std::string> Text; // nothing when there is no file or it was refused
    std::string Problem;             // why an existing file was refused, "" otherwise
};

// The whole file. A file that exists but cannot be read, is not a regular file or holds more than the
// limit is refused with the reason, never cut: what is written back must be everything that was there.
TContents Load(const std::string& path, std::size_t limit);

// Replaces the file by a new one written beside it under a unique name, flushed and renamed over it, so
// that a crash leaves the old or the new file. Makes the missing folders and keeps the file's own folder
// private to the user. False when the file could not be replaced; it is then as it was.
bool Replace(const std::string& path, const std::string& text);

// Removes the new files that a writer killed before its rename left beside the file.
void RemoveLeftovers(const std::string& path);

} // namespace SettingsFile
