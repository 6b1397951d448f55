#include "QorvixApplication.h"

#include "platform/IErrorReporter.h"

#include <cstdio>
#include <exception>

TQorvixApplication::TQorvixApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TQorvixApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Report(error.what());
    } catch (...) {
        Report("Unknown error");
    }
    return false;
}

void TQorvixApplication::Report(const char* message)
{
    if (Reporter) {
        Reporter->ShowError(message);
    } else {
        std::fprintf(stderr, "Quorvel: %s\n", message);
    }
}
