#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QLocalSocket>

namespace qv::ui {
namespace {

constexpr int kConnectWaitMs = 500;
constexpr char kFrontRequest[] = "front\n";

}  // namespace

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
                if (socket->readAll().contains("front"))
                    Q_EMIT frontRequested();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool SingleInstance::Acquire() {
    QLocalSocket probe;
    probe.connectToServer(key_);
    if (probe.waitForConnected(kConnectWaitMs)) {
        probe.disconnectFromServer();
        return false;
    }
    // Nobody answered: a socket file left by a crashed start is in the way.
    QLocalServer::removeServer(key_);
    return server_.listen(key_);
}

bool SingleInstance::AskFirstToFront() const {
    QLocalSocket socket;
    socket.connectToServer(key_);
    if (!socket.waitForConnected(kConnectWaitMs))
        return false;
    socket.write(kFrontRequest);
    const bool sent = socket.waitForBytesWritten(kConnectWaitMs);
    socket.disconnectFromServer();
    return sent;
}

}  // namespace qv::ui
