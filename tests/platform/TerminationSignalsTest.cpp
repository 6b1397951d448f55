#include "platform/qt/TerminationSignals.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <vector>

namespace {

constexpr int WaitMilliseconds = 10000;

// Puts the dispositions a test changes back as they were.
class TSavedDispositions {
public:
    TSavedDispositions()
    {
        for (std::size_t i = 0; i < Signals.size(); ++i)
            sigaction(Signals[i], nullptr, &Saved[i]);
    }
    ~TSavedDispositions()
    {
        for (std::size_t i = 0; i < Signals.size(); ++i)
            sigaction(Signals[i], &Saved[i], nullptr);
    }

    static constexpr std::array<int, 3> Signals = {SIGINT, SIGTERM, SIGHUP};

private:
    std::array<struct sigaction, Signals.size()> Saved{};
};

void SetDisposition(int signalNumber, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
}

void (*Disposition(int signalNumber))(int)
{
    struct sigaction now {};
    sigaction(signalNumber, nullptr, &now);
    return now.sa_handler;
}

// The signal numbers the spy has seen, waiting for them to come up to the count given.
std::vector<int> Requests(QSignalSpy& spy, qsizetype count)
{
    while (spy.size() < count && spy.wait(WaitMilliseconds)) {
    }
    std::vector<int> numbers;
    for (const QList<QVariant>& arguments : spy)
        numbers.push_back(arguments.at(0).toInt());
    return numbers;
}

} // namespace

TEST(TerminationSignals, EachStopSignalReachesTheEventLoopInTheOrderSent)
{
    const TSavedDispositions saved;
    for (const int signalNumber : TSavedDispositions::Signals)
        SetDisposition(signalNumber, SIG_DFL);
    {
        TTerminationSignals guard;
        QSignalSpy requested(&guard, &TTerminationSignals::TerminationRequested);
        raise(SIGHUP);
        raise(SIGINT);
        raise(SIGTERM);
        EXPECT_EQ(Requests(requested, 3), (std::vector<int>{SIGHUP, SIGINT, SIGTERM}));
    }
    for (const int signalNumber : TSavedDispositions::Signals)
        EXPECT_EQ(Disposition(signalNumber), SIG_DFL) << "signal " << signalNumber << " back as it was";
}

// Started under nohup: a hang-up is not a stop request, while the guard lives or after it.
TEST(TerminationSignals, AHangUpIgnoredAtTheStartStaysIgnored)
{
    const TSavedDispositions saved;
    SetDisposition(SIGHUP, SIG_IGN);
    SetDisposition(SIGTERM, SIG_DFL);
    {
        TTerminationSignals guard;
        QSignalSpy requested(&guard, &TTerminationSignals::TerminationRequested);
        EXPECT_EQ(Disposition(SIGHUP), SIG_IGN);
        raise(SIGHUP);
        raise(SIGTERM); // a request that does come, after the hang-up would have
        EXPECT_EQ(Requests(requested, 1), std::vector<int>{SIGTERM});
    }
    EXPECT_EQ(Disposition(SIGHUP), SIG_IGN) << "the guard gave it back ignored";
}
