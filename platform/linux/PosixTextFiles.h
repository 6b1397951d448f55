#pragma once

#include "platform/ITextFiles.h"

#include <cstdlib>
#include <functional>

class TPosixTextFiles final : public ITextFiles {
public:
    // Reads an environment variable; null when it is not set.
    using TEnvironment = std::function<const char*(const char* name)>;

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
