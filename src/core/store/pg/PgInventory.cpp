// The database store's inventories: each one's lines are rows of
// inventory_lines numbered from 1 in the order they were added. A change
// runs in one transaction under the inventory's advisory lock: it reads
// the lines others added since this reader's last look, decides what to
// add, and adds it with its "DataRecords.Log" line, so that two
// workstations scanning into one inventory see each other's lines as two
// workstations appending to one side file do.
#include "core/common/ActivityLog.h"
#include "core/common/Globals.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgSql.h"
#include "core/store/pg/PgStore.h"
#include "core/store/pg/PgStoreImpl.h"

#include <QDateTime>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace
{

// Applies the lines after *readUpTo and moves it on; false when they
// could not be read.
bool readAfter(QSqlDatabase &db, const QString &id, qint64 *readUpTo,
               const Store::InventoryLineVisitor &apply)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT line_no, line FROM inventory_lines WHERE inventory = ? AND "
                             "line_no > ? ORDER BY line_no"));
    q.addBindValue(id);
    q.addBindValue(*readUpTo);
    if (!q.exec())
        return false;
    while (q.next()) {
        apply(q.value(1).toString());
        *readUpTo = q.value(0).toLongLong();
    }
    return true;
}

// Adds the CR LF-ended lines after line number last, and the log line
// with its link.
bool insertLines(QSqlDatabase &db, const QString &id, qint64 last, const QString &lines,
                 const QString &logLine, const QByteArray &logKey)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO inventory_lines (inventory, line_no, line) VALUES (?, ?, "
                             "?)"));
    QStringList split = lines.split(CrLf);
    split.removeLast(); // after the last line's end
    for (const QString &line : std::as_const(split)) {
        q.addBindValue(id);
        q.addBindValue(++last);
        q.addBindValue(line);
        if (!q.exec())
            return false;
    }
    QSqlQuery log(db);
    return logLine.isEmpty() || appendLog(db, log, DataRecordsLogName, logLine, logKey);
}

// The advisory lock of an inventory ("CUST" and the hash of its id).
AdvisoryLock lockOf(const QString &id)
{
    return {0x43555354, id};
}

Store::InventoryWrite failedText(const QString &id, const QString &error)
{
    return {false,
            QStringLiteral("The inventory ") + id +
                QStringLiteral(" can not be written to the database: ") + error +
                QStringLiteral(".") + CrLf + CrLf +
                QStringLiteral("Nothing was recorded; try again."),
            std::nullopt};
}

} // namespace

std::optional<FileStamp> PgStore::entriesStamp()
{
    PgConnection connection(conninfo());
    QSqlDatabase db = connection.db();
    QSqlQuery q(db);
    if (!db.isOpen() ||
        !q.exec(QStringLiteral("SELECT count(*), coalesce(sum(row_version), 0), "
                               "coalesce(max(id), 0) FROM entries")) ||
        !q.next())
        return std::nullopt;
    FileStamp stamp;
    stamp.born = QDateTime::fromMSecsSinceEpoch(q.value(0).toLongLong(), Qt::UTC);
    stamp.size = q.value(1).toLongLong();
    stamp.modified = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong(), Qt::UTC);
    return stamp;
}

QStringList PgStore::inventoryIds()
{
    PgConnection connection(conninfo());
    QSqlDatabase db = connection.db();
    QSqlQuery q(db);
    QStringList ids;
    if (!db.isOpen() ||
        !q.exec(QStringLiteral("SELECT inventory FROM inventory_lines WHERE line_no = 1 ORDER BY "
                               "inventory COLLATE \"C\" DESC")))
        return ids;
    while (q.next())
        ids << q.value(0).toString();
    return ids;
}

bool PgStore::readInventory(const QString &id, qint64 *readUpTo, const InventoryLineVisitor &apply)
{
    PgConnection connection(conninfo());
    QSqlDatabase db = connection.db();
    return db.isOpen() && readAfter(db, id, readUpTo, apply);
}

Store::InventoryWrite
PgStore::startInventory(const QString &stamp,
                        const std::function<InventoryAddition(const QString &)> &first, QString *id)
{
    // Under the stamp's lock: two inventories started in one second get
    // "-2", "-3"... as their side files do.
    const PgConnection::Lease lease(d->connection);
    Transaction t(*d, lockOf(stamp));
    if (!t.isOpen())
        return failedText(stamp, t.error());
    QSqlQuery q(t.db());
    q.prepare(QStringLiteral("SELECT inventory FROM inventory_lines WHERE line_no = 1 AND "
                             "(inventory = ? OR starts_with(inventory, ?))"));
    q.addBindValue(stamp);
    q.addBindValue(stamp + QLatin1Char('-'));
    if (!q.exec())
        return failedText(stamp, t.error());
    QSet<QString> taken;
    while (q.next())
        taken.insert(q.value(0).toString());
    QString made = stamp;
    for (int n = 2; taken.contains(made); ++n)
        made = stamp + QStringLiteral("-%1").arg(n);
    const InventoryAddition add = first(made);
    if (!insertLines(t.db(), made, 0, add.lines, add.logLine, m_ds.options.LogKey) || !t.commit())
        return failedText(made, t.error());
    *id = made;
    return {true, QString(), std::nullopt};
}

Store::InventoryWrite PgStore::appendInventory(const QString &id, qint64 *readUpTo,
                                               const InventoryLineVisitor &apply,
                                               const std::function<InventoryAddition()> &change)
{
    const PgConnection::Lease lease(d->connection);
    Transaction t(*d, lockOf(id));
    if (!t.isOpen() || !readAfter(t.db(), id, readUpTo, apply))
        return failedText(id, t.error());
    const InventoryAddition add = change();
    if (!add.refusal.isEmpty())
        return {false, add.refusal, std::nullopt};
    if (add.lines.isEmpty())
        return {true, QString(), std::nullopt};
    const qint64 last = *readUpTo;
    if (!insertLines(t.db(), id, last, add.lines, add.logLine, m_ds.options.LogKey) || !t.commit())
        return failedText(id, t.error());
    // What was added, read back as the side file's is.
    if (!readAfter(t.db(), id, readUpTo, apply))
        return failedText(id, QStringLiteral("it can not be read back"));
    return {true, QString(), std::nullopt};
}
