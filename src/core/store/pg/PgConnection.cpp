#include "core/store/pg/PgSql.h"

#include <QAtomicInteger>
#include <QHash>
#include <QMutex>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <libpq-fe.h>

namespace
{
QAtomicInteger<int> s_next = 0;
QMutex s_namesMutex;
// The open connections no thread holds, by their store's prefix: a worker
// thread hands its connection back here at the end of each operation (the
// windows run each change on a thread of its own), and the next one takes
// it up without a connect. A store's entry is there as long as the store.
QHash<QString, QList<QSqlDatabase>> s_idle;

// The connection each store gave this thread, by its prefix; closed when
// the thread ends.
struct ThreadConnections {
    QHash<QString, QString> names;
    ~ThreadConnections()
    {
        for (const QString &n : std::as_const(names)) {
            QSqlDatabase::database(n, false).close();
            QMutexLocker lock(&s_namesMutex);
            QSqlDatabase::removeDatabase(n);
        }
    }
};
thread_local ThreadConnections t_connections;
} // namespace

PgConnection::PgConnection(const QString &conninfo)
    : m_conninfo(conninfo), m_prefix(QStringLiteral("custorin-pg-%1-").arg(++s_next)),
      m_home(QThread::currentThread())
{
    QMutexLocker lock(&s_namesMutex);
    s_idle.insert(m_prefix, {});
}

PgConnection::~PgConnection()
{
    const QString own = name();
    if (!own.isEmpty())
        QSqlDatabase::database(own, false).close();
    t_connections.names.remove(m_prefix);
    QMutexLocker lock(&s_namesMutex);
    // The idle ones belong to no thread: closed through their handles.
    for (QSqlDatabase &db : s_idle[m_prefix])
        db.close();
    s_idle.remove(m_prefix);
    for (const QString &n : QSqlDatabase::connectionNames())
        if (n.startsWith(m_prefix))
            QSqlDatabase::removeDatabase(n);
}

QString PgConnection::name() const
{
    return t_connections.names.value(m_prefix);
}

QSqlDatabase PgConnection::db(bool *opened)
{
    if (opened)
        *opened = false;
    QString n = name();
    QSqlDatabase db;
    if (n.isEmpty()) {
        QMutexLocker lock(&s_namesMutex);
        QList<QSqlDatabase> &idle = s_idle[m_prefix];
        if (!idle.isEmpty()) {
            // An open connection a thread that ended left.
            db = idle.takeLast();
            db.driver()->moveToThread(QThread::currentThread());
            n = db.connectionName();
        } else {
            n = m_prefix + QString::number(++s_next);
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), n);
        }
        t_connections.names.insert(m_prefix, n);
    } else {
        db = QSqlDatabase::database(n, false);
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

void PgConnection::release()
{
    const QString n = name();
    if (n.isEmpty() || QThread::currentThread() == m_home)
        return;
    t_connections.names.remove(m_prefix);
    QSqlDatabase db = QSqlDatabase::database(n, false);
    QMutexLocker lock(&s_namesMutex);
    if (!db.isOpen()) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(n);
        return;
    }
    // Belongs to no thread now: the next one pulls it to itself.
    db.driver()->moveToThread(nullptr);
    s_idle[m_prefix].append(db);
}

PgConnection::Lease::Lease(PgConnection &c) : m_connection(c), m_outer(c.name().isEmpty()) {}

PgConnection::Lease::~Lease()
{
    if (m_outer)
        m_connection.release();
}

void PgConnection::reset()
{
    QSqlDatabase::database(name(), false).close();
}

namespace
{
PGconn *handleOf(const QSqlDatabase &d)
{
    const QVariant handle = d.isValid() ? d.driver()->handle() : QVariant();
    return handle.isValid() ? *static_cast<PGconn *const *>(handle.constData()) : nullptr;
}
} // namespace

bool PgConnection::alive()
{
    QSqlDatabase d = QSqlDatabase::database(name(), false);
    if (!d.isOpen())
        return false;
    // libpq knows when the server went away; a statement refused inside a
    // transaction is no sign of it.
    PGconn *conn = handleOf(d);
    if (!conn || PQstatus(conn) != CONNECTION_OK)
        return false;
    // A failed send may leave the status as it was: the transaction is
    // ended (so that its statements can be let go) and a probe decides.
    if (PQtransactionStatus(conn) != PQTRANS_IDLE)
        d.rollback();
    QSqlQuery probe(d);
    return probe.exec(QStringLiteral("SELECT 1"));
}

QString PgConnection::serverText()
{
    QSqlDatabase d = QSqlDatabase::database(name(), false);
    PGconn *conn = d.isOpen() ? handleOf(d) : nullptr;
    const QString words = conn ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : QString();
    return words.isEmpty() ? d.lastError().databaseText().trimmed() : words;
}
