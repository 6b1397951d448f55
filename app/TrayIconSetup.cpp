#include "TrayIconSetup.h"

#include "main.h"

#include "platform/qt/QtNotificationArea.h"
#include "platform/qt/QtTimer.h"
#include "ui/ImageList.h"
#include "ui/TrayArtwork.h"
#include "ui/TrayIcon.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

void TrayIconSetup::Build(TMainForm& form, INotificationArea* notificationArea)
{
    form.IconList = new TImageList(&form);
    form.IconList->setObjectName("IconList");
    for (int state = 0; state < TrayArtwork::StateCount; ++state)
        form.IconList->Add(TrayArtwork::Icon(state));
    // The desktop's area belongs to the icon, so that it outlives every request the icon makes.
    std::unique_ptr<TQtNotificationArea> ownArea;
    if (!notificationArea) notificationArea = (ownArea = std::make_unique<TQtNotificationArea>()).get();
    auto* icon = form.TrayIcon =
        new TTrayIcon(*notificationArea, std::make_unique<TQtTimer>(), std::make_unique<TQtTimer>(), &form);
    if (ownArea) ownArea.release()->setParent(icon);
    icon->setObjectName("TrayIcon");
    icon->SetIconList(form.IconList);
    icon->SetPopupMenu(form.PopupMenu);
    icon->SetHint("0.0.0.0");
    icon->SetIconIndex(0);
    icon->SetCycleInterval(0);
    icon->SetMainWindow(&form);
    icon->Loaded();
}

void TrayIconSetup::LoadUserImages(TMainForm& form, const std::string& programPath)
{
    const QDir folder = QFileInfo(QString::fromStdString(programPath)).absoluteDir();
    for (int i = 0; i < TrayArtwork::StateCount; ++i) {
        const bool loaded = form.IconList->LoadFromFile(i, folder.filePath(QString("qorvix%1.ico").arg(i)));
        if (loaded && i == 0) form.TrayIcon->SetIconIndex(0);
    }
}
