#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a pipe; the event loop reads the signal number on the other end.
int SignalPipe[2] = {-1, -1};

void OnSignal(int signalNumber)
{
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t written = write(SignalPipe[1], &number, 1);
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent)
{
    if (SignalPipe[0] < 0 && pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    Notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TTerminationSignals::OnReadable);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < Handled.size(); ++i) {
        if (sigaction(Handled[i], nullptr, &Previous[i]) != 0) continue;
        // Started under nohup, the user asked for the program to outlive its terminal: its hang-up is not a
        // stop request. Only SIGHUP: a shell starts background jobs with SIGINT ignored, and the scripts that
        // stop them still mean SIGTERM and SIGINT.
        const bool ignored = !(Previous[i].sa_flags & SA_SIGINFO) && Previous[i].sa_handler == SIG_IGN;
        if (Handled[i] == SIGHUP && ignored) continue;
        Installed[i] = sigaction(Handled[i], &action, nullptr) == 0;
    }
}

TTerminationSignals::~TTerminationSignals()
{
    for (std::size_t i = 0; i < Handled.size(); ++i)
        if (Installed[i]) sigaction(Handled[i], &Previous[i], nullptr);
}

void TTerminationSignals::OnReadable()
{
    unsigned char number = 0;
    while (read(SignalPipe[0], &number, 1) == 1)
        emit TerminationRequested(number);
}
