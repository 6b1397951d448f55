#include "AdapterMenu.h"

#include "platform/IIpHelper.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

TAdapterMenu::TAdapterMenu(QMenu& menu, IIpHelper& ipHelper, TCurrentChoice current)
    : QObject(&menu), Menu(menu), IpHelper(ipHelper), Current(std::move(current))
{
    connect(&Menu, &QMenu::aboutToShow, this, &TAdapterMenu::Rebuild);
    Rebuild();
}

void TAdapterMenu::Rebuild()
{
    Menu.clear();
    delete Group;
    Group = new QActionGroup(this);
    const TAdapterChoice current = Current();
    using TMode = TAdapterChoice::TMode;
    AddChoice("First Ethernet Adapter", {TMode::FirstEthernet, {}}, current);
    AddChoice("Default Route", {TMode::DefaultRoute, {}}, current);
    AddChoice("All Physical Adapters", {TMode::AllPhysical, {}}, current);
    Menu.addSeparator();
    for (const TInterfaceView& view : IpHelper.Interfaces()) {
        if (view.Kind == TInterfaceKind::Loopback) continue;
        // An ampersand in a name is a letter of it, not the mark of a shortcut.
        const QString caption = QString::fromStdString(view.Name + " (" + KindName(view.Kind) + ")");
        AddChoice(QString(caption).replace('&', "&&"), {TMode::Named, view.Name}, current);
    }
}

QAction* TAdapterMenu::AddChoice(const QString& caption, const TAdapterChoice& choice, const TAdapterChoice& current)
{
    QAction* item = Menu.addAction(caption);
    item->setCheckable(true);
    item->setChecked(choice == current);
    item->setActionGroup(Group);
    connect(item, &QAction::triggered, this, [this, choice] { emit Chosen(choice); });
    return item;
}
