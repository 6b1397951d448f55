#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace TextFiles {

// The whole file, or nothing when it cannot be read. Files larger than the limit are cut there: the
// files read this way are small, and a runaway file must not take the program's memory.
std::optional<std::string> Read(const std::string& path, std::size_t limit = 256 * 1024);

std::vector<std::string_view> Lines(std::string_view text);
std::string_view Trim(std::string_view text);
bool IsIPv4(std::string_view text);

} // namespace TextFiles
