#include "DisplayOptions.h"

#include <QByteArray>
#include <QtGlobal>

// With shared memory, Qt waits for the X server (a round trip, and a wake-up of its event thread) before
// it paints again into pixels the server may still be reading. This program repaints a few small texts in
// two windows once a second, all day: sending those few kilobytes over the connection costs less than the
// two waits. Whole-window paints (a window shown or uncovered) are rare. A variable the user has set stays.
void DisplayOptions::PrepareX11Painting()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", QByteArrayLiteral("1"));
}

DisplayOptions::TPlatformChoice DisplayOptions::ChoosePlatform(const XdgPaths::TEnvironment& environment)
{
    // Empty counts as unset, as it does for the headless check.
    const auto set = [&](const char* name) {
        const char* value = environment(name);
        return value && value[0] != '\0';
    };
    if (set("QT_QPA_PLATFORM") || !set("WAYLAND_DISPLAY")) return {};
    if (set("DISPLAY")) return {"xcb", std::nullopt};
    return {std::nullopt, "Wayland without XWayland: the desktop decides where windows go and what stays on top."};
}
