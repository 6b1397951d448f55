#include "FileRegistry.h"

#include "AtomicFile.h"
#include "PrintableText.h"
#include "SettingsFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Why nothing reaches a file refused at load.
constexpr const char* RefusedReason = "it could not be read, so it is left as it is";
// Why nothing reaches a file opened to be read only.
constexpr const char* ReadOnlyReason = "it was opened to be read only";

} // namespace

class TFileRegistryKey final : public IRegistryKey {
public:
    TFileRegistryKey(TFileRegistry& registry, std::string path) : Registry(registry), Path(std::move(path)) {}

    bool SetValue(const std::string& name, const TRegValue& value) override
    {
        auto& key = Registry.Tree[Path];
        if (key.Name.empty()) key.Name = Path; // a parent that had no entry of its own
        auto& values = key.Values;
        values.erase(name); // a new name's letter case replaces the old one's, as the registry does
        values[name] = {name, value};
        // Kept even when the file cannot take it now: the next store writes it, once the disk has room.
        return Registry.Save();
    }

    bool DeleteValue(const std::string& name) override
    {
        const auto key = Registry.Tree.find(Path);
        if (key == Registry.Tree.end()) return false;
        const auto value = key->second.Values.find(name);
        if (value == key->second.Values.end()) return false;
        key->second.Values.erase(value);
        return Registry.Save();
    }

    std::optional<TRegValueInfo> QueryValue(const std::string& name) override
    {
        const auto value = Find(name);
        if (!value) return std::nullopt;
        return TRegValueInfo{value->Type, static_cast<uint32_t>(value->Data.size())};
    }

    std::optional<TRegValue> ReadValue(const std::string& name) override
    {
        const auto value = Find(name);
        if (!value) return std::nullopt;
        return *value;
    }

private:
    const TRegValue* Find(const std::string& name) const
    {
        const auto key = Registry.Tree.find(Path);
        if (key == Registry.Tree.end()) return nullptr;
        const auto value = key->second.Values.find(name);
        return value == key->second.Values.end() ? nullptr : &value->second.second;
    }

    TFileRegistry& Registry;
    std::string Path;
};

TFileRegistry::TFileRegistry(std::string filePath, TAccess access)
    : FilePath(std::move(filePath)), ReadOnly(access == TAccess::ReadOnly)
{
    auto contents = SettingsFile::Load(FilePath, MaxFileSize);
    if (contents.Oversized) {
        // No settings of this program come near the limit: the file is kept for the user to look into, and the
        // store starts afresh instead of never saving again.
        Problem = "Settings file " + FilePath + " not read (" + contents.Problem +
                  "): running on defaults, the file is kept as " + FilePath + ".damaged at the next save.";
        std::fprintf(stderr, "Quorvel: %s\n", Problem.c_str());
        PutAside = true;
    } else if (!contents.Problem.empty()) {
        Problem = "Settings file " + FilePath + " not read (" + contents.Problem +
                  "): running on defaults, the file is left as it is.";
        std::fprintf(stderr, "Quorvel: %s\n", Problem.c_str());
        Refused = true;
        return;
    }
    if (!ReadOnly) AtomicFile::RemoveLeftovers(FilePath);
    if (!contents.Text) return; // no file yet: an empty registry
    Tree = RegFile::Parse(*contents.Text, [&](int line, std::string_view content) {
        ++Damaged;
        // Escaped: the line is whatever was planted in the file, and it goes to the user's terminal.
        const std::string shown = PrintableText::Escaped(content.substr(0, 200));
        std::fprintf(stderr, "Quorvel: %s:%d: damaged line skipped: %s\n", FilePath.c_str(), line, shown.c_str());
    });
    if (Damaged > 0) DamagedOriginal = std::move(contents.Text);
}

std::string TFileRegistry::DefaultPath(const XdgPaths::TEnvironment& environment)
{
    return XdgPaths::ConfigHome(environment) + "/quorvel/registry.reg";
}

std::unique_ptr<IRegistryKey> TFileRegistry::OpenKey(const std::string& path, bool create)
{
    const std::string key = RegFile::NormalisedPath(path);
    if (key.empty() || !RegFile::WithinLimits(key)) return nullptr;
    if (!RegFile::Exists(Tree, key)) {
        if (!create) return nullptr;
        if (Refused || ReadOnly) {
            Fail(Refused ? RefusedReason : ReadOnlyReason);
            return nullptr;
        }
        Tree[key].Name = key;
        Save(); // a key the file cannot take now is kept in memory, as a value is
    }
    return std::make_unique<TFileRegistryKey>(*this, key);
}

void TFileRegistry::BeginUpdate()
{
    if (UpdateDepth++ > 0) return;
    UpdatePending = false;
}

bool TFileRegistry::EndUpdate()
{
    if (UpdateDepth == 0 || --UpdateDepth > 0) return true;
    // Changes an earlier store could not write go with this group, even when the group itself changed nothing.
    const bool write = UpdatePending || Unsaved;
    UpdatePending = false;
    if (!write) {
        Failure.clear();
        return true;
    }
    return WriteFile();
}

bool TFileRegistry::Save()
{
    if (Refused) return Fail(RefusedReason);
    if (ReadOnly) return Fail(ReadOnlyReason);
    if (UpdateDepth == 0) return WriteFile();
    UpdatePending = true;
    return true;
}

bool TFileRegistry::Fail(const std::string& reason)
{
    Failure = "Settings file " + FilePath + " not saved (" + reason + ")";
    Unsaved = !Refused && !ReadOnly;
    return false;
}

bool TFileRegistry::WriteFile()
{
    if (Refused) return Fail(RefusedReason);
    if (ReadOnly) return Fail(ReadOnlyReason);
    if (PutAside) {
        // Moved, not copied: it is its size that is wrong with it.
        const std::string aside = FilePath + ".damaged";
        if (rename(FilePath.c_str(), aside.c_str()) == 0) {
            std::fprintf(stderr, "Quorvel: %s was too large for settings; it is kept as %s\n", FilePath.c_str(),
                         aside.c_str());
        } else if (errno != ENOENT) { // gone since: nothing left to keep
            return Fail("it could not be moved to " + aside + ": " + std::strerror(errno));
        }
        PutAside = false;
    }
    if (DamagedOriginal) {
        // The skipped lines may be all that is left of a key someone cares about.
        const std::string copy = FilePath + ".damaged";
        const AtomicFile::TResult kept = SettingsFile::Replace(copy, *DamagedOriginal);
        if (!kept.Stored) return Fail("its damaged lines could not be kept in " + copy + ": " + kept.Problem);
        std::fprintf(stderr, "Quorvel: %s had damaged lines; the file as it was is kept as %s\n", FilePath.c_str(),
                     copy.c_str());
        DamagedOriginal.reset();
    }
    const AtomicFile::TResult result = SettingsFile::Replace(FilePath, RegFile::Serialize(Tree));
    if (!result.Stored) return Fail(result.Problem);
    Failure.clear();
    Unsaved = false;
    return true;
}
