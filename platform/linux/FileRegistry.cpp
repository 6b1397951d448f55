#include "FileRegistry.h"

#include "FileDescriptor.h"
#include "TextFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace {

constexpr std::size_t MaxFileSize = 16 * 1024 * 1024;

bool MakeFolders(const std::string& file)
{
    for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
        if (mkdir(file.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

class TFileRegistryKey final : public IRegistryKey {
public:
    TFileRegistryKey(TFileRegistry& registry, std::string path) : Registry(registry), Path(std::move(path)) {}

    bool SetValue(const std::string& name, const TRegValue& value) override
    {
        auto& values = Registry.Tree[Path].Values;
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
        if (!Registry.Tree[Path].Values.erase(name)) return false;
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

TFileRegistry::TFileRegistry(std::string filePath) : FilePath(std::move(filePath))
{
    const auto text = TextFiles::Read(FilePath, MaxFileSize);
    if (!text) return; // no file yet: an empty registry
    Tree = RegFile::Parse(*text, [&](int line, std::string_view content) {
        ++Damaged;
        std::fprintf(stderr, "Quorvel: %s:%d: damaged line skipped: %.*s\n", FilePath.c_str(), line,
                     static_cast<int>(std::min<std::size_t>(content.size(), 200)), content.data());
    });
}

std::string TFileRegistry::DefaultPath()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string folder = configHome && *configHome ? configHome : std::string(home ? home : "") + "/.config";
    return folder + "/quorvel/registry.reg";
}

std::unique_ptr<IRegistryKey> TFileRegistry::OpenKey(const std::string& path, bool create)
{
    const std::string key = RegFile::NormalisedPath(path);
    if (key.empty()) return nullptr;
    if (!Tree.count(key)) {
        if (!create) return nullptr;
        std::vector<std::string> added;
        for (std::size_t end = key.find('\\');; end = key.find('\\', end + 1)) {
            const std::string prefix = key.substr(0, end); // the whole key when no separator is left
            if (!Tree.count(prefix)) {
                Tree[prefix].Name = prefix;
                added.push_back(prefix);
            }
            if (end == std::string::npos) break;
        }
        if (!Save()) {
            for (const std::string& prefix : added)
                Tree.erase(prefix);
            return nullptr;
        }
    }
    return std::make_unique<TFileRegistryKey>(*this, key);
}

bool TFileRegistry::Save()
{
    if (!MakeFolders(FilePath)) return false;
    const std::string temporary = FilePath + ".new";
    {
        TFileDescriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!file.Valid()) return false;
        if (fchmod(file.Get(), 0600) != 0 || !WriteAll(file.Get(), RegFile::Serialize(Tree)) || fsync(file.Get()) != 0)
            return false;
    }
    if (rename(temporary.c_str(), FilePath.c_str()) != 0) return false;
    // The rename itself reaches the disk with the folder.
    const std::string folder = FilePath.substr(0, FilePath.rfind('/') + 1);
    TFileDescriptor directory(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid()) fsync(directory.Get());
    return true;
}
