#pragma once

#include <QObject>
#include <QPointF>

#include <functional>
#include <optional>

class QWidget;
class QWindow;

// Lets the user drag a borderless window by one of its widgets. The window manager's move starts only once
// the pointer has travelled the desktop's drag distance with the left button held: a move started at the
// press would take the pointer from the program, and the window manager would swallow the second click
// of a double click. A press released where it began stays a click.
class TDragToMove : public QObject {
public:
    // Starts the window manager's move of the window; false where the window system cannot.
    using TMoveStarter = std::function<bool(QWindow*)>;

    // Watches the handle's mouse events; the move is of the window the handle lies in.
    explicit TDragToMove(QWidget& handle);

    void SetMoveStarter(TMoveStarter starter) { StartMove = std::move(starter); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow(const QPointF& pointer);

    QWidget& Handle;
    TMoveStarter StartMove;
    // Where the left button went down, while it is held and no move has started.
    std::optional<QPointF> PressedAt;
};
