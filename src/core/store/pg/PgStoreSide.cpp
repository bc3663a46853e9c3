// The database store's installation settings, wrong access codes and
// backup. The settings are rows of the installation table keyed
// "Installation/<key>" (as --import copies them from the settings file),
// the wrong codes' count the row "WrongCodes/Count". Each change runs in
// one transaction under one advisory lock, so that two workstations
// setting up or counting at once go one after the other, as under the
// folder lock.
#include "core/common/ActivityLog.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgSql.h"
#include "core/store/pg/PgStore.h"
#include "core/store/pg/PgStoreImpl.h"
#include "core/store/pg/PgTransfer.h"

#include <QSqlQuery>
#include <QVariant>

namespace
{

const QString kSection = QStringLiteral("Installation/");
const QString kWrongCodesKey = QStringLiteral("WrongCodes/Count");
// The advisory lock of the installation rows ("CUST" "INST").
const AdvisoryLock kInstallationLock{0x4355535400000001, QString()};

// The settings' values by key (without the section); false when the
// database could not be read.
bool readValues(QSqlDatabase &db, QMap<QString, QString> *values)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT key, value FROM installation WHERE starts_with(key, :s)"));
    q.bindValue(QStringLiteral(":s"), kSection);
    if (!q.exec())
        return false;
    values->clear();
    while (q.next())
        values->insert(q.value(0).toString().mid(kSection.size()), q.value(1).toString());
    return true;
}

bool exec(QSqlDatabase &db, const QString &sql, const QVariantList &values = {},
          QSqlQuery *out = nullptr)
{
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    const bool ok = q.exec();
    if (out)
        *out = std::move(q);
    return ok;
}

bool holdsAny(QSqlDatabase &db, bool *holds)
{
    QSqlQuery q;
    if (!exec(db,
              QStringLiteral("SELECT EXISTS (SELECT FROM users) OR EXISTS (SELECT FROM entries)"),
              {}, &q) ||
        !q.next())
        return false;
    *holds = q.value(0).toBool();
    return true;
}

// Where the settings are kept, as the messages name it: the database's
// connection settings (never with a password).
QString placeText(const QString &conninfo)
{
    return conninfo;
}

QString nothingSaved()
{
    return QStringLiteral("Nothing has been saved.");
}

QString recoveryText()
{
    return QStringLiteral("Please have the database administrator restore them") + CrLf +
           QStringLiteral("from a backup of the database (pg_restore).");
}

} // namespace

InstallationResult PgStore::loadInstallation()
{
    PgConnection connection(conninfo());
    QSqlDatabase db = connection.db();
    QMap<QString, QString> values;
    InstallationResult r = InstallationResult::Unreadable;
    QString agency;
    if (db.isOpen() && readValues(db, &values))
        r = InstallationFromValues(values, &agency);
    m_ds.AgencyName = r == InstallationResult::Ok ? agency : QString();
    return r;
}

InstallationResult PgStore::saveInstallation(const QString &agency, const QString &accessCode,
                                             SetupBy by)
{
    const InstallationResult checked = CheckInstallationInput(agency, accessCode);
    if (checked != InstallationResult::Ok)
        return checked;
    const PgConnection::Lease lease(d->connection);
    Transaction t(*d, kInstallationLock);
    QSqlDatabase &db = t.db();
    QMap<QString, QString> values;
    bool holds = false;
    if (!t.isOpen() || !readValues(db, &values) || !holdsAny(db, &holds))
        return InstallationResult::IoError;
    // Looked at again in the transaction: another workstation may have set
    // the database up, or put users or entries in it, while the window was
    // open.
    const bool configured = InstallationFromValues(values, nullptr) == InstallationResult::Ok;
    AccessCodeEvent event = AccessCodeEvent::SetInWindow;
    if (by == SetupBy::Window) {
        if (configured)
            return InstallationResult::SetUpMeanwhile;
        if (holds)
            return InstallationResult::FolderInUse;
    } else {
        event = configured ? AccessCodeEvent::ChangedByOperator : AccessCodeEvent::SetByOperator;
    }
    QSqlQuery log(db);
    if (!appendLog(db, log, UserListLogName, AccessCodeLine(m_ds, desktop().now(), event),
                   m_ds.options.LogKey))
        return InstallationResult::LogFailed;
    bool ok =
        exec(db, QStringLiteral("DELETE FROM installation WHERE starts_with(key, ?)"), {kSection});
    for (const auto &[key, value] :
         NewInstallationValues(agency, accessCode, UpdateAddressFromValues(values)))
        ok = ok && exec(db, QStringLiteral("INSERT INTO installation (key, value) VALUES (?, ?)"),
                        {kSection + key, value});
    if (!ok || !t.commit())
        return InstallationResult::IoError;
    m_ds.AgencyName = agency.trimmed();
    return InstallationResult::Ok;
}

InstallationResult PgStore::checkAccessCode(const QString &code)
{
    PgConnection connection(conninfo());
    QSqlDatabase db = connection.db();
    QMap<QString, QString> values;
    if (!db.isOpen() || !readValues(db, &values))
        return InstallationResult::Unreadable;
    return CheckAccessCodeValues(values, code);
}

bool PgStore::holdsUsersOrEntries()
{
    PgConnection connection(conninfo());
    QSqlDatabase db = connection.db();
    bool holds = true; // unknown counts as in use: no set-up in a window
    if (db.isOpen())
        holdsAny(db, &holds);
    return holds;
}

QString PgStore::updateAddress()
{
    PgConnection connection(conninfo());
    QSqlDatabase db = connection.db();
    QMap<QString, QString> values;
    if (!db.isOpen() || !readValues(db, &values))
        return QString();
    return UpdateAddressFromValues(values);
}

int PgStore::countWrongAccessCode()
{
    const PgConnection::Lease lease(d->connection);
    Transaction t(*d, kInstallationLock);
    QSqlDatabase &db = t.db();
    QSqlQuery log(db), q;
    if (!t.isOpen() ||
        !appendLog(db, log, UserListLogName,
                   AccessCodeLine(m_ds, desktop().now(), AccessCodeEvent::Wrong),
                   m_ds.options.LogKey) ||
        !exec(db,
              QStringLiteral("INSERT INTO installation (key, value) VALUES (?, '1') "
                             "ON CONFLICT (key) DO UPDATE SET value = (least(CASE WHEN "
                             "installation.value ~ '^[0-9]{1,7}$' THEN installation.value::int "
                             "ELSE 0 END, 999999) + 1)::text RETURNING value"),
              {kWrongCodesKey}, &q) ||
        !q.next())
        return -1;
    const int count = q.value(0).toInt();
    return t.commit() ? count : -1;
}

int PgStore::wrongAccessCodeCount()
{
    PgConnection connection(conninfo());
    QSqlDatabase db = connection.db();
    QSqlQuery q;
    if (!db.isOpen() ||
        !exec(db, QStringLiteral("SELECT value FROM installation WHERE key = ?"), {kWrongCodesKey},
              &q) ||
        !q.next())
        return 0;
    bool ok = false;
    const int count = q.value(0).toString().trimmed().toInt(&ok);
    return ok && count > 0 ? qMin(count, 1000000) : 0;
}

void PgStore::clearWrongAccessCodes()
{
    const PgConnection::Lease lease(d->connection);
    Transaction t(*d, kInstallationLock);
    if (t.isOpen() &&
        exec(t.db(), QStringLiteral("DELETE FROM installation WHERE key = ?"), {kWrongCodesKey}))
        t.commit();
}

QString PgStore::installationResultText(InstallationResult result)
{
    const QString place = placeText(conninfo());
    switch (result) {
    case InstallationResult::NotConfigured:
        return QStringLiteral("The agency name and the administrative access code") + CrLf +
               QStringLiteral("have not been set up for the database:") + CrLf + place;
    case InstallationResult::Unreadable:
        return QStringLiteral("The installation settings can not be read") + CrLf +
               QStringLiteral("from the database:") + CrLf + place;
    case InstallationResult::Corrupted:
        return QStringLiteral("The installation settings in the database") + CrLf +
               QStringLiteral("are damaged or incomplete:") + CrLf + place + CrLf + CrLf +
               QStringLiteral("Please set up the agency name and the access code again.");
    case InstallationResult::IoError:
        return QStringLiteral("The installation settings could not be written") + CrLf +
               QStringLiteral("to the database:") + CrLf + place + CrLf + CrLf + nothingSaved();
    case InstallationResult::FolderInUse:
        return QStringLiteral("The database already holds users or entries:") + CrLf + place +
               CrLf + CrLf +
               QStringLiteral("Its installation settings can not be set up in this window.") +
               CrLf + recoveryText() + CrLf + CrLf + nothingSaved();
    case InstallationResult::SetUpMeanwhile:
        return QStringLiteral("The database has been set up at another workstation") + CrLf +
               QStringLiteral("while this window was open:") + CrLf + place + CrLf + CrLf +
               QStringLiteral("Nothing has been saved here; the settings made there are used.");
    case InstallationResult::LogFailed:
        return QStringLiteral("The activity log '") + UserListLogName +
               QStringLiteral("' can not be") + CrLf +
               QStringLiteral("written to in the database:") + CrLf + place + CrLf + CrLf +
               nothingSaved();
    default:
        return InstallationResultText(m_ds, result);
    }
}

QString PgStore::installationProblemText(InstallationResult result)
{
    QString what = QStringLiteral("are damaged or incomplete");
    if (result == InstallationResult::NotConfigured)
        what = QStringLiteral("are missing");
    else if (result == InstallationResult::Unreadable)
        what = QStringLiteral("can not be read");
    QString text = QStringLiteral("The installation settings ") + what + CrLf +
                   QStringLiteral("in the database:") + CrLf + placeText(conninfo()) + CrLf + CrLf;
    if (holdsUsersOrEntries())
        text += QStringLiteral("The database holds users or entries, so its settings") + CrLf +
                QStringLiteral("are not set up again in a window.") + CrLf + recoveryText();
    else
        text += QStringLiteral("Please end ") + AppTitle +
                QStringLiteral(" and start it again to set the database up.");
    return text;
}

Store::SelfBackup PgStore::backUpInto(const QString &folder)
{
    QString message;
    SelfBackup backup;
    backup.ok = BackupDatabase(conninfo(), folder, 0, &message);
    backup.text = backup.ok
                      ? QStringLiteral("Your current ") + AppTitle + QStringLiteral(" database") +
                            CrLf + QStringLiteral("has been successfully backed up!") + CrLf +
                            CrLf + message
                      : QStringLiteral("There is some kind of problem") + CrLf +
                            QStringLiteral("trying to back up the database:") + CrLf + CrLf +
                            message + CrLf + CrLf +
                            QStringLiteral("No backup in the backup location has been "
                                           "changed.");
    return backup;
}

QString PgStore::restoreElsewhereText() const
{
    return QStringLiteral("A backup of the database is restored by the") + CrLf +
           QStringLiteral("database administrator with pg_restore, not here:") + CrLf + CrLf +
           QStringLiteral("pg_restore --clean --dbname=DATABASE Custorin-DATE.dump") + CrLf + CrLf +
           QStringLiteral("Nothing has been changed.");
}

QString PgStore::notSetUpText() const
{
    return QStringLiteral("This database has not been set up yet:\n") + placeText(conninfo());
}
