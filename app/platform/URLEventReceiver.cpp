#include "platform/URLEventReceiver.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace {
// One line per start: "U<link>" for a URL event, "R" for a reopen. The
// receiver answers "K" once it has taken the event.
constexpr qint64 kMaxLine = 64 * 1024;

QByteArray encode(const URLEventReceiver::Event& e) {
    if (e.reopen || !e.link) return QByteArrayLiteral("R\n");
    QByteArray text = e.link->toUtf8();
    text.replace('\n', ' ');
    return "U" + text + "\n";
}
}  // namespace

QString URLEventReceiver::socketPath() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::tempPath();
    return dir + QStringLiteral("/quorix-instance-%1").arg(getuid());
}

URLEventReceiver::Event URLEventReceiver::eventFromArguments(const QStringList& arguments) {
    Event e;
    if (arguments.size() < 2) {
        e.reopen = true;
    } else {
        e.link = arguments.at(1);
    }
    return e;
}

bool URLEventReceiver::sendToRunningInstance(const Event& event, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(encode(event));
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    }
    return socket.read(1) == "K";
}

URLEventReceiver::URLEventReceiver(QObject* parent) : QObject(parent) {}

URLEventReceiver::~URLEventReceiver() {
    if (server_) server_->close();
}

bool URLEventReceiver::listen(std::function<void(const Event&)> handler) {
    handler_ = std::move(handler);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = socketPath();
    if (!server_->listen(path)) {
        // A socket left by an instance that ended without closing it: nobody answers on it.
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(500)) return false;
        QLocalServer::removeServer(path);
        if (!server_->listen(path)) return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > kMaxLine) socket->abort();
                    return;
                }
                const QByteArray line = socket->readLine(kMaxLine).chopped(1);
                Event e;
                if (line.startsWith('U')) {
                    e.link = QString::fromUtf8(line.mid(1));
                } else {
                    e.reopen = true;
                }
                socket->write("K");
                socket->flush();
                socket->disconnectFromServer();
                if (handler_) handler_(e);
            });
        }
    });
    return true;
}
