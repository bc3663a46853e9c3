#include "core/store/pg/PgStore.h"

#include "core/common/ActivityLog.h"
#include "core/common/Formats.h"
#include "core/entries/CriteriaFilter.h"
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

namespace
{

const QString kChannel = QStringLiteral("custorin_changes");

// Why a step of a change failed: the server is gone (or the connection
// broke), or a statement was refused while the server answers.
enum class Failure { None, Connection, Statement };

} // namespace

struct PgStore::Impl {
    explicit Impl(const QString &conninfo)
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

namespace
{

// One transaction of a change: rolled back unless committed. A connection
// found broken at its start (the server was away meanwhile) is opened
// afresh once: nothing of the change was sent yet.
class Transaction
{
public:
    explicit Transaction(PgStore::Impl &d)
    {
        m_db = d.db();
        m_open = m_db.isOpen() && m_db.transaction();
        if (!m_open && d.failed() == Failure::Connection) {
            m_db = d.db();
            m_open = m_db.isOpen() && m_db.transaction();
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

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

// The line with its link (PgChain.h), inside the change's transaction; q
// is the statement whose failure the message tells.
bool appendLog(QSqlDatabase &d, QSqlQuery &q, const QString &logName, const QString &line,
               const QByteArray &key)
{
    return AppendChainedLine(d, q, logName, line, key);
}

// The row at record number n (its place in the order of ids), locked for
// the change when forUpdate.
bool rowAt(QSqlDatabase &d, const QString &table, const QStringList &columns, int n, bool forUpdate,
           QSqlQuery &q)
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

} // namespace

PgStore::PgStore(DataSet &ds, const QString &conninfo) : Store(ds), d(new Impl(conninfo))
{
    d->logKey = &ds.options.LogKey;
}

PgStore::~PgStore() = default;

QString PgStore::conninfo() const
{
    return d->conninfo;
}

bool PgStore::connect(QString *error)
{
    const PgConnection::Lease lease(d->connection);
    QSqlDatabase db = d->db();
    if (!db.isOpen()) {
        *error = QStringLiteral("The database can not be reached: ") +
                 db.lastError().databaseText().trimmed();
        return false;
    }
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version")) ||
        !q.next()) {
        *error = QStringLiteral("The database has no Custorin tables; set it up with --init.");
        return false;
    }
    const int version = q.value(0).toInt();
    if (version != CurrentSchemaVersion) {
        *error = QStringLiteral("The database is at schema version %1; this release needs %2 "
                                "(run --init to upgrade it).")
                     .arg(version)
                     .arg(CurrentSchemaVersion);
        return false;
    }
    return true;
}

bool PgStore::listenForChanges(QObject *context, const std::function<void()> &onChange)
{
    d->onChange = onChange;
    d->listenContext = context;
    d->listenThread = QThread::currentThread();
    QSqlDatabase db = d->connection.db();
    return db.isOpen() && d->listen(db);
}

// ---- entries ----

bool PgStore::openEntries()
{
    const PgConnection::Lease lease(d->connection);
    m_ds.databaseFailure = {};
    if (d->db().isOpen())
        return true;
    d->failedWhile(m_ds, QStringLiteral("reading the entries"), nullptr, false);
    return false;
}

void PgStore::closeEntries() {}

EntryRecord PgStore::entry(int n)
{
    const PgConnection::Lease lease(d->connection);
    QSqlQuery q;
    if (n < 1 ||
        !d->read(m_ds, QStringLiteral("reading the entry"),
                 [&](QSqlDatabase &db) {
                     return rowAt(db, QStringLiteral("entries"), EntryColumns(), n, false, q);
                 }) ||
        !q.next())
        return EntryRecord();
    d->remember(d->seenEntries, q.value(0).toLongLong(), q.value(1).toInt());
    return EntryRecord::Unpack(EntryBytesFromRow(q, 2));
}

bool PgStore::forEachEntryRecord(const std::function<bool(int, const char *)> &visit)
{
    const PgConnection::Lease lease(d->connection);
    QSqlQuery q;
    if (!d->read(m_ds, QStringLiteral("reading the entries"), [&](QSqlDatabase &db) {
            q = QSqlQuery(db);
            q.setForwardOnly(true);
            q.setNumericalPrecisionPolicy(QSql::HighPrecision);
            return q.exec(QStringLiteral("SELECT %1 FROM entries ORDER BY id")
                              .arg(EntryColumns().join(QStringLiteral(", "))));
        }))
        return false;
    QByteArray raw(EntryRecordLength, ' ');
    for (int n = 1; q.next(); ++n) {
        EntryBytesFromRow(q, 0, &raw);
        if (!visit(n, raw.constData()))
            break;
    }
    return true;
}

namespace
{

// The rows of a search that its narrowing lets through, each with its
// record number (its place among all rows), and the counts of all rows
// (*total), in one snapshot.
bool narrowedRows(QSqlDatabase &db, const SearchNarrowing &narrowing, bool inactiveList,
                  ListMode mode, const EntryFilter &filter, EntryListData *data, int *total)
{
    *data = EntryListData();
    if (!db.transaction())
        return false;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")) ||
        !q.exec(
            QStringLiteral("SELECT count(*), count(*) FILTER (WHERE status = 2) FROM entries")) ||
        !q.next())
        return false;
    *total = q.value(0).toInt();
    const int archived = q.value(1).toInt();
    QSqlQuery r(db);
    r.setForwardOnly(true);
    r.setNumericalPrecisionPolicy(QSql::HighPrecision);
    r.prepare(QStringLiteral("SELECT r.n, %1 FROM entries JOIN (SELECT id, row_number() OVER "
                             "(ORDER BY id) AS n FROM entries) AS r USING (id) "
                             "WHERE status %2 2%3 ORDER BY id")
                  .arg(EntryColumns().join(QStringLiteral(", ")),
                       inactiveList ? QStringLiteral("=") : QStringLiteral("<>"),
                       narrowing.where.isEmpty() ? QString()
                                                 : QStringLiteral(" AND ") + narrowing.where));
    for (const QVariant &value : narrowing.binds)
        r.addBindValue(value);
    if (!r.exec())
        return false;
    QByteArray raw(EntryRecordLength, ' ');
    while (r.next()) {
        EntryBytesFromRow(r, 1, &raw);
        CollectEntryRow(*data, r.value(0).toInt(), raw.constData(), inactiveList, mode, filter);
    }
    if (!r.isActive() || r.lastError().isValid())
        return false;
    r.finish();
    if (!db.commit())
        return false;
    // The rows passed over were counted, not read.
    data->archivedCount = archived;
    data->activeCount = *total - archived;
    return true;
}

} // namespace

bool PgStore::readEntryList(bool inactiveList, ListMode mode, const EntryFilter &filter,
                            EntryListData *data)
{
    const PgConnection::Lease lease(d->connection);
    *data = EntryListData();
    int n = 0;
    bool ok = false;
    if (mode == ListMode::AllEntries) {
        // The list reads only the fields it shows.
        const QStringList columns = EntryListColumns();
        const QVector<int> fields = EntryFieldIndexes(columns);
        QSqlQuery q;
        ok = d->read(m_ds, QStringLiteral("reading the list"), [&](QSqlDatabase &db) {
            q = QSqlQuery(db);
            q.setForwardOnly(true);
            q.setNumericalPrecisionPolicy(QSql::HighPrecision);
            return q.exec(QStringLiteral("SELECT %1 FROM entries ORDER BY id")
                              .arg(columns.join(QStringLiteral(", "))));
        });
        QByteArray raw = EntryRecord().Pack();
        while (ok && q.next()) {
            EntryFieldsFromRow(q, 0, fields, raw.data());
            CollectEntryRow(*data, ++n, raw.constData(), inactiveList, mode, filter);
        }
    } else if (const CriteriaFilter *criteria = filter.target<CriteriaFilter>()) {
        // A search made from the criteria: only the rows its narrowing
        // lets through are read and filtered.
        const SearchNarrowing narrowing = NarrowSearch(*criteria);
        ok = d->read(m_ds, QStringLiteral("reading the list"), [&](QSqlDatabase &db) {
            return narrowedRows(db, narrowing, inactiveList, mode, filter, data, &n);
        });
    } else {
        ok = forEachEntryRecord([&](int record, const char *raw) {
            n = record;
            CollectEntryRow(*data, record, raw, inactiveList, mode, filter);
            return true;
        });
    }
    m_ds.RecordCount = ok ? n : 0;
    data->unavailable = !ok;
    return ok;
}

bool PgStore::recountEntries()
{
    const PgConnection::Lease lease(d->connection);
    QSqlQuery q;
    if (!d->read(m_ds, QStringLiteral("counting the entries"),
                 [&](QSqlDatabase &db) {
                     q = QSqlQuery(db);
                     return q.exec(QStringLiteral(
                         "SELECT count(*), count(*) FILTER (WHERE status = 2) FROM entries"));
                 }) ||
        !q.next())
        return false;
    m_ds.RecordCount = q.value(0).toInt();
    m_ds.ArchivedCount = q.value(1).toInt();
    m_ds.ActiveCount = m_ds.RecordCount - m_ds.ArchivedCount;
    return true;
}

namespace
{

StoreResult entryFailure(Failure f)
{
    return f == Failure::Connection ? StoreResult::NotAvailable : StoreResult::IoError;
}

} // namespace

StoreResult PgStore::addEntry(EntryRecord &entry, int *recordNumber)
{
    const PgConnection::Lease lease(d->connection);
    if (entry.CaseNumber.trimmed() == KilledMarker)
        return StoreResult::Reserved;
    const QString operation = QStringLiteral("adding the entry");
    m_ds.databaseFailure = {};
    Transaction t(*d);
    QSqlDatabase &db = t.db();
    if (!t.isOpen())
        return entryFailure(d->failedWhile(m_ds, operation));
    EntryRecord stamped = entry;
    stamped.VersionStamp = CurrentVersionStamp();
    stamped.ControlNumber = ToOleDate(desktop().now());
    stamped.Status = StatusActive;
    QSqlQuery log(db);
    if (!appendLog(db, log, DataRecordsLogName,
            DataRecordLine(m_ds.session(), desktop().now(), LogAdded, stamped.ControlNumber), m_ds.options.LogKey))
        return d->failedWhile(m_ds, operation, &log) == Failure::Connection
                   ? StoreResult::NotAvailable
                   : StoreResult::LogFailed;
    QSqlQuery q(db);
    qint64 id = 0;
    if (!InsertEntry(q, stamped.Pack(), &id))
        return entryFailure(d->failedWhile(m_ds, operation, &q));
    // Its record number (a count, so only when asked for).
    QSqlQuery c(db);
    c.prepare(QStringLiteral("SELECT count(*) FROM entries WHERE id <= :id"));
    c.bindValue(QStringLiteral(":id"), id);
    if ((recordNumber && (!c.exec() || !c.next())) || !d->notifyOthers(db) || !t.commit())
        return entryFailure(d->failedWhile(m_ds, operation));
    entry = stamped;
    if (recordNumber) {
        *recordNumber = c.value(0).toInt();
        m_ds.RecordCount = qMax(m_ds.RecordCount, *recordNumber);
    } else {
        ++m_ds.RecordCount;
    }
    return StoreResult::Ok;
}

namespace
{
enum class EntryChange { Edit, Status, Delete };
}

static StoreResult changeEntry(PgStore::Impl &d, DataSet &ds, int n, const EntryIdentity &asRead,
                               EntryChange change, const EntryRecord *edited, quint8 status,
                               int code);

StoreResult PgStore::saveEntry(int n, const EntryIdentity &asRead, const EntryRecord &edited)
{
    const PgConnection::Lease lease(d->connection);
    if (edited.CaseNumber.trimmed() == KilledMarker)
        return StoreResult::Reserved;
    return changeEntry(*d, m_ds, n, asRead, EntryChange::Edit, &edited, 0, LogEdited);
}

StoreResult PgStore::archiveEntry(int n, const EntryIdentity &asRead)
{
    const PgConnection::Lease lease(d->connection);
    return changeEntry(*d, m_ds, n, asRead, EntryChange::Status, nullptr, StatusArchived,
                       LogArchived);
}

StoreResult PgStore::restoreEntry(int n, const EntryIdentity &asRead)
{
    const PgConnection::Lease lease(d->connection);
    return changeEntry(*d, m_ds, n, asRead, EntryChange::Status, nullptr, StatusActive,
                       LogRestored);
}

StoreResult PgStore::deleteEntry(int n, const EntryIdentity &asRead)
{
    const PgConnection::Lease lease(d->connection);
    const StoreResult r =
        changeEntry(*d, m_ds, n, asRead, EntryChange::Delete, nullptr, 0, LogDeleted);
    if (r == StoreResult::Ok)
        recountEntries();
    return r;
}

static StoreResult changeEntry(PgStore::Impl &d, DataSet &ds, int n, const EntryIdentity &asRead,
                               EntryChange change, const EntryRecord *edited, quint8 status,
                               int code)
{
    const QString operation = code == LogEdited     ? QStringLiteral("saving the entry")
                              : code == LogArchived ? QStringLiteral("archiving the entry")
                              : code == LogRestored ? QStringLiteral("restoring the entry")
                                                    : QStringLiteral("deleting the entry");
    ds.databaseFailure = {};
    Transaction t(d);
    QSqlDatabase &db = t.db();
    if (!t.isOpen())
        return entryFailure(d.failedWhile(ds, operation));
    QSqlQuery q;
    if (!rowAt(db, QStringLiteral("entries"), EntryColumns(), n, true, q))
        return entryFailure(d.failedWhile(ds, operation, &q));
    if (!q.next())
        return StoreResult::Missing;
    const qint64 id = q.value(0).toLongLong();
    const int version = q.value(1).toInt();
    const QByteArray raw = EntryBytesFromRow(q, 2);
    const EntryRecord stored = EntryRecord::Unpack(raw);
    if (!asRead.matches(stored) || !d.sameVersion(d.seenEntries, id, version))
        return StoreResult::Changed;

    QSqlQuery log(db);
    if (!appendLog(db, log, DataRecordsLogName,
                   DataRecordLine(ds.session(), desktop().now(), code, stored.ControlNumber), ds.options.LogKey))
        return d.failedWhile(ds, operation, &log) == Failure::Connection ? StoreResult::NotAvailable
                                                                         : StoreResult::LogFailed;
    QSqlQuery w(db);
    bool ok = false;
    if (change == EntryChange::Delete) {
        w.prepare(QStringLiteral("DELETE FROM entries WHERE id = :id"));
        w.bindValue(QStringLiteral(":id"), id);
        ok = w.exec();
    } else {
        QByteArray changed = raw;
        if (change == EntryChange::Edit)
            changed = EditedEntryBytes(raw, *edited);
        else
            changed[EntryLayout::Status] = char(status);
        ok = UpdateEntry(w, id, changed);
    }
    if (!ok)
        return entryFailure(d.failedWhile(ds, operation, &w));
    if (!d.notifyOthers(db) || !t.commit())
        return entryFailure(d.failedWhile(ds, operation));
    if (change != EntryChange::Delete)
        d.remember(d.seenEntries, id, version + 1);
    return StoreResult::Ok;
}

// ---- users ----

bool PgStore::openUsers()
{
    const PgConnection::Lease lease(d->connection);
    QSqlQuery q;
    if (!d->read(m_ds, QStringLiteral("reading the user list"),
                 [&](QSqlDatabase &db) {
                     q = QSqlQuery(db);
                     return q.exec(QStringLiteral("SELECT count(*) FROM users"));
                 }) ||
        !q.next()) {
        m_ds.UserCount = 0;
        return false;
    }
    m_ds.UserCount = q.value(0).toInt();
    return true;
}

void PgStore::closeUsers() {}

UserRecord PgStore::user(int n)
{
    const PgConnection::Lease lease(d->connection);
    QSqlQuery q;
    if (n < 1 ||
        !d->read(m_ds, QStringLiteral("reading the user"),
                 [&](QSqlDatabase &db) {
                     return rowAt(db, QStringLiteral("users"), UserColumns(), n, false, q);
                 }) ||
        !q.next())
        return UserRecord();
    d->remember(d->seenUsers, q.value(0).toLongLong(), q.value(1).toInt());
    return UserRecord::Unpack(UserBytesFromRow(q, 2));
}

QVector<UserRecord> PgStore::allUsers(bool *ok)
{
    const PgConnection::Lease lease(d->connection);
    QVector<UserRecord> users;
    QSqlQuery q;
    const bool read = d->read(m_ds, QStringLiteral("reading the user list"), [&](QSqlDatabase &db) {
        q = QSqlQuery(db);
        q.setNumericalPrecisionPolicy(QSql::HighPrecision);
        return q.exec(QStringLiteral("SELECT %1 FROM users ORDER BY id")
                          .arg(UserColumns().join(QStringLiteral(", "))));
    });
    while (read && q.next())
        users.append(UserRecord::Unpack(UserBytesFromRow(q, 0)));
    m_ds.UserCount = int(users.size());
    if (ok)
        *ok = read;
    return users;
}

namespace
{

UserResult userFailure(Failure f)
{
    return f == Failure::Connection ? UserResult::NotAvailable : UserResult::IoError;
}

} // namespace

UserResult PgStore::addUser(UserRecord &user, int *recordNumber)
{
    const PgConnection::Lease lease(d->connection);
    if (CheckUserNames(user.FirstName, user.LastName) != UserNameCheck::Ok)
        return UserResult::InvalidName;
    const QString key = PasswordKey(UnscramblePassword(user.Password));
    const QString operation = QStringLiteral("adding the user");
    m_ds.databaseFailure = {};
    Transaction t(*d);
    QSqlDatabase &db = t.db();
    if (!t.isOpen())
        return userFailure(d->failedWhile(m_ds, operation));
    UserRecord stamped = user;
    stamped.DateCreated = ToOleDate(desktop().now());
    QSqlQuery log(db);
    if (!appendLog(db, log, UserListLogName,
                   UserListLine(desktop().now(), LogAdded, stamped.DisplayName()), m_ds.options.LogKey))
        return d->failedWhile(m_ds, operation, &log) == Failure::Connection
                   ? UserResult::NotAvailable
                   : UserResult::LogFailed;
    QSqlQuery q(db);
    qint64 id = 0;
    if (!InsertUser(q, stamped.Pack(), key, &id))
        return userFailure(d->failedWhile(m_ds, operation, &q));
    QSqlQuery c(db);
    c.prepare(QStringLiteral("SELECT count(*) FILTER (WHERE id <= :id), count(*) FROM users"));
    c.bindValue(QStringLiteral(":id"), id);
    if (!c.exec() || !c.next() || !t.commit())
        return userFailure(d->failedWhile(m_ds, operation));
    user.DateCreated = stamped.DateCreated;
    m_ds.UserCount = c.value(1).toInt();
    if (recordNumber)
        *recordNumber = c.value(0).toInt();
    return UserResult::Ok;
}

static UserResult changeUser(PgStore::Impl &d, DataSet &ds, int n, const UserIdentity &asRead,
                             const UserRecord *edited)
{
    const QString operation =
        edited ? QStringLiteral("saving the user") : QStringLiteral("deleting the user");
    ds.databaseFailure = {};
    Transaction t(d);
    QSqlDatabase &db = t.db();
    if (!t.isOpen())
        return userFailure(d.failedWhile(ds, operation));
    QSqlQuery q;
    if (!rowAt(db, QStringLiteral("users"), UserColumns(), n, true, q))
        return userFailure(d.failedWhile(ds, operation, &q));
    if (!q.next())
        return UserResult::Missing;
    const qint64 id = q.value(0).toLongLong();
    const int version = q.value(1).toInt();
    const UserRecord stored = UserRecord::Unpack(UserBytesFromRow(q, 2));
    if (!asRead.matches(stored) || !d.sameVersion(d.seenUsers, id, version))
        return UserResult::Changed;
    const QString name = edited ? edited->DisplayName() : stored.DisplayName();
    QSqlQuery log(db);
    if (!appendLog(db, log, UserListLogName,
                   UserListLine(desktop().now(), edited ? LogEdited : LogDeleted, name), *d.logKey))
        return d.failedWhile(ds, operation, &log) == Failure::Connection ? UserResult::NotAvailable
                                                                         : UserResult::LogFailed;
    QSqlQuery w(db);
    bool ok = false;
    if (!edited) {
        w.prepare(QStringLiteral("DELETE FROM users WHERE id = :id"));
        w.bindValue(QStringLiteral(":id"), id);
        ok = w.exec();
    } else {
        UserRecord changed = *edited;
        changed.DateCreated = stored.DateCreated;
        const QString password = UnscramblePassword(edited->Password);
        ok = UpdateUser(w, id, changed.Pack(),
                        password.isEmpty() ? QString() : PasswordKey(password));
    }
    if (!ok)
        return userFailure(d.failedWhile(ds, operation, &w));
    if (!t.commit())
        return userFailure(d.failedWhile(ds, operation));
    if (edited)
        d.remember(d.seenUsers, id, version + 1);
    return UserResult::Ok;
}

UserResult PgStore::saveUser(int n, const UserIdentity &asRead, const UserRecord &edited)
{
    const PgConnection::Lease lease(d->connection);
    if (CheckUserNames(edited.FirstName, edited.LastName) != UserNameCheck::Ok)
        return UserResult::InvalidName;
    return changeUser(*d, m_ds, n, asRead, &edited);
}

UserResult PgStore::deleteUser(int n, const UserIdentity &asRead)
{
    const PgConnection::Lease lease(d->connection);
    const UserResult r = changeUser(*d, m_ds, n, asRead, nullptr);
    if (r == UserResult::Ok)
        openUsers();
    return r;
}

bool PgStore::passwordMatches(const UserRecord &user, const QString &typed)
{
    const PgConnection::Lease lease(d->connection);
    QSqlDatabase db = d->db();
    QSqlQuery q(db);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    q.prepare(QStringLiteral("SELECT date_created, password_key FROM users "
                             "WHERE first_name = :f AND last_name = :l"));
    q.bindValue(QStringLiteral(":f"), StoredText(user.FirstName));
    q.bindValue(QStringLiteral(":l"), StoredText(user.LastName));
    if (!q.exec())
        return false;
    while (q.next())
        if (SameStoredDouble(Float8(q.value(0)), user.DateCreated))
            return PasswordKeyMatches(q.value(1).toString(), typed);
    return false;
}

// ---- logs ----

static bool logLine(PgStore::Impl &d, DataSet &ds, const QString &operation, const QString &logName,
                    const QString &line)
{
    ds.databaseFailure = {};
    Transaction t(d);
    QSqlQuery log(t.db());
    if (!t.isOpen() || !appendLog(t.db(), log, logName, line, *d.logKey) || !t.commit()) {
        d.failedWhile(ds, operation, &log);
        return false;
    }
    return true;
}

bool PgStore::inTransaction(const std::function<bool(QSqlDatabase &)> &work)
{
    const PgConnection::Lease lease(d->connection);
    Transaction t(*d);
    if (!t.isOpen() || !work(t.db()) || !t.commit()) {
        d->failed();
        return false;
    }
    return true;
}

bool PgStore::reading(const std::function<bool(QSqlDatabase &)> &query)
{
    const PgConnection::Lease lease(d->connection);
    return d->read(m_ds, QStringLiteral("reading the log's chain"), query);
}

bool PgStore::logSignInOut(int code)
{
    const PgConnection::Lease lease(d->connection);
    return logLine(*d, m_ds,
                   code == LogSignedOut ? QStringLiteral("writing the sign-out line")
                                        : QStringLiteral("writing the sign-in line"),
                   SignInOutLogName, SignInOutLine(m_ds.session(), desktop().now(), code));
}

bool PgStore::logSearch(const QString &description)
{
    const PgConnection::Lease lease(d->connection);
    return logLine(*d, m_ds, QStringLiteral("writing the search line"), SearchLogName,
                   SearchLine(m_ds.session(), desktop().now(), description));
}

bool PgStore::readLog(const QString &logName, QByteArray *bytes)
{
    const PgConnection::Lease lease(d->connection);
    const QString table = LogTableName(logName);
    if (table.isEmpty())
        return false;
    QSqlQuery q;
    if (!d->read(m_ds, QStringLiteral("reading ") + logName, [&](QSqlDatabase &db) {
            q = QSqlQuery(db);
            q.setForwardOnly(true);
            return q.exec(QStringLiteral("SELECT line FROM %1 ORDER BY id").arg(table));
        }))
        return false;
    bytes->clear();
    while (q.next())
        bytes->append(ToWindows1252(q.value(0).toString()) + "\r\n");
    return true;
}

// ---- passwords ----

QString PasswordKey(const QString &password, int iterations)
{
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()), 4);
    const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, password.toUtf8(), salt, iterations, 32);
    return QStringLiteral("pbkdf2-sha256:%1:%2:%3")
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toHex()), QString::fromLatin1(key.toHex()));
}

bool PasswordKeyMatches(const QString &stored, const QString &typed)
{
    const QStringList parts = stored.split(QLatin1Char(':'));
    if (parts.size() != 4 || parts[0] != QLatin1String("pbkdf2-sha256"))
        return false;
    const int iterations = parts[1].toInt();
    const QByteArray salt = QByteArray::fromHex(parts[2].toLatin1());
    const QByteArray key = QByteArray::fromHex(parts[3].toLatin1());
    if (iterations < 1 || key.size() != 32)
        return false;
    const QByteArray typedKey = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, typed.toUtf8(), salt, iterations, 32);
    // Compared in full whatever differs first.
    int diff = 0;
    for (int i = 0; i < 32; ++i)
        diff |= key[i] ^ typedKey[i];
    return diff == 0;
}
