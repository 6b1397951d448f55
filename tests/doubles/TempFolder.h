#pragma once

#include <filesystem>
#include <string>
#include <unistd.h>

// A folder of the test's own under the temporary directory, removed with everything in it.
class TTempFolder {
public:
    explicit TTempFolder(const std::string& tag)
        : Path(std::filesystem::temp_directory_path() / ("quorvel-" + tag + "-" + std::to_string(getpid())))
    {
        std::filesystem::remove_all(Path);
        std::filesystem::create_directories(Path);
    }
    ~TTempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(Path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(Path, ignored);
    }
    std::string File(const std::string& name) const { return (Path / name).string(); }

    std::filesystem::path Path;
};
