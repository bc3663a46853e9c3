// The database store's users, its logs' lines and the password keys.
#include "core/store/pg/PgStore.h"
#include "core/store/pg/PgStoreImpl.h"

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
                   UserListLine(desktop().now(), LogAdded, stamped.DisplayName()),
                   m_ds.options.LogKey))
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

static UserResult changeUser(PgStoreImpl &d, DataSet &ds, int n, const UserIdentity &asRead,
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

static bool logLine(PgStoreImpl &d, DataSet &ds, const QString &operation, const QString &logName,
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
