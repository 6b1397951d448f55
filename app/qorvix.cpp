#include "AdapterReport.h"
#include "CommandLine.h"
#include "DisplayOptions.h"
#include "EnginePump.h"
#include "HeadlessMode.h"
#include "QorvixApplication.h"
#include "QorvixProgram.h"
#include "TimeOffsetQuery.h"
#include "UsageCommand.h"
#include "main.h"

#include "platform/DesktopIdentity.h"
#include "platform/linux/AutostartRegistry.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/PosixTextFiles.h"
#include "platform/linux/StdConsole.h"
#include "platform/qt/DesktopNotifications.h"
#include "platform/qt/LocalActivation.h"
#include "platform/qt/MessageBoxErrorReporter.h"
#include "platform/qt/QtClipboard.h"
#include "timeclient/netclock.h"
#include "usage/LocalDay.h"
#include "usage/UsageStore.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {

std::string ProgramPath()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("qorvix") : path.string();
}

// --time-offset: the engine and a read of the settings file are all it needs; it runs beside an instance.
int QueryTimeOffset(const CommandLine::TParsed& parsed)
{
    const std::optional<TimeOffsetQuery::TQuery> query =
        TimeOffsetQuery::ChooseWithSettings(TFileRegistry::DefaultPath(), parsed.Server, parsed.Ntp);
    if (!query) {
        std::fputs("The stored time server is not HOST or HOST:PORT; name one: qorvix --time-offset SERVER\n", stderr);
        return 1;
    }
    if (!LoadEngine(ProgramPath())) {
        std::fputs("The time client engine libquorvel_netclock.so could not be loaded.\n", stderr);
        return 1;
    }
    const TimeOffsetQuery::TOutcome outcome = TimeOffsetQuery::Run(*query);
    UnloadEngine();
    std::fputs(outcome.Output.c_str(), stdout);
    std::fputs(outcome.Error.c_str(), stderr);
    return outcome.ExitCode;
}

// --info and --list-adapters: a look at the kernel's tables is all they need; they run beside an instance.
int ReportAdapters(const CommandLine::TParsed& parsed)
{
    TLinuxIpHelper ipHelper;
    const AdapterReport::TOutcome outcome =
        parsed.Action == CommandLine::TAction::ListAdapters
            ? AdapterReport::ListAdapters(ipHelper)
            : AdapterReport::Info(ipHelper,
                                  AdapterReport::ChooseWithSettings(TFileRegistry::DefaultPath(), parsed.Adapter));
    std::fputs(outcome.Output.c_str(), stdout);
    return outcome.ExitCode;
}

// --usage: the usage file and the settings, both only read; it runs beside an instance.
int ReportUsage(const CommandLine::TParsed& parsed)
{
    const UsageReport::TOutcome outcome =
        UsageReport::Run(UsageCommand::Request(parsed, TFileRegistry::DefaultPath(), TUsageStore::DefaultPath(::getenv),
                                               LocalDay::Of(std::chrono::system_clock::now())));
    std::fputs(outcome.Output.c_str(), stdout);
    std::fputs(outcome.Error.c_str(), stderr);
    return outcome.ExitCode;
}

// A second start: the running instance is asked to show its window, which may be hidden in the tray or
// behind others, or unreachable on a desktop without a tray.
int BringRunningInstanceForward()
{
    if (TLocalActivation::RequestShow(TLocalActivation::DefaultPath())) return 0;
    std::fputs("The running Quorvel did not answer.\n", stderr);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Help, version and bad arguments answer before anything starts: no lock, no display, no settings.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::TParsed parsed = CommandLine::Parse(arguments);
    if (parsed.Action == CommandLine::TAction::Exit) {
        std::fputs(parsed.Output.c_str(), stdout);
        std::fputs(parsed.Error.c_str(), stderr);
        return parsed.ExitCode;
    }
    if (parsed.Action == CommandLine::TAction::TimeOffset) return QueryTimeOffset(parsed);
    if (parsed.Action == CommandLine::TAction::Info || parsed.Action == CommandLine::TAction::ListAdapters)
        return ReportAdapters(parsed);
    if (parsed.Action == CommandLine::TAction::Usage) return ReportUsage(parsed);

    // One instance per session: a second start brings the first forward and ends, before it opens a display.
    const TInstanceLock instance(TInstanceLock::DefaultPath());
    if (instance.Result() == TInstanceLock::TResult::HeldElsewhere) return BringRunningInstanceForward();
    if (instance.Result() == TInstanceLock::TResult::Unavailable)
        std::fprintf(stderr, "Quorvel runs without its single-instance guard: %s\n",
                     std::string(instance.Problem()).c_str());

    // Chosen before the headless check, which then takes the platform as the user's.
    const DisplayOptions::TPlatformChoice platform = DisplayOptions::ChoosePlatform(::getenv);
    if (platform.Platform) qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform.Platform));
    const bool headless = HeadlessMode::PrepareHeadless();
    if (headless) HeadlessMode::KeepQtMessagesOutOfTheReport();
    DisplayOptions::PrepareX11Painting();
    TQorvixApplication application(argc, argv);
    TQorvixApplication::setApplicationName("Quorvel");
    TQorvixApplication::setDesktopFileName(DesktopApplicationId);

    TStdoutConsole stdoutConsole;
    TSilentConsole silentConsole;
    IConsole& console = headless ? static_cast<IConsole&>(stdoutConsole) : silentConsole;
    TStderrErrorReporter stderrReporter;
    TMessageBoxErrorReporter messageBoxReporter;
    IErrorReporter& reporter = headless ? static_cast<IErrorReporter&>(stderrReporter) : messageBoxReporter;
    application.SetErrorReporter(&reporter);

    // The time client engine is opened before any window exists and closed after the last one has gone
    // (the guard is declared first, so it is destroyed last).
    LoadEngine(ProgramPath());
    struct TEngineModule {
        ~TEngineModule() { UnloadEngine(); }
    } engineModule;
    TEnginePump enginePump;

    TLinuxClock clock;
    TQtClipboard clipboard;
    TLinuxIpHelper ipHelper;
    TFileRegistry fileRegistry(TFileRegistry::DefaultPath());
    // The Run key is the desktop's autostart folder; every other key lives in the settings file.
    TAutostartRegistry registry(fileRegistry, TAutostartRegistry::DefaultFolder(), DesktopIconName);
    TPosixTextFiles textFiles;
    TQorvixProgram program(TPlatformServices{clock, clipboard, ipHelper, registry, textFiles, ProgramPath(), console},
                           reporter);
    if (headless) console.WriteLine("Quorvel runs without a display; press Ctrl+C to stop.");
    try {
        program.Start();
    } catch (const ENetClock& error) {
        // Without its time client the window cannot be built: say why and end instead of running half-built.
        reporter.ShowError(error.what());
        return 1;
    }
    if (platform.Note) program.MainForm().AddLogLine(QString::fromStdString(*platform.Note));
    // The usage figures per adapter and day; declared after the program, so it is gone (its last figures
    // written) only after the exit path has flushed it.
    const std::string usagePath = TUsageStore::DefaultPath(::getenv);
    TUsageStore usage(usagePath, [&program, &console](const std::string& problem) {
        program.MainForm().AddLogLine(QString::fromStdString(problem));
        console.WriteError(problem);
    });
    TDesktopNotifications notifications(DesktopIconName, DesktopApplicationId);
    program.MainForm().AttachUsage(&usage, usagePath, notifications);
    // Before the first tick, which the event loop runs.
    if (parsed.Adapter) program.MainForm().WatchAdapterForThisRun(*parsed.Adapter);
    // Only the lock's holder listens, once its windows stand; declared after the program, it goes first.
    std::unique_ptr<TLocalActivation> activation;
    if (instance.Result() == TInstanceLock::TResult::Acquired) {
        activation = std::make_unique<TLocalActivation>(TLocalActivation::DefaultPath());
        if (!activation->Listening())
            std::fprintf(stderr, "A second start of Quorvel cannot bring this one forward: %s\n",
                         activation->Problem().c_str());
        QObject::connect(activation.get(), &TLocalActivation::ShowRequested, &program.MainForm(),
                         &TMainForm::MenuShowWindowClick);
    }
    return TQorvixApplication::exec();
}
