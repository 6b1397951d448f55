#include "FileRegistry.h"

#include "AtomicFile.h"
#include "SettingsFile.h"

#include <algorithm>
#include <cstdio>

class TFileRegistryKey final : public IRegistryKey {
public:
    TFileRegistryKey(TFileRegistry& registry, std::string path) : Registry(registry), Path(std::move(path)) {}

    bool SetValue(const std::string& name, const TRegValue& value) override
    {
        auto& key = Registry.Tree[Path];
        if (key.Name.empty()) key.Name = Path; // a parent that had no entry of its own
        auto& values = key.Values;
        std::optional<std::pair<std::string, TRegValue>> previous;
        if (const auto old = values.find(name); old != values.end()) previous = old->second;
        values.erase(name); // a new name's letter case replaces the old one's, as the registry does
        values[name] = {name, value};
        if (Registry.Save()) return true;
        // What could not be stored is not kept either, so memory and file tell the same.
        values.erase(name);
        if (previous) values[previous->first] = *previous;
        return false;
    }

    bool DeleteValue(const std::string& name) override
    {
        const auto key = Registry.Tree.find(Path);
        if (key == Registry.Tree.end()) return false;
        const auto value = key->second.Values.find(name);
        if (value == key->second.Values.end()) return false;
        const auto previous = value->second;
        key->second.Values.erase(value);
        if (Registry.Save()) return true;
        key->second.Values[previous.first] = previous;
        return false;
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

TFileRegistry::TFileRegistry(std::string filePath) : FilePath(std::move(filePath))
{
    auto contents = SettingsFile::Load(FilePath, MaxFileSize);
    if (!contents.Problem.empty()) {
        Problem = "Settings file " + FilePath + " not read (" + contents.Problem +
                  "): running on defaults, the file is left as it is.";
        std::fprintf(stderr, "Quorvel: %s\n", Problem.c_str());
        return;
    }
    AtomicFile::RemoveLeftovers(FilePath);
    if (!contents.Text) return; // no file yet: an empty registry
    Tree = RegFile::Parse(*contents.Text, [&](int line, std::string_view content) {
        ++Damaged;
        std::fprintf(stderr, "Quorvel: %s:%d: damaged line skipped: %.*s\n", FilePath.c_str(), line,
                     static_cast<int>(std::min<std::size_t>(content.size(), 200)), content.data());
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
        Tree[key].Name = key;
        if (!Save()) {
            Tree.erase(key);
            return nullptr;
        }
    }
    return std::make_unique<TFileRegistryKey>(*this, key);
}

void TFileRegistry::BeginUpdate()
{
    if (UpdateDepth++ > 0) return;
    BeforeUpdate = Tree;
    UpdatePending = false;
}

bool TFileRegistry::EndUpdate()
{
    if (UpdateDepth == 0 || --UpdateDepth > 0) return true;
    const bool stored = !UpdatePending || WriteFile();
    if (!stored) Tree = std::move(BeforeUpdate);
    BeforeUpdate.clear();
    UpdatePending = false;
    return stored;
}

bool TFileRegistry::Save()
{
    if (!Problem.empty()) return false;
    if (UpdateDepth == 0) return WriteFile();
    UpdatePending = true;
    return true;
}

bool TFileRegistry::WriteFile()
{
    if (!Problem.empty()) return false;
    if (DamagedOriginal) {
        // The skipped lines may be all that is left of a key someone cares about.
        const std::string copy = FilePath + ".damaged";
        if (!SettingsFile::Replace(copy, *DamagedOriginal).Stored) return false;
        std::fprintf(stderr, "Quorvel: %s had damaged lines; the file as it was is kept as %s\n", FilePath.c_str(),
                     copy.c_str());
        DamagedOriginal.reset();
    }
    return SettingsFile::Replace(FilePath, RegFile::Serialize(Tree)).Stored;
}
