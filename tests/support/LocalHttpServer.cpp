#include "LocalHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

struct LocalHttpServer::Impl {
    QTcpServer server;
    QTimer lifetime;
    QByteArray answer;
    bool silent = false;
    QList<QByteArray> requests;
    int connections = 0;
    QList<QPointer<QTcpSocket>> sockets;

    void serve(QTcpSocket *socket)
    {
        struct Pending {
            QByteArray head;
            bool done = false;
        };
        auto pending = std::make_shared<Pending>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
            if (pending->done) {
                socket->readAll();
                return;
            }
            pending->head.append(socket->readAll());
            const qsizetype end = pending->head.indexOf("\r\n\r\n");
            if (end < 0 && pending->head.size() < 16384)
                return;
            requests.append(end < 0 ? pending->head : pending->head.left(end));
            pending->done = true;
            if (silent)
                return;
            socket->write(answer);
            socket->disconnectFromHost();
        });
    }
};

LocalHttpServer::LocalHttpServer(int lifetimeMs) : d(std::make_unique<Impl>())
{
    d->lifetime.setSingleShot(true);
    d->lifetime.setInterval(lifetimeMs);
    QObject::connect(&d->lifetime, &QTimer::timeout, &d->server, [this] { close(); });
    QObject::connect(&d->server, &QTcpServer::newConnection, &d->server, [this] {
        while (QTcpSocket *socket = d->server.nextPendingConnection()) {
            if (!socket->peerAddress().isLoopback()) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            ++d->connections;
            d->sockets.append(socket);
            d->serve(socket);
        }
    });
    d->answer = response(200, QByteArray());
}

LocalHttpServer::~LocalHttpServer()
{
    close();
}

bool LocalHttpServer::listen()
{
    if (!d->server.listen(QHostAddress(QHostAddress::LocalHost), 0))
        return false;
    d->lifetime.start();
    return true;
}

void LocalHttpServer::close()
{
    d->lifetime.stop();
    d->server.close();
    for (const QPointer<QTcpSocket> &s : std::as_const(d->sockets)) {
        if (s)
            s->abort();
    }
    d->sockets.clear();
}

quint16 LocalHttpServer::port() const
{
    return d->server.serverPort();
}

QString LocalHttpServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void LocalHttpServer::setResponse(const QByteArray &raw)
{
    d->answer = raw;
}

void LocalHttpServer::setSilent(bool silent)
{
    d->silent = silent;
}

QByteArray LocalHttpServer::response(int status, const QByteArray &body,
                                     const QByteArray &extraHeaders)
{
    const QByteArray reason = status == 200   ? "OK"
                              : status == 404 ? "Not Found"
                              : status == 302 ? "Found"
                                              : "Status";
    return "HTTP/1.1 " + QByteArray::number(status) + " " + reason +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

QList<QByteArray> LocalHttpServer::requests() const
{
    return d->requests;
}

int LocalHttpServer::connectionCount() const
{
    return d->connections;
}
