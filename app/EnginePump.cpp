#include "EnginePump.h"

#include "timeclient/netclock.h"

#include <QCoreApplication>
#include <QEvent>

TEnginePump::TEnginePump()
{
    // QCoreApplication::quit() reaches the application object as a Quit event while the event loops are
    // told to end; watching for it is the one way to learn of the request from inside a nested wait.
    QCoreApplication::instance()->installEventFilter(this);
    SetEngineEventPump(&TEnginePump::Pump, this);
}

TEnginePump::~TEnginePump() { SetEngineEventPump(nullptr, nullptr); }

int32_t TEnginePump::Pump(void* pump)
{
    auto* self = static_cast<TEnginePump*>(pump);
    if (!self->Quit) QCoreApplication::processEvents(QEventLoop::AllEvents);
    return self->Quit ? 1 : 0;
}

bool TEnginePump::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) Quit = true;
    return false;
}
