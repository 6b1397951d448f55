#include "HeadlessMode.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>

bool HeadlessMode::PrepareHeadless()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) return platform.startsWith("offscreen") || platform.startsWith("minimal");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
    return false;
}

namespace {

void ReportOnlyFailures(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

void HeadlessMode::KeepQtMessagesOutOfTheReport() { qInstallMessageHandler(ReportOnlyFailures); }
