// The activity logs' chains: exact link bytes with and without the key, a
// log chained from its end, a writer stopped between line and link, the
// undo, seals and restores, and a seeded run of random attacks on the four
// logs, each of which must be found at the right line.
#include "TestFolder.h"
#include "TestUsers.h"
#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/FolderLock.h"
#include "core/common/Startup.h"
#include "core/rules/AdminCommands.h"
#include "core/rules/BackupRestore.h"
#include "core/rules/LogReview.h"
#include "core/users/Installation.h"
#include "core/users/UnattendedSetup.h"
#include "core/users/UserFile.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QtTest>

namespace
{

const QStringList kLogs = {"SignInOut.Log", "UserList.Log", "DataRecords.Log", "Search.Log"};

// The link as an attacker or an auditor computes it, without the code
// under test.
QByteArray linkOf(const QByteArray &key, const QByteArray &previous, const QByteArray &line)
{
    if (key.isEmpty())
        return QCryptographicHash::hash(previous + line, QCryptographicHash::Sha256);
    return QMessageAuthenticationCode::hash(previous + line, key, QCryptographicHash::Sha256);
}

// The chain text over lines from line `from` on, with the given previous value.
QByteArray chainOver(const QByteArray &key, const QList<QByteArray> &lines, QByteArray previous,
                     int from = 1, qint64 end = 0)
{
    QByteArray text;
    for (int i = from - 1; i < lines.size(); ++i) {
        previous = linkOf(key, previous, lines.at(i));
        end += lines.at(i).size();
        text += QByteArray::number(i + 1) + ' ' + QByteArray::number(end) +
                (key.isEmpty() ? " h " : " k ") + previous.toHex() + '\n';
    }
    return text;
}

QList<QByteArray> linesOf(const QByteArray &log)
{
    QList<QByteArray> lines;
    for (qsizetype pos = 0, nl; (nl = log.indexOf('\n', pos)) >= 0; pos = nl + 1)
        lines << log.mid(pos, nl + 1 - pos);
    return lines;
}

void addKeyRows()
{
    QTest::addColumn<QByteArray>("key");
    QTest::newRow("unkeyed") << QByteArray();
    QTest::newRow("keyed") << QByteArray("a workstation's key of 32 bytes");
}

} // namespace

class TestLogChain : public QObject
{
    Q_OBJECT
private slots:
    void eachLineIsLinked_data() { addKeyRows(); }
    void eachLineIsLinked()
    {
        QFETCH(QByteArray, key);
        TestFolder env;
        env.data.options.LogKey = key;
        QVERIFY(LogSearch(env.data, "'a'"));
        QVERIFY(LogSearch(env.data, "'b'"));
        const QByteArray t = "12/04/2026 at 22:50:00 - Pat Doe searched for ";
        QCOMPARE(env.read("Search.Log"), t + "'a'\r\n" + t + "'b'\r\n");
        QCOMPARE(env.read("Search.Log.chain"),
                 chainOver(key, {t + "'a'\r\n", t + "'b'\r\n"}, QByteArray(32, '\0')));
        const ChainVerdict v = VerifyLogChain(env.data, "Search.Log");
        QCOMPARE(v.firstBad, 0);
        QCOMPARE(v.verifiedUpTo, 2);
        QCOMPARE(VerdictText(v), QString("verified up to line 2"));

        // Undone with the change it recorded: line and link both go.
        const QByteArray chainBefore = env.read("Search.Log.chain");
        FolderLock lock(env.data);
        QVERIFY(lock.acquire());
        qint64 size = -1;
        QVERIFY(AppendLogLine(lock, "Search.Log", "undone", &size));
        QVERIFY(env.read("Search.Log.chain") != chainBefore);
        QVERIFY(UndoLogAppend(lock, "Search.Log", size));
        QCOMPARE(env.read("Search.Log.chain"), chainBefore);
        lock.release();

        // Read without the key, a keyed chain is reported unchecked, not
        // broken; read with a key, an unkeyed chain is not trusted.
        env.data.options.LogKey =
            key.isEmpty() ? QByteArray("another key, 16+ bytes") : QByteArray();
        const ChainVerdict other = VerifyLogChain(env.data, "Search.Log");
        QCOMPARE(other.firstBad, key.isEmpty() ? 1 : 0);
        QCOMPARE(other.problem,
                 key.isEmpty() ? QString("its chain was made without the key") : QString());
        QCOMPARE(other.notes, key.isEmpty()
                                  ? QStringList()
                                  : QStringList("lines from 1 on are linked with the key, "
                                                "which this workstation does not have: "
                                                "not checked"));
    }

    void keyFileNamedInTheSettings()
    {
        TestFolder env;
        const QString conf = env.path("custorin.conf");
        QString error;
        env.write("custorin.conf", "DataDir=/srv/evidence\n");
        QCOMPARE(ConfiguredLogKey(conf, &error), QByteArray());
        QCOMPARE(error, QString());
        env.write("custorin.conf", "LogKey=log.key\n");
        QCOMPARE(ConfiguredLogKey(conf, &error), QByteArray());
        QCOMPARE(error, "the log key file " + env.path("log.key") +
                            " can not be read: No such file or directory");
        env.write("log.key", "short\n");
        QCOMPARE(ConfiguredLogKey(conf, &error), QByteArray());
        QCOMPARE(error, "the log key file " + env.path("log.key") + " holds fewer than 16 bytes");
        env.write("log.key", "0123456789abcdef0123\r\n");
        QCOMPARE(ConfiguredLogKey(conf, &error), QByteArray("0123456789abcdef0123"));
        QCOMPARE(error, QString());
    }

    void olderLogIsSealedFromItsEnd()
    {
        TestFolder env;
        const QByteArray old = "first\r\nsecond\r\nthird\r\n";
        env.write("UserList.Log", old);
        QVERIFY(LogUserList(env.data, 3, "Lee"));
        const QByteArray line = "12/04/2026 at 22:50:00 - 'Lee' added to the 'User List'\r\n";
        const QByteArray sealed = linkOf({}, QByteArray(32, '\0'), old);
        QCOMPARE(env.read("UserList.Log.chain"), "sealed-from 4 22 h " + sealed.toHex() + "\n4 " +
                                                     QByteArray::number(old.size() + line.size()) +
                                                     " h " + linkOf({}, sealed, line).toHex() +
                                                     "\n");
        ChainVerdict v = VerifyLogChain(env.data, "UserList.Log");
        QCOMPARE(v.verifiedUpTo, 4);
        QCOMPARE(v.notes, QStringList("sealed from line 4"));
        env.write("UserList.Log", "first\r\nSECOND\r\nthird\r\n" + line);
        v = VerifyLogChain(env.data, "UserList.Log");
        QCOMPARE(v.firstBad, 1);
        QCOMPARE(v.problem, QString("lines 1 to 3 are not as they were when the chain began"));
    }

    void stoppedWriterIsRepaired()
    {
        TestFolder env;
        QVERIFY(LogSearch(env.data, "'a'"));
        // The line is written, its link is not (the writer stops there).
        env.data.options.FaultHook = [](FileOp op, const QString &path) {
            return op == FileOp::Write && path.endsWith(".chain") ? EIO : 0;
        };
        QVERIFY(LogSearch(env.data, "'b'"));
        env.data.options.FaultHook = {};
        ChainVerdict v = VerifyLogChain(env.data, "Search.Log");
        QCOMPARE(VerdictText(v), QString("verified up to line 1"));
        QCOMPARE(v.notes, QStringList("lines 2 to 2 have no link yet (a writer stopped between a "
                                      "line and its link; the next line written links them)"));
        // Half a link left at the end is dropped and made again.
        env.write("Search.Log.chain", env.read("Search.Log.chain") + "2 97 h 12ab");
        env.desktop.setNow(QDateTime(QDate(2026, 12, 5), QTime(7, 10, 0)));
        QVERIFY(LogSearch(env.data, "'c'"));
        const QList<QByteArray> lines = linesOf(env.read("Search.Log"));
        QCOMPARE(lines.size(), 3);
        const QByteArray chain = env.read("Search.Log.chain");
        const QByteArray head = chainOver({}, lines.mid(0, 1), QByteArray(32, '\0'));
        QCOMPARE(chain, head + "repaired 2 2 12/05/2026 at 07:10:00\n" +
                            chainOver({}, lines, QByteArray(32, '\0')).mid(head.size()));
        v = VerifyLogChain(env.data, "Search.Log");
        QCOMPARE(v.verifiedUpTo, 3);
        QCOMPARE(v.notes, QStringList("lines 2 to 2 were linked late, on 12/05/2026 at 07:10:00 (a "
                                      "writer stopped between a line and its link)"));
    }

    void sealsAndRestores()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 5), QTime(8, 0, 0)));
        for (const char *d : {"'a'", "'b'", "'c'"})
            QVERIFY(LogSearch(env.data, d));
        FolderLock lock(env.data);
        QVERIFY(lock.acquire());
        const QList<SealRecord> seals = SealLogs(lock, env.desktop.now());
        QCOMPARE(seals.size(), 4);
        QCOMPARE(seals.at(3).log, QString("Search.Log"));
        QCOMPARE(seals.at(3).line, 3);
        const QByteArray head = linesOf(env.read("Search.Log.chain")).last();
        QCOMPARE(seals.at(3).value.toHex(), head.mid(head.lastIndexOf(' ') + 1).trimmed());
        QCOMPARE(linesOf(env.read("Logs.Seals")).at(3),
                 "seal 2026-12-05T08:00:00 Search.Log 3 " + seals.at(3).value.toHex() + " -\n");
        lock.release();

        // Rolled back to line 2 by a restore: the seal at line 3 is history.
        const QByteArray log = env.read("Search.Log");
        env.write("Search.Log", log.left(log.indexOf('\n', log.indexOf('\n') + 1) + 1));
        env.write("Search.Log.chain", linesOf(env.read("Search.Log.chain")).mid(0, 2).join());
        QCOMPARE(VerdictText(VerifyLogChain(env.data, "Search.Log")),
                 QString("line 3 fails its chain: the log is shorter than when it was sealed on "
                         "2026-12-05T08:00:00 at line 3"));
        QVERIFY(lock.acquire());
        QVERIFY(RecordRestore(lock, env.desktop.now(), "from '/backups/b1' by pat",
                              RestoredChainFiles()));
        lock.release();
        const ChainVerdict v = VerifyLogChain(env.data, "Search.Log");
        QCOMPARE(VerdictText(v), QString("verified up to line 2"));
        QCOMPARE(v.notes, QStringList("restored on 2026-12-05T08:00:00 to line 2 from "
                                      "'/backups/b1' by pat; 1 later seal(s) kept as history"));
    }

    void everyAttackIsFound_data() { addKeyRows(); }
    void everyAttackIsFound()
    {
        QFETCH(QByteArray, key);
        TestFolder env;
        env.data.options.LogKey = key;
        // Forty lines in each log, sealed after the 12th and the 30th.
        for (int i = 1; i <= 40; ++i) {
            const QString n = QString::number(i);
            QVERIFY(LogSignInOut(env.data, i % 3));
            QVERIFY(LogUserList(env.data, 3, "user " + n));
            QVERIFY(LogDataRecord(env.data, 4, 46360 + i));
            QVERIFY(LogSearch(env.data, "'" + n + "'"));
            env.desktop.setNow(env.desktop.now().addSecs(1));
            if (i == 12 || i == 30) {
                FolderLock lock(env.data);
                QVERIFY(lock.acquire());
                QCOMPARE(SealLogs(lock, env.desktop.now()).size(), 4);
            }
        }
        const LogChain chain(key);
        const QList<SealRecord> records = ParseSeals(chain, env.read("Logs.Seals"));
        QRandomGenerator random(20261207);
        enum Attack { Flip, Delete, Insert, Swap, Truncate, Recompute, Attacks };
        int found = 0;
        for (int round = 0; round < 600; ++round) {
            const QString name = kLogs.at(random.bounded(4));
            const QByteArray log = env.read(name);
            const QList<QByteArray> lines = linesOf(log);
            QStringList notes, problems;
            const QList<SealPoint> seals = SealPointsFor(records, name, &notes, &problems);
            QCOMPARE(problems, QStringList());
            QCOMPARE(chain.verify(log, env.read(name + ".chain"), seals).firstBad, 0);
            QByteArray forged = log, forgedChain = env.read(name + ".chain");
            qint64 expected = 0;
            const int k = random.bounded(1, int(lines.size()) + 1); // a line, 1-based
            const auto lineAt = [&](qint64 byte) { return log.left(byte).count('\n') + 1; };
            switch (Attack(round % Attacks)) {
            case Flip: {
                const qint64 at = random.bounded(qint64(log.size()));
                forged[at] = char(forged.at(at) ^ random.bounded(1, 256));
                expected = lineAt(at);
                break;
            }
            case Delete:
                forged = (lines.mid(0, k - 1) + lines.mid(k)).join();
                expected = k;
                break;
            case Insert:
                forged =
                    (lines.mid(0, k - 1) + QList<QByteArray>{"forged line\r\n"} + lines.mid(k - 1))
                        .join();
                expected = k;
                break;
            case Swap: {
                QList<QByteArray> swapped = lines;
                const int a = qMin(k, int(lines.size()) - 1);
                swapped.swapItemsAt(a - 1, a);
                forged = swapped.join();
                expected = a;
                break;
            }
            case Truncate: {
                const qint64 at = random.bounded(qint64(log.size()));
                forged.truncate(at);
                expected = lineAt(at);
                break;
            }
            case Recompute: {
                // A sealed line changed and the whole chain made again
                // without the key: only a seal (unkeyed) or the key shows it.
                const int changed = random.bounded(1, 31);
                QList<QByteArray> edited = lines;
                edited[changed - 1].replace(0, 2, "11");
                forged = edited.join();
                forgedChain = chainOver({}, edited, QByteArray(32, '\0'));
                qint64 lastGood = 0;
                for (const SealPoint &s : seals)
                    if (s.line < changed)
                        lastGood = qMax(lastGood, s.line);
                expected = key.isEmpty() ? lastGood + 1 : 1;
                break;
            }
            default:
                break;
            }
            const ChainVerdict v = chain.verify(forged, forgedChain, seals);
            QVERIFY2(
                v.firstBad == expected,
                qPrintable(QString("round %1, %2, attack %3: line %4 reported, %5 expected (%6)")
                               .arg(round)
                               .arg(name)
                               .arg(round % Attacks)
                               .arg(v.firstBad)
                               .arg(expected)
                               .arg(v.problem)));
            ++found;
        }
        QCOMPARE(found, 600);
    }

    // With a key the settings and the user list are the program's own; a
    // copy from another folder set up under the same key is found.
    void settingsAndUsersCoveredByTheKey_data() { addKeyRows(); }
    void settingsAndUsersCoveredByTheKey()
    {
        QFETCH(QByteArray, key);
        TestFolder env;
        QTemporaryDir otherDir;
        DataSet other(otherDir.path());
        UserRecord ann = newUser("Ann", "Smith", QString(), 4);
        // This folder set up from the command line, the other one by an
        // operator.
        StartOptions setup;
        setup.dataDir = env.folder();
        setup.setAgency = setup.setAccessCode = true;
        setup.agencyName = "Agency";
        setup.logKey = key;
        QBuffer code;
        code.setData("12345\n");
        code.open(QIODevice::ReadOnly);
        QString said;
        QCOMPARE(RunUnattendedSetup(setup, code, &said), UnattendedOk);
        QCOMPARE(SaveInstallation(other, "Agency", "12345", SetupBy::Operator),
                 InstallationResult::Ok);
        for (DataSet *ds : {&env.data, &other}) {
            ds->options.LogKey = key;
            QCOMPARE(AppendUser(*ds, ann), UserResult::Ok);
            env.desktop.setNow(env.desktop.now().addSecs(60)); // the other's own history
        }
        FolderStore store(env.data);
        QCOMPARE(store.coveredFileProblems(), QStringList());
        QCOMPARE(env.exists("User.List.mac"), !key.isEmpty());
        // The program's own writes keep the covers valid.
        QCOMPARE(AppendUser(env.data, ann), UserResult::Ok);
        QCOMPARE(DeleteUser(env.data, 2, UserIdentity::of(ann)), UserResult::Ok);
        QCOMPARE(SaveInstallation(env.data, "Agency 2", "54321", SetupBy::Operator),
                 InstallationResult::Ok);
        QCOMPARE(store.coveredFileProblems(), QStringList());

        const QString there = otherDir.path() + '/';
        env.write("Custorin.ini", readFile(there + "Custorin.ini"));
        if (!key.isEmpty())
            env.write("Custorin.ini.mac", readFile(there + "Custorin.ini.mac"));
        env.write("User.List", readFile(there + "User.List"));
        QFile::remove(env.path("User.List.mac"));
        const QStringList found =
            key.isEmpty()
                ? QStringList()
                : QStringList{"Custorin.ini: not as the program last wrote it in this folder "
                              "(copied in from another folder, or changed outside the program)",
                              "User.List: not covered by the key: the program did not write it "
                              "here (copied in?)"};
        QCOMPARE(store.coveredFileProblems(), found);
        StartOptions check;
        check.check = true;
        check.dataDir = env.folder();
        check.logKey = key;
        QString out, err;
        RunAdminCommand(check, &out, &err);
        QCOMPARE(out.contains("\nCustorin.ini: PROBLEM: not as the program last wrote it"),
                 !key.isEmpty());
        QCOMPARE(out.contains("\nUser.List: PROBLEM: not covered by the key"), !key.isEmpty());
    }

    // The review records a log once for each opening of the window; a
    // failure every time it is found.
    void reviewRecordedWhenAsked()
    {
        TestFolder env;
        QVERIFY(LogSearch(env.data, "'a'"));
        FolderStore store(env.data);
        QCOMPARE(ReviewLogChain(store, "Search.Log", false).text,
                 QString("Chain verified up to line 1"));
        QCOMPARE(env.read("UserList.Log"), QByteArray());
        QCOMPARE(ReviewLogChain(store, "Search.Log", true).badLine, 0);
        QCOMPARE(env.read("UserList.Log"),
                 "12/04/2026 at 22:50:00 - Activity log 'Search.Log' reviewed by " +
                     WorkstationText().toUtf8() + "\r\n");
    }
};

QTEST_GUILESS_MAIN(TestLogChain)
#include "tst_logchain.moc"
