#include "ConnectionHistory.h"

#include "Formatting.h"
#include "MonitorState.h"

#include "platform/ITextFiles.h"

#include <QStringList>

namespace ConnectionHistory {

std::string HistoryPath(const std::string& programPath)
{
    const std::size_t nameStart = programPath.rfind('/') + 1;
    const std::size_t dot = programPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? programPath.substr(0, dot) : programPath) + ".log";
}

std::string HistoryPath(ITextFiles& files, const std::string& programPath)
{
    const std::string beside = HistoryPath(programPath);
    const std::size_t slash = beside.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : beside.substr(0, slash);
    if (files.FolderWritable(folder)) return beside;
    // Installed under a system prefix: the user's own data folder takes the file instead.
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
