#pragma once

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "platform/qt/X11WindowHints.h"

// Puts a window at the top of its stack where the window system stacks windows; the offscreen platform of
// a headless run cannot, and answers every request with a warning on standard error.
inline void RaiseWhereStacked(QWidget* window)
{
    static const bool stacksWindows =
        QGuiApplication::platformName() != "offscreen" && QGuiApplication::platformName() != "minimal";
    if (stacksWindows) window->raise();
}

// Keeps a window above the others, or lets it go, in place. Changing a widget's flags the usual way
// destroys and re-creates its native window (a flash, and the window manager may place it anew). On X11
// the window manager is asked to change the stacking state of the existing window (_NET_WM_STATE_ABOVE),
// and the widget only records the hint; elsewhere the flags go to the existing native window. A window
// kept above this way carries the state into each later map through ReapplyStaysOnTop.
inline void SetStaysOnTop(QWidget& window, bool onTop)
{
    Qt::WindowFlags flags = window.windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    window.overrideWindowFlags(flags);
    QWindow* handle = window.windowHandle();
    if (!handle) handle = (window.winId(), window.windowHandle());
    if (!handle || X11WindowHints::SetAbove(*handle, onTop)) return;
    handle->setFlags(flags);
}

// From the window's show event, before it is mapped: the window manager forgets a withdrawn window's
// stacking state, and the native window's own flags do not carry the one SetStaysOnTop set on X11.
inline void ReapplyStaysOnTop(QWidget& window)
{
    if (QWindow* handle = window.windowHandle())
        X11WindowHints::SetAbove(*handle, window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}
