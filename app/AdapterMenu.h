#pragma once

#include "netinfo/AdapterChoice.h"

#include <QObject>

#include <functional>

class IIpHelper;
class QAction;
class QActionGroup;
class QMenu;

// The "Adapter" submenu: the three ways of choosing, then one item per present interface, the current
// choice checked. It is filled anew each time it opens, so it lists the interfaces there are then.
class TAdapterMenu : public QObject {
    Q_OBJECT
public:
    using TCurrentChoice = std::function<TAdapterChoice()>;

    TAdapterMenu(QMenu& menu, IIpHelper& ipHelper, TCurrentChoice current);

    // Fills the menu as it is about to open.
    void Rebuild();

signals:
    void Chosen(const TAdapterChoice& choice);

private:
    QAction* AddChoice(const QString& caption, const TAdapterChoice& choice, const TAdapterChoice& current);

    QMenu& Menu;
    IIpHelper& IpHelper;
    TCurrentChoice Current;
    QActionGroup* Group = nullptr;
};
