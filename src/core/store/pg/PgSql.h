// Inside the database store: one connection per thread (Qt SQL connections
// belong to the thread that opened them, and the windows run changes off
// the GUI thread), opened on first use and again after the server went
// away.
#pragma once

#include <QSqlDatabase>
#include <QString>

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
    // True when this thread's connection still answers.
    bool alive();

    // This thread's connection's name.
    QString name() const;

private:
    QString m_conninfo;
    QString m_prefix;
};
