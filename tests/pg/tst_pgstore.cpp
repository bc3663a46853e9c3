// The database store on a private PostgreSQL server: the schema and its
// append-only logs, the identity check between two connections, users'
// password keys, the exact lines of the logs, searches listing what the
// folder lists, the texts of failures, the reuse of connections, and the
// server killed inside a change.
#include "PgCluster.h"
#include "RunProgram.h"
#include "SkipStatus.h"
#include "TestBytes.h"
#include "TestFolder.h"
#include "TestUsers.h"
#include "core/common/ActivityLog.h"
#include "core/common/Startup.h"
#include "core/entries/CriteriaFilter.h"
#include "core/rules/NetworkWatch.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"
#include "core/store/pg/PgTransfer.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>
#include <thread>

class TestPgStore : public QObject
{
    Q_OBJECT
    PgCluster server;
    QString db;

    QString sql(const QString &statement) { return server.value("custorin", statement); }

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
                 QStringLiteral(
                     "The database is at schema version 6 (migrations 1, 2, 3, 4, 5, 6 done)."));
        QVERIFY(InitDatabase(db, &message));
        QCOMPARE(message, QStringLiteral("The database is at schema version 6 already."));
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
        UserRecord ann = newUser("Ann", "Smith", "Cr0w9", 4);
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

    // The same searches on a folder and on the database imported from it.
    void searchesListAsTheFolder_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("caps");
        QTest::addColumn<int>("whole");
        QTest::addColumn<bool>("inactive");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QString>("listed");
        const QDate none;
        QTest::newRow("word, any case") << "knife" << 1 << 1 << 0 << false << none << "1,4";
        QTest::newRow("word, exact case") << "Knife" << 1 << 0 << 0 << false << none << "1";
        QTest::newRow("accented letter") << "\u00e9clat" << 1 << 1 << 0 << false << none << "4";
        QTest::newRow("field, accented") << "m\u00fcller" << 7 << 1 << 0 << false << none << "1";
        QTest::newRow("capital I") << "I\u00d1IGO" << 7 << 1 << 0 << false << none << "5";
        QTest::newRow("into the value") << "folding $12" << 1 << 1 << 0 << false << none << "1";
        QTest::newRow("archived") << "bicycle" << 6 << 1 << 0 << true << none << "2";
        QTest::newRow("active") << "bicycle" << 6 << 1 << 0 << false << none << "5";
        QTest::newRow("inside a word") << "ICYCLE" << 6 << 0 << 0 << true << none << "2";
        QTest::newRow("not a whole word") << "ICYCLE" << 6 << 0 << 1 << true << none << "";
        QTest::newRow("whole word") << "pistol" << 12 << 1 << 1 << false << none << "3";
        QTest::newRow("two fields") << "pistol" << 1 << 1 << 0 << false << none << "3,4";
        QTest::newRow("value") << "1,234.56" << 1 << 1 << 0 << false << none << "5";
        QTest::newRow("date") << "03/02/2026" << 1 << 1 << 0 << false << none << "1,4";
        QTest::newRow("percent") << "50%" << 1 << 1 << 0 << false << none << "3";
        QTest::newRow("backslash") << "bin\\7" << 4 << 1 << 0 << false << none << "5";
        QTest::newRow("control number") << "20251209" << 2 << 1 << 0 << false << none << "1,3,4,5";
        QTest::newRow("none") << "zebra" << 1 << 1 << 0 << false << none << "";
        QTest::newRow("daily") << "" << 13 << 0 << 0 << false << QDate(2026, 3, 2) << "1,4";
        QTest::newRow("weekly") << "" << 14 << 0 << 0 << true << QDate(2026, 3, 2) << "2";
        QTest::newRow("monthly") << "" << 15 << 0 << 0 << false << QDate(2025, 12, 31) << "5";
        QTest::newRow("annual") << "" << 17 << 0 << 0 << false << QDate(2025, 3, 2) << "1,4,5";
    }
    void searchesListAsTheFolder()
    {
        QFETCH(QString, phrase);
        QFETCH(int, option);
        QFETCH(int, caps);
        QFETCH(int, whole);
        QFETCH(bool, inactive);
        QFETCH(QDate, start);
        QFETCH(QString, listed);
        static QTemporaryDir folder;
        const QString url = server.conninfo("search");
        if (!QFile::exists(folder.filePath("Custorin.Data"))) {
            struct Row {
                const char *caseNumber, *location, *category, *brand, *description, *owner,
                    *defendant, *narrative, *custody;
                qint64 value;
                double received;
                quint8 status;
            };
            const Row rows[] = {
                {"2026-0101", "", "Weapons", "", "Knife, folding", "Jos\u00e9 M\u00fcller", "",
                 "Found near the pier", "", 125000, oleDate(2026, 3, 2), 1},
                {"2026-0102", "Shelf 4", "Bicycles", "", "Red BICYCLE", "", "", "", "", 1500000,
                 oleDate(2026, 3, 9), 2},
                {"2026-0103", "", "Electronics", "Nokia", "Phone, 50% charged", "", "Lee Park", "",
                 "Pistol case", 0, oleDate(2026, 4, 1), 1},
                {"2026-0104", "", "Weapons", "", "Pistol", "", "", "\u00c9CLAT knife kit", "", 0,
                 oleDate(2026, 3, 2) + 0.75, 1},
                {"26-0105", "Bin\\7", "", "", "bicycle wheel", "I\u00f1igo", "", "", "", 12345600,
                 oleDate(2025, 12, 31), 1},
            };
            QByteArray data;
            for (const Row &r : rows) {
                EntryRecord e;
                e.ControlNumber = 46000 + 0.01 * (1 + int(data.size() / EntryRecordLength));
                e.CaseNumber = QString::fromUtf8(r.caseNumber);
                e.Location = QString::fromUtf8(r.location);
                e.Category = QString::fromUtf8(r.category);
                e.BrandName = QString::fromUtf8(r.brand);
                e.Description = QString::fromUtf8(r.description);
                e.Owner = QString::fromUtf8(r.owner);
                e.Defendant = QString::fromUtf8(r.defendant);
                e.Narrative = QString::fromUtf8(r.narrative);
                e.ChainOfCustody = QString::fromUtf8(r.custody);
                e.Value = r.value;
                e.ReceivedDate = r.received;
                e.Status = r.status;
                data += e.Pack();
            }
            writeFile(folder.filePath("Custorin.Data"), data);
            QVERIFY(server.psql("postgres", "CREATE DATABASE search"));
            QString message;
            QVERIFY2(InitDatabase(url, &message), qPrintable(message));
            QVERIFY2(ImportFolder(folder.path(), url, &message), qPrintable(message));
        }
        SearchCriteria c;
        c.SearchPhrase = phrase;
        c.SearchOption = option;
        c.IgnoreCaps = caps;
        c.WholeWordOnly = whole;
        c.SummaryStartDate = QDateTime(start, QTime(0, 0));
        const bool text = option <= 12;
        const EntryFilter filter =
            CriteriaFilter::make(c, text ? SearchFilter::Mode::Text : SearchFilter::Mode::Date);
        const auto list = [&](Store &store) {
            EntryListData d;
            if (!store.readEntryList(inactive, text ? ListMode::TextSearch : ListMode::DateSearch,
                                     filter, &d))
                return QStringList{"not read"};
            QStringList numbers, shown;
            for (const EntryListRow &r : d.rows) {
                numbers << QString::number(r.recordNumber);
                shown << d.caseNumber(r) + '|' + d.category(r) + '|' + d.description(r) + '|' +
                             d.date(r);
            }
            return QStringList{numbers.join(','), shown.join(';'),
                               QStringLiteral("%1 active, %2 archived, %3 in all, total %4")
                                   .arg(d.activeCount)
                                   .arg(d.archivedCount)
                                   .arg(store.dataSet().RecordCount)
                                   .arg(d.total)};
        };
        DataSet folderData(folder.path()), databaseData;
        FolderStore inFolder(folderData);
        PgStore inDatabase(databaseData, url);
        const QStringList fromFolder = list(inFolder);
        QCOMPARE(fromFolder.first(), listed);
        QCOMPARE(fromFolder.last().left(30), QStringLiteral("4 active, 1 archived, 5 in all"));
        QCOMPARE(list(inDatabase), fromFolder);
    }

    // Each failure on the database names its operation, the server
    // stopped (or refusing a step), and says nothing of it was written.
    void failureTextsNameTheOperation_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString away = "The database server could not be reached\r\nwhile %1.\r\n\r\n";
        const QString written = "Nothing of it has been written.\r\n";
        const QString back = "Custorin connects again when the server is back;\r\nplease try "
                             "again then.";
        const QString gone = "Database not available";
        QTest::newRow("add entry") << 0 << gone << away.arg("adding the entry") + written + back;
        QTest::newRow("save entry") << 1 << gone << away.arg("saving the entry") + written + back;
        QTest::newRow("archive") << 2 << gone << away.arg("archiving the entry") + written + back;
        QTest::newRow("delete entry")
            << 3 << gone << away.arg("deleting the entry") + written + back;
        QTest::newRow("add user") << 4 << gone << away.arg("adding the user") + written + back;
        QTest::newRow("save user") << 5 << gone << away.arg("saving the user") + written + back;
        QTest::newRow("delete user") << 6 << gone << away.arg("deleting the user") + written + back;
        QTest::newRow("read list") << 7 << gone << away.arg("reading the list") + back;
        QTest::newRow("sign-in line")
            << 8 << "" << away.arg("writing the sign-in line") + written + back;
        QTest::newRow("refused") << 9 << ""
                                 << "The database refused a step of writing the search line:\r\n"
                                    "permission denied for table search_log\r\n\r\n" +
                                        written + "Please tell the database's administrator.";
    }
    void failureTextsNameTheOperation()
    {
        QFETCH(int, operation);
        QFETCH(QString, title);
        QFETCH(QString, text);
        TestFolder env;
        PgStore store(env.data, server.conninfo("custorin", "clerk"));
        EntryRecord e;
        e.CaseNumber = QStringLiteral("2026-0500");
        UserRecord u = newUser("Bo", "Baker", "Pw12", 0);
        QCOMPARE(store.addEntry(e), StoreResult::Ok);
        QCOMPARE(store.addUser(u), UserResult::Ok);
        const EntryIdentity entry = EntryIdentity::of(store.entry(1));
        const UserIdentity user = UserIdentity::of(store.user(1));
        if (operation == 9)
            QVERIFY(server.psql("custorin", "REVOKE INSERT ON search_log FROM custorin_app"));
        else
            server.kill();
        MsgBoxRequest box;
        StoreResult r = StoreResult::Ok;
        UserResult ur = UserResult::Ok;
        EntryListData list;
        switch (operation) {
        case 0:
            r = store.addEntry(e);
            break;
        case 1:
            r = store.saveEntry(1, entry, e);
            break;
        case 2:
            r = store.archiveEntry(1, entry);
            break;
        case 3:
            r = store.deleteEntry(1, entry);
            break;
        case 4:
            ur = store.addUser(u);
            break;
        case 5:
            ur = store.saveUser(1, user, u);
            break;
        case 6:
            ur = store.deleteUser(1, user);
            break;
        case 7:
            QVERIFY(!store.readEntryList(false, ListMode::AllEntries, {}, &list));
            box = DataFileUnavailableMessage(env.data, true);
            break;
        case 8:
            QVERIFY(!store.logSignInOut(LogSignedIn));
            box.text = LogFailedText(env.data, SignInOutLogName);
            break;
        case 9:
            QVERIFY(!store.logSearch(QStringLiteral("knife")));
            box.text = LogFailedText(env.data, SearchLogName);
            break;
        }
        if (operation <= 3) {
            QCOMPARE(r, StoreResult::NotAvailable);
            box = StoreResultMessage(env.data, r);
        } else if (operation <= 6) {
            QCOMPARE(ur, UserResult::NotAvailable);
            box = UserResultMessage(env.data, ur);
        }
        QString why;
        QVERIFY(server.psql("custorin", "GRANT INSERT ON search_log TO custorin_app") ||
                server.launch(&why));
        QCOMPARE(box.title, title);
        QCOMPARE(box.text, text);
        // Back again, the store connects by itself.
        QCOMPARE(store.archiveEntry(1, EntryIdentity::of(store.entry(1))), StoreResult::Ok);
        QVERIFY(!env.data.databaseFailure.isSet());
    }

    // A change on a thread of its own takes up the connection the thread
    // before left open.
    void changesReuseOneConnection()
    {
        TestFolder env;
        PgStore store(env.data, server.conninfo("custorin", "clerk") + " application_name=reuse");
        const auto backends = [&] {
            return sql("SELECT string_agg(pid::text, ',') FROM pg_stat_activity "
                       "WHERE application_name = 'reuse'");
        };
        QStringList seen;
        for (int i = 0; i < 3; ++i) {
            StoreResult r = StoreResult::Busy;
            EntryRecord e;
            e.CaseNumber = QStringLiteral("2026-06%1").arg(i);
            std::unique_ptr<QThread> worker(QThread::create([&] { r = store.addEntry(e); }));
            worker->start();
            QVERIFY(worker->wait(30000));
            QCOMPARE(r, StoreResult::Ok);
            seen << backends();
        }
        QCOMPARE(seen.size(), 3);
        QVERIFY(!seen[0].isEmpty() && !seen[0].contains(','));
        QCOMPARE(seen[1], seen[0]);
        QCOMPARE(seen[2], seen[0]);
    }

    // The server killed or stopped while a change waits inside its
    // transaction, held up by another connection's lock (of the table: its
    // log row is written; of its row: it waits to read it): the change
    // fails as the server's absence, nothing of it is kept, the next one is
    // done.
    void serverGoneInsideAChange_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<bool>("kill");
        QTest::addColumn<QString>("lock");
        QTest::addColumn<int>("logRowWritten");
        const QString table = "LOCK TABLE entries IN SHARE MODE";
        const QString row = "SELECT FROM entries WHERE case_number LIKE '2026-0400-%' FOR UPDATE";
        for (const char *verb : {"added", "edited", "deleted"})
            QTest::newRow(verb) << QString::fromLatin1(verb) << true << table << 1;
        // Stopped (fast): the server ends each session with an error.
        QTest::newRow("edited, stopped") << "edited" << false << table << 1;
        QTest::newRow("archived, row locked, stopped") << "archived" << false << row << 0;
    }
    void serverGoneInsideAChange()
    {
        QFETCH(QString, verb);
        QFETCH(bool, kill);
        QFETCH(QString, lock);
        QFETCH(int, logRowWritten);
        TestFolder env(QDateTime(QDate(2026, 12, 6), QTime(9, 0, 0)));
        PgStore store(env.data, server.conninfo("custorin", "clerk"));
        EntryRecord mug;
        mug.CaseNumber = QStringLiteral("2026-0400-") + verb;
        int n = 0;
        QCOMPARE(store.addEntry(mug, &n), StoreResult::Ok);
        const EntryIdentity seen = EntryIdentity::of(store.entry(n));
        const auto change = [&] {
            EntryRecord e = mug;
            e.Description = QStringLiteral("Mug, chipped");
            if (verb == QLatin1String("added")) {
                e.CaseNumber += QLatin1Char('b');
                return store.addEntry(e);
            }
            if (verb == QLatin1String("archived"))
                return store.archiveEntry(n, seen);
            return verb == QLatin1String("edited") ? store.saveEntry(n, seen, e)
                                                   : store.deleteEntry(n, seen);
        };
        const QString rows = "SELECT string_agg(case_number || ':' || status || ':' || "
                             "description, ',' ORDER BY id) FROM entries";
        const QString rowsBefore = sql(rows), logBefore = sql("SELECT count(*) FROM "
                                                              "data_records_log");
        const auto count = [](QSqlDatabase &db, const QString &query) {
            QSqlQuery q(db);
            return q.exec(query) && q.next() ? q.value(0).toInt() : -1;
        };
        StoreResult result = StoreResult::Ok;
        int waiting = 0, logRow = 0;
        bool gone = true;
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QPSQL", "holder");
            holder.setConnectOptions(server.conninfo("custorin"));
            QVERIFY(holder.open() && holder.transaction());
            QVERIFY(QSqlQuery(holder).exec(lock));
            std::thread inside([&] { result = change(); });
            for (int i = 0; i < 500 && waiting == 0; ++i) {
                QThread::msleep(20);
                waiting = count(holder, "SELECT count(*) FROM pg_locks WHERE NOT granted");
            }
            logRow = count(holder, "SELECT count(*) FROM pg_locks WHERE pid IN (SELECT pid "
                                   "FROM pg_locks WHERE NOT granted) AND relation = "
                                   "'data_records_log'::regclass");
            if (kill)
                server.kill();
            else
                gone = server.stop();
            inside.join();
            holder.close();
        }
        QSqlDatabase::removeDatabase("holder");
        QVERIFY(gone);
        QCOMPARE(waiting, 1);
        QCOMPARE(logRow, logRowWritten);
        QCOMPARE(result, StoreResult::NotAvailable);
        QString why;
        QVERIFY2(server.launch(&why), qPrintable(why));
        QCOMPARE(sql(rows), rowsBefore);
        QCOMPARE(sql("SELECT count(*) FROM data_records_log"), logBefore);
        QCOMPARE(change(), StoreResult::Ok);
        QCOMPARE(sql("SELECT count(*) FROM data_records_log"),
                 QString::number(logBefore.toInt() + 1));
        QCOMPARE(sql("SELECT line FROM data_records_log ORDER BY id DESC LIMIT 1"),
                 "12/06/2026 at 09:00:00 - Control#20261206090000 " + verb + " by Pat Doe");
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
        // Logs written here have no chains: the import seals them from their end.
        QFile::remove(QDir(folder).filePath("Search.Log.chain"));
        QFile::remove(QDir(folder).filePath("SignInOut.Log.chain"));
        QVERIFY(server.psql("postgres", "CREATE DATABASE demo"));
        const QString url = server.conninfo("demo");
        const QString app = qEnvironmentVariable("CUSTORIN_APP");
        const auto custorin = [&](const QStringList &args) {
            return RunProgram(app, args, {}, true, 120000);
        };
        QCOMPARE(custorin({"--database", url, "--init"}).status, 0);
        const ProgramRun in = custorin({"--data-dir", folder, "--database", url, "--import"});
        QCOMPARE(in.err, QByteArray());
        QCOMPARE(in.out,
                 "Imported 300 entries, 3 users and 2, 4, 0 and 1 log lines (SignInOut.Log, "
                 "UserList.Log, DataRecords.Log, Search.Log). Checked field by field: 6600 "
                 "entry fields (300 x 22), 15 user fields (3 x 5), 7 log lines and 5 "
                 "settings; every field of every record read back equal. Passwords are "
                 "kept as PBKDF2 keys; no scrambled copy was kept.\n"
                 "SignInOut.Log had no chain: sealed from line 3\n"
                 "Search.Log had no chain: sealed from line 2\n");
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
        QVERIFY2(check.out.startsWith("Schema version 6.\nSignInOut.Log: 2 lines.\n"),
                 check.out.constData());
        QVERIFY2(check.out.contains(" users.\nSignInOut.Log: sealed from line 3\n"
                                    "SignInOut.Log: chain verified up to line 2\n"),
                 check.out.constData());
        QVERIFY(check.out.endsWith(" chain verified up to line 1\nAll is well.\n"));
        QVERIFY(server.psql("demo", "DROP TRIGGER search_log_no_truncate ON search_log"));
        const ProgramRun broken = RunProgram(app, {"--database", url, "--check"}, {}, true);
        QCOMPARE(broken.status, 1);
        QVERIFY2(broken.out.contains(
                     " users.\nSearch.Log is not guarded against changes (1 of 2 triggers).\n"),
                 broken.out.constData());
    }
};

SKIPPABLE_GUILESS_MAIN(TestPgStore)
#include "tst_pgstore.moc"
