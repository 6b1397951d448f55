#pragma once

#include "RegFile.h"
#include "XdgPaths.h"

#include "platform/IRegistry.h"

#include <cstdlib>
#include <optional>
#include <string>

// The per-user registry kept in one text file. Every change, or every group of changes, rewrites the file
// through a new file that is flushed and renamed over the old one, so a crash leaves either the old or the
// new file, never half of one. A file that exists but cannot be taken whole is never written over.
class TFileRegistry final : public IRegistry {
public:
    // Larger files are refused: the settings of this program take a few kilobytes.
    static constexpr std::size_t MaxFileSize = 64 * 1024 * 1024;

    explicit TFileRegistry(std::string filePath);

    // $XDG_CONFIG_HOME/quorvel/registry.reg, or ~/.config/quorvel/registry.reg.
    static std::string DefaultPath(const XdgPaths::TEnvironment& environment = ::getenv);

    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path, bool create) override;
    void BeginUpdate() override;
    bool EndUpdate() override;
    std::string LoadProblem() const override { return Problem; }
    int DamagedLines() const { return Damaged; }

private:
    friend class TFileRegistryKey;
    // Stores the tree now, or at the end of the group in progress.
    bool Save();
    bool WriteFile();

    std::string FilePath;
    RegFile::TTree Tree;
    int Damaged = 0;
    std::optional<std::string> DamagedOriginal; // kept beside the file before it is first rewritten
    std::string Problem;                        // the file was refused: it is never written
    int UpdateDepth = 0;
    bool UpdatePending = false;
    RegFile::TTree BeforeUpdate; // what the group undoes to when it cannot be stored
};
