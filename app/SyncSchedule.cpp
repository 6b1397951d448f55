#include "SyncSchedule.h"

#include "platform/Checked.h"

#include <QString>

#include <arpa/inet.h>

TSyncSchedule::TSyncSchedule(ITimeClient& client, ISyncTimer& timer, IResolver& resolver, TErrorLine errorLine)
    : Client(client), Timer(timer), Resolver(resolver), ErrorLine(std::move(errorLine))
{
    Resolver.SetAnswerHandler([this](const std::string& name, const std::string& address, int32_t errorCode) {
        ServerLookedUp(name, address, errorCode);
    });
}

namespace {

bool IsDottedAddress(const std::string& server)
{
    in_addr address{};
    return inet_pton(AF_INET, server.c_str(), &address) == 1;
}

} // namespace

void TSyncSchedule::ApplyServer(const std::string& server, bool synchronizeTime)
{
    PendingServer = server;
    FailureReported = false;
    if (synchronizeTime) LookUpPendingServer();
}

void TSyncSchedule::LookUpPendingServer()
{
    if (IsDottedAddress(PendingServer)) {
        SetServer(PendingServer);
    } else if (!Resolver.Busy()) {
        Resolver.Resolve(PendingServer);
    }
}

void TSyncSchedule::ServerLookedUp(const std::string& name, const std::string& address, int32_t errorCode)
{
    if (name != PendingServer) return; // the answer for a server that has been replaced since
    if (errorCode != 0) {
        ReportOnce(errorCode);
        return;
    }
    SetServer(address);
}

void TSyncSchedule::SetServer(const std::string& address)
{
    try {
        Client.SetTimeServer(address);
        PendingServer.clear();
    } catch (const ENetCore& error) {
        ReportOnce(error.Code);
    }
}

void TSyncSchedule::ReportOnce(int32_t code)
{
    if (FailureReported) return;
    FailureReported = true;
    if (ErrorLine) ErrorLine(code);
}

bool TSyncSchedule::ApplyProtocol(const std::string& name)
{
    const QString chosen = QString::fromStdString(name).trimmed();
    const bool ntp = chosen.compare("NTP", Qt::CaseInsensitive) == 0;
    Client.SetProtocol(ntp ? NETCLOCK_PROTOCOL_NTP : NETCLOCK_PROTOCOL_RFC868);
    return ntp || chosen.compare("RFC868", Qt::CaseInsensitive) == 0;
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
        if (!PendingServer.empty()) LookUpPendingServer();
        if (!PendingServer.empty()) return; // no address yet: skipped like a failed synchronisation
        Client.SynchronizeClock();
    } catch (...) {
        // A failed synchronisation is silent; the clock stays as it was.
    }
}
