#pragma once

#include "XdgPaths.h"

#include "platform/ITextFiles.h"

#include <cstdlib>

class TPosixTextFiles final : public ITextFiles {
public:
    using TEnvironment = XdgPaths::TEnvironment;

    explicit TPosixTextFiles(TEnvironment environment = ::getenv);

    bool FileExists(const std::string& path) override;
    std::unique_ptr<ITextFile> Create(const std::string& path) override;
    std::unique_ptr<ITextFile> OpenForAppend(const std::string& path) override;
    bool FolderWritable(const std::string& folder) override;
    // $XDG_DATA_HOME, or ~/.local/share when it is unset or not an absolute path.
    std::string UserDataFolder() override;
    void CreateFolder(const std::string& folder) override;

private:
    TEnvironment Environment;
};
