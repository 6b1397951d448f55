#include "TrayIconSetup.h"

#include "MainParts.h"

#include "platform/qt/QtNotificationArea.h"
#include "platform/qt/QtTimer.h"
#include "ui/ImageList.h"
#include "ui/TrayArtwork.h"
#include "ui/TrayIcon.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <memory>

void TrayIconSetup::Build(QWidget& window, TMainParts& parts, INotificationArea* notificationArea)
{
    parts.IconList = new TImageList(&window);
    parts.IconList->setObjectName("IconList");
    for (int state = 0; state < TrayArtwork::StateCount; ++state)
        parts.IconList->Add(TrayArtwork::Icon(state));
    // The desktop's area belongs to the icon, so that it outlives every request the icon makes.
    std::unique_ptr<TQtNotificationArea> ownArea;
    if (!notificationArea) notificationArea = (ownArea = std::make_unique<TQtNotificationArea>()).get();
    auto* icon = parts.TrayIcon =
        new TTrayIcon(*notificationArea, std::make_unique<TQtTimer>(), std::make_unique<TQtTimer>(), &window);
    if (ownArea) ownArea.release()->setParent(icon);
    icon->setObjectName("TrayIcon");
    icon->SetIconList(parts.IconList);
    icon->SetPopupMenu(parts.PopupMenu);
    icon->SetHint("0.0.0.0");
    icon->SetIconIndex(0);
    icon->SetCycleInterval(0);
    icon->SetMainWindow(&window);
    icon->Loaded();
}

void TrayIconSetup::LoadUserImages(TMainParts& parts, const std::string& programPath)
{
    const QDir folder = QFileInfo(QString::fromStdString(programPath)).absoluteDir();
    for (int i = 0; i < TrayArtwork::StateCount; ++i) {
        const bool loaded = parts.IconList->LoadFromFile(i, folder.filePath(QString("qorvix%1.ico").arg(i)));
        if (loaded && i == 0) parts.TrayIcon->SetIconIndex(0);
    }
}
