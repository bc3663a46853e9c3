#include "core/store/pg/PgChain.h"

#include "core/common/ChainedLogs.h"
#include "core/common/Desktop.h"
#include "core/common/Formats.h"
#include "core/store/pg/PgSchema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace
{

// The first key of the advisory locks that order the appends to one log
// (the second is the log's place in LogFileNames()).
constexpr int kLockClass = 0x43757374;

// A log line's bytes as a folder's log holds them.
QByteArray lineBytes(const QString &line)
{
    return ToWindows1252(line) + "\r\n";
}

bool lockLog(QSqlDatabase &db, const QString &logName)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(:c, :l)"));
    q.bindValue(QStringLiteral(":c"), kLockClass);
    q.bindValue(QStringLiteral(":l"), int(LogFileNames().indexOf(logName)));
    return q.exec();
}

// The log's whole text as a folder's log holds it.
bool readLogBytes(QSqlDatabase &db, const QString &logName, QByteArray *bytes)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT line FROM %1 ORDER BY id").arg(LogTableName(logName))))
        return false;
    bytes->clear();
    while (q.next())
        *bytes += lineBytes(q.value(0).toString());
    return true;
}

// The text of all the log's chain rows, or of the last one only.
bool readChain(QSqlDatabase &db, const QString &logName, bool lastOnly, QByteArray *text)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT link FROM log_chain WHERE log = :log ORDER BY id%1")
                  .arg(lastOnly ? QStringLiteral(" DESC LIMIT 1") : QString()));
    q.bindValue(QStringLiteral(":log"), logName);
    if (!q.exec())
        return false;
    text->clear();
    while (q.next())
        *text += q.value(0).toString().toLatin1();
    return true;
}

bool insertChain(QSqlDatabase &db, const QString &logName, const QByteArray &text)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO log_chain (log, link) VALUES (:log, :link)"));
    q.bindValue(QStringLiteral(":log"), logName);
    q.bindValue(QStringLiteral(":link"), QString::fromLatin1(text));
    return text.isEmpty() || q.exec();
}

// The head of the log's chain; a log whose table holds lines but no chain
// is chained from its end (*text gets that first link).
bool headOf(QSqlDatabase &db, const LogChain &chain, const QString &logName, ChainHead *head,
            QByteArray *text)
{
    QByteArray last;
    if (!readChain(db, logName, true, &last))
        return false;
    *head = LogChain::headOf(last);
    text->clear();
    if (head->started)
        return true;
    QByteArray prefix;
    if (!readLogBytes(db, logName, &prefix))
        return false;
    if (!prefix.isEmpty())
        *text = chain.sealFrom(head, prefix);
    return true;
}

QString stamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

bool readSeals(QSqlDatabase &db, QByteArray *seals)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT record FROM log_seals ORDER BY id")))
        return false;
    seals->clear();
    while (q.next())
        *seals += q.value(0).toString().toUtf8() + '\n';
    return true;
}

bool insertSeal(QSqlDatabase &db, const QByteArray &record)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO log_seals (record) VALUES (:r)"));
    q.bindValue(QStringLiteral(":r"), QString::fromUtf8(record));
    return q.exec();
}

} // namespace

bool AppendChainedLine(QSqlDatabase &db, QSqlQuery &q, const QString &logName, const QString &line,
                       const QByteArray &key)
{
    const LogChain chain(key);
    ChainHead head;
    QByteArray text;
    if (!lockLog(db, logName) || !headOf(db, chain, logName, &head, &text))
        return false;
    text += chain.extend(&head, lineBytes(line), -1, QString());
    q.prepare(QStringLiteral("WITH l AS (INSERT INTO %1 (line) VALUES (:line)) "
                             "INSERT INTO log_chain (log, link) VALUES (:log, :link)")
                  .arg(LogTableName(logName)));
    q.bindValue(QStringLiteral(":line"), line);
    q.bindValue(QStringLiteral(":log"), logName);
    q.bindValue(QStringLiteral(":link"), QString::fromLatin1(text));
    return q.exec();
}

bool VerifyChainIn(QSqlDatabase &db, const QByteArray &key, const QString &logName, bool *begun,
                   ChainVerdict *verdict)
{
    // One snapshot: a line appended meanwhile comes with its link or not at all.
    QSqlQuery begin(db);
    QByteArray log, links, seals;
    const bool read =
        begin.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")) &&
        readLogBytes(db, logName, &log) && readChain(db, logName, false, &links) &&
        readSeals(db, &seals);
    QSqlQuery(db).exec(QStringLiteral("COMMIT"));
    if (!read)
        return false;
    *begun = !links.isEmpty() || !seals.isEmpty();
    *verdict =
        *begun ? VerifyStoredLog(LogChain(key), logName, log, links, seals, true) : ChainVerdict();
    return true;
}

bool SealChainsIn(QSqlDatabase &db, const QByteArray &key, const QDateTime &when,
                  QList<SealRecord> *records)
{
    const LogChain chain(key);
    records->clear();
    for (const QString &log : LogFileNames()) {
        ChainHead head;
        QByteArray text;
        if (!lockLog(db, log) || !headOf(db, chain, log, &head, &text) ||
            !insertChain(db, log, text))
            return false;
        SealRecord r;
        r.when = stamp(when);
        r.log = log;
        r.line = head.lines;
        r.value = head.value;
        if (!insertSeal(db, SealRecordLine(chain, r).chopped(1)))
            return false;
        records->append(r);
    }
    return true;
}

bool ImportChains(QSqlDatabase &db, const QString &folder, const QMap<QString, QByteArray> &logs,
                  const QByteArray &key, QStringList *report)
{
    const LogChain chain(key);
    const QDir dir(folder);
    const QDateTime now = desktop().now();
    for (const QString &log : LogFileNames()) {
        const QByteArray bytes = logs.value(log);
        QFile file(dir.filePath(ChainFileName(log)));
        QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        ChainHead head = LogChain::headOf(text);
        const qint64 whole = bytes.lastIndexOf('\n') + 1;
        if (!head.started && whole > 0) {
            text = chain.sealFrom(&head, bytes.left(whole));
            *report << QStringLiteral("%1 had no chain: sealed from line %2")
                           .arg(log)
                           .arg(head.lines + 1);
        } else if (head.started && head.end < whole) {
            const qint64 from = head.lines + 1;
            text += chain.extend(&head, bytes.mid(head.end, whole - head.end), whole,
                                 DateText(now) + QStringLiteral(" at ") + TimeText(now));
            *report << QStringLiteral("%1: lines %2 to %3 had no link: linked now (a recorded "
                                      "repair)")
                           .arg(log)
                           .arg(from)
                           .arg(head.lines);
        }
        if (!insertChain(db, log, text))
            return false;
    }
    QFile sealsFile(dir.filePath(SealsFileName));
    if (sealsFile.open(QIODevice::ReadOnly)) {
        for (const QByteArray &record : sealsFile.readAll().split('\n'))
            if (!record.isEmpty() && !insertSeal(db, record))
                return false;
    }
    return true;
}

bool ExportChains(QSqlDatabase &db, QMap<QString, QByteArray> *files)
{
    for (const QString &log : LogFileNames()) {
        QByteArray text;
        if (!readChain(db, log, false, &text))
            return false;
        if (!text.isEmpty())
            (*files)[ChainFileName(log)] = text;
    }
    QByteArray seals;
    if (!readSeals(db, &seals))
        return false;
    if (!seals.isEmpty())
        (*files)[SealsFileName] = seals;
    return true;
}
