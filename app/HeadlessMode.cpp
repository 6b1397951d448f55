#include "HeadlessMode.h"

#include <QByteArray>
#include <QtGlobal>

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
