#pragma once

#include <cstdint>
#include <optional>
#include <string>

class IRegistry;

// Typed settings under one per-user key, addressed by section and value name. Reads return the caller's
// default when a setting is absent; writes never report failure; nothing here ever raises.
class TMyReg {
public:
    explicit TMyReg(IRegistry& registry);

    // The key path from the user's root, beginning and ending with "\". Sections are appended directly.
    const std::string& RegKey() const { return Key; }
    void SetRegKey(const std::string& value) { Key = value; }
    std::string _About() const { return "Velmar Software Inc."; }
    void Set_About(const std::string&) {}
    std::string _Version() const { return "1.3"; }
    void Set_Version(const std::string&) {}

    void WriteTextValue(const std::string& section, const std::string& name, const std::string& value);
    // 64-bit numbers are kept as decimal text.
    void WriteInt64Value(const std::string& section, const std::string& name, int64_t value);
    void WriteIntValue(const std::string& section, const std::string& name, int32_t value);
    void WriteFlagValue(const std::string& section, const std::string& name, bool value);
    // Removes the value; a value or section that is not there is left as it is.
    void DeleteValue(const std::string& section, const std::string& name);

    // Text and 64-bit reads fall back to the default only when the value is absent (or not readable as
    // their kind); 32-bit and flag reads fall back on any failure, a value of another type included.
    std::string ReadTextValue(const std::string& section, const std::string& name, const std::string& fallback);
    int64_t ReadInt64Value(const std::string& section, const std::string& name, int64_t fallback);
    int32_t ReadIntValue(const std::string& section, const std::string& name, int32_t fallback);
    bool ReadFlagValue(const std::string& section, const std::string& name, bool fallback);

    // The writes between the outermost BeginUpdate and its EndUpdate reach the storage together, so an
    // interruption keeps all of them or none; calls nest. TRegBatch pairs them for a scope.
    void BeginUpdate();
    void EndUpdate();
    // Why the stored settings could not be loaded, for the user to learn; "" when they could.
    std::string LoadProblem() const;
    // Why the last update could not be stored, "" after a success.
    std::string StoreProblem() const;

private:
    std::optional<int32_t> ReadDword(const std::string& section, const std::string& name);
    void Write(const std::string& section, const std::string& name, uint32_t type, const std::string& bytes);

    IRegistry& Registry;
    std::string Key = "\\Software\\Company Name\\Software Name";
};
