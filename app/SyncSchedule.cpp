#include "SyncSchedule.h"

#include "platform/Checked.h"

TSyncSchedule::TSyncSchedule(ITimeClient& client, ISyncTimer& timer, TErrorLine errorLine)
    : Client(client), Timer(timer), ErrorLine(std::move(errorLine))
{
}

void TSyncSchedule::ApplyServer(const std::string& server, bool synchronizeTime)
{
    PendingServer.clear();
    if (!synchronizeTime) {
        PendingServer = server;
        return;
    }
    try {
        Client.SetTimeServer(server);
    } catch (const ENetCore& error) {
        PendingServer = server;
        if (ErrorLine) ErrorLine(error.Code);
    }
}

void TSyncSchedule::ApplyInterval(int64_t seconds)
{
    Timer.SetInterval(Checked::Narrow<uint32_t>(Checked::Mul(seconds, 1000)));
}

void TSyncSchedule::ConnectionUp(bool optionChecked)
{
    if (optionChecked) Timer.SetEnabled(true);
}

void TSyncSchedule::ConnectionDown(bool optionChecked)
{
    if (optionChecked) Timer.SetEnabled(false);
}

void TSyncSchedule::OptionChanged(bool checked, bool online)
{
    if (online) Timer.SetEnabled(checked);
}

void TSyncSchedule::TimerTick()
{
    try {
        if (!Client.Idle()) return;
        if (!PendingServer.empty()) {
            Client.SetTimeServer(PendingServer);
            PendingServer.clear();
        }
        Client.SynchronizeClock();
    } catch (...) {
        // A failed synchronisation is silent; the clock stays as it was.
    }
}
