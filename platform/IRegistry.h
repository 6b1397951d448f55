#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Value types of the registry, with their registry numbers.
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

struct TRegValueInfo {
    uint32_t Type = REG_NONE;
    uint32_t Size = 0;
};

struct TRegValue {
    uint32_t Type = REG_NONE;
    std::vector<uint8_t> Data;
};

// One open key; closed when the object goes. Names compare without regard to letter case.
class IRegistryKey {
public:
    virtual ~IRegistryKey() = default;
    // Sets a value, replacing any previous value of that name whatever its type. False when it could not be
    // stored; the value is then kept in memory all the same and stored by the next write (IRegistry::StoreProblem
    // tells why), unless the storage was refused at load, when nothing is kept.
    virtual bool SetValue(const std::string& name, const TRegValue& value) = 0;
    virtual bool DeleteValue(const std::string& name) = 0;
    // The type and data size of a value, or nothing when there is no such value.
    virtual std::optional<TRegValueInfo> QueryValue(const std::string& name) = 0;
    virtual std::optional<TRegValue> ReadValue(const std::string& name) = 0;
};

// The per-user registry. Key paths are relative to the user's root and separated by "\".
class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Opens a key; with create, the key and any missing parents are made. Nothing when there is no such key or
    // it cannot be made (a name beyond the limits, a storage refused at load). A key made while the storage
    // cannot be written is kept in memory like a value.
    virtual std::unique_ptr<IRegistryKey> OpenKey(const std::string& path, bool create) = 0;

    // A group of changes: from the outermost BeginUpdate to its EndUpdate the changes stay in memory and
    // then reach the storage together, so an interruption keeps all of them or none. Groups nest.
    virtual void BeginUpdate() {}
    // False when the outermost group's changes could not be stored. They stay in memory, and the next
    // EndUpdate, or write outside a group, stores them again with everything else.
    virtual bool EndUpdate() { return true; }
    // Why the last outermost EndUpdate, or the last write outside a group, could not store the settings:
    // a text naming the file and the reason, for the user to read. "" after a success.
    virtual std::string StoreProblem() const { return {}; }
    // Why the stored settings could not be loaded (the text says what becomes of them), or "" when they could.
    virtual std::string LoadProblem() const { return {}; }
};
