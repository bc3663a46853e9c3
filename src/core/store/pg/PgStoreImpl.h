// The database store's inside, shared by the files that implement it
// (PgStore.cpp: connection and entries; PgStoreUsers.cpp: users, logs and
// password keys; PgStoreSide.cpp: settings; PgInventory.cpp: inventories):
// the connection, the rows' versions as read, one change's transaction.
#pragma once

#include "core/common/ActivityLog.h"
#include "core/common/Formats.h"
#include "core/entries/CriteriaFilter.h"
#include "core/store/Store.h"
#include "core/store/pg/PgChain.h"
#include "core/store/pg/PgRows.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgSearch.h"
#include "core/store/pg/PgSql.h"

#include <QCryptographicHash>
#include <QMap>
#include <QMutex>
#include <QPasswordDigestor>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <QVariant>

#include <optional>

namespace PgStoreParts
{

inline const QString kChannel = QStringLiteral("custorin_changes");

// Why a step of a change failed: the server is gone (or the connection
// broke), or a statement was refused while the server answers.
enum class Failure { None, Connection, Statement };

} // namespace PgStoreParts

using namespace PgStoreParts;

struct PgStoreImpl {
    explicit PgStoreImpl(const QString &conninfo)
        : conninfo(conninfo), connection(conninfo),
          token(QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
    }
    QString conninfo;
    PgConnection connection;
    const QByteArray *logKey = nullptr; // the data set's key of the logs' chains
    // Sent with each change's notification, so that this store's own
    // changes do not count as another workstation's.
    QString token;
    // The row version of each entry and user as the person last read it
    // (by row id).
    QMutex seenMutex;
    QMap<qint64, int> seenEntries;
    QMap<qint64, int> seenUsers;
    std::function<void()> onChange;
    QPointer<QObject> listenContext;
    QThread *listenThread = nullptr;
    QMetaObject::Connection listening;

    // The open connection of this thread, or an empty one. Opened afresh
    // on the listening thread (the server was away), it listens again.
    QSqlDatabase db()
    {
        bool opened = false;
        QSqlDatabase d = connection.db(&opened);
        if (opened && listenContext && QThread::currentThread() == listenThread)
            listen(d);
        return d;
    }

    bool listen(QSqlDatabase &d)
    {
        if (!d.driver()->subscribeToNotification(kChannel))
            return false;
        // The same driver serves the connection opened again.
        QObject::disconnect(listening);
        listening = QObject::connect(
            d.driver(), &QSqlDriver::notification, listenContext,
            [this](const QString &, QSqlDriver::NotificationSource, const QVariant &payload) {
                if (payload.toString() != token && onChange)
                    onChange();
            });
        return true;
    }

    // A read: run again once on a fresh connection when the server was
    // away meanwhile (the first use of a connection after that fails).
    // When it fails, what was being read goes to the data set's message.
    bool read(DataSet &ds, const QString &operation,
              const std::function<bool(QSqlDatabase &)> &query)
    {
        ds.databaseFailure = {};
        QSqlDatabase d = db();
        if (d.isOpen() && query(d))
            return true;
        if (failedWhile(ds, operation, nullptr, false) != Failure::Connection)
            return false;
        d = db();
        if (d.isOpen() && query(d)) {
            ds.databaseFailure = {};
            return true;
        }
        failedWhile(ds, operation, nullptr, false);
        return false;
    }

    // failed(), with the operation and the server's words kept on the data
    // set for the message that tells the person.
    // query: the statement that failed, when it has the server's words.
    Failure failedWhile(DataSet &ds, const QString &operation, const QSqlQuery *query = nullptr,
                        bool change = true)
    {
        QString words = query && query->lastError().isValid() ? query->lastError().databaseText()
                                                              : connection.serverText();
        // Without the severity ("ERROR:  ") libpq puts first and the
        // SQLSTATE Qt puts last.
        const QRegularExpression codes(QStringLiteral("^[A-Z]+:\\s+|\\s*\\([0-9A-Z]{5}\\)$"));
        words = words.remove(codes).trimmed();
        const Failure f = failed();
        ds.databaseFailure = {operation, change, f == Failure::Connection, words};
        return f;
    }

    // What a failed statement means: a probe tells a server gone from a
    // refused statement; a gone one's connection is closed for a fresh one.
    // A server that ends the session (stopped, or the session terminated)
    // sends its error before it closes the connection: the probe runs after
    // the rollback, which reads on.
    Failure failed()
    {
        if (connection.alive())
            return Failure::Statement;
        connection.reset();
        return Failure::Connection;
    }

    void remember(QMap<qint64, int> &seen, qint64 id, int version)
    {
        QMutexLocker lock(&seenMutex);
        seen[id] = version;
    }
    // False when the person read the row at another version than it has now.
    bool sameVersion(QMap<qint64, int> &seen, qint64 id, int version)
    {
        QMutexLocker lock(&seenMutex);
        const auto it = seen.constFind(id);
        return it == seen.constEnd() || it.value() == version;
    }

    bool notifyOthers(QSqlDatabase &d)
    {
        QSqlQuery q(d);
        q.prepare(QStringLiteral("SELECT pg_notify(:c, :t)"));
        q.bindValue(QStringLiteral(":c"), kChannel);
        q.bindValue(QStringLiteral(":t"), token);
        return q.exec();
    }
};

namespace PgStoreParts
{

// An advisory lock a transaction takes before its change, held to its end,
// so that the changes under one lock go one after the other: the lock of
// one key, or, with a name, the pair of key and the hash of the name
// (hashtext), as the inventories take it.
struct AdvisoryLock {
    qint64 key = 0;
    QString name;
};

// One transaction of a change: rolled back unless committed. A connection
// found broken at its start (the server was away meanwhile) is opened
// afresh once: nothing of the change was sent yet. With a lock, the
// transaction is open only once the lock is taken.
class Transaction
{
public:
    explicit Transaction(PgStoreImpl &d, const std::optional<AdvisoryLock> &lock = std::nullopt)
    {
        m_db = d.db();
        m_open = m_db.isOpen() && m_db.transaction();
        if (!m_open && d.failed() == Failure::Connection) {
            m_db = d.db();
            m_open = m_db.isOpen() && m_db.transaction();
        }
        if (m_open && lock && !take(*lock)) {
            m_db.rollback();
            m_open = false;
        }
    }
    ~Transaction()
    {
        if (m_open)
            m_db.rollback();
    }
    QSqlDatabase &db() { return m_db; }
    bool isOpen() const { return m_open; }
    bool commit()
    {
        m_open = false;
        return m_db.commit();
    }
    // What the server said of the last failure of the connection.
    QString error() const
    {
        const QString text = m_db.lastError().databaseText().trimmed();
        return text.isEmpty() ? QStringLiteral("the database can not be reached") : text;
    }

private:
    bool take(const AdvisoryLock &lock)
    {
        QSqlQuery q(m_db);
        if (lock.name.isNull()) {
            q.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(?)"));
            q.addBindValue(lock.key);
        } else {
            q.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(?, hashtext(?))"));
            q.addBindValue(int(lock.key));
            q.addBindValue(lock.name);
        }
        return q.exec();
    }

    QSqlDatabase m_db;
    bool m_open = false;
};

// The line with its link (PgChain.h), inside the change's transaction; q
// is the statement whose failure the message tells.
inline bool appendLog(QSqlDatabase &d, QSqlQuery &q, const QString &logName, const QString &line,
                      const QByteArray &key)
{
    return AppendChainedLine(d, q, logName, line, key);
}

// The row at record number n (its place in the order of ids), locked for
// the change when forUpdate.
inline bool rowAt(QSqlDatabase &d, const QString &table, const QStringList &columns, int n,
                  bool forUpdate, QSqlQuery &q)
{
    q = QSqlQuery(d);
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    q.prepare(QStringLiteral("SELECT id, row_version, %1 FROM %2 ORDER BY id OFFSET :o LIMIT 1%3")
                  .arg(columns.join(QStringLiteral(", ")), table,
                       forUpdate ? QStringLiteral(" FOR UPDATE") : QString()));
    q.bindValue(QStringLiteral(":o"), qMax(0, n - 1));
    return q.exec();
}

} // namespace PgStoreParts
