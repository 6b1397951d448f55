#pragma once

#include "XdgPaths.h"

#include "platform/IRegistry.h"

#include <cstdlib>
#include <string>

// The per-user registry as this desktop sees it: the values of the "Run" key (programs that start with the
// user's session) are the desktop's autostart entries, one "<value name>.desktop" file each in the autostart
// folder; every other key is kept by the registry behind. Only the entry of the value asked for is ever
// written or removed, so the user's other autostart entries are left alone.
class TAutostartRegistry final : public IRegistry {
public:
    static constexpr const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

    TAutostartRegistry(IRegistry& inner, std::string autostartFolder, std::string iconName);

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart.
    static std::string DefaultFolder(const XdgPaths::TEnvironment& environment = ::getenv);

    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path, bool create) override;
    // Groups of changes and their problems are the settings file's: an autostart entry is written at once, and
    // its failure is told by SetValue.
    void BeginUpdate() override { Inner.BeginUpdate(); }
    bool EndUpdate() override { return Inner.EndUpdate(); }
    std::string StoreProblem() const override { return Inner.StoreProblem(); }
    std::string LoadProblem() const override { return Inner.LoadProblem(); }

    // The Exec line's value for a program path: quoted and escaped as desktop entries require, so a path
    // with spaces or quotes starts the same program; the registry value itself stays the plain path.
    static std::string ExecValue(const std::string& programPath);
    // The program path back from an Exec value written by ExecValue.
    static std::string ProgramOfExec(const std::string& exec);

private:
    IRegistry& Inner;
    std::string Folder;
    std::string IconName;
};
