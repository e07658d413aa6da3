#include "ui/single_instance.h"

#include <QCryptographicHash>
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
