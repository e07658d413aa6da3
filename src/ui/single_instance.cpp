#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QUrl>

namespace qv::ui {
namespace {

constexpr int kConnectWaitMs = 500;
// One request a line; a file goes as an encoded URL, which holds no line end.
constexpr char kFrontRequest[] = "front";
constexpr char kOpenRequest[] = "open ";
// Far more than a request needs: a peer that sends more is not one of ours.
constexpr qsizetype kMaxRequestBytes = 64 * 1024;

constexpr char kUnguarded[] = "Quorvane runs without the check for a second start: ";

ListenFailure FailureOf(QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::AddressInUseError:
            return ListenFailure::kNameInUse;
        case QAbstractSocket::SocketAccessError:
            return ListenFailure::kNoWriteAccess;
        default:
            return ListenFailure::kOther;
    }
}

// Where QLocalServer puts the socket of a name that is not a path.
std::string SocketPath(const QString& key) {
    if (QDir::isAbsolutePath(key))
        return key.toStdString();
    return QDir(QDir::tempPath()).filePath(key).toStdString();
}

}  // namespace

ProbeDecision DecideOnProbe(KeyProbe probe) {
    ProbeDecision decision;
    switch (probe) {
        case KeyProbe::kAnswered:
        case KeyProbe::kBusy:
            decision.otherRuns = true;
            break;
        case KeyProbe::kStaleSocket:
            decision.removeStale = true;
            break;
        case KeyProbe::kNoSocket:
        case KeyProbe::kUnreachable:
            break;
    }
    return decision;
}

ListenDecision DecideOnListenFailure(ListenFailure failure, bool triedAgain,
                                     const std::string& socketPath, const std::string& systemText) {
    ListenDecision decision;
    switch (failure) {
        case ListenFailure::kNameInUse:
            if (!triedAgain) {
                decision.tryAgain = true;
                return decision;
            }
            decision.diagnostic = kUnguarded + socketPath + " is in the way and cannot be removed";
            break;
        case ListenFailure::kNoWriteAccess:
            decision.diagnostic =
                kUnguarded + std::string("no write access to the folder of ") + socketPath;
            break;
        case ListenFailure::kOther:
            decision.diagnostic = kUnguarded + socketPath + " cannot be made";
            break;
    }
    if (!systemText.empty())
        decision.diagnostic += " (" + systemText + ")";
    decision.diagnostic += ".";
    return decision;
}

QString InstanceKey(const std::filesystem::path& programData) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(programData.lexically_normal().string()),
                                 QCryptographicHash::Sha1);
    return QStringLiteral("Quorvane-") + QString::fromLatin1(hash.toHex().left(16));
}

SingleInstance::SingleInstance(QString key, QObject* parent)
    : QObject(parent), key_(std::move(key)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                // Handled after this returns: opening a file may run a dialog,
                // whose event loop may delete the socket.
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine().trimmed();
                    QMetaObject::invokeMethod(
                        this, [this, line] { Handle(line); }, Qt::QueuedConnection);
                }
                if (socket->bytesAvailable() > kMaxRequestBytes)
                    socket->abort();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void SingleInstance::Handle(const QByteArray& line) {
    if (line == kFrontRequest) {
        Q_EMIT frontRequested();
    } else if (line.startsWith(kOpenRequest)) {
        const QUrl url =
            QUrl::fromEncoded(line.mid(static_cast<qsizetype>(sizeof kOpenRequest) - 1));
        if (url.isLocalFile())
            Q_EMIT openRequested(std::filesystem::path(url.toLocalFile().toStdString()));
    }
}

KeyProbe SingleInstance::Probe() const {
    QLocalSocket probe;
    probe.connectToServer(key_);
    if (probe.waitForConnected(kConnectWaitMs)) {
        probe.disconnectFromServer();
        return KeyProbe::kAnswered;
    }
    switch (probe.error()) {
        case QLocalSocket::ServerNotFoundError:
            return KeyProbe::kNoSocket;
        case QLocalSocket::ConnectionRefusedError:
            return KeyProbe::kStaleSocket;
        case QLocalSocket::SocketTimeoutError:
            return KeyProbe::kBusy;
        default:
            return KeyProbe::kUnreachable;
    }
}

bool SingleInstance::Acquire() {
    diagnostic_.clear();
    for (bool triedAgain = false;; triedAgain = true) {
        const ProbeDecision probed = DecideOnProbe(Probe());
        if (probed.otherRuns)
            return false;
        if (probed.removeStale)
            QLocalServer::removeServer(key_);
        if (server_.listen(key_))
            return true;
        const ListenDecision next =
            DecideOnListenFailure(FailureOf(server_.serverError()), triedAgain, SocketPath(key_),
                                  server_.errorString().toStdString());
        if (!next.tryAgain) {
            diagnostic_ = next.diagnostic;
            return true;
        }
    }
}

bool SingleInstance::AskFirstToFront(const std::filesystem::path& file) const {
    QLocalSocket socket;
    socket.connectToServer(key_);
    if (!socket.waitForConnected(kConnectWaitMs))
        return false;
    QByteArray request = QByteArray(kFrontRequest) + '\n';
    if (!file.empty()) {
        request += kOpenRequest +
                   QUrl::fromLocalFile(QString::fromStdString(file.string())).toEncoded() + '\n';
    }
    socket.write(request);
    const bool sent = socket.waitForBytesWritten(kConnectWaitMs);
    socket.disconnectFromServer();
    return sent;
}

}  // namespace qv::ui
