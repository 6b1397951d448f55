#pragma once

#include <string>

class INotificationArea;
class QWidget;
struct TMainParts;

// The main window's tray icon: its five pictures, the menu and the window it shows. The form keeps the
// behaviour (which picture, which hint); this only builds the component.
namespace TrayIconSetup {

// Creates the image list and the icon on the window, offline, and fills the parts' IconList and TrayIcon.
// Without a notification area of the caller's, the desktop's is used.
void Build(QWidget& window, TMainParts& parts, INotificationArea* notificationArea);

// Pictures of the user's beside the program (qorvix0.ico to qorvix4.ico) replace the built-in ones, each on
// its own: a missing or broken file leaves that one built-in picture.
void LoadUserImages(TMainParts& parts, const std::string& programPath);

} // namespace TrayIconSetup
