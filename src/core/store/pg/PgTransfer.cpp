#include "core/store/pg/PgTransfer.h"

#include "core/common/ActivityLog.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/Startup.h"
#include "core/store/pg/PgChain.h"
#include "core/store/pg/PgRows.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgSql.h"
#include "core/store/pg/PgStore.h"
#include "core/users/UnattendedSetup.h"
#include "core/users/UserRecord.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>

namespace
{

const QString kIniName = QStringLiteral("Custorin.ini");

bool readFile(const QString &path, QByteArray *bytes, bool *exists)
{
    QFile f(path);
    *exists = f.exists();
    if (!*exists) {
        bytes->clear();
        return true;
    }
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *bytes = f.readAll();
    return true;
}

// The lines of a log without their CR LF; a last line without one is a
// line too.
QStringList logLines(const QByteArray &bytes)
{
    QList<QByteArray> parts = bytes.split('\n');
    QStringList lines;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QByteArray p = parts[i];
        if (i + 1 == parts.size() && p.isEmpty())
            break;
        if (p.endsWith('\r'))
            p.chop(1);
        lines << FromWindows1252(p);
    }
    return lines;
}

int scalar(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
}

// The enabled triggers that keep table append-only (refuse_log_change):
// two where it is guarded, one against changes of rows, one against
// TRUNCATE.
int guardsOf(QSqlDatabase &db, const QString &table)
{
    return scalar(db, QStringLiteral("SELECT count(*) FROM pg_trigger WHERE tgrelid = "
                                     "'%1'::regclass AND NOT tgisinternal AND tgenabled <> 'D' "
                                     "AND tgfoid IN (SELECT oid FROM pg_proc WHERE proname = "
                                     "'refuse_log_change')")
                          .arg(table));
}

QString unguardedText(const QString &what, int guards)
{
    return QStringLiteral("%1 is not guarded against changes (%2 of 2 triggers).")
        .arg(what)
        .arg(guards);
}

QString countsText(const QMap<QString, int> &differing)
{
    QStringList parts;
    for (auto it = differing.cbegin(); it != differing.cend(); ++it)
        parts << QStringLiteral("%1 in %2").arg(it.value()).arg(it.key());
    return parts.join(QStringLiteral(", "));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

} // namespace

namespace
{

// What the import copies: the data file's and the user file's records,
// the four logs and the settings.
struct FolderFiles {
    QByteArray data, users;
    QMap<QString, QByteArray> logs;
    int entryCount() const { return int(data.size() / EntryRecordLength); }
    int userCount() const { return int(users.size() / UserRecordLength); }
    QByteArray entry(int i) const
    {
        return data.mid(qsizetype(i) * EntryRecordLength, EntryRecordLength);
    }
    QByteArray user(int i) const
    {
        return users.mid(qsizetype(i) * UserRecordLength, UserRecordLength);
    }
};

// Reads the folder's files; false with why nothing was imported.
bool readFolder(const QDir &dir, FolderFiles *files, QString *message)
{
    bool exists = false;
    if (!readFile(dir.filePath(DataFileName), &files->data, &exists) ||
        !readFile(dir.filePath(UserFileName), &files->users, &exists)) {
        *message = QStringLiteral("The data files of %1 can not be read. Nothing was imported.")
                       .arg(dir.path());
        return false;
    }
    if (files->data.size() % EntryRecordLength != 0 ||
        files->users.size() % UserRecordLength != 0) {
        *message = QStringLiteral("%1 is damaged (not a whole number of records); run --check "
                                  "on the folder first. Nothing was imported.")
                       .arg(files->data.size() % EntryRecordLength ? DataFileName : UserFileName);
        return false;
    }
    for (const QString &name : LogFileNames()) {
        if (!readFile(dir.filePath(name), &files->logs[name], &exists)) {
            *message = QStringLiteral("%1 can not be read. Nothing was imported.").arg(name);
            return false;
        }
    }
    return true;
}

// Writes every record, log line and setting in the transaction open on
// db; false with the step that failed in *what.
bool writeRows(QSqlDatabase &db, const FolderFiles &files, const QSettings &ini, QString *what)
{
    for (int i = 0; i < files.entryCount(); ++i) {
        QSqlQuery q(db);
        qint64 id = 0;
        if (!InsertEntry(q, files.entry(i), &id)) {
            *what = QStringLiteral("Entry %1 could not be written").arg(i + 1);
            return false;
        }
    }
    for (int i = 0; i < files.userCount(); ++i) {
        const QByteArray raw = files.user(i);
        const QString password = UnscramblePassword(UserRecord::Unpack(raw).Password);
        QSqlQuery q(db);
        qint64 id = 0;
        // A user without a password keeps an empty key: nobody signs in as them.
        if (!InsertUser(q, raw, password.isEmpty() ? QStringLiteral("") : PasswordKey(password),
                        &id)) {
            *what = QStringLiteral("User %1 could not be written").arg(i + 1);
            return false;
        }
    }
    for (const QString &name : LogFileNames()) {
        for (const QString &line : logLines(files.logs[name])) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("INSERT INTO %1 (line) VALUES (:l)").arg(LogTableName(name)));
            q.bindValue(QStringLiteral(":l"), line.isNull() ? QStringLiteral("") : line);
            if (!q.exec()) {
                *what = QStringLiteral("A line of %1 could not be written").arg(name);
                return false;
            }
        }
    }
    for (const QString &key : ini.allKeys()) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO installation (key, value) VALUES (:k, :v)"));
        q.bindValue(QStringLiteral(":k"), key);
        q.bindValue(QStringLiteral(":v"), ini.value(key).toString());
        if (!q.exec()) {
            *what = QStringLiteral("The setting %1 could not be written").arg(key);
            return false;
        }
    }
    return true;
}

// What the read-back compared: rows and values of each kind, and the
// fields (logs, settings) that came back different, with their counts.
struct ReadBack {
    int entries = 0, users = 0, logLines = 0, settings = 0;
    QMap<QString, int> differing;
};

// Reads everything back in the same transaction and compares it with the
// files, field by field; false when it could not be read.
bool readBack(QSqlDatabase &db, const FolderFiles &files, const QSettings &ini, ReadBack *back)
{
    QSqlQuery e(db);
    e.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!e.exec(QStringLiteral("SELECT %1 FROM entries ORDER BY id")
                    .arg(EntryColumns().join(QStringLiteral(", ")))))
        return false;
    for (; e.next(); ++back->entries)
        for (const QString &field :
             EntryFieldsDiffering(EntryBytesFromRow(e, 0), files.entry(back->entries)))
            ++back->differing[field];
    QSqlQuery u(db);
    u.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!u.exec(QStringLiteral("SELECT %1 FROM users ORDER BY id")
                    .arg(UserColumns().join(QStringLiteral(", ")))))
        return false;
    for (; u.next(); ++back->users)
        for (const QString &field :
             UserFieldsDiffering(UserBytesFromRow(u, 0), files.user(back->users)))
            ++back->differing[QStringLiteral("user ") + field];
    for (const QString &name : LogFileNames()) {
        QByteArray bytes;
        QSqlQuery l(db);
        if (!l.exec(QStringLiteral("SELECT line FROM %1 ORDER BY id").arg(LogTableName(name))))
            return false;
        for (; l.next(); ++back->logLines)
            bytes += ToWindows1252(l.value(0).toString()) + "\r\n";
        if (bytes != files.logs[name])
            ++back->differing[name];
    }
    QSqlQuery i(db);
    if (!i.exec(QStringLiteral("SELECT key, value FROM installation")))
        return false;
    for (; i.next(); ++back->settings)
        if (ini.value(i.value(0).toString()).toString() != i.value(1).toString())
            ++back->differing[QStringLiteral("setting ") + i.value(0).toString()];
    return true;
}

// The report of an import that read back equal.
QString importReport(const FolderFiles &files, const ReadBack &back)
{
    QStringList lines;
    for (const QString &name : LogFileNames())
        lines << QString::number(logLines(files.logs[name]).size());
    return QStringLiteral("Imported %1 entries, %2 users and %3, %4, %5 and %6 log lines "
                          "(%7, %8, %9, %10). Checked field by field: %11 entry fields (%1 x "
                          "%12), %13 user fields (%2 x %14), %15 log lines and %16 settings; "
                          "every field of every record read back equal. Passwords are kept as "
                          "PBKDF2 keys; no scrambled copy was kept.")
        .arg(back.entries)
        .arg(back.users)
        .arg(lines[0], lines[1], lines[2], lines[3], SignInOutLogName, UserListLogName,
             DataRecordsLogName, SearchLogName)
        .arg(back.entries * EntryColumns().size())
        .arg(EntryColumns().size())
        .arg(back.users * UserColumns().size())
        .arg(UserColumns().size())
        .arg(back.logLines)
        .arg(back.settings);
}

} // namespace

bool ImportFolder(const QString &folder, const QString &conninfo, QString *message,
                  const QByteArray &logKey)
{
    const QDir dir(folder);
    FolderFiles files;
    if (!readFolder(dir, &files, message))
        return false;
    DataSet ds(folder);
    PgStore check(ds, conninfo);
    QString error;
    if (!check.connect(&error)) {
        *message = error + QStringLiteral(" Nothing was imported.");
        return false;
    }
    PgConnection connection(conninfo);
    QSqlDatabase db = connection.db();
    QStringList tables = {QStringLiteral("entries"), QStringLiteral("users")};
    for (const QString &log : LogFileNames())
        tables << LogTableName(log);
    for (const QString &table : tables) {
        if (scalar(db, QStringLiteral("SELECT count(*) FROM ") + table) != 0) {
            *message = QStringLiteral("The database holds %1 already; --import fills only an "
                                      "empty database. Nothing was imported.")
                           .arg(table);
            return false;
        }
    }
    const auto fail = [&](const QString &what) {
        *message = what + QStringLiteral(": ") + db.lastError().databaseText() +
                   QStringLiteral(" Nothing was imported.");
        db.rollback();
        return false;
    };
    const QSettings ini(dir.filePath(kIniName), QSettings::IniFormat);
    QString what;
    if (!db.transaction())
        return fail(QStringLiteral("No transaction"));
    if (!writeRows(db, files, ini, &what))
        return fail(what);
    QStringList chains;
    if (!ImportChains(db, folder, files.logs, logKey, &chains))
        return fail(QStringLiteral("The logs' chains could not be written"));
    ReadBack back;
    if (!readBack(db, files, ini, &back))
        return fail(QStringLiteral("The import could not be read back"));
    if (back.entries != files.entryCount() || back.users != files.userCount() ||
        !back.differing.isEmpty()) {
        db.rollback();
        *message = QStringLiteral("The database did not give back what was read (%1 of %2 entries, "
                                  "%3 of %4 users; fields that differ: %5). Nothing was imported.")
                       .arg(back.entries)
                       .arg(files.entryCount())
                       .arg(back.users)
                       .arg(files.userCount())
                       .arg(countsText(back.differing));
        return false;
    }
    if (!db.commit())
        return fail(QStringLiteral("The import could not be committed"));
    *message = importReport(files, back);
    if (!chains.isEmpty())
        *message += QLatin1Char('\n') + chains.join(QLatin1Char('\n'));
    return true;
}

namespace
{

// The installation table's rows, key and value in key order; false when
// they could not be read.
bool readSettings(const QString &conninfo, QList<QPair<QString, QString>> *rows)
{
    PgConnection connection(conninfo);
    QSqlDatabase db = connection.db();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT key, value FROM installation ORDER BY key")))
        return false;
    while (q.next())
        rows->append({q.value(0).toString(), q.value(1).toString()});
    return true;
}

// The settings into the folder's settings file, and the wrong codes' count
// into the side file a folder keeps it in (none when there is none to
// count); false with the message when a file could not be written.
bool writeSettings(const QDir &dir, const QList<QPair<QString, QString>> &rows, QString *message)
{
    QSettings ini(dir.filePath(kIniName), QSettings::IniFormat);
    for (const auto &[key, value] : rows) {
        if (key != QLatin1String("WrongCodes/Count")) {
            ini.setValue(key, value);
            continue;
        }
        bool counted = false;
        const int count = value.trimmed().toInt(&counted);
        const QString path = dir.filePath(WrongCodesFileName);
        if (counted && count > 0 && !writeFile(path, QByteArray::number(count) + '\n')) {
            *message = QStringLiteral("%1 could not be written.").arg(path);
            return false;
        }
    }
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        *message = QStringLiteral("%1 could not be written.").arg(dir.filePath(kIniName));
        return false;
    }
    return true;
}

} // namespace

bool ExportFolder(const QString &conninfo, const QString &folder, QString *message)
{
    const QDir dir(folder);
    if (!dir.exists()) {
        *message =
            QStringLiteral("The folder %1 does not exist. Nothing was exported.").arg(folder);
        return false;
    }
    QStringList present;
    for (const QString &name : DataFileList + QStringList{kIniName})
        if (dir.exists(name))
            present << name;
    if (!present.isEmpty()) {
        *message = QStringLiteral("%1 holds %2 already; export into a folder without data "
                                  "files. Nothing was exported.")
                       .arg(folder, present.join(QStringLiteral(", ")));
        return false;
    }
    DataSet ds(folder);
    PgStore store(ds, conninfo);
    QString error;
    if (!store.connect(&error)) {
        *message = error + QStringLiteral(" Nothing was exported.");
        return false;
    }
    if (!store.recountEntries()) {
        *message = QStringLiteral("The entries could not be counted. Nothing was exported.");
        return false;
    }
    if (ds.RecordCount > MaxEntryCount) {
        *message = QStringLiteral("The database holds %L1 entries; a data folder holds at most "
                                  "32,767. Nothing was exported.")
                       .arg(ds.RecordCount);
        return false;
    }
    QByteArray data;
    data.reserve(qsizetype(ds.RecordCount) * EntryRecordLength);
    bool ok = store.forEachEntryRecord([&](int, const char *raw) {
        data.append(raw, EntryRecordLength);
        return true;
    });
    bool usersOk = false;
    QByteArray users;
    const QVector<UserRecord> all = store.allUsers(&usersOk);
    for (const UserRecord &u : all)
        users += u.Pack(); // the password field blank
    QMap<QString, QByteArray> files;
    if (!data.isEmpty())
        files[DataFileName] = data;
    if (!users.isEmpty())
        files[UserFileName] = users;
    for (const QString &name : LogFileNames()) {
        QByteArray bytes;
        ok = ok && store.readLog(name, &bytes);
        if (!bytes.isEmpty())
            files[name] = bytes;
    }
    QList<QPair<QString, QString>> settings;
    if (!ok || !usersOk || !readSettings(conninfo, &settings)) {
        *message = QStringLiteral("The database could not be read. Nothing was exported.");
        return false;
    }
    PgConnection chains(conninfo);
    QSqlDatabase chainDb = chains.db();
    if (!ExportChains(chainDb, &files)) {
        *message = QStringLiteral("The logs' chains could not be read. Nothing was exported.");
        return false;
    }
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!writeFile(dir.filePath(it.key()), it.value())) {
            *message = QStringLiteral("%1 could not be written.").arg(dir.filePath(it.key()));
            return false;
        }
    }
    if (!writeSettings(dir, settings, message))
        return false;
    *message = QStringLiteral("Exported %1 entries and %2 users with the four logs into %3.\n"
                              "Each user needs a new password, set in the administrative "
                              "window: the database keeps no password a data folder could "
                              "read, so the password fields of %4 are blank.")
                   .arg(ds.RecordCount)
                   .arg(all.size())
                   .arg(folder, UserFileName);
    return true;
}

bool BackupDatabase(const QString &conninfo, const QString &target, int keep, QString *message)
{
    QDir dir(target);
    if (!dir.exists() && !QDir().mkpath(target)) {
        *message = QStringLiteral("The folder %1 can not be made.").arg(target);
        return false;
    }
    const QString name = QStringLiteral("Custorin-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm")) +
                         QStringLiteral(".dump");
    const QString work = dir.filePath(name + QStringLiteral(".$$$"));
    QProcess dump;
    dump.setProcessChannelMode(QProcess::MergedChannels);
    dump.start(QStringLiteral("pg_dump"),
               {QStringLiteral("--format=custom"), QStringLiteral("--file=") + work,
                QStringLiteral("--dbname=") + conninfo});
    const bool done = dump.waitForFinished(-1) && dump.exitStatus() == QProcess::NormalExit &&
                      dump.exitCode() == 0;
    if (!done) {
        QFile::remove(work);
        *message = QStringLiteral("pg_dump failed; older backups are untouched: ") +
                   QString::fromLocal8Bit(dump.readAll()).trimmed() + dump.errorString();
        return false;
    }
    QFile::remove(dir.filePath(name));
    if (!QFile::rename(work, dir.filePath(name))) {
        *message = QStringLiteral("%1 could not be put in place.").arg(dir.filePath(name));
        return false;
    }
    QStringList removed;
    if (keep > 0) {
        const QStringList dumps = dir.entryList({QStringLiteral("Custorin-*.dump")}, QDir::Files,
                                                QDir::Name | QDir::Reversed);
        for (qsizetype i = keep; i < dumps.size(); ++i)
            if (QFile::remove(dir.filePath(dumps[i])))
                removed << dumps[i];
    }
    *message = QStringLiteral("Backup written: %1").arg(dir.filePath(name));
    if (!removed.isEmpty())
        *message +=
            QStringLiteral("\nOlder backups removed: ") + removed.join(QStringLiteral(", "));
    return true;
}

bool CheckDatabase(const QString &conninfo, QString *message)
{
    DataSet ds;
    PgStore store(ds, conninfo);
    QString error;
    if (!store.connect(&error)) {
        *message = error;
        return false;
    }
    PgConnection connection(conninfo);
    QSqlDatabase db = connection.db();
    QStringList report, problems;
    report << QStringLiteral("Schema version %1.").arg(CurrentSchemaVersion);
    for (const QString &log : LogFileNames()) {
        const QString table = LogTableName(log);
        const int guards = guardsOf(db, table);
        const int lines = scalar(db, QStringLiteral("SELECT count(*) FROM ") + table);
        report << QStringLiteral("%1: %2 lines.").arg(log).arg(lines);
        if (guards != 2)
            problems << unguardedText(log, guards);
    }
    // The logs' chains and seals (PgChain.h), append-only as the logs are.
    for (const QString &table : {QStringLiteral("log_chain"), QStringLiteral("log_seals")})
        if (const int guards = guardsOf(db, table); guards != 2)
            problems << unguardedText(table, guards);
    int active = 0, archived = 0, odd = 0, n = 0;
    const bool read = store.forEachEntryRecord([&](int, const char *raw) {
        ++n;
        const EntryRecord e = EntryRecord::Unpack(raw, EntryRecordLength);
        if (e.CaseNumber.isEmpty() || e.CaseNumber == KilledMarker ||
            (e.Status != StatusActive && e.Status != StatusArchived))
            ++odd;
        ++(e.isArchived() ? archived : active);
        return true;
    });
    bool usersRead = false;
    const QVector<UserRecord> users = store.allUsers(&usersRead);
    const int noKey =
        scalar(db, QStringLiteral("SELECT count(*) FROM users WHERE password_key NOT LIKE "
                                  "'pbkdf2-sha256:%'"));
    if (!read || !usersRead) {
        *message = QStringLiteral("The entries or users could not be read.");
        return false;
    }
    report << QStringLiteral("%1 entries (%2 active, %3 archived), %4 users.")
                  .arg(n)
                  .arg(active)
                  .arg(archived)
                  .arg(users.size());
    if (odd > 0)
        problems << QStringLiteral("%1 entries have no case number, the deletion marker or a "
                                   "status other than active or archived.")
                        .arg(odd);
    if (noKey > 0)
        problems << QStringLiteral("%1 users have no password key; set their passwords in the "
                                   "administrative window.")
                        .arg(noKey);
    *message = (report + problems).join(QLatin1Char('\n'));
    if (problems.isEmpty())
        *message += QStringLiteral("\nAll is well.");
    return problems.isEmpty();
}

int RunDatabaseCommand(const StartOptions &options, QString *out, QString *err)
{
    if (options.adminCommand() && !options.database.isEmpty() && !options.databaseCommand()) {
        QString error;
        const QString conninfo = DatabaseConninfo(options.database, &error);
        if (conninfo.isEmpty() || (options.keep > 0 && !options.backup) ||
            (options.backup && options.check)) {
            *err = conninfo.isEmpty() ? error
                                      : QStringLiteral("--backup (with --keep) and --check go "
                                                       "one at a time");
            return 2;
        }
        QString message;
        const bool ok = options.backup
                            ? BackupDatabase(conninfo, options.backupTarget, options.keep, &message)
                            : CheckDatabase(conninfo, &message);
        *out = message + QLatin1Char('\n');
        return ok ? 0 : 1;
    }
    const int commands = int(options.initDatabase) + int(options.importFolder) +
                         int(!options.exportFolder.isEmpty());
    if (commands != 1 || options.database.isEmpty() ||
        (options.importFolder && !options.dataDirGiven)) {
        *err = QStringLiteral("--init, --import and --export-folder go one at a time with "
                              "--database (and --import with --data-dir)");
        return 2;
    }
    QString error;
    const QString conninfo = DatabaseConninfo(options.database, &error);
    if (conninfo.isEmpty()) {
        *err = error;
        return 2;
    }
    QString message;
    bool ok = false;
    if (options.initDatabase)
        ok = InitDatabase(conninfo, &message);
    else if (options.importFolder)
        ok = ImportFolder(options.dataDir, conninfo, &message, options.logKey);
    else
        ok = ExportFolder(conninfo, options.exportFolder, &message);
    (ok ? *out : *err) = message + QLatin1Char('\n');
    return ok ? 0 : 1;
}

int RunDatabaseSetup(const StartOptions &options, QIODevice &input, QString *message)
{
    QString error;
    const QString conninfo = DatabaseConninfo(options.database, &error);
    if (conninfo.isEmpty()) {
        *message = error;
        return UnattendedUsage;
    }
    DataSet ds;
    ds.options.LogKey = options.logKey;
    PgStore store(ds, conninfo);
    UnattendedPlace place;
    place.name = QStringLiteral("The database ") + conninfo;
    place.save = [&](const QString &agency, const QString &accessCode, QString *text) {
        // A wrong name or code is told before the database is asked.
        InstallationResult r = CheckInstallationInput(agency, accessCode);
        if (r == InstallationResult::Ok)
            r = store.connect(&error)
                    ? store.saveInstallation(agency, accessCode, SetupBy::Operator)
                    : InstallationResult::IoError;
        *text = store.installationResultText(r);
        if (!error.isEmpty())
            *text = error + CrLf + CrLf + *text;
        return r;
    };
    return RunUnattendedSetup(options, input, message, &place);
}
