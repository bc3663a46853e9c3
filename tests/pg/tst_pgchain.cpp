// The logs' chains in the database: the exact links of each line, the
// changes a person with table rights could make behind the program, seals,
// a table that held lines before its chain, and a folder's chains carried
// in and back out.
#include "PgCluster.h"
#include "RunProgram.h"
#include "SkipStatus.h"
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/FolderLock.h"
#include "core/rules/AdminCommands.h"
#include "core/rules/LogReview.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"
#include "core/store/pg/PgTransfer.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QSysInfo>
#include <QThread>
#include <QtTest>

namespace
{

const QByteArray kKey = "a workstation's key of 32 bytes";

// The chain text over log bytes as an auditor computes it, without the
// code under test.
QByteArray chainOver(const QByteArray &key, const QByteArray &log)
{
    QByteArray text, previous(32, '\0');
    qint64 end = 0, line = 0;
    for (qsizetype pos = 0, nl; (nl = log.indexOf('\n', pos)) >= 0; pos = nl + 1) {
        const QByteArray bytes = previous + log.mid(pos, nl + 1 - pos);
        previous = key.isEmpty()
                       ? QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)
                       : QMessageAuthenticationCode::hash(bytes, key, QCryptographicHash::Sha256);
        end = nl + 1;
        text += QByteArray::number(++line) + ' ' + QByteArray::number(end) +
                (key.isEmpty() ? " h " : " k ") + previous.toHex() + '\n';
    }
    return text;
}

} // namespace

class TestPgChain : public QObject
{
    Q_OBJECT
    PgCluster server;
    int databases = 0;

    // A new database at the current schema; its name.
    QString freshDatabase()
    {
        const QString name = QStringLiteral("chain%1").arg(++databases);
        QString message;
        if (!server.psql("postgres", "CREATE DATABASE " + name) ||
            !InitDatabase(server.conninfo(name), &message))
            qFatal("%s", qPrintable(message));
        return name;
    }
    QString sql(const QString &db, const QString &statement) { return server.value(db, statement); }

private slots:
    void initTestCase()
    {
        QString why;
        if (!server.start(&why))
            SKIP_HERE(qPrintable(why));
        freshDatabase(); // makes the program's role
        QVERIFY(server.psql("postgres", "CREATE ROLE clerk LOGIN IN ROLE custorin_app"));
    }

    // Five searches and a sign-in by the program's role; then one change
    // made behind it by the database's owner. The chain names its line.
    void changesBehindTheProgramAreFound_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("firstBad");
        QTest::addColumn<QString>("problem");
        for (const QByteArray &key : {QByteArray(), kKey}) {
            const QByteArray mode = key.isEmpty() ? "unkeyed " : "keyed ";
            QTest::newRow(mode + "untouched") << key << "" << 0 << "";
            QTest::newRow(mode + "line edited")
                << key << "UPDATE search_log SET line = line || '!' WHERE id = 3" << 3
                << "it is not the line that was linked";
            QTest::newRow(mode + "line deleted") << key << "DELETE FROM search_log WHERE id = 2"
                                                 << 2 << "it is not the line that was linked";
            QTest::newRow(mode + "line added")
                << key << "INSERT INTO search_log (line) VALUES ('12/04/2026 at 23:00:00 - x')" << 6
                << "it has no link: it was not written by the program";
            QTest::newRow(mode + "link deleted")
                << key
                << "DELETE FROM log_chain WHERE id = (SELECT max(id) FROM log_chain WHERE "
                   "log = 'Search.Log')"
                << 5 << "it has no link: it was not written by the program";
        }
        // A whole chain recomputed without the key is consistent: only a
        // seal (below) or the key finds it.
        const QString recompute = "DELETE FROM log_chain WHERE log = 'Search.Log'; INSERT INTO "
                                  "log_chain (log, link) VALUES ('Search.Log', '%CHAIN%')";
        QTest::newRow("unkeyed chain recomputed") << QByteArray() << recompute << 0 << "";
        QTest::newRow("keyed chain recomputed")
            << kKey << recompute << 1 << "its chain was made without the key";
    }
    void changesBehindTheProgramAreFound()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, change);
        QFETCH(int, firstBad);
        QFETCH(QString, problem);
        const QString db = freshDatabase();
        TestFolder env;
        env.data.options.LogKey = key;
        PgStore store(env.data, server.conninfo(db, "clerk"));
        for (const char *what : {"'a'", "'b'", "'c'", "'d'", "'e'"})
            QVERIFY(store.logSearch(what));
        QVERIFY(store.logSignInOut(LogSignedIn));
        QByteArray log;
        QVERIFY(store.readLog("Search.Log", &log));
        QCOMPARE(sql(db, "SELECT string_agg(link, '' ORDER BY id) FROM log_chain WHERE log = "
                         "'Search.Log'") +
                     '\n',
                 QString::fromLatin1(chainOver(key, log)));
        // The program's role can not change a link.
        QVERIFY(!server.psql(db, "SET ROLE clerk; DELETE FROM log_chain"));

        if (!change.isEmpty())
            QVERIFY(server.psql(db, "ALTER TABLE search_log DISABLE TRIGGER USER; "
                                    "ALTER TABLE log_chain DISABLE TRIGGER USER; " +
                                        QString(change).replace(
                                            "%CHAIN%", QString::fromLatin1(chainOver({}, log)))));
        bool begun = false;
        const ChainVerdict v = store.verifyLogChain("Search.Log", &begun);
        QVERIFY(begun);
        QCOMPARE(v.firstBad, qint64(firstBad));
        QCOMPARE(v.problem, problem);
        QCOMPARE(store.verifyLogChain("SignInOut.Log", &begun).verifiedUpTo, qint64(1));
        QCOMPARE(store.verifyLogChain("DataRecords.Log", &begun).verifiedUpTo, qint64(0));
        QVERIFY(!begun);

        // The check's chains: the failing log named with its line, and the
        // failure recorded.
        QString out, err;
        QCOMPARE(RunStoreLogCommand(store, db, false, &out, &err),
                 firstBad ? AdminCommandFailed : AdminCommandOk);
        QCOMPARE(out.contains("Search.Log: PROBLEM: line " + QString::number(firstBad) +
                              " fails its chain: " + problem + '\n'),
                 firstBad != 0);
        QCOMPARE(sql(db, "SELECT count(*) FROM user_list_log WHERE line LIKE '%failed its "
                         "verification%'"),
                 firstBad ? "1" : "0");
    }

    // Two workstations appending at once: each link follows the line
    // committed before it.
    void appendsAtOnceFollowEachOther()
    {
        const QString db = freshDatabase();
        TestFolder env;
        const auto appendMany = [&] {
            PgStore store(env.data, server.conninfo(db, "clerk"));
            for (int i = 0; i < 40; ++i)
                store.logSearch(QStringLiteral("'%1'").arg(i));
        };
        QThread *one = QThread::create(appendMany), *two = QThread::create(appendMany);
        one->start();
        two->start();
        QVERIFY(one->wait(60000) && two->wait(60000));
        delete one;
        delete two;
        PgStore store(env.data, server.conninfo(db, "clerk"));
        bool begun = false;
        const ChainVerdict v = store.verifyLogChain("Search.Log", &begun);
        QCOMPARE(v.problem, QString());
        QCOMPARE(v.verifiedUpTo, qint64(80));
    }

    // Seals in the database: a log rewritten with its chain after a seal
    // breaks after the last good seal; lines from before the chains are
    // sealed from their end.
    void sealsAndOlderLines()
    {
        const QString db = freshDatabase();
        QVERIFY(server.psql(db, "INSERT INTO search_log (line) VALUES ('old one'), ('old two')"));
        TestFolder env;
        PgStore store(env.data, server.conninfo(db, "clerk"));
        QVERIFY(store.logSearch("'a'"));
        bool begun = false;
        ChainVerdict v = store.verifyLogChain("Search.Log", &begun);
        QCOMPARE(v.verifiedUpTo, qint64(3));
        QCOMPARE(v.notes, QStringList("sealed from line 3"));

        // The agency as the database holds it, set up at another workstation.
        DataSet elsewhere(env.folder());
        PgStore setter(elsewhere, server.conninfo(db, "clerk"));
        QCOMPARE(setter.saveInstallation("County Sheriff", "Ab3De", SetupBy::Operator),
                 InstallationResult::Ok);
        QString out, err;
        QCOMPARE(RunStoreLogCommand(store, "database " + db, true, &out, &err), AdminCommandOk);
        QCOMPARE(err, QString());
        QVERIFY2(out.startsWith("Custorin - Log Seal\nCounty Sheriff\nData folder: database " + db +
                                "\n"),
                 qPrintable(out));
        QVERIFY2(out.contains("\nSearch.Log: 3 line(s)\n"), qPrintable(out));
        QCOMPARE(sql(db, "SELECT count(*) FROM log_seals"), "4");
        // The page the administration window prints names the database too.
        QCOMPARE(SealLogsNow(store).lines.mid(0, 3),
                 QStringList({"Custorin - Log Seal", "County Sheriff",
                              "Data folder: database " + store.conninfo()}));
        QVERIFY(store.logSearch("'b'"));
        QCOMPARE(store.verifyLogChain("Search.Log", &begun).verifiedUpTo, qint64(4));

        // Rewritten with a consistent chain (no key): the seal holds it.
        QVERIFY(server.psql(db, "ALTER TABLE search_log DISABLE TRIGGER USER; "
                                "ALTER TABLE log_chain DISABLE TRIGGER USER; "
                                "UPDATE search_log SET line = 'forged' WHERE id = 2; "
                                "DELETE FROM log_chain WHERE log = 'Search.Log'"));
        QByteArray log;
        QVERIFY(store.readLog("Search.Log", &log));
        QVERIFY(server.psql(db, "INSERT INTO log_chain (log, link) VALUES ('Search.Log', '" +
                                    QString::fromLatin1(chainOver({}, log)) + "')"));
        v = store.verifyLogChain("Search.Log", &begun);
        QCOMPARE(v.firstBad, qint64(1));
        QCOMPARE(v.problem, QString("the log was rewritten after it was sealed on "
                                    "2026-12-04T22:50:00 at line 3"));
    }

    // The database's backup from the command line goes on its
    // UserList.Log, linked, as a data folder's does.
    void commandLineBackupIsRecorded()
    {
        const QString db = freshDatabase();
        QTemporaryDir target;
        const ProgramRun run =
            RunCustorin({"--database", server.conninfo(db), "--backup", target.path()});
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.status, 0);
        QCOMPARE(sql(db, "SELECT substr(line, 24) FROM user_list_log"),
                 "- Data files backed up to '" + target.path() + "' by account '" + AccountName() +
                     "' at workstation '" + QSysInfo::machineHostName() + "'");
        TestFolder env;
        PgStore store(env.data, server.conninfo(db));
        bool begun = false;
        QCOMPARE(store.verifyLogChain(UserListLogName, &begun).verifiedUpTo, qint64(1));
    }

    // The check finds a guard of a log's table or of the chains' tables
    // dropped or disabled (tst_pgstore checks an untouched database).
    void checkFindsTablesUnguarded_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("chain row guard dropped")
            << "DROP TRIGGER log_chain_append_only ON log_chain"
            << "log_chain is not guarded against changes (1 of 2 triggers).";
        QTest::newRow("seals' guards dropped")
            << "DROP TRIGGER log_seals_append_only ON log_seals; DROP TRIGGER "
               "log_seals_no_truncate ON log_seals"
            << "log_seals is not guarded against changes (0 of 2 triggers).";
        QTest::newRow("log's truncate guard disabled")
            << "ALTER TABLE search_log DISABLE TRIGGER search_log_no_truncate"
            << "Search.Log is not guarded against changes (1 of 2 triggers).";
    }
    void checkFindsTablesUnguarded()
    {
        QFETCH(QString, change);
        QFETCH(QString, lastLine);
        const QString db = freshDatabase();
        QVERIFY(server.psql(db, change));
        QString message;
        QVERIFY(!CheckDatabase(server.conninfo(db), &message));
        QCOMPARE(message.section('\n', -1), lastLine);
    }

    // A folder's chains and seals come in as they are and go back out
    // byte for byte; a log without a chain is sealed from its end.
    void folderChainsInAndOut_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("unkeyed") << QByteArray();
        QTest::newRow("keyed") << kKey;
    }
    void folderChainsInAndOut()
    {
        QFETCH(QByteArray, key);
        TestFolder env;
        env.data.options.LogKey = key;
        QVERIFY(LogSearch(env.data, "'a'"));
        QVERIFY(LogSignInOut(env.data, LogSignedIn));
        {
            FolderLock lock(env.data);
            QVERIFY(lock.acquire());
            QCOMPARE(SealLogs(lock, env.desktop.now()).size(), 4);
        }
        QVERIFY(LogSearch(env.data, "'b'"));
        env.write("DataRecords.Log", "12/04/2026 at 22:40:00 - older line\r\n");
        const QString db = freshDatabase();
        QString message;
        QVERIFY2(ImportFolder(env.folder(), server.conninfo(db), &message, key),
                 qPrintable(message));
        QVERIFY2(message.endsWith("\nDataRecords.Log had no chain: sealed from line 2"),
                 qPrintable(message));
        PgStore store(env.data, server.conninfo(db, "clerk"));
        bool begun = false;
        for (const QString &log : LogFileNames())
            QCOMPARE(store.verifyLogChain(log, &begun).firstBad, qint64(0));
        QCOMPARE(store.verifyLogChain("Search.Log", &begun).verifiedUpTo, qint64(2));

        QTemporaryDir back;
        QVERIFY2(ExportFolder(server.conninfo(db), back.path(), &message), qPrintable(message));
        for (const QString name : {"Search.Log.chain", "SignInOut.Log.chain", "Logs.Seals"})
            QCOMPARE(readFile(back.filePath(name)), env.read(name));
        DataSet exported(back.path());
        exported.options.LogKey = key;
        for (const QString &log : LogFileNames())
            QCOMPARE(VerifyLogChain(exported, log).firstBad, qint64(0));
    }
};

SKIPPABLE_GUILESS_MAIN(TestPgChain)
#include "tst_pgchain.moc"
