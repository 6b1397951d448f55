#include "MyReg.h"

#include "platform/IRegistry.h"

#include <charconv>
#include <cstring>
#include <optional>

namespace {

// The section's key path below the user's root: the leading "\" only says that the path starts there.
std::string SectionPath(const std::string& key, const std::string& section)
{
    const std::string path = key + section;
    return path.starts_with('\\') ? path.substr(1) : path;
}

std::optional<int64_t> ParseDecimal(const std::string& text)
{
    int64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first == last || (*first == '+')) return std::nullopt;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last) return std::nullopt;
    return value;
}

std::string TextOf(const TRegValue& value)
{
    const auto* bytes = reinterpret_cast<const char*>(value.Data.data());
    return std::string(bytes, strnlen(bytes, value.Data.size()));
}

std::string Dword(uint32_t number)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(number >> (8 * i));
    return bytes;
}

} // namespace

TMyReg::TMyReg(IRegistry& registry) : Registry(registry)
{
    if (!Key.ends_with('\\')) Key += '\\';
}

void TMyReg::Write(const std::string& section, const std::string& name, uint32_t type, const std::string& bytes)
{
    try {
        const auto key = Registry.OpenKey(SectionPath(Key, section), /*create=*/true);
        if (key) key->SetValue(name, TRegValue{type, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    } catch (...) {
        // A setting that cannot be written is not worth stopping the program for.
    }
}

void TMyReg::WriteTextValue(const std::string& section, const std::string& name, const std::string& value)
{
    Write(section, name, REG_SZ, value + '\0');
}

void TMyReg::WriteInt64Value(const std::string& section, const std::string& name, int64_t value)
{
    WriteTextValue(section, name, std::to_string(value));
}

void TMyReg::WriteIntValue(const std::string& section, const std::string& name, int32_t value)
{
    Write(section, name, REG_DWORD, Dword(static_cast<uint32_t>(value)));
}

void TMyReg::WriteFlagValue(const std::string& section, const std::string& name, bool value)
{
    Write(section, name, REG_DWORD, Dword(value ? 1 : 0));
}

void TMyReg::DeleteValue(const std::string& section, const std::string& name)
{
    try {
        const auto key = Registry.OpenKey(SectionPath(Key, section), /*create=*/false);
        if (key) key->DeleteValue(name);
    } catch (...) {
        // Like a write: a value that cannot be removed is not worth stopping the program for.
    }
}

std::string TMyReg::ReadTextValue(const std::string& section, const std::string& name, const std::string& fallback)
{
    try {
        const auto key = Registry.OpenKey(SectionPath(Key, section), /*create=*/false);
        if (!key) return fallback;
        const auto value = key->ReadValue(name);
        if (!value || (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ)) return fallback;
        return TextOf(*value);
    } catch (...) {
        return fallback;
    }
}

int64_t TMyReg::ReadInt64Value(const std::string& section, const std::string& name, int64_t fallback)
{
    try {
        const auto key = Registry.OpenKey(SectionPath(Key, section), /*create=*/false);
        if (!key) return fallback;
        const auto value = key->ReadValue(name);
        if (!value || (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ)) return fallback;
        return ParseDecimal(TextOf(*value)).value_or(fallback);
    } catch (...) {
        return fallback;
    }
}

std::optional<int32_t> TMyReg::ReadDword(const std::string& section, const std::string& name)
{
    try {
        const auto key = Registry.OpenKey(SectionPath(Key, section), /*create=*/false);
        if (!key) return std::nullopt;
        const auto value = key->ReadValue(name);
        if (!value || value->Type != REG_DWORD || value->Data.size() != 4) return std::nullopt;
        uint32_t number = 0;
        for (int i = 0; i < 4; ++i)
            number |= uint32_t{value->Data[i]} << (8 * i);
        return static_cast<int32_t>(number);
    } catch (...) {
        return std::nullopt;
    }
}

int32_t TMyReg::ReadIntValue(const std::string& section, const std::string& name, int32_t fallback)
{
    return ReadDword(section, name).value_or(fallback);
}

bool TMyReg::ReadFlagValue(const std::string& section, const std::string& name, bool fallback)
{
    const std::optional<int32_t> number = ReadDword(section, name);
    return number ? *number != 0 : fallback;
}

void TMyReg::BeginUpdate()
{
    try {
        Registry.BeginUpdate();
    } catch (...) {
        // The group then only saves less: each write still reaches the storage.
    }
}

void TMyReg::EndUpdate()
{
    try {
        Registry.EndUpdate();
    } catch (...) {
        // As every write: what cannot be stored is lost without a word.
    }
}

std::string TMyReg::LoadProblem() const
{
    try {
        return Registry.LoadProblem();
    } catch (...) {
        return {};
    }
}

std::string TMyReg::StoreProblem() const
{
    try {
        return Registry.StoreProblem();
    } catch (...) {
        return {};
    }
}
