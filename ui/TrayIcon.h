#pragma once

#include "platform/INotificationArea.h"
#include "platform/ITimer.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class TImageList;
class TTrayIcon;

// The modifier keys down during a mouse action, plus the button for a press or release.
struct TShiftState {
    Qt::KeyboardModifiers Keys;
    Qt::MouseButtons Buttons;
    bool operator==(const TShiftState&) const = default;
};

using TNotifyEvent = std::function<void(TTrayIcon& sender)>;
using TCycleEvent = std::function<void(TTrayIcon& sender, int nextIndex)>;
using TMouseEvent = std::function<void(TTrayIcon& sender, Qt::MouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TTrayIcon& sender, TShiftState shift, int x, int y)>;

// One icon with a tooltip in the desktop's notification area. It turns the user's mouse actions on the
// icon into events, pops up its menu, can cycle through an image list, and can send the main window to
// the tray when it is minimised. It knows nothing of the window that owns it: it is given the menu, the
// images and the window to show.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    // The tip holds at most this many characters; longer hints are cut.
    static constexpr int MaxTipLength = 127;

    TTrayIcon(INotificationArea& area, std::unique_ptr<ITimer> cycleTimer, std::unique_ptr<ITimer> clickTimer,
              QObject* owner = nullptr);
    ~TTrayIcon() override;

    // Called once the owner has set the initial properties: sends them and adds the icon when IconVisible.
    void Loaded();

    // Each answers whether the notification area accepted the request; the properties keep their values
    // either way.
    bool ShowIcon();
    bool HideIcon();
    bool ModifyIcon();

    // Brings the main window back from the tray or the taskbar: visible, not minimised, in front.
    void ShowMainForm();
    // Sends the minimised main window to the tray. Without a notification area to hold the icon the
    // window stays minimised on the taskbar, where the user can still reach it.
    void SendToTray();
    // The window hidden in the tray gets its taskbar button back and stays minimised.
    void ReturnToTaskbar();
    // The main window is hidden in the tray (and nothing else has shown it since).
    bool HoldsWindow() const;
    // The notification area holds the icon.
    bool InArea() const { return Accepted; }
    // At the program's end: no image cycle and no pending click runs any more.
    void StopTimers();

    // The window that minimising sends to the tray (with MinimizeToTray) and ShowMainForm brings back.
    QWidget* MainWindow() const { return Window; }
    void SetMainWindow(QWidget* window);

    // The tooltip as it goes to the notification area: Hint cut to MaxTipLength, or empty when Hint is
    // empty or ShowHint is off.
    QString Tip() const;

    bool Enabled() const { return IsEnabled; }
    void SetEnabled(bool value);
    const QIcon& Icon() const { return CurrentIcon; }
    void SetIcon(const QIcon& value);
    bool IconVisible() const { return IsIconVisible; }
    void SetIconVisible(bool value);
    const QString& Hint() const { return HintText; }
    void SetHint(const QString& value);
    bool ShowHint() const { return IsHintShown; }
    void SetShowHint(bool value);
    QMenu* PopupMenu() const { return Menu; }
    void SetPopupMenu(QMenu* value);
    bool LeftPopup() const { return IsLeftPopup; }
    void SetLeftPopup(bool value) { IsLeftPopup = value; }
    bool MinimizeToTray() const { return IsMinimizeToTray; }
    void SetMinimizeToTray(bool value) { IsMinimizeToTray = value; }
    int32_t IconIndex() const { return Index; }
    void SetIconIndex(int32_t value);
    TImageList* IconList() const { return Images; }
    void SetIconList(TImageList* value);
    bool CycleIcons() const { return IsCycling; }
    void SetCycleIcons(bool value);
    uint32_t CycleInterval() const { return CycleMilliseconds; }
    void SetCycleInterval(uint32_t value);

    const TNotifyEvent& OnClick() const { return ClickEvent; }
    void SetOnClick(TNotifyEvent value) { ClickEvent = std::move(value); }
    const TNotifyEvent& OnDblClick() const { return DblClickEvent; }
    void SetOnDblClick(TNotifyEvent value) { DblClickEvent = std::move(value); }
    const TCycleEvent& OnCycle() const { return CycleEvent; }
    void SetOnCycle(TCycleEvent value) { CycleEvent = std::move(value); }
    const TMouseEvent& OnMouseDown() const { return MouseDownEvent; }
    void SetOnMouseDown(TMouseEvent value) { MouseDownEvent = std::move(value); }
    const TMouseEvent& OnMouseUp() const { return MouseUpEvent; }
    void SetOnMouseUp(TMouseEvent value) { MouseUpEvent = std::move(value); }
    const TMouseMoveEvent& OnMouseMove() const { return MouseMoveEvent; }
    void SetOnMouseMove(TMouseMoveEvent value) { MouseMoveEvent = std::move(value); }
    // The first time in a run that the window could not go to the tray for want of a notification area.
    const TNotifyEvent& OnAreaMissing() const { return AreaMissingEvent; }
    void SetOnAreaMissing(TNotifyEvent value) { AreaMissingEvent = std::move(value); }
    // Says once per run that there is no notification area; SendToTray does it when it falls back.
    void ReportAreaMissing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HandleMouse(const TNotifyMouseEvent& event);
    void LeftDown(const TNotifyMouseEvent& event);
    void LeftUp(const TNotifyMouseEvent& event);
    void LeftDoubleClick();
    void Activate(const TNotifyMouseEvent& event);
    void RunDefaultItem();
    void ClickTimerStep();
    void CycleStep();
    void TrayCreated();
    void PopupAt(const QPoint& position);
    void UpdateAreaMenu();
    void Forget() { Accepted = false; }
    void Remember();
    // The icon's pictures as they go to the area, taken again only when the icon changed.
    const TNotifyIcon& AreaIcon();

    void Click();
    void DblClick();
    void CycleIcon(int nextIndex);
    void MouseDown(Qt::MouseButton button, TShiftState shift, const QPoint& position);
    void MouseUp(Qt::MouseButton button, TShiftState shift, const QPoint& position);
    void MouseMove(TShiftState shift, const QPoint& position);

    INotificationArea& Area;
    bool IsEnabled = true;
    QIcon CurrentIcon;
    bool IsIconVisible = true;
    QString HintText;
    bool IsHintShown = true;
    QPointer<QMenu> Menu;
    bool IsLeftPopup = false;
    bool IsMinimizeToTray = false;
    bool ClickStart = false;
    bool ClickReady = false;
    std::unique_ptr<ITimer> CycleTimer;
    std::unique_ptr<ITimer> ClickTimer;
    bool DblClicked = false;
    int32_t Index = 0;
    QPointer<TImageList> Images;
    QMetaObject::Connection ImagesGone;
    QMetaObject::Connection MenuGone;
    bool IsCycling = false;
    uint32_t CycleMilliseconds = 0;
    QPointer<QWidget> Window;
    bool InTray = false; // this icon hid the window

    bool AreaMissingReported = false;

    // What the notification area shows, as far as it accepted it: a modification that would change
    // neither the image nor the tip is not sent (each costs the desktop a round trip).
    bool Accepted = false;
    qint64 AcceptedIcon = 0;
    QString AcceptedTip;
    TNotifyIcon AreaIconCache;

    TNotifyEvent ClickEvent;
    TNotifyEvent DblClickEvent;
    TCycleEvent CycleEvent;
    TMouseEvent MouseDownEvent;
    TMouseEvent MouseUpEvent;
    TMouseMoveEvent MouseMoveEvent;
    TNotifyEvent AreaMissingEvent;
};
