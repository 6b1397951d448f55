#pragma once

#include "platform/IRegistry.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

// The registry's tree in memory and its export text form:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Velmar Software\Quorvel\Stats]
//   "LastConn"="eth0"
//   "MenuSaveLog"=dword:00000001
//   "Other"=hex(3):01,02
//
// Texts with control characters are written as hex(1) bytes so that every text survives a round trip.
namespace RegFile {

// Compares names without regard to ASCII letter case, as registry names do.
struct TNoCase {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct TKey {
    std::string Name; // the path as first written, letter case kept
    std::map<std::string, std::pair<std::string, TRegValue>, TNoCase> Values; // by name: (name as written, value)
};

// By key path below the user's root. Only keys named in the file or created are listed; their parents exist
// without an entry of their own, so a key many levels deep costs one entry and one section, not one per level.
using TTree = std::map<std::string, TKey, TNoCase>;

// The registry's own limits: a key name holds at most 255 characters, and keys nest at most 512 levels.
constexpr std::size_t MaxKeyNameLength = 255;
constexpr std::size_t MaxKeyLevels = 512;

// Drops empty components, so "\A\\B\" and "A\B" name the same key.
std::string NormalisedPath(std::string_view path);
// Whether a normalised path keeps the registry's limits on name length and depth.
bool WithinLimits(std::string_view path);
// Whether the key exists: listed itself, or the parent of a listed key.
bool Exists(const TTree& tree, const std::string& path);

// Reads the text; a damaged line is skipped and reported through the callback (line number, text).
TTree Parse(std::string_view text, const std::function<void(int, std::string_view)>& onDamagedLine);
std::string Serialize(const TTree& tree);

} // namespace RegFile
