// Inside the database store: one connection per thread (Qt SQL connections
// belong to the thread that opened them, and the windows run changes off
// the GUI thread), opened on first use and again after the server went
// away. A worker thread's connection is handed on, open, to the next
// worker thread at the end of each operation, so a change pays no connect.
#pragma once

#include <QSqlDatabase>
#include <QString>

class QThread;

class PgConnection
{
public:
    // conninfo: a libpq key=value string (DatabaseConninfo).
    explicit PgConnection(const QString &conninfo);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // This thread's connection, opened when it is not (check isOpen());
    // *opened tells whether it was opened now.
    QSqlDatabase db(bool *opened = nullptr);
    // Closes this thread's connection after a failure that may mean the
    // server went away, so that the next use opens it afresh.
    void reset();
    // True when this thread's connection still answers (a transaction
    // open on it is rolled back first).
    bool alive();

    // Held by each operation of the store: when the outermost one ends on
    // a thread other than the one that made the store, the thread's
    // connection goes back, open, for the next thread to take up.
    class Lease
    {
    public:
        explicit Lease(PgConnection &c);
        ~Lease();
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;

    private:
        PgConnection &m_connection;
        bool m_outer;
    };
    void release();

    // This thread's connection's name (empty before its first use).
    QString name() const;
    // The server's words for the last failure of this thread's connection.
    QString serverText();

private:
    QString m_conninfo;
    QString m_prefix;
    QThread *m_home;
};
