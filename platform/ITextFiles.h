#pragma once

#include <memory>
#include <string>

// One text file open for writing. Lines end with carriage return and line feed. The lines written reach the
// file together at Flush, or not at all: a failed Flush leaves the file as it was before them. Failures raise
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
    // A new file, readable and writable by the user alone; anything already at the path, a link included,
    // raises. Nothing is left at the path when its first Flush fails.
    virtual std::unique_ptr<ITextFile> Create(const std::string& path) = 0;
    // Only the user's own regular file is opened: anything else at the path (a link, a FIFO, a device,
    // another user's file) raises.
    virtual std::unique_ptr<ITextFile> OpenForAppend(const std::string& path) = 0;

    // Whether the user may create and change files in the folder.
    virtual bool FolderWritable(const std::string& folder) = 0;
    // The user's own folder for the data of applications.
    virtual std::string UserDataFolder() = 0;
    // Creates the folder and any missing parents, for the user alone; failures raise EInOutError.
    virtual void CreateFolder(const std::string& folder) = 0;
};
