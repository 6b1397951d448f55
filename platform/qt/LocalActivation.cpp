#include "LocalActivation.h"

#include "platform/linux/InstanceLock.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The whole protocol: one line each way, so that anything else can be refused without being read further.
const QByteArray Request = QByteArrayLiteral("show\n");
const QByteArray Reply = QByteArrayLiteral("shown\n");

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The socket's mode only means something in a folder that nobody else can enter or rename things in.
std::string FolderProblem(const std::string& folder)
{
    struct stat status {};
    if (lstat(folder.c_str(), &status) != 0) return folder + ": " + std::strerror(errno);
    if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid() || (status.st_mode & 07777) != 0700)
        return folder + " is not a folder of this user's alone (mode 0700)";
    return {};
}

// The socket's mode already keeps other users out; the kernel's word on the peer also holds for root's
// processes and for a mode someone widened by hand.
bool FromThisUser(qintptr descriptor)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == geteuid();
}

} // namespace

TLocalActivation::TLocalActivation(const std::string& path, std::chrono::milliseconds clientDeadline, QObject* parent)
    : QObject(parent), Server(new QLocalServer(this)), Deadline(clientDeadline)
{
    Why = FolderProblem(FolderOf(path));
    if (!Why.empty()) return;
    const QString name = QFile::decodeName(path.c_str());
    Server->setSocketOptions(QLocalServer::UserAccessOption);
    Server->setMaxPendingConnections(MaxClients);
    QLocalServer::removeServer(name);
    if (!Server->listen(name)) {
        Why = path + ": " + Server->errorString().toStdString();
        return;
    }
    // Qt leaves the owner's execute bit on, which means nothing on a socket.
    if (chmod(path.c_str(), 0600) != 0) {
        Why = path + ": " + std::strerror(errno);
        Server->close();
        return;
    }
    connect(Server, &QLocalServer::newConnection, this, &TLocalActivation::Accept);
}

TLocalActivation::~TLocalActivation() = default;

void TLocalActivation::Accept()
{
    while (QLocalSocket* client = Server->nextPendingConnection()) {
        if (!FromThisUser(client->socketDescriptor()) || Clients.size() >= MaxClients) {
            client->abort();
            client->deleteLater();
            continue;
        }
        Clients.emplace(client, QByteArray());
        connect(client, &QLocalSocket::readyRead, this, [this, client] { Read(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] { Drop(client); });
        auto* deadline = new QTimer(client);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this, client] { Drop(client); });
        deadline->start(Deadline);
    }
}

void TLocalActivation::Read(QLocalSocket* client)
{
    const auto found = Clients.find(client);
    if (found == Clients.end()) return;
    QByteArray& received = found->second;
    // One byte beyond the request is enough to tell that a client sends more than it.
    received += client->read(Request.size() + 1 - received.size());
    if (!Request.startsWith(received)) {
        Drop(client);
        return;
    }
    if (received.size() < Request.size()) return;
    disconnect(client, &QLocalSocket::readyRead, this, nullptr);
    const QPointer<QLocalSocket> alive(client);
    emit ShowRequested();
    if (!alive || !Clients.contains(client)) return;
    client->write(Reply);
    // Closes once the reply is written; the disconnection then lets the client go.
    client->disconnectFromServer();
}

void TLocalActivation::Drop(QLocalSocket* client)
{
    if (Clients.erase(client) == 0) return;
    client->disconnect(this);
    client->abort();
    client->deleteLater();
}

bool TLocalActivation::RequestShow(const std::string& path, std::chrono::milliseconds deadline)
{
    using namespace std::chrono;
    const auto end = steady_clock::now() + deadline;
    const auto left = [&] {
        return static_cast<int>(std::max<long long>(0, duration_cast<milliseconds>(end - steady_clock::now()).count()));
    };
    QLocalSocket socket;
    // An instance that holds the lock but is still building its windows listens a moment later.
    for (;;) {
        socket.connectToServer(QFile::decodeName(path.c_str()));
        if (socket.waitForConnected(left())) break;
        socket.abort();
        if (left() == 0) return false;
        std::this_thread::sleep_for(std::min(milliseconds(50), milliseconds(left())));
    }
    socket.write(Request);
    if (!socket.waitForBytesWritten(left())) return false;
    QByteArray answer;
    while (answer.size() < Reply.size()) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(left())) return false;
        answer += socket.read(Reply.size() - answer.size());
    }
    return answer == Reply;
}

std::string TLocalActivation::DefaultPath(const XdgPaths::TEnvironment& environment)
{
    return TInstanceLock::DefaultFolder(environment) + "/VelmarQuorvel.socket";
}
