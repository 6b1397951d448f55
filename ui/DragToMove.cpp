#include "DragToMove.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

bool SystemMove(QWindow* window) { return window && window->startSystemMove(); }

} // namespace

TDragToMove::TDragToMove(QWidget& handle) : QObject(&handle), Handle(handle), StartMove(SystemMove)
{
    Handle.installEventFilter(this);
}

// Only watches: every event still reaches the handle, so its clicks and double clicks stay its own.
bool TDragToMove::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &Handle) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) PressedAt = press->globalPosition();
        break;
    }
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (move->buttons() & Qt::LeftButton) Follow(move->globalPosition());
        break;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: PressedAt.reset(); break;
    default: break;
    }
    return false;
}

void TDragToMove::Follow(const QPointF& pointer)
{
    if (!PressedAt) return;
    if ((pointer - *PressedAt).manhattanLength() < QApplication::startDragDistance()) return;
    // The window manager owns the pointer from here on; the release goes to it, not to the handle.
    PressedAt.reset();
    StartMove(Handle.window()->windowHandle());
}
