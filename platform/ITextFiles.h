#pragma once

#include <memory>
#include <string>

// One text file open for writing. Lines end with carriage return and line feed. Failures raise
// EInOutError; a file that is dropped unclosed is closed quietly.
class ITextFile {
public:
    virtual ~ITextFile() = default;
    virtual void WriteLine(const std::string& line) = 0;
    virtual void Flush() = 0;
    virtual void Close() = 0;
};

class ITextFiles {
public:
    virtual ~ITextFiles() = default;
    virtual bool FileExists(const std::string& path) = 0;
    virtual std::unique_ptr<ITextFile> Create(const std::string& path) = 0;
    virtual std::unique_ptr<ITextFile> OpenForAppend(const std::string& path) = 0;
};
