#pragma once

#include <QGuiApplication>
#include <QWidget>

// Puts a window at the top of its stack where the window system stacks windows; the offscreen platform of
// a headless run cannot, and answers every request with a warning on standard error.
inline void RaiseWhereStacked(QWidget* window)
{
    static const bool stacksWindows =
        QGuiApplication::platformName() != "offscreen" && QGuiApplication::platformName() != "minimal";
    if (stacksWindows) window->raise();
}
