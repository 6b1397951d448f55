#pragma once

#include "platform/INotificationArea.h"

#include <QMenu>
#include <QPointer>

#include <vector>

// A notification area that records every request and lets the test play the user's mouse actions and
// the return of the tray. It accepts requests like a desktop would: an add only when the icon is not
// there, a modify or delete only when it is.
class TFakeNotificationArea final : public INotificationArea {
public:
    enum class TRequest { Add, Modify, Delete };
    struct TRecord {
        TRequest Kind;
        qint64 Icon;
        QString Tip;
    };

    std::vector<TRecord> Requests;
    bool Shown = false;
    bool Refusing = false; // a desktop without a notification area
    qint64 ShownIcon = 0;  // the shown picture's key
    TNotifyIcon ShownPicture;
    QString ShownTip;
    QPointer<QMenu> Menu;
    int Interval = 400;

    bool Add(const TNotifyIcon& icon, const QString& tip) override
    {
        Requests.push_back({TRequest::Add, icon.Key, tip});
        if (Refusing || Shown) return false;
        Shown = true;
        Show(icon, tip);
        return true;
    }
    bool Modify(const TNotifyIcon& icon, const QString& tip) override
    {
        Requests.push_back({TRequest::Modify, icon.Key, tip});
        if (Refusing || !Shown) return false;
        Show(icon, tip);
        return true;
    }
    bool Delete() override
    {
        Requests.push_back({TRequest::Delete, 0, {}});
        if (Refusing || !Shown) return false;
        Shown = false;
        return true;
    }
    void SetMenu(QMenu* menu) override { Menu = menu; }
    int DoubleClickInterval() const override { return Interval; }
    void SetHandlers(TMouseHandler mouse, TTrayCreatedHandler trayCreated) override
    {
        OnMouse = std::move(mouse);
        OnCreated = std::move(trayCreated);
    }

    void Press(TNotifyMouse kind, QPoint position = {10, 20}, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        if (OnMouse) OnMouse({kind, position, keys});
    }
    // The panel was restarted: the new tray holds no icon.
    void TrayComesBack()
    {
        Shown = false;
        if (OnCreated) OnCreated();
    }
    int Count(TRequest kind) const
    {
        int count = 0;
        for (const TRecord& request : Requests)
            count += request.Kind == kind;
        return count;
    }

private:
    void Show(const TNotifyIcon& icon, const QString& tip)
    {
        ShownIcon = icon.Key;
        ShownPicture = icon;
        ShownTip = tip;
    }

    TMouseHandler OnMouse;
    TTrayCreatedHandler OnCreated;
};
