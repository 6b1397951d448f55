#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the event loop, so that the program ends through its
// normal exit path instead of being cut off inside a handler.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

signals:
    void TerminationRequested(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier* Notifier = nullptr;
};
