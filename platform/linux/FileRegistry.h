#pragma once

#include "RegFile.h"
#include "XdgPaths.h"

#include "platform/IRegistry.h"

#include <cstdlib>
#include <optional>
#include <string>

// The per-user registry kept in one text file. Every change, or every group of changes, rewrites the file
// through a new file that is flushed and renamed over the old one, so a crash leaves either the old or the
// new file, never half of one. A file that exists but cannot be read, or is not the user's own regular file,
// is never written over; one too large to be settings is kept beside as ".damaged". A write the
// system refuses (a full disk, a read-only folder) keeps the changes in memory; the next write tries them again.
class TFileRegistry final : public IRegistry {
public:
    // The settings of this program take a few kilobytes, and every save rewrites and flushes the whole file: a
    // larger file is not taken, but put aside as a damaged one is when the settings are first saved.
    static constexpr std::size_t MaxFileSize = 1024 * 1024;

    // ReadOnly reads the file and never touches it or its folder: another instance may be writing it, so
    // even its leftover temporary files are left alone. Every write then fails and says so.
    enum class TAccess { ReadWrite, ReadOnly };

    explicit TFileRegistry(std::string filePath, TAccess access = TAccess::ReadWrite);

    // $XDG_CONFIG_HOME/quorvel/registry.reg, or ~/.config/quorvel/registry.reg.
    static std::string DefaultPath(const XdgPaths::TEnvironment& environment = ::getenv);

    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path, bool create) override;
    void BeginUpdate() override;
    bool EndUpdate() override;
    std::string LoadProblem() const override { return Problem; }
    std::string StoreProblem() const override { return Failure; }
    int DamagedLines() const { return Damaged; }

private:
    friend class TFileRegistryKey;
    // Stores the tree now, or at the end of the group in progress.
    bool Save();
    bool WriteFile();
    // Records why the file was not written; always false.
    bool Fail(const std::string& reason);

    std::string FilePath;
    RegFile::TTree Tree;
    int Damaged = 0;
    std::optional<std::string> DamagedOriginal; // kept beside the file before it is first rewritten
    bool PutAside = false;                      // the file is too large: moved beside before the first rewrite
    std::string Problem;                        // what LoadProblem tells
    bool Refused = false;                       // the file was refused: it is never written
    bool ReadOnly = false;                      // opened to be read only: it is never written
    std::string Failure;                        // why the last store failed; "" after a success
    bool Unsaved = false;                       // the tree holds changes the file lacks
    int UpdateDepth = 0;
    bool UpdatePending = false;
};
