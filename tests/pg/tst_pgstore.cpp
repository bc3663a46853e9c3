// The database store on a private PostgreSQL server: the schema and its
// append-only logs, the identity check between two connections, users'
// password keys and the exact lines of the logs.
#include "PgCluster.h"
#include "RunProgram.h"
#include "SkipStatus.h"
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/Startup.h"
#include "core/rules/NetworkWatch.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"

#include <QtTest>

class TestPgStore : public QObject
{
    Q_OBJECT
    PgCluster server;
    QString db;

    QString sql(const QString &statement)
    {
        QString out;
        server.psql(QStringLiteral("custorin"), statement, &out);
        return out.trimmed();
    }

private slots:
    void initTestCase()
    {
        QString why;
        if (!server.start(&why))
            SKIP_HERE(qPrintable(why));
        QVERIFY(
            server.psql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE custorin")));
        db = server.conninfo(QStringLiteral("custorin"));
        QString message;
        QVERIFY2(InitDatabase(db, &message), qPrintable(message));
        QCOMPARE(message,
                 QStringLiteral("The database is at schema version 4 (migrations 1, 2, 3, 4 done)."));
        QVERIFY(InitDatabase(db, &message));
        QCOMPARE(message, QStringLiteral("The database is at schema version 4 already."));
        // A workstation's login role, with nothing but the program's rights.
        QVERIFY(server.psql(QStringLiteral("custorin"),
                            QStringLiteral("CREATE ROLE clerk LOGIN IN ROLE custorin_app")));
    }

    void databaseSettings_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("conninfo");
        QTest::addColumn<QString>("error");
        QTest::newRow("url") << "postgresql://clerk@db.example:5433/evidence?sslmode=require"
                             << "host='db.example' port=5433 user='clerk' dbname='evidence' "
                                "sslmode='require'"
                             << "";
        QTest::newRow("socket") << "postgresql://%2Fvar%2Frun%2Fpostgresql/custorin"
                                << "host='/var/run/postgresql' dbname='custorin'"
                                << "";
        QTest::newRow("keywords") << "host=db dbname=custorin"
                                  << "host=db dbname=custorin"
                                  << "";
        QTest::newRow("url password") << "postgresql://clerk:secret@db/custorin"
                                      << ""
                                      << "the database URL holds a password; keep it in ~/.pgpass";
        QTest::newRow("query password")
            << "postgresql://db/custorin?password=x"
            << ""
            << "the database URL holds a password; keep it in ~/.pgpass";
        QTest::newRow("keyword password")
            << "host=db password=x"
            << ""
            << "the database settings hold a password; keep it in ~/.pgpass";
        QTest::newRow("neither") << "custorin"
                                 << ""
                                 << "--database takes a postgresql:// URL or key=value settings";
    }
    void databaseSettings()
    {
        QFETCH(QString, given);
        QFETCH(QString, conninfo);
        QFETCH(QString, error);
        QString why;
        QCOMPARE(DatabaseConninfo(given, &why), conninfo);
        QCOMPARE(why, error);
    }

    void storeChosenByTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("error");
        QTest::newRow("settings file") << QStringList{} << "postgresql://db/custorin"
                                       << "";
        QTest::newRow("folder given") << QStringList{"--data-dir", "/srv/x"} << ""
                                      << "";
        QTest::newRow("database given")
            << QStringList{"--data-dir", "/srv/x", "--database=host=db"} << "host=db"
            << "";
        QTest::newRow("no value") << QStringList{"--database"} << ""
                                  << "--database needs a postgresql:// URL or key=value settings";
    }
    void storeChosenByTheCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, database);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString conf = dir.filePath("custorin.conf");
        writeFile(conf, "DataDir=/srv/evidence\nDatabase=\"postgresql://db/custorin\"\n");
        const StartOptions o = ParseCommandLine(args, "/", conf);
        QCOMPARE(o.database, database);
        QCOMPARE(o.error, error);
    }

    void logsAreAppendOnly()
    {
        // The program's role adds and reads lines; it may not change them.
        QCOMPARE(sql("SET ROLE clerk; INSERT INTO search_log (line) VALUES ('one') RETURNING line"),
                 QStringLiteral("one"));
        QString out;
        for (const QString &change :
             {QStringLiteral("UPDATE search_log SET line = 'two'"),
              QStringLiteral("DELETE FROM search_log"), QStringLiteral("TRUNCATE search_log")}) {
            QVERIFY(!server.psql("custorin", "SET ROLE clerk; " + change, &out));
            QVERIFY2(out.contains("permission denied for table search_log"), qPrintable(out));
            // Not even the tables' owner gets past the trigger.
            QVERIFY(!server.psql("custorin", change, &out));
            QVERIFY2(out.contains("the activity log search_log is append-only"), qPrintable(out));
        }
        QCOMPARE(sql("SELECT string_agg(line, ',') FROM search_log"), QStringLiteral("one"));
        QVERIFY(!server.psql("custorin", "SET ROLE clerk; DROP TABLE entries", &out));
        QVERIFY(!server.psql("custorin", "SET ROLE clerk; DELETE FROM schema_version", &out));
    }

    void identityCheckWithTwoConnections()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
        DataSet otherData;
        Session other;
        other.CurrentUserName = QStringLiteral("Lee Park");
        otherData.attach(&other);
        const QString clerk = server.conninfo(QStringLiteral("custorin"), QStringLiteral("clerk"));
        PgStore a(env.data, clerk), b(otherData, clerk);
        QString error;
        QVERIFY2(a.connect(&error), qPrintable(error));

        EntryRecord knife, coat;
        knife.CaseNumber = QStringLiteral("2026-0117");
        knife.Description = QStringLiteral("Knife, folding");
        coat.CaseNumber = QStringLiteral("2026-0118");
        int n = 0;
        QCOMPARE(a.addEntry(knife, &n), StoreResult::Ok);
        QCOMPARE(n, 1);
        env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 51, 0)));
        QCOMPARE(a.addEntry(coat, &n), StoreResult::Ok);
        QCOMPARE(n, 2);
        QCOMPARE(knife.Status, quint8(StatusActive));

        // B opened the card, A saved a change meanwhile: the same entry,
        // but not as B read it.
        EntryRecord seenByB = b.entry(1);
        EntryRecord seenByA = a.entry(1);
        QCOMPARE(seenByB.Description, QStringLiteral("Knife, folding"));
        seenByA.Location = QStringLiteral("Shelf 4");
        QCOMPARE(a.saveEntry(1, EntryIdentity::of(seenByA), seenByA), StoreResult::Ok);
        seenByB.Location = QStringLiteral("Shelf 9");
        QCOMPARE(b.saveEntry(1, EntryIdentity::of(seenByB), seenByB), StoreResult::Changed);
        QCOMPARE(b.entry(1).Location, QStringLiteral("Shelf 4"));
        QCOMPARE(b.archiveEntry(1, EntryIdentity::of(b.entry(1))), StoreResult::Ok);
        QVERIFY(a.recountEntries());
        QCOMPARE(env.data.ArchivedCount, 1);
        QCOMPARE(env.data.ActiveCount, 1);

        // A deletes the first entry: record 1 is the coat now, and there is
        // no record 2.
        const EntryIdentity first = EntryIdentity::of(a.entry(1));
        const EntryIdentity second = EntryIdentity::of(a.entry(2));
        QCOMPARE(a.deleteEntry(1, first), StoreResult::Ok);
        QCOMPARE(b.restoreEntry(1, first), StoreResult::Changed);
        QCOMPARE(b.restoreEntry(2, second), StoreResult::Missing);
        QCOMPARE(b.entry(1).CaseNumber, QStringLiteral("2026-0118"));
        knife.CaseNumber = KilledMarker;
        QCOMPARE(a.addEntry(knife), StoreResult::Reserved);

        QByteArray log;
        QVERIFY(b.readLog(DataRecordsLogName, &log));
        const QByteArray t = "12/04/2026 at 22:51:00 - Control#20261204225000 ";
        QCOMPARE(log, "12/04/2026 at 22:50:00 - Control#20261204225000 added by Pat Doe\r\n"
                      "12/04/2026 at 22:51:00 - Control#20261204225100 added by Pat Doe\r\n" +
                          t + "edited by Pat Doe\r\n" + t + "archived by Lee Park\r\n" + t +
                          "deleted by Pat Doe\r\n");
        QCOMPARE(sql("SELECT count(*) FROM entries"), QStringLiteral("1"));
    }

    void usersKeepOnlyPasswordKeys()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
        PgStore store(env.data,
                      server.conninfo(QStringLiteral("custorin"), QStringLiteral("clerk")));
        UserRecord ann;
        ann.FirstName = QStringLiteral("Ann");
        ann.LastName = QStringLiteral("Smith");
        ann.Password = ScramblePassword(QStringLiteral("Cr0w9"));
        ann.AccessLevel = 4;
        int n = 0;
        QCOMPARE(store.addUser(ann, &n), UserResult::Ok);
        QCOMPARE(n, 1);
        QCOMPARE(env.data.UserCount, 1);
        UserRecord read = store.user(1);
        QCOMPARE(read.Password, QString());
        QCOMPARE(read.AccessLevel, qint16(4));
        QVERIFY(store.passwordMatches(read, QStringLiteral("Cr0w9")));
        QVERIFY(!store.passwordMatches(read, QStringLiteral("cr0w9")));
        QCOMPARE(sql("SELECT password_key ~ '^pbkdf2-sha256:100000:[0-9a-f]{32}:[0-9a-f]{64}$' "
                     "FROM users"),
                 QStringLiteral("t"));

        // An edit with a blank password keeps the key; a new one replaces it.
        read.Comments = QStringLiteral("Shift lead");
        QCOMPARE(store.saveUser(1, UserIdentity::of(read), read), UserResult::Ok);
        QVERIFY(store.passwordMatches(store.user(1), QStringLiteral("Cr0w9")));
        read.Password = ScramblePassword(QStringLiteral("N3wPass"));
        QCOMPARE(store.saveUser(1, UserIdentity::of(store.user(1)), read), UserResult::Ok);
        QVERIFY(store.passwordMatches(store.user(1), QStringLiteral("N3wPass")));
        QCOMPARE(store.user(1).Comments, QStringLiteral("Shift lead"));
        read.FirstName = UserKilledMarker;
        QCOMPARE(store.saveUser(1, UserIdentity::of(store.user(1)), read), UserResult::InvalidName);
        QCOMPARE(store.deleteUser(1, UserIdentity::of(ann)), UserResult::Ok);
        QCOMPARE(env.data.UserCount, 0);

        QByteArray log;
        QVERIFY(store.readLog(UserListLogName, &log));
        const QByteArray t = "12/04/2026 at 22:50:00 - 'Ann Smith' ";
        QCOMPARE(log, t + "added to the 'User List'\r\n" + t + "edited in the 'User List'\r\n" + t +
                          "edited in the 'User List'\r\n" + t + "deleted from the 'User List'\r\n");
    }

    void othersChangesAreTold()
    {
        TestFolder env;
        DataSet otherData;
        const QString clerk = server.conninfo("custorin", "clerk");
        PgStore mine(env.data, clerk), theirs(otherData, clerk);
        QObject window;
        int told = 0;
        QVERIFY(mine.listenForChanges(&window, [&] { ++told; }));
        EntryRecord e;
        e.CaseNumber = QStringLiteral("2026-0300");
        QCOMPARE(mine.addEntry(e), StoreResult::Ok);
        QCOMPARE(theirs.addEntry(e), StoreResult::Ok);
        QTRY_COMPARE(told, 1);
        // After the server was away, the next use listens again.
        QVERIFY(server.stop());
        QVERIFY(!mine.recountEntries());
        QString why;
        QVERIFY2(server.launch(&why), qPrintable(why));
        QVERIFY(mine.recountEntries());
        QCOMPARE(mine.archiveEntry(env.data.RecordCount,
                                   EntryIdentity::of(mine.entry(env.data.RecordCount))),
                 StoreResult::Ok);
        QCOMPARE(theirs.deleteEntry(env.data.RecordCount,
                                    EntryIdentity::of(theirs.entry(env.data.RecordCount))),
                 StoreResult::Ok);
        QTRY_COMPARE(told, 2);
        QTest::qWait(100);
        QCOMPARE(told, 2);

        // The main window's Refresh button turns yellow on the next tick.
        NetworkWatch watch;
        watch.start(env.data, std::nullopt);
        watch.noteOtherChange();
        QVERIFY(watch.tick(QDateTime(QDate(2026, 12, 5), QTime(8, 0, 1)), false, false, "")
                    .faceChanged);
        QCOMPARE(watch.face(), RefreshFace::Yellow);
    }

    void serverKilledAndBack()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 5), QTime(8, 0, 0)));
        PgStore store(env.data, server.conninfo("custorin", "clerk"));
        EntryRecord scarf;
        scarf.CaseNumber = QStringLiteral("2026-0200");
        int n = 0;
        QCOMPARE(store.addEntry(scarf, &n), StoreResult::Ok);
        const EntryIdentity seen = EntryIdentity::of(store.entry(n));
        server.kill();
        // Each change says the database is not there, nothing of it written.
        EntryRecord hat;
        hat.CaseNumber = QStringLiteral("2026-0201");
        QCOMPARE(store.addEntry(hat), StoreResult::NotAvailable);
        QCOMPARE(store.archiveEntry(n, seen), StoreResult::NotAvailable);
        QVERIFY(!store.logSearch(QStringLiteral("hat")));
        QString why;
        QVERIFY2(server.launch(&why), qPrintable(why));
        // The next change connects again.
        QCOMPARE(store.addEntry(hat), StoreResult::Ok);
        QCOMPARE(store.archiveEntry(n, seen), StoreResult::Ok);
        QCOMPARE(
            sql("SELECT string_agg(case_number || ':' || status, ',' ORDER BY id) FROM entries "
                "WHERE case_number LIKE '2026-02%'"),
            QStringLiteral("2026-0200:2,2026-0201:1"));
        QCOMPARE(sql("SELECT count(*) FROM data_records_log WHERE line LIKE '12/05/2026%'"),
                 QStringLiteral("3"));
    }

    void demoFolderIntoTheDatabaseAndBack()
    {
        QTemporaryDir work;
        const QString folder = work.filePath("demo"), back = work.filePath("back");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir().mkpath(back));
        QCOMPARE(RunProgram(testTool("make_demo_data"), {folder}).status, 0);
        // Lines with Windows-1252 letters, an undefined byte and a sign-in.
        writeFile(QDir(folder).filePath("Search.Log"),
                  "12/04/2026 at 22:50:00 - Jos\xe9 M\xfcller searched for '5\x80 \x81'\r\n");
        writeFile(QDir(folder).filePath("SignInOut.Log"),
                  "12/04/2026 at 22:45:32 - Pat Doe signed out\r\n"
                  "12/04/2026 at 22:45:33 - Pat Doe - Incorrect password submitted\r\n");
        QVERIFY(server.psql("postgres", "CREATE DATABASE demo"));
        const QString url = server.conninfo("demo");
        const QString app = qEnvironmentVariable("CUSTORIN_APP");
        const auto custorin = [&](const QStringList &args) {
            return RunProgram(app, args, {}, true, 120000);
        };
        QCOMPARE(custorin({"--database", url, "--init"}).status, 0);
        const ProgramRun in = custorin({"--data-dir", folder, "--database", url, "--import"});
        QCOMPARE(in.err, QByteArray());
        QVERIFY2(in.out.contains("every field of every record read back equal. Passwords are "
                                 "kept as PBKDF2 keys; no scrambled copy was kept.\n"),
                 in.out.constData());
        const ProgramRun again = custorin({"--data-dir", folder, "--database", url, "--import"});
        QCOMPARE(again.status, 1);
        QCOMPARE(again.err, "custorin: The database holds entries already; --import fills only "
                            "an empty database. Nothing was imported.\n");
        QCOMPARE(sql("SELECT count(*) FROM users WHERE password_key NOT LIKE 'pbkdf2-sha256:%'"),
                 QStringLiteral("0"));

        const ProgramRun out = custorin({"--database", url, "--export-folder", back});
        QCOMPARE(out.status, 0);
        QVERIFY(
            out.out.contains("Each user needs a new password, set in the administrative window"));
        for (const QString &name :
             {QStringLiteral("Custorin.Data"), QStringLiteral("SignInOut.Log"),
              QStringLiteral("UserList.Log"), QStringLiteral("DataRecords.Log"),
              QStringLiteral("Search.Log")}) {
            QVERIFY2(QFile::exists(QDir(folder).filePath(name)) ==
                         QFile::exists(QDir(back).filePath(name)),
                     qPrintable(name));
            QVERIFY2(readFile(QDir(back).filePath(name)) == readFile(QDir(folder).filePath(name)),
                     qPrintable(name));
        }
        // The user file: equal but for the 16 bytes of each password.
        QByteArray users = readFile(QDir(folder).filePath("User.List"));
        QVERIFY(users.size() >= 3 * 500);
        for (qsizetype at = 43; at < users.size(); at += 500)
            users.replace(at, 16, QByteArray(16, ' '));
        QCOMPARE(readFile(QDir(back).filePath("User.List")), users);
        QCOMPARE(custorin({"--database", url, "--export-folder", back}).err,
                 "custorin: " + back.toUtf8() +
                     " holds Custorin.Data, User.List, SignInOut.Log, UserList.Log, "
                     "Search.Log, Custorin.ini already; export into a folder "
                     "without data files. Nothing was exported.\n");
    }

    void backupAndCheckOfTheDatabase()
    {
        const QString app = qEnvironmentVariable("CUSTORIN_APP");
        const QString url = server.conninfo("demo");
        QTemporaryDir target;
        writeFile(target.filePath("Custorin-2000-01-01-0000.dump"), "old");
        const ProgramRun backup = RunProgram(
            app, {"--database", url, "--backup", target.path(), "--keep", "1"}, {}, true);
        QCOMPARE(backup.status, 0);
        const QStringList dumps = QDir(target.path()).entryList({"Custorin-*"}, QDir::Files);
        QCOMPARE(dumps.size(), 1);
        QVERIFY(backup.out.endsWith("\nOlder backups removed: Custorin-2000-01-01-0000.dump\n"));
        QCOMPARE(RunProgram("pg_restore", {"--list", target.filePath(dumps[0])}).status, 0);

        const ProgramRun check = RunProgram(app, {"--database", url, "--check"}, {}, true);
        QCOMPARE(check.status, 0);
        QVERIFY2(check.out.startsWith("Schema version 4.\nSignInOut.Log: 2 lines.\n"),
                 check.out.constData());
        QVERIFY(check.out.endsWith(" users.\nAll is well.\n"));
        QVERIFY(server.psql("demo", "DROP TRIGGER search_log_no_truncate ON search_log"));
        const ProgramRun broken = RunProgram(app, {"--database", url, "--check"}, {}, true);
        QCOMPARE(broken.status, 1);
        QVERIFY2(broken.out.endsWith(
                     " users.\nSearch.Log is not guarded against changes (1 of 2 triggers).\n"),
                 broken.out.constData());
    }
};

SKIPPABLE_GUILESS_MAIN(TestPgStore)
#include "tst_pgstore.moc"
