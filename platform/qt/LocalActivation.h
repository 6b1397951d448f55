#pragma once

#include "platform/linux/XdgPaths.h"

#include <QByteArray>
#include <QObject>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>

class QLocalServer;
class QLocalSocket;

// How a second start reaches the running instance: a local socket in the instance lock's folder, which the
// running instance listens on. A client sends one request line and gets one reply line once the request is
// carried out. Only this user may connect: the folder and the socket are the user's alone, and a peer of
// another user is dropped all the same.
class TLocalActivation : public QObject {
    Q_OBJECT
public:
    // A client that has not sent its request by then is dropped.
    static constexpr std::chrono::milliseconds ClientDeadline{2000};
    // Connections held at once; a further one is dropped at once, so a flood cannot pile up.
    static constexpr int MaxClients = 4;

    // Listens at path, replacing whatever socket is there: only the holder of the instance lock may make
    // one, and it owns the lock, so a socket found there is a killed instance's. The folder must be a
    // folder of this user's alone (mode 0700); else, as when listening fails, Listening() is false.
    explicit TLocalActivation(const std::string& path, std::chrono::milliseconds clientDeadline = ClientDeadline,
                              QObject* parent = nullptr);
    ~TLocalActivation() override;

    bool Listening() const { return Problem().empty(); }
    // Why it does not listen; empty when it does.
    const std::string& Problem() const { return Why; }

    // The client's side, for a second start: asks the instance listening at path to show its main window
    // and waits for its answer. True once it has answered; false when nothing answered within the deadline
    // (no instance listens, or it is hung). Needs neither an event loop nor an application object.
    static bool RequestShow(const std::string& path, std::chrono::milliseconds deadline = std::chrono::seconds(3));

    // VelmarQuorvel.socket beside the instance lock (TInstanceLock::DefaultFolder).
    static std::string DefaultPath(const XdgPaths::TEnvironment& environment = ::getenv);

signals:
    // A client asked for the main window; when the handlers return, the client is told it was done.
    void ShowRequested();

private:
    void Accept();
    void Read(QLocalSocket* client);
    void Drop(QLocalSocket* client);

    QLocalServer* Server = nullptr;
    std::chrono::milliseconds Deadline;
    // Each connected client and what it has sent so far.
    std::map<QLocalSocket*, QByteArray> Clients;
    std::string Why;
};
