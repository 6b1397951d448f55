#pragma once

class QWindow;

// What the window manager is told about a window that is no task of its own, on X11. Elsewhere (Wayland,
// the offscreen platform of a headless run) the desktop decides, and nothing is sent.
namespace X11WindowHints {

enum class TDesktops { Current, All };

// No taskbar button and no place in the pager; with All, shown on every virtual desktop. Meant for the
// moment before the window is mapped, when the window manager reads a window's initial state; a window
// already mapped is asked through the window manager instead.
void KeepOffTaskbar(QWindow& window, TDesktops desktops);

// Keeps the window above the others or lets it go, through the window manager: a mapped window is asked
// for, an unmapped one carries the state into its next map. False where the desktop is not X11. Qt's
// own way, a change of the window's flags, has Qt make a new native window at the next hide.
bool SetAbove(QWindow& window, bool above);

// The next map of this withdrawn window comes up iconic: the initial state of its hints, and the hidden
// state that window managers read at a map as well (some take the one, some the other).
void MapIconic(QWindow& window);

} // namespace X11WindowHints
