// The database store's side of the logs' chains (PgChain.h): the lines
// the review and the check add, their verification and the seals.
#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/store/pg/PgChain.h"
#include "core/store/pg/PgStore.h"

#include <QSqlQuery>

bool PgStore::appendLogLine(const QString &logName, const QString &line)
{
    return inTransaction([&](QSqlDatabase &db) {
        QSqlQuery q(db);
        return AppendChainedLine(db, q, logName, line, m_ds.options.LogKey);
    });
}

ChainVerdict PgStore::verifyLogChain(const QString &logName, bool *begun)
{
    ChainVerdict verdict;
    *begun = false;
    if (!reading([&](QSqlDatabase &db) {
            return VerifyChainIn(db, m_ds.options.LogKey, logName, begun, &verdict);
        })) {
        *begun = true;
        verdict.firstBad = 1;
        verdict.problem = QStringLiteral("the database could not be read");
    }
    return verdict;
}

QList<SealRecord>
PgStore::sealLogs(const std::function<QString(const QList<SealRecord> &)> &recordLine,
                  QString *error)
{
    QList<SealRecord> seals;
    const bool done = inTransaction([&](QSqlDatabase &db) {
        QSqlQuery q(db);
        return SealChainsIn(db, m_ds.options.LogKey, desktop().now(), &seals) &&
               AppendChainedLine(db, q, UserListLogName, recordLine(seals), m_ds.options.LogKey);
    });
    if (!done) {
        seals.clear();
        *error = QStringLiteral("The logs could not be sealed in the database: it can not be "
                                "reached or refused the change.");
    }
    return seals;
}
