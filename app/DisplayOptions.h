#pragma once

#include "platform/linux/XdgPaths.h"

#include <optional>
#include <string>

// Settings of Qt's display connection that must be made before the application object exists.
namespace DisplayOptions {

// On X11, sends repainted pixels over the display connection instead of through shared memory.
void PrepareX11Painting();

struct TPlatformChoice {
    // To be set as QT_QPA_PLATFORM before the application object exists; nothing: Qt's own choice.
    std::optional<std::string> Platform;
    // A line for the status log about what the platform leaves to the desktop.
    std::optional<std::string> Note;
};

// On Wayland, the desktop ignores where a window asks to be and whether it stays on top, and the tray may be
// missing: with XWayland there (DISPLAY and WAYLAND_DISPLAY both set) the program runs on X11; without it,
// natively, with a note saying so. A QT_QPA_PLATFORM the user set is kept; outside Wayland nothing changes.
TPlatformChoice ChoosePlatform(const XdgPaths::TEnvironment& environment);

} // namespace DisplayOptions
