#include "RegFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <vector>

namespace RegFile {

namespace {

constexpr std::string_view Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view Root = "HKEY_CURRENT_USER\\";

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string Escape(std::string_view text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> Unquote(std::string_view text, std::size_t& pos)
{
    if (pos >= text.size() || text[pos] != '"') return std::nullopt;
    std::string result;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return result;
        }
        if (c == '\\') {
            if (++pos >= text.size()) return std::nullopt;
            if (text[pos] != '\\' && text[pos] != '"') return std::nullopt;
        }
        result += text[pos];
    }
    return std::nullopt;
}

// A text that the quoted form can carry: ends in its one NUL and holds no control characters.
bool QuotableText(const TRegValue& value)
{
    if (value.Type != REG_SZ || value.Data.empty() || value.Data.back() != 0) return false;
    return std::none_of(value.Data.begin(), value.Data.end() - 1, [](uint8_t b) { return b < 0x20 || b == 0x7f; });
}

std::string HexBytes(const std::vector<uint8_t>& data)
{
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", data[i]);
        text += byte;
    }
    return text;
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text)
{
    std::vector<uint8_t> data;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        std::string_view part = text.substr(0, comma);
        while (!part.empty() && std::isspace(static_cast<unsigned char>(part.front())))
            part.remove_prefix(1);
        while (!part.empty() && std::isspace(static_cast<unsigned char>(part.back())))
            part.remove_suffix(1);
        unsigned value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value, 16);
        if (part.empty() || part.size() > 2 || error != std::errc() || end != part.data() + part.size())
            return std::nullopt;
        data.push_back(static_cast<uint8_t>(value));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return data;
}

std::optional<TRegValue> ParseData(std::string_view text)
{
    if (text.starts_with('"')) {
        std::size_t pos = 0;
        const auto content = Unquote(text, pos);
        if (!content || pos != text.size()) return std::nullopt;
        TRegValue value{REG_SZ, std::vector<uint8_t>(content->begin(), content->end())};
        value.Data.push_back(0);
        return value;
    }
    if (text.starts_with("dword:")) {
        const std::string_view digits = text.substr(6);
        uint32_t number = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
        if (digits.empty() || digits.size() > 8 || error != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        TRegValue value{REG_DWORD, {}};
        for (int i = 0; i < 4; ++i)
            value.Data.push_back(static_cast<uint8_t>(number >> (8 * i)));
        return value;
    }
    uint32_t type = REG_BINARY;
    std::string_view rest;
    if (text.starts_with("hex:")) {
        rest = text.substr(4);
    } else if (text.starts_with("hex(")) {
        const std::size_t close = text.find("):");
        if (close == std::string_view::npos) return std::nullopt;
        const std::string_view digits = text.substr(4, close - 4);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), type, 16);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
        rest = text.substr(close + 2);
    } else {
        return std::nullopt;
    }
    auto data = ParseHexBytes(rest);
    if (!data) return std::nullopt;
    return TRegValue{type, std::move(*data)};
}

// Whether a listed key lies below the path. Names sharing a prefix sit together in the tree's order, so the
// first name not before "path\" tells.
bool HasDescendant(const TTree& tree, const std::string& path)
{
    const std::string prefix = path + '\\';
    const auto next = tree.lower_bound(prefix);
    return next != tree.end() && next->first.size() > prefix.size() &&
           EqualNoCase(std::string_view(next->first).substr(0, prefix.size()), prefix);
}

// The lines of the text, with a hex value's continuation lines ("\" at the end) joined to it.
std::vector<std::pair<int, std::string>> LogicalLines(std::string_view text)
{
    std::vector<std::pair<int, std::string>> lines;
    int number = 0;
    bool continued = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (continued) {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
                line.remove_prefix(1);
            lines.back().second += line;
        } else {
            lines.emplace_back(number, std::string(line));
        }
        continued = !lines.back().second.empty() && lines.back().second.back() == '\\' &&
                    lines.back().second.find("=hex") != std::string::npos;
        if (continued) lines.back().second.pop_back();
    }
    return lines;
}

} // namespace

std::string NormalisedPath(std::string_view path)
{
    std::string normalised;
    while (!path.empty()) {
        const std::size_t end = std::min(path.find('\\'), path.size());
        if (end > 0) {
            if (!normalised.empty()) normalised += '\\';
            normalised.append(path.substr(0, end));
        }
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return normalised;
}

bool WithinLimits(std::string_view path)
{
    std::size_t levels = 0;
    while (!path.empty()) {
        const std::size_t end = std::min(path.find('\\'), path.size());
        if (end > MaxKeyNameLength || ++levels > MaxKeyLevels) return false;
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return true;
}

bool Exists(const TTree& tree, const std::string& path) { return tree.count(path) || HasDescendant(tree, path); }

bool TNoCase::operator()(const std::string& a, const std::string& b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

TTree Parse(std::string_view text, const std::function<void(int, std::string_view)>& onDamagedLine)
{
    TTree tree;
    TKey* current = nullptr;
    if (text.starts_with("\xef\xbb\xbf")) text.remove_prefix(3); // a byte order mark from an editor
    for (const auto& [number, line] : LogicalLines(text)) {
        if (line.empty() || line == Header || line.starts_with(';')) continue;
        if (line.front() == '[') {
            current = nullptr;
            const bool wellFormed =
                line.back() == ']' && line.size() > Root.size() + 2 && EqualNoCase(line.substr(1, Root.size()), Root);
            const std::string path =
                wellFormed
                    ? NormalisedPath(std::string_view(line).substr(1 + Root.size(), line.size() - Root.size() - 2))
                    : std::string();
            if (path.empty() || !WithinLimits(path)) {
                onDamagedLine(number, line);
                continue;
            }
            current = &tree[path];
            if (current->Name.empty()) current->Name = path;
            continue;
        }
        std::size_t pos = 0;
        std::optional<std::string> name;
        if (line.front() == '@') {
            name = std::string();
            pos = 1;
        } else {
            name = Unquote(line, pos);
        }
        std::optional<TRegValue> value;
        if (name && pos < line.size() && line[pos] == '=') value = ParseData(std::string_view(line).substr(pos + 1));
        if (!current || !value) {
            onDamagedLine(number, line);
            continue;
        }
        current->Values[*name] = {*name, std::move(*value)};
    }
    return tree;
}

std::string Serialize(const TTree& tree)
{
    std::string text = std::string(Header) + "\n";
    for (const auto& [path, key] : tree) {
        if (key.Values.empty() && HasDescendant(tree, path)) continue; // the section below makes it
        text.append("\n[").append(Root).append(key.Name).append("]\n");
        for (const auto& [ignored, named] : key.Values) {
            const auto& [name, value] = named;
            // Appended piece by piece: GCC 12 warns falsely on "text" + std::string at -O2.
            if (name.empty()) {
                text.append("@=");
            } else {
                text.append("\"").append(Escape(name)).append("\"=");
            }
            if (QuotableText(value)) {
                text.append("\"").append(Escape(std::string(value.Data.begin(), value.Data.end() - 1))).append("\"");
            } else if (value.Type == REG_DWORD && value.Data.size() == 4) {
                char number[16];
                std::snprintf(number, sizeof number, "dword:%08x",
                              value.Data[0] | value.Data[1] << 8 | value.Data[2] << 16 | unsigned(value.Data[3]) << 24);
                text += number;
            } else {
                char prefix[24];
                std::snprintf(prefix, sizeof prefix, value.Type == REG_BINARY ? "hex:" : "hex(%x):", value.Type);
                text += prefix + HexBytes(value.Data);
            }
            text += "\n";
        }
    }
    return text;
}

} // namespace RegFile
