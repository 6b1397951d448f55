#include "AutostartRegistry.h"

#include "AtomicFile.h"
#include "FileDescriptor.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace {

// Desktop entries are readable by all, as the desktop's own are.
constexpr mode_t EntryMode = 0644;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trimmed(const std::string& path)
{
    const auto first = path.find_first_not_of('\\');
    if (first == std::string::npos) return {};
    const auto last = path.find_last_not_of('\\');
    return path.substr(first, last - first + 1);
}

bool IsRunKey(const std::string& path) { return Lower(Trimmed(path)) == Lower(TAutostartRegistry::RunKey); }

// A value name becomes a file name: nothing that could leave the folder or hide the entry.
bool UsableName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
           name != "." && name != "..";
}

std::string TextOf(const TRegValue& value)
{
    const auto* bytes = reinterpret_cast<const char*>(value.Data.data());
    return std::string(bytes, strnlen(bytes, value.Data.size()));
}

TRegValue TextValue(const std::string& text)
{
    TRegValue value{REG_SZ, std::vector<uint8_t>(text.begin(), text.end())};
    value.Data.push_back(0);
    return value;
}

bool MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

std::string EscapeString(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string UnescapeString(const std::string& text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        switch (text[++i]) {
        case 'n': plain += '\n'; break;
        case 't': plain += '\t'; break;
        case 'r': plain += '\r'; break;
        case 's': plain += ' '; break;
        default: plain += text[i];
        }
    }
    return plain;
}

class TAutostartKey final : public IRegistryKey {
public:
    TAutostartKey(std::string folder, std::string iconName) : Folder(std::move(folder)), IconName(std::move(iconName))
    {
    }

    bool SetValue(const std::string& name, const TRegValue& value) override
    {
        if (!UsableName(name) || (value.Type != REG_SZ && value.Type != REG_EXPAND_SZ)) return false;
        if (!MakeFolders(Folder)) return false;
        const std::string previous = EntryPath(name);
        const std::string target = Folder + "/" + name + ".desktop";
        // Whole or not at all: a session that starts while the entry is written must not find half of one.
        if (!AtomicFile::Replace(target, EntryText(name, TextOf(value)), EntryMode).Stored) return false;
        if (previous != target) unlink(previous.c_str());
        return true;
    }

    bool DeleteValue(const std::string& name) override
    {
        return UsableName(name) && unlink(EntryPath(name).c_str()) == 0;
    }

    std::optional<TRegValueInfo> QueryValue(const std::string& name) override
    {
        const auto value = ReadValue(name);
        if (!value) return std::nullopt;
        return TRegValueInfo{value->Type, static_cast<uint32_t>(value->Data.size())};
    }

    std::optional<TRegValue> ReadValue(const std::string& name) override
    {
        if (!UsableName(name)) return std::nullopt;
        // Plain reads rather than a stream: a stream sets up the C++ locale machinery, a few hundred
        // kilobytes of memory held for the rest of the run, for a file read once at start.
        const TFileDescriptor entry(::open(EntryPath(name).c_str(), O_RDONLY | O_CLOEXEC));
        if (!entry.Valid()) return std::nullopt;
        const std::optional<std::string> text = ReadAll(entry.Get());
        if (!text) return std::nullopt;
        for (std::size_t start = 0; start < text->size();) {
            const std::size_t end = std::min(text->find('\n', start), text->size());
            const std::string_view line = std::string_view(*text).substr(start, end - start);
            if (line.starts_with("Exec="))
                return TextValue(TAutostartRegistry::ProgramOfExec(std::string(line.substr(5))));
            start = end + 1;
        }
        return std::nullopt;
    }

private:
    // Value names ignore letter case, as every registry name does, so an entry written as "Quorvel" is found
    // as "quorvel"; a new entry takes the name it is written with.
    std::string EntryPath(const std::string& name) const
    {
        const std::string wanted = Lower(name + ".desktop");
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(Folder, error)) {
            if (Lower(entry.path().filename().string()) == wanted) return entry.path().string();
        }
        return Folder + "/" + name + ".desktop";
    }

    std::string EntryText(const std::string& name, const std::string& program) const
    {
        return "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=" +
               EscapeString(name) +
               "\n"
               "Comment=Network connection meter\n"
               "Exec=" +
               TAutostartRegistry::ExecValue(program) +
               "\n"
               "Icon=" +
               IconName +
               "\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n";
    }

    std::string Folder;
    std::string IconName;
};

} // namespace

TAutostartRegistry::TAutostartRegistry(IRegistry& inner, std::string autostartFolder, std::string iconName)
    : Inner(inner), Folder(std::move(autostartFolder)), IconName(std::move(iconName))
{
}

std::string TAutostartRegistry::DefaultFolder(const XdgPaths::TEnvironment& environment)
{
    return XdgPaths::ConfigHome(environment) + "/autostart";
}

std::unique_ptr<IRegistryKey> TAutostartRegistry::OpenKey(const std::string& path, bool create)
{
    // The Run key always exists for a user, so it opens without being created.
    if (IsRunKey(path)) return std::make_unique<TAutostartKey>(Folder, IconName);
    return Inner.OpenKey(path, create);
}

std::string TAutostartRegistry::ExecValue(const std::string& programPath)
{
    static constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    if (programPath.find_first_of(Reserved) == std::string::npos) {
        argument = programPath;
    } else {
        argument = "\"";
        for (const char c : programPath) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    std::string fieldCodesEscaped;
    for (const char c : argument) {
        fieldCodesEscaped += c;
        if (c == '%') fieldCodesEscaped += '%';
    }
    // The string escapes of the file format apply on top of the quoting.
    return EscapeString(fieldCodesEscaped);
}

std::string TAutostartRegistry::ProgramOfExec(const std::string& exec)
{
    const std::string quoted = UnescapeString(exec);
    std::string argument;
    if (quoted.starts_with('"')) {
        for (std::size_t i = 1; i < quoted.size() && quoted[i] != '"'; ++i) {
            if (quoted[i] == '\\' && i + 1 < quoted.size()) ++i;
            argument += quoted[i];
        }
    } else {
        argument = quoted.substr(0, quoted.find(' '));
    }
    std::string program;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        program += argument[i];
        if (argument[i] == '%' && i + 1 < argument.size() && argument[i + 1] == '%') ++i;
    }
    return program;
}
