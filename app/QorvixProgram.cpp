#include "QorvixProgram.h"

#include "main.h"

#include "platform/IConsole.h"
#include "platform/IErrorReporter.h"
#include "platform/qt/TerminationSignals.h"
#include "ui/About.h"
#include "ui/mon.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

TQorvixProgram::TQorvixProgram(TPlatformServices services, IErrorReporter& reporter,
                               INotificationArea* notificationArea)
    : Services(services), Reporter(reporter), NotificationArea(notificationArea)
{
}

TQorvixProgram::~TQorvixProgram() = default;

void TQorvixProgram::Start()
{
    // A stop request and the end of the session save what Exit saves: nothing is lost either way. The
    // signals are caught before the windows are built, so that one arriving during start-up is not the
    // default end; it is carried out by the event loop, once everything stands.
    Termination = std::make_unique<TTerminationSignals>();
    connect(Termination.get(), &TTerminationSignals::TerminationRequested, this, [this](int) {
        if (Exiting) return; // a second signal while the first one's exit runs says nothing more
        Services.Console.WriteLine("Quorvel stops.");
        Exit();
    });
    Form = std::make_unique<TMainForm>(Services, nullptr, NotificationArea);
    connect(Form.get(), &TMainForm::ExitRequested, this, &TQorvixProgram::Exit);
    try {
        Form->FormCreate();
    } catch (const std::exception& error) {
        Reporter.ShowError(error.what()); // a stored setting that cannot be applied; the monitoring runs
    }
    // The monitor's creation reads the main window's options and colours, so it comes after it.
    Monitor = std::make_unique<TMonForm>(Form->MonitorLinks());
    Monitor->FormCreate();
    About = std::make_unique<TAboutForm>();
    About->FormCreate();
    Form->AttachWindows(Monitor.get(), About.get());

    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::commitDataRequest, this, &TQorvixProgram::SessionEnding);
}

// The session may end: nothing here cancels it. The values are saved now, while the session still runs.
void TQorvixProgram::SessionEnding(QSessionManager&) { Exit(); }

void TQorvixProgram::Exit()
{
    if (Exiting || !Form) return;
    Exiting = true;
    // Every timer stops first: no poll may store the connection a second time while a failure is on screen.
    Form->DetachCloseGuard();
    std::string failure;
    try {
        Form->Shutdown();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    Form->close();
    if (!failure.empty()) Reporter.ShowError(failure);
    // The event loop's end, not the process's: a time exchange in progress sees it and gives up at once.
    // Statistics that could not be stored end the program with a failure, so a script or a service
    // manager hears of it.
    QCoreApplication::exit(Form->LastStoreFailed() ? 1 : 0);
}
