#include "ConnectionHistory.h"

#include "Formatting.h"
#include "MonitorState.h"

#include "app/InstallLayout.h"
#include "platform/ITextFiles.h"

#include <QStringList>

namespace ConnectionHistory {
namespace {

std::string Parent(const std::string& folder)
{
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos) return folder + "/..";
    return slash == 0 ? "/" : folder.substr(0, slash);
}

std::string Name(const std::string& folder) { return folder.substr(folder.rfind('/') + 1); }

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

} // namespace

std::string HistoryPath(const std::string& programPath)
{
    const std::size_t nameStart = programPath.rfind('/') + 1;
    const std::size_t dot = programPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? programPath.substr(0, dot) : programPath) + ".log";
}

bool HistoryBesideProgram(ITextFiles& files, const std::string& programFolder)
{
    const std::string prefix = Parent(programFolder);
    const bool installed = Name(programFolder) == "bin" && (files.FileExists(Join(prefix, InstalledLauncher)) ||
                                                            files.FileExists(Join(prefix, InstalledMetainfo)) ||
                                                            files.FileExists(Join(prefix, InstalledMarker)));
    if (installed) return false;
    const bool portable = files.FileExists(Join(programFolder, PortableMarker)) ||
                          files.FileExists(Join(programFolder, BuildTreeMarker)) ||
                          files.FileExists(Join(prefix, BuildTreeMarker));
    return portable && files.FolderWritable(programFolder);
}

std::string HistoryPath(ITextFiles& files, const std::string& programPath)
{
    const std::string beside = HistoryPath(programPath);
    const std::size_t slash = beside.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : beside.substr(0, slash);
    if (HistoryBesideProgram(files, folder)) return beside;
    // Installed, or a copy that is no portable one: the user's own data folder takes the file.
    const std::string dataFolder = files.UserDataFolder() + "/quorvel";
    files.CreateFolder(dataFolder);
    return dataFolder + "/" + beside.substr(slash + 1);
}

QString RecordLine(const MonitorState& state, const QString& clientIp)
{
    return QStringList{state.LastOnLine,
                       state.LastOffLine,
                       state.LastConn,
                       QString::number(state.LastSpeed),
                       QString::number(state.LastSent),
                       QString::number(state.LastRecv),
                       Formatting::FormatDuration(state.LastDuration),
                       clientIp}
        .join(',');
}

void Append(ITextFiles& files, const std::string& path, const QString& record)
{
    // The header and the first record reach a new file together, so a failure never leaves a file that
    // exists without its header.
    std::unique_ptr<ITextFile> file;
    if (!files.FileExists(path)) {
        file = files.Create(path);
        file->WriteLine(HeaderLine);
    } else {
        file = files.OpenForAppend(path);
    }
    try {
        file->WriteLine(record.toStdString());
        file->Flush();
    } catch (...) {
        try {
            file->Close();
        } catch (...) {
            // The first failure is the one worth reporting.
        }
        throw;
    }
    file->Close();
}

} // namespace ConnectionHistory
