#pragma once

#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QMenu;

// What the user did to the icon, as the notification area reports it. Desktops that only report
// activations (StatusNotifierItem, Qt's X11 tray) are mapped onto these by the realisation: an
// activation is a left press followed by its release, a context request is ContextMenu.
enum class TNotifyMouse {
    Move,
    LeftDown,
    LeftUp,
    LeftDoubleClick,
    RightDown,
    RightUp,
    MiddleDown,
    MiddleUp,
    // The right button asked for the menu, and the desktop shows the menu it was given itself.
    ContextMenu,
    // The one activation of a desktop that reports a single left click and never a double click
    // (StatusNotifierItem hosts): the click the user makes to open the program.
    Activate,
};

struct TNotifyMouseEvent {
    TNotifyMouse Kind = TNotifyMouse::Move;
    // The pointer on the screen and the modifier keys down, both read when the event is handled.
    QPoint Position;
    Qt::KeyboardModifiers Keys;
};

// One size of the icon's picture: Width x Height pixels, row by row from the top left, each 0xAARRGGBB
// with alpha not premultiplied.
struct TNotifyImage {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Pixels;
};

// The icon's picture at each size it comes in, so that the desktop can take a sharp one for its panel
// instead of scaling one. Pictures with the same key are the same picture: the area compares keys, not
// pixels, to leave an unchanged one unsent. Key 0 and no images is no picture.
struct TNotifyIcon {
    int64_t Key = 0;
    std::vector<TNotifyImage> Images;
};

// The desktop's notification area ("system tray") holding one icon with a tooltip. Each request answers
// whether the desktop accepted it; a desktop without a notification area refuses them all.
class INotificationArea {
public:
    using TMouseHandler = std::function<void(const TNotifyMouseEvent&)>;
    using TTrayCreatedHandler = std::function<void()>;

    virtual ~INotificationArea() = default;

    virtual bool Add(const TNotifyIcon& icon, const QString& tip) = 0;
    // Refused when the icon is not in the area.
    virtual bool Modify(const TNotifyIcon& icon, const QString& tip) = 0;
    virtual bool Delete() = 0;
    // The menu that desktops which only show menus they were given show on a context request; nullptr
    // for none. Not owned.
    virtual void SetMenu(QMenu* menu) = 0;
    // The desktop's double-click time in milliseconds, the one that decides its LeftDoubleClick.
    virtual int DoubleClickInterval() const = 0;
    // The handlers are called on the user-interface thread; the tray-created one when a notification area
    // appears (again), for example after the panel that holds it was restarted. The area then no longer
    // shows an icon added before.
    virtual void SetHandlers(TMouseHandler mouse, TTrayCreatedHandler trayCreated) = 0;
};
