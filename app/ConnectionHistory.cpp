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
