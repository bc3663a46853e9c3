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

#include "core/store/pg/PgStoreImpl.h"

PgStore::PgStore(DataSet &ds, const QString &conninfo) : Store(ds), d(new PgStoreImpl(conninfo))
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
                   DataRecordLine(m_ds.session(), desktop().now(), LogAdded, stamped.ControlNumber),
                   m_ds.options.LogKey))
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

static StoreResult changeEntry(PgStoreImpl &d, DataSet &ds, int n, const EntryIdentity &asRead,
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

static StoreResult changeEntry(PgStoreImpl &d, DataSet &ds, int n, const EntryIdentity &asRead,
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
                   DataRecordLine(ds.session(), desktop().now(), code, stored.ControlNumber),
                   ds.options.LogKey))
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
