#pragma once

#include "platform/PlatformServices.h"

#include <QObject>

#include <memory>

class IErrorReporter;
class INotificationArea;
class QSessionManager;
class TAboutForm;
class TMainForm;
class TMonForm;
class TTerminationSignals;

// The running program: its three windows in their order, and the one way out that Exit, a stop signal
// and the end of the desktop session all take.
class TQorvixProgram : public QObject {
    Q_OBJECT
public:
    // Without a notification area of the caller's, the desktop's is used.
    TQorvixProgram(TPlatformServices services, IErrorReporter& reporter, INotificationArea* notificationArea = nullptr);
    ~TQorvixProgram() override;

    // Creates the main window (its FormCreate included), then the monitor and the about window. Raises
    // ENetClock when the time client engine is missing: the main window cannot be built without it.
    void Start();

    // The exit path: the close guard comes off, the windows' values are saved once, the event loop ends.
    // A failure of the save is reported after everything else is saved; the program ends all the same.
    void Exit();

    TMainForm& MainForm() const { return *Form; }
    TMonForm& MonForm() const { return *Monitor; }
    TAboutForm& AboutForm() const { return *About; }

private:
    void SessionEnding(QSessionManager& manager);

    TPlatformServices Services;
    IErrorReporter& Reporter;
    INotificationArea* NotificationArea;
    // Declared in creation order, so the windows that lean on the main window go first.
    std::unique_ptr<TMainForm> Form;
    std::unique_ptr<TMonForm> Monitor;
    std::unique_ptr<TAboutForm> About;
    std::unique_ptr<TTerminationSignals> Termination;
    bool Exiting = false;
};
