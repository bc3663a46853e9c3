#include "core/store/pg/PgSql.h"

#include <QAtomicInteger>
#include <QMutex>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QVariant>

#include <libpq-fe.h>

namespace
{
QAtomicInteger<int> s_next = 0;
QAtomicInteger<quint64> s_threads = 0;
QMutex s_namesMutex;

// The connections a thread opened, closed when it ends (the windows run
// each change on a thread of its own).
struct ThreadConnections {
    QStringList names;
    ~ThreadConnections()
    {
        for (const QString &n : names) {
            QSqlDatabase::database(n, false).close();
            QMutexLocker lock(&s_namesMutex);
            QSqlDatabase::removeDatabase(n);
        }
    }
};
thread_local ThreadConnections t_connections;
// A number of this thread's own, never one of an ended thread.
thread_local const quint64 t_thread = ++s_threads;
} // namespace

PgConnection::PgConnection(const QString &conninfo)
    : m_conninfo(conninfo), m_prefix(QStringLiteral("custorin-pg-%1-").arg(++s_next))
{
}

PgConnection::~PgConnection()
{
    QMutexLocker lock(&s_namesMutex);
    for (const QString &n : QSqlDatabase::connectionNames()) {
        if (!n.startsWith(m_prefix))
            continue;
        {
            QSqlDatabase::database(n, false).close();
        }
        QSqlDatabase::removeDatabase(n);
    }
}

QString PgConnection::name() const
{
    return m_prefix + QString::number(t_thread);
}

QSqlDatabase PgConnection::db(bool *opened)
{
    if (opened)
        *opened = false;
    const QString n = name();
    QSqlDatabase db;
    {
        QMutexLocker lock(&s_namesMutex);
        if (QSqlDatabase::contains(n)) {
            db = QSqlDatabase::database(n, false);
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), n);
            t_connections.names << n;
        }
    }
    if (!db.isOpen()) {
        // Everything goes to libpq as it was given (QPSQL appends the
        // options to its connection string).
        QString options = m_conninfo;
        db.setConnectOptions(options.replace(QLatin1Char(';'), QLatin1Char(' ')));
        if (db.open()) {
            if (opened)
                *opened = true;
            QSqlQuery q(db);
            q.exec(QStringLiteral("SET client_min_messages = warning"));
        }
    }
    return db;
}

void PgConnection::reset()
{
    QSqlDatabase::database(name(), false).close();
}

bool PgConnection::alive()
{
    QSqlDatabase d = QSqlDatabase::database(name(), false);
    if (!d.isOpen())
        return false;
    // libpq knows when the server went away; a statement refused inside a
    // transaction is no sign of it.
    const QVariant handle = d.driver()->handle();
    PGconn *conn = handle.isValid() ? *static_cast<PGconn *const *>(handle.constData()) : nullptr;
    return conn && PQstatus(conn) == CONNECTION_OK;
}
