// A tiny HTTP server for tests, on 127.0.0.1 only: it answers every
// request with one fixed response (or not at all) and records the heads of
// the requests (up to the blank line), in order. It closes by itself after
// a bounded time, so a test can never leave it running.
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

class LocalHttpServer
{
public:
    explicit LocalHttpServer(int lifetimeMs = 30000)
    {
        m_lifetime.setSingleShot(true);
        m_lifetime.setInterval(lifetimeMs);
        QObject::connect(&m_lifetime, &QTimer::timeout, &m_server, [this] { m_server.close(); });
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++m_connections;
                serve(socket);
            }
        });
    }
    // Listens at a free port; false when it can not.
    bool listen()
    {
        m_lifetime.start();
        return m_server.listen(QHostAddress(QHostAddress::LocalHost), 0);
    }
    // "127.0.0.1:port", as an update address names the site.
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    // The bytes sent back to every request (status line, headers, body).
    void setResponse(const QByteArray &raw) { m_answer = raw; }
    // Accepts and reads requests but never answers them.
    void setSilent(bool silent) { m_silent = silent; }
    // A complete response with Content-Length and "Connection: close".
    static QByteArray response(int status, const QByteArray &body,
                               const QByteArray &extraHeaders = QByteArray())
    {
        return "HTTP/1.1 " + QByteArray::number(status) +
               " Status\r\nContent-Type: text/plain\r\n" +
               "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n" +
               extraHeaders + "\r\n" + body;
    }
    QList<QByteArray> requests() const { return m_requests; }
    int connectionCount() const { return m_connections; }

private:
    void serve(QTcpSocket *socket)
    {
        auto head = std::make_shared<QByteArray>(""); // null once the head is read
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
            const bool done = head->isNull();
            const QByteArray got = socket->readAll();
            if (done)
                return;
            head->append(got);
            const qsizetype end = head->indexOf("\r\n\r\n");
            if (end < 0 && head->size() < 16384)
                return;
            m_requests.append(end < 0 ? *head : head->left(end));
            *head = QByteArray();
            if (!m_silent) {
                socket->write(m_answer);
                socket->disconnectFromHost();
            }
        });
    }

    QTcpServer m_server;
    QTimer m_lifetime;
    QByteArray m_answer = response(200, QByteArray());
    bool m_silent = false;
    QList<QByteArray> m_requests;
    int m_connections = 0;
};
