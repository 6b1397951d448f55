#pragma once

#include "RegFile.h"

#include "platform/IRegistry.h"

#include <string>

// The per-user registry kept in one text file. Every change rewrites the file through a new file that is
// flushed and renamed over the old one, so a crash leaves either the old or the new file, never half of one.
class TFileRegistry final : public IRegistry {
public:
    explicit TFileRegistry(std::string filePath);

    // $XDG_CONFIG_HOME/quorvel/registry.reg, or ~/.config/quorvel/registry.reg.
    static std::string DefaultPath();

    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path, bool create) override;
    int DamagedLines() const { return Damaged; }

private:
    friend class TFileRegistryKey;
    bool Save();

    std::string FilePath;
    RegFile::TTree Tree;
    int Damaged = 0;
};
