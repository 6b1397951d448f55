#pragma once

#include <QObject>

#include <array>
#include <csignal>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the event loop, so that the program ends through its
// normal exit path instead of being cut off inside a handler. A hang-up that was ignored when the program
// started (nohup) stays ignored. The dispositions found at the start come back when the object goes.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

signals:
    void TerminationRequested(int signalNumber);

private:
    void OnReadable();

    static constexpr std::array<int, 3> Handled = {SIGINT, SIGTERM, SIGHUP};
    QSocketNotifier* Notifier = nullptr;
    std::array<struct sigaction, Handled.size()> Previous{};
    std::array<bool, Handled.size()> Installed{};
};
