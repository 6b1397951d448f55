#pragma once

#include "platform/ITextFiles.h"

class TPosixTextFiles final : public ITextFiles {
public:
    bool FileExists(const std::string& path) override;
    std::unique_ptr<ITextFile> Create(const std::string& path) override;
    std::unique_ptr<ITextFile> OpenForAppend(const std::string& path) override;
};
