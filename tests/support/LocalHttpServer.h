// A tiny HTTP server for tests, on 127.0.0.1 only: it answers every
// request with one fixed response (or not at all) and records what it was
// asked. It stops by itself after a bounded time, so a test can never leave
// it running.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

class LocalHttpServer
{
public:
    // The server closes itself this long after listen() (milliseconds).
    explicit LocalHttpServer(int lifetimeMs = 30000);
    ~LocalHttpServer();

    // Listens on 127.0.0.1 at a free port; false when it can not.
    bool listen();
    void close();
    quint16 port() const;
    // "127.0.0.1:port", as an update address names the site.
    QString address() const;

    // The bytes sent back to every request (status line, headers, body).
    void setResponse(const QByteArray &raw);
    // Accepts and reads requests but never answers them.
    void setSilent(bool silent);

    // A complete response with Content-Length and "Connection: close".
    static QByteArray response(int status, const QByteArray &body,
                               const QByteArray &extraHeaders = QByteArray());

    // The heads of the requests received (up to the blank line), in order.
    QList<QByteArray> requests() const;
    int connectionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
