#include "HeadlessMode.h"
#include "QorvixApplication.h"
#include "main.h"

#include "platform/linux/FileRegistry.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/PosixTextFiles.h"
#include "platform/linux/StdConsole.h"
#include "platform/qt/MessageBoxErrorReporter.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/TerminationSignals.h"

#include <filesystem>
#include <iostream>
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
    // One instance per session: a second start ends at once, silently, and leaves the first alone.
    const TInstanceLock instance(TInstanceLock::DefaultPath());
    if (instance.Result() == TInstanceLock::TResult::HeldElsewhere) return 0;
    if (instance.Result() == TInstanceLock::TResult::Unavailable)
        std::cerr << "Quorvel runs without its single-instance guard: " << instance.Problem() << "\n";

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
    mainForm.FormCreate();
    mainForm.show();
    return TQorvixApplication::exec();
}
