#pragma once

#include <QApplication>

class IErrorReporter;

// The application object. An exception that leaves an event handler is shown once and the program goes on
// with the next event, instead of ending the process.
class TQorvixApplication : public QApplication {
    Q_OBJECT
public:
    TQorvixApplication(int& argc, char** argv);

    void SetErrorReporter(IErrorReporter* reporter) { Reporter = reporter; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    void Report(const char* message);

    IErrorReporter* Reporter = nullptr;
};
