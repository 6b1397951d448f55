#include "TrayIcon.h"

#include "ImageList.h"

#include "platform/qt/X11WindowHints.h"

#include <QAction>
#include <QEvent>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <climits>

namespace {

// Each size the icon was made in; an icon that draws itself at any size is taken at the sizes panels use.
TNotifyIcon ToNotifyIcon(const QIcon& icon)
{
    TNotifyIcon result{icon.cacheKey(), {}};
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty() && !icon.isNull()) sizes = {{16, 16}, {22, 22}, {24, 24}, {32, 32}};
    for (const QSize& size : sizes) {
        // One device pixel per pixel: the picture as it was made, whatever the scale of the screen.
        const QImage image = icon.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) continue;
        TNotifyImage& picture = result.Images.emplace_back();
        picture.Width = image.width();
        picture.Height = image.height();
        picture.Pixels.reserve(static_cast<size_t>(image.width()) * static_cast<size_t>(image.height()));
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
            picture.Pixels.insert(picture.Pixels.end(), line, line + image.width());
        }
    }
    return result;
}

} // namespace

TTrayIcon::TTrayIcon(INotificationArea& area, std::unique_ptr<ITimer> cycleTimer, std::unique_ptr<ITimer> clickTimer,
                     QObject* owner)
    : QObject(owner), Area(area), CycleTimer(std::move(cycleTimer)), ClickTimer(std::move(clickTimer))
{
    CycleTimer->SetEnabled(false);
    CycleTimer->SetInterval(0);
    CycleTimer->SetOnTimer([this] { CycleStep(); });
    ClickTimer->SetEnabled(false);
    // Read once: the click logic must match the double clicks the desktop reports.
    ClickTimer->SetInterval(Area.DoubleClickInterval());
    ClickTimer->SetOnTimer([this] { ClickTimerStep(); });
    Area.SetHandlers([this](const TNotifyMouseEvent& event) { HandleMouse(event); }, [this] { TrayCreated(); });
}

TTrayIcon::~TTrayIcon()
{
    SetIconVisible(false);
    Area.SetMenu(nullptr);
    Area.SetHandlers({}, {});
    if (Window) Window->removeEventFilter(this);
}

void TTrayIcon::Loaded()
{
    ModifyIcon();
    SetIconVisible(IsIconVisible);
}

QString TTrayIcon::Tip() const
{
    if (HintText.isEmpty() || !IsHintShown) return {};
    return HintText.left(MaxTipLength);
}

void TTrayIcon::Remember()
{
    Accepted = true;
    AcceptedIcon = CurrentIcon.cacheKey();
    AcceptedTip = Tip();
}

const TNotifyIcon& TTrayIcon::AreaIcon()
{
    if (AreaIconCache.Key != CurrentIcon.cacheKey()) AreaIconCache = ToNotifyIcon(CurrentIcon);
    return AreaIconCache;
}

bool TTrayIcon::ShowIcon()
{
    IsIconVisible = true;
    const bool added = Area.Add(AreaIcon(), Tip());
    if (added) Remember();
    return added;
}

bool TTrayIcon::HideIcon()
{
    IsIconVisible = false;
    Forget();
    return Area.Delete();
}

bool TTrayIcon::ModifyIcon()
{
    if (Accepted && AcceptedIcon == CurrentIcon.cacheKey() && AcceptedTip == Tip()) return true;
    const bool modified = Area.Modify(AreaIcon(), Tip());
    if (modified) Remember();
    return modified;
}

void TTrayIcon::ShowMainForm()
{
    if (!Window) return;
    InTray = false;
    Window->setWindowState(Window->windowState() & ~Qt::WindowMinimized);
    Window->show();
    Window->raise();
    Window->activateWindow();
}

void TTrayIcon::SetMainWindow(QWidget* window)
{
    if (Window) Window->removeEventFilter(this);
    Window = window;
    if (Window) Window->installEventFilter(this);
}

// Minimising the main window with MinimizeToTray set takes it off the taskbar; only the icon remains.
bool TTrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Window) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::WindowStateChange && Window->isMinimized() && IsMinimizeToTray) {
        // Hidden once the window system has finished minimising it, not in the middle of it.
        QMetaObject::invokeMethod(this, &TTrayIcon::SendToTray, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void TTrayIcon::SendToTray()
{
    if (!Window || !Window->isMinimized() || !Window->isVisible()) return;
    if (!Accepted) SetIconVisible(true); // a notification area may have appeared since the last request
    if (!Accepted) {
        ReportAreaMissing();
        return;
    }
    Window->hide();
    InTray = true;
}

bool TTrayIcon::HoldsWindow() const { return InTray && Window && !Window->isVisible(); }

void TTrayIcon::ReturnToTaskbar()
{
    if (!HoldsWindow()) return;
    InTray = false;
    Window->setWindowState(Window->windowState() | Qt::WindowMinimized);
    // A window restored by the program once and minimised by the window manager since has lost its
    // iconic initial state on the way; it is told again, or the window would come back restored.
    if (QWindow* handle = Window->windowHandle()) X11WindowHints::MapIconic(*handle);
    Window->show();
}

void TTrayIcon::ReportAreaMissing()
{
    if (AreaMissingReported) return;
    AreaMissingReported = true;
    if (AreaMissingEvent) AreaMissingEvent(*this);
}

void TTrayIcon::SetEnabled(bool value)
{
    IsEnabled = value;
    UpdateAreaMenu();
}

void TTrayIcon::SetIcon(const QIcon& value)
{
    CurrentIcon = value;
    ModifyIcon();
}

void TTrayIcon::SetIconVisible(bool value)
{
    if (value)
        ShowIcon();
    else
        HideIcon();
}

void TTrayIcon::SetHint(const QString& value)
{
    HintText = value;
    ModifyIcon();
}

void TTrayIcon::SetShowHint(bool value)
{
    IsHintShown = value;
    ModifyIcon();
}

void TTrayIcon::SetPopupMenu(QMenu* value)
{
    disconnect(MenuGone);
    Menu = value;
    if (Menu) MenuGone = connect(Menu, &QObject::destroyed, this, [this] { SetPopupMenu(nullptr); });
    UpdateAreaMenu();
}

// Desktops that show only a menu they were given show this one; a disabled icon offers none.
void TTrayIcon::UpdateAreaMenu() { Area.SetMenu(IsEnabled ? Menu.data() : nullptr); }

void TTrayIcon::SetIconIndex(int32_t value)
{
    if (Images) {
        Index = Images->Count() > 0 ? std::min(value, Images->Count() - 1) : 0;
        if (Index >= 0 && Index < Images->Count()) CurrentIcon = Images->Image(Index);
    } else {
        Index = 0;
    }
    ModifyIcon();
}

void TTrayIcon::SetIconList(TImageList* value)
{
    disconnect(ImagesGone);
    Images = value;
    if (Images) ImagesGone = connect(Images, &QObject::destroyed, this, [this] { SetIconList(nullptr); });
    SetIconIndex(0);
}

void TTrayIcon::SetCycleIcons(bool value)
{
    IsCycling = value;
    if (value) SetIconIndex(0);
    CycleTimer->SetEnabled(value);
}

void TTrayIcon::SetCycleInterval(uint32_t value)
{
    CycleMilliseconds = value;
    CycleTimer->SetInterval(static_cast<int>(std::min<uint32_t>(value, INT_MAX)));
}

void TTrayIcon::CycleStep()
{
    if (!Images) return;
    const int count = Images->Count();
    CurrentIcon = Images->Image(Index);
    const int next = Index + 1 < count ? Index + 1 : 0;
    CycleIcon(next);
    ModifyIcon();
    Index = next;
}

// The area forgot every icon when a new tray appeared.
void TTrayIcon::TrayCreated()
{
    Forget();
    if (IsIconVisible) ShowIcon();
}

void TTrayIcon::HandleMouse(const TNotifyMouseEvent& event)
{
    if (!IsEnabled) return;
    const TShiftState keys{event.Keys, Qt::NoButton};
    switch (event.Kind) {
    case TNotifyMouse::Move: MouseMove(keys, event.Position); break;
    case TNotifyMouse::LeftDown: LeftDown(event); break;
    case TNotifyMouse::LeftUp: LeftUp(event); break;
    case TNotifyMouse::LeftDoubleClick: LeftDoubleClick(); break;
    case TNotifyMouse::RightDown:
        MouseDown(Qt::RightButton, {event.Keys, Qt::RightButton}, event.Position);
        PopupAt(event.Position);
        break;
    case TNotifyMouse::ContextMenu: // the desktop shows the menu itself
        MouseDown(Qt::RightButton, {event.Keys, Qt::RightButton}, event.Position);
        break;
    case TNotifyMouse::RightUp: MouseUp(Qt::RightButton, {event.Keys, Qt::RightButton}, event.Position); break;
    case TNotifyMouse::MiddleDown: MouseDown(Qt::MiddleButton, {event.Keys, Qt::MiddleButton}, event.Position); break;
    case TNotifyMouse::MiddleUp: MouseUp(Qt::MiddleButton, {event.Keys, Qt::MiddleButton}, event.Position); break;
    case TNotifyMouse::Activate: Activate(event); break;
    }
}

// A press starts the click timer (one double-click time); a press that is still running keeps it going.
void TTrayIcon::LeftDown(const TNotifyMouseEvent& event)
{
    ClickTimer->SetEnabled(true);
    MouseDown(Qt::LeftButton, {event.Keys, Qt::LeftButton}, event.Position);
    ClickStart = true;
    if (IsLeftPopup) PopupAt(event.Position);
}

// A quick click is reported when the timer runs out; a press that outlasted it is reported here.
void TTrayIcon::LeftUp(const TNotifyMouseEvent& event)
{
    if (ClickStart) {
        ClickReady = true;
        if (!ClickTimer->Enabled()) {
            ClickStart = false;
            ClickReady = false;
            Click();
        }
    }
    ClickStart = false;
    MouseUp(Qt::LeftButton, {event.Keys, Qt::LeftButton}, event.Position);
}

void TTrayIcon::LeftDoubleClick()
{
    ClickReady = false;
    DblClicked = true;
    DblClick();
    RunDefaultItem();
}

// The desktop has already told a click from a double click and will send nothing more: the click is
// reported at once, and it is the user's way to open the program, as the double click is elsewhere.
void TTrayIcon::Activate(const TNotifyMouseEvent& event)
{
    MouseDown(Qt::LeftButton, {event.Keys, Qt::LeftButton}, event.Position);
    MouseUp(Qt::LeftButton, {event.Keys, Qt::LeftButton}, event.Position);
    Click();
    if (IsLeftPopup) {
        PopupAt(event.Position);
        return;
    }
    RunDefaultItem();
}

void TTrayIcon::RunDefaultItem()
{
    if (!Menu || IsLeftPopup) return;
    if (QAction* item = Menu->defaultAction()) item->trigger();
}

void TTrayIcon::ClickTimerStep()
{
    ClickTimer->SetEnabled(false);
    if (!DblClicked && ClickReady) {
        ClickReady = false;
        Click();
    }
    DblClicked = false;
}

void TTrayIcon::PopupAt(const QPoint& position)
{
    if (Menu) Menu->popup(position);
}

void TTrayIcon::Click()
{
    if (ClickEvent) ClickEvent(*this);
}

void TTrayIcon::DblClick()
{
    if (DblClickEvent) DblClickEvent(*this);
}

void TTrayIcon::CycleIcon(int nextIndex)
{
    if (CycleEvent) CycleEvent(*this, nextIndex);
}

void TTrayIcon::MouseDown(Qt::MouseButton button, TShiftState shift, const QPoint& position)
{
    if (MouseDownEvent) MouseDownEvent(*this, button, shift, position.x(), position.y());
}

void TTrayIcon::MouseUp(Qt::MouseButton button, TShiftState shift, const QPoint& position)
{
    if (MouseUpEvent) MouseUpEvent(*this, button, shift, position.x(), position.y());
}

void TTrayIcon::MouseMove(TShiftState shift, const QPoint& position)
{
    if (MouseMoveEvent) MouseMoveEvent(*this, shift, position.x(), position.y());
}

void TTrayIcon::StopTimers()
{
    CycleTimer->SetEnabled(false);
    ClickTimer->SetEnabled(false);
}
