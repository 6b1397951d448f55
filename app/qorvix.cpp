#include "HeadlessMode.h"
#include "QorvixApplication.h"
#include "main.h"

#include "platform/linux/FileRegistry.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/PosixTextFiles.h"
#include "platform/linux/StdConsole.h"
#include "platform/qt/MessageBoxErrorReporter.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/TerminationSignals.h"
#include "ui/About.h"
#include "ui/mon.h"

#include <filesystem>
#include <memory>

namespace {

std::string ProgramPath()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("qorvix") : path.string();
}

} // namespace

int main(int argc, char** argv)
{
    const bool headless = HeadlessMode::PrepareHeadless();
    TQorvixApplication application(argc, argv);
    TQorvixApplication::setApplicationName("Quorvel");

    TStdoutConsole stdoutConsole;
    TSilentConsole silentConsole;
    IConsole& console = headless ? static_cast<IConsole&>(stdoutConsole) : silentConsole;
    TStderrErrorReporter stderrReporter;
    TMessageBoxErrorReporter messageBoxReporter;
    application.SetErrorReporter(headless ? static_cast<IErrorReporter*>(&stderrReporter) : &messageBoxReporter);

    TLinuxClock clock;
    TQtClipboard clipboard;
    TLinuxIpHelper ipHelper;
    TFileRegistry registry(TFileRegistry::DefaultPath());
    TPosixTextFiles textFiles;
    TMainForm mainForm(TPlatformServices{clock, clipboard, ipHelper, registry, textFiles, ProgramPath(), console});

    TTerminationSignals termination;
    QObject::connect(&termination, &TTerminationSignals::TerminationRequested, &application, [&](int) {
        console.WriteLine("Quorvel stops.");
        TQorvixApplication::quit();
    });

    if (headless) console.WriteLine("Quorvel runs without a display; press Ctrl+C to stop.");
    // The windows in their order: the monitor's creation reads the main window's options and colours.
    mainForm.FormCreate();
    TMonForm monForm(mainForm.MonitorLinks());
    monForm.FormCreate();
    TAboutForm aboutForm;
    aboutForm.FormCreate();
    mainForm.AttachWindows(&monForm, &aboutForm);
    mainForm.show();
    return TQorvixApplication::exec();
}
