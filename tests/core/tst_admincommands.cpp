// The command-line backup, its rotation and refusals, and the read-only check.
#include "DataSetBytes.h"
#include "RunProgram.h"
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/FileOps.h"
#include "core/common/Startup.h"
#include "core/rules/AdminCommands.h"
#include "core/rules/BackupRestore.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <climits>
#include <unistd.h>

using namespace datasetbytes;

namespace
{

const QByteArray Entries = entryBytes(46000.5, "2026-0001", oleDate(2026, 1, 5), 1) +
                           entryBytes(123, "LEGACY-7", oleDate(1999, 7, 1), 2) +
                           entryBytes(46001, "2026-0002", oleDate(2026, 2, 1), 2);
const QByteArray Users = userRecordBytes(oleDate(2024, 3, 1), "Pat", "Doe", 4) +
                         userRecordBytes(oleDate(2025, 3, 1), "Lee", "Ray", 1);
const QByteArray SignIns =
    "12/04/2026 at 22:45:32 - Pat Doe signed in w/ Full Access privileges\r\n"
    "12/04/2026 at 23:00:00 - Pat Doe signed out\r\n";

QByteArray withValue(QByteArray record, qint64 value)
{
    qToLittleEndian(value, record.data() + 215);
    return record;
}

void writeDataSet(const QString &folder)
{
    const QDir d(folder);
    writeFile(d.filePath("Custorin.Data"), Entries);
    writeFile(d.filePath("User.List"), Users);
    QVERIFY(writeReadOnly(d.filePath("SignInOut.Log"), SignIns));
    writeFile(d.filePath("Custorin.ini"), settingsBytes("County Sheriff"));
}

} // namespace

class TestAdminCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QFileInfo(qEnvironmentVariable("CUSTORIN_APP")).isExecutable()); }

    void backupIntoADatedFolderAndRotate()
    {
        QTemporaryDir data, target;
        writeDataSet(data.path());
        const QDir t(target.path());
        for (const char *old : {"Custorin-2020-01-01-0000", "Custorin-2021-06-30-2359",
                                "Custorin-2019-12-31-2359", "Custorin-notes"}) {
            QVERIFY(t.mkdir(old));
            writeFile(t.filePath(QString(old) + "/Custorin.Data"), Entries.left(5000));
        }
        writeFile(t.filePath("Custorin-2018-01-01-0000"), "a file, not a backup folder");

        const auto minute = [] {
            return QDateTime::currentDateTime().toString("'Custorin-'yyyy-MM-dd-HHmm");
        };
        const QString early = minute();
        const ProgramRun r =
            RunCustorin({"--data-dir", data.path(), "--backup", target.path(), "--keep", "2"});
        QCOMPARE(r.err + QByteArray::number(r.status), QByteArray("0"));
        // Named by the minute the backup was taken; the newest two remain and
        // what is not a backup folder is never touched.
        const QString made = t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).value(2);
        QVERIFY2(made == early || made == minute(), qPrintable(made));
        QCOMPARE(t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"Custorin-2018-01-01-0000", "Custorin-2021-06-30-2359", made,
                              "Custorin-notes"}));
        const QString folder = t.filePath(made);
        QCOMPARE(r.out,
                 ("Backed up Custorin.Data, User.List, SignInOut.Log, Custorin.ini to " + folder +
                  "\nRemoved the older backup " + t.filePath("Custorin-2020-01-01-0000") +
                  "\nRemoved the older backup " + t.filePath("Custorin-2019-12-31-2359") + "\n")
                     .toUtf8());
        QMap<QString, QByteArray> written = folderFiles(data.path());
        QVERIFY(written.remove("UserList.Log")); // the trail's line comes after the copy
        QVERIFY(written.remove("UserList.Log.chain"));
        QCOMPARE(folderFiles(folder), written);
        QVERIFY(isReadOnly(QDir(folder).filePath("SignInOut.Log")));
        QCOMPARE(QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"Custorin.Data", "Custorin.ini", "SignInOut.Log", "User.List",
                              "UserList.Log", "UserList.Log.chain"}));

        // Refused: a backup folder that is not there, a link in a log's place.
        const QStringList kept = t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const QString gone = t.filePath("usb");
        ProgramRun no = RunCustorin({"--data-dir", data.path(), "--backup", gone});
        QCOMPARE(no.out + no.err + QByteArray::number(no.status),
                 ("custorin: the backup folder does not exist: " + gone +
                  "\ncustorin: No backup was made.\n1")
                     .toUtf8());
        QTemporaryDir outside;
        writeFile(outside.filePath("mine"), "not for the backup\n");
        QVERIFY(QFile::link(outside.filePath("mine"), QDir(data.path()).filePath("Search.Log")));
        no = RunCustorin({"--data-dir", data.path(), "--backup", target.path()});
        QCOMPARE(no.status, 1);
        QVERIFY2(no.err.endsWith(": it is a symbolic link\ncustorin: No backup was made; older "
                                 "backups are untouched.\n"),
                 no.err.constData());
        QCOMPARE(t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), kept);
        QVERIFY(!QFileInfo::exists(QDir(folder).filePath("Search.Log")));
    }

    void failedBackupsNeverPushGoodOnesOut()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 48, 10)));
        writeDataSet(env.folder());
        QTemporaryDir target;
        const QDir t(target.path());
        const auto backup = [&](int keep, QString *out, QString *err) {
            StartOptions o;
            o.dataDir = env.folder();
            o.backup = true;
            o.backupTarget = target.path();
            o.keep = keep;
            return RunAdminCommand(o, out, err, env.data.options);
        };
        const auto folders = [&] { return t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot); };
        QString out, err;
        QCOMPARE(backup(0, &out, &err), 0);
        env.desktop.advance(60);
        QCOMPARE(backup(0, &out, &err), 0);
        // A damaged backup left by an older release, newest of all.
        QVERIFY(t.mkdir("Custorin-2026-12-04-2300"));
        writeFile(t.filePath("Custorin-2026-12-04-2300/Custorin.Data"), Entries.left(7000));
        const QStringList before = folders();

        env.desktop.advance(60);
        env.write("Custorin.Data", Entries.left(7000));
        QCOMPARE(backup(2, &out, &err), 1);
        QCOMPARE(err, "the backup in " + t.filePath("Custorin-2026-12-04-2250") +
                          " is not usable: Custorin.Data is not a whole number of records (7000 "
                          "bytes).\nThe data folder itself needs attention (see --check). Older "
                          "backups are untouched.\n");
        QCOMPARE(folders(), before);

        env.write("Custorin.Data", Entries);
        QCOMPARE(backup(2, &out, &err), 0);
        QCOMPARE(out, "Backed up Custorin.Data, User.List, SignInOut.Log, UserList.Log, "
                      "Custorin.ini, UserList.Log.chain to " +
                          t.filePath("Custorin-2026-12-04-2250") + "\nRemoved the older backup " +
                          t.filePath("Custorin-2026-12-04-2248") + "\n");
        QCOMPARE(folders(), QStringList({"Custorin-2026-12-04-2249", "Custorin-2026-12-04-2250",
                                         "Custorin-2026-12-04-2300"}));

        // Damaged again in the same minute: that minute's backup stays whole.
        const QMap<QString, QByteArray> good = folderFiles(t.filePath("Custorin-2026-12-04-2250"));
        env.write("Custorin.Data", Entries + "x");
        QCOMPARE(backup(2, &out, &err), 1);
        QCOMPARE(folderFiles(t.filePath("Custorin-2026-12-04-2250")), good);
        env.write("Custorin.Data", Entries);
        env.desktop.advance(60);
        env.setFaultHook([](FileOp op, const QString &path) {
            return op == FileOp::Write && path.endsWith("/User.List.$$$") ? ENOSPC : 0;
        });
        const int full = backup(2, &out, &err);
        env.setFaultHook({});
        QCOMPARE(full, 1);
        QCOMPARE(err, "User.List could not be copied into " +
                          t.filePath("Custorin-2026-12-04-2251") +
                          ": No space left on device\nNo backup was made; older backups are "
                          "untouched.\n");
        QCOMPARE(folders(), QStringList({"Custorin-2026-12-04-2249", "Custorin-2026-12-04-2250",
                                         "Custorin-2026-12-04-2300"}));
        const QByteArray trail = env.read("UserList.Log");
        QCOMPARE(trail.count("\r\n"), 3);
        QVERIFY2(trail.contains("12/04/2026 at 22:50:10 - Data files backed up to '" +
                                t.filePath("Custorin-2026-12-04-2250").toUtf8() + "' by account '"),
                 trail.constData());
    }

    void chainsAreSealedCheckedAndBackedUp()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 48, 10)));
        writeDataSet(env.folder()); // SignInOut.Log: two lines from before the chains
        for (const char *d : {"'a'", "'b'", "'c'"})
            QVERIFY(LogSearch(env.data, d));
        QTemporaryDir target;
        const auto run = [&](const QString &command, QString *out, QString *err) {
            StartOptions o;
            o.dataDir = env.folder();
            o.check = command == "check";
            o.seal = command == "seal";
            o.backup = command == "backup";
            o.backupTarget = target.path();
            return RunAdminCommand(o, out, err, env.data.options);
        };
        QString out, err;
        QCOMPARE(run("seal", &out, &err), 0);
        const QStringList seal = out.split('\n');
        QCOMPARE(
            seal.mid(0, 6),
            QStringList({"Custorin - Log Seal", "County Sheriff", "Data folder: " + env.folder(),
                         "Sealed on 12/04/2026 at 22:48:10 by " + WorkstationText(),
                         "Chains not keyed (SHA-256)", ""}));
        // The older log chained from its end, then sealed there.
        QCOMPARE(seal.mid(6, 2),
                 QStringList({"SignInOut.Log: 2 line(s)",
                              "    " + QCryptographicHash::hash(QByteArray(32, '\0') + SignIns,
                                                                QCryptographicHash::Sha256)
                                           .toHex()}));
        QCOMPARE(seal.at(12), QString("Search.Log: 3 line(s)"));
        QVERIFY(env.read("UserList.Log")
                    .endsWith("12/04/2026 at 22:48:10 - Activity logs sealed (SignInOut.Log 2 "
                              "line(s), UserList.Log 0 line(s), DataRecords.Log 0 line(s), "
                              "Search.Log 3 line(s)) by " +
                              WorkstationText().toUtf8() + "\r\n"));
        QCOMPARE(run("check", &out, &err), 0);
        QVERIFY2(out.contains("\nSignInOut.Log: sealed from line 3\nSignInOut.Log: chain verified "
                              "up to line 2\nUserList.Log: chain verified up to line 1\n"
                              "Search.Log: chain verified up to line 3\nAll is well.\n"),
                 qPrintable(out));

        // A search changed on the share: named by the check, recorded, and
        // reported but copied by the backup.
        env.write("Search.Log", env.read("Search.Log").replace("'b'", "'B'"));
        const QString broken = "Search.Log: PROBLEM: line 2 fails its chain: it is not the line "
                               "that was linked\n";
        QCOMPARE(run("check", &out, &err), 1);
        QVERIFY2(out.endsWith(broken + "1 problem(s) found.\n"), qPrintable(out));
        QVERIFY(env.read("UserList.Log")
                    .contains(" - Activity log 'Search.Log' failed its verification at line 2 (it "
                              "is not the line that was linked), found by account '"));
        QCOMPARE(run("backup", &out, &err), 1);
        QCOMPARE(err, broken + "the backup is complete, but 1 activity log(s) fail their chain "
                               "(see above)\n");
        QVERIFY(out.contains("Search.Log.chain, Logs.Seals to "));
    }

    void checkReportsAndChangesNothing()
    {
        QTemporaryDir data;
        writeDataSet(data.path());
        const QDir d(data.path());
        const QString header = "Data folder: " + data.path() + "\n";

        QVERIFY(writeReadOnly(d.filePath("DataRecords.Log"),
                              "12/04/2026 at 22:47:05 - Control#00123 archived by Pat Doe\r\n"));
        writeFile(d.filePath("Custorin.Data"),
                  Entries + entryBytes(std::nan(""), "X", 0, 1) +
                      entryBytes(46002, "Y", oleDate(1801, 1, 1), 1) +
                      entryBytes(46003, "V", oleDate(2099, 12, 31), 1) +
                      entryBytes(46004, "W", oleDate(2100, 1, 1), 1) +
                      withValue(entryBytes(46005, "M", oleDate(2026, 1, 1), 1), LLONG_MAX) +
                      withValue(entryBytes(46006, "N", oleDate(2026, 1, 1), 1), LLONG_MIN) +
                      withValue(entryBytes(46007, "O", oleDate(2026, 1, 1), 1),
                                -281483566907400) + // the most a full list can add up
                      "tail");
        writeFile(d.filePath("User.List"),
                  Users + userRecordBytes(oleDate(2024, 1, 1), "$Killed$", "Z", 2));
        QFile::setPermissions(d.filePath("SignInOut.Log"), QFile::ReadOwner | QFile::WriteOwner);
        writeFile(d.filePath("Custorin.ini"), "[Installation]\nAgencyName=x\n");
        writeFile(d.filePath("TempFile.$$$"), "half a compaction");
        QVERIFY(d.mkdir("User.List.$$$"));
        QVERIFY(d.mkdir("Custorin.lock") && d.mkdir("Custorin.lock.0f3a.stale"));
        writeFile(d.filePath("Custorin.lock/owner"), "token=0f3a\nhost=WS-GONE\nuser=Lee Carter\n");
        writeFile(d.filePath("Custorin.lock/beat"), "00000000000000000007\n");
        QTemporaryDir outside;
        writeFile(outside.filePath("mine"), "one line\n");
        QVERIFY(QFile::setPermissions(outside.filePath("mine"), QFile::ReadOwner));
        QVERIFY(QFile::link(outside.filePath("mine"), d.filePath("Search.Log")));
        const QMap<QString, QByteArray> damaged = folderFiles(data.path());
        const ProgramRun r = RunCustorin({"--data-dir", data.path(), "--check"});
        QCOMPARE(r.err + QByteArray::number(r.status), QByteArray("1"));
        QCOMPARE(QString::fromUtf8(r.out),
                 header + R"(Custorin.Data: 10 records (7 active, 2 archived)
Custorin.Data: PROBLEM: 50004 bytes is not a whole number of 5000-byte records
Custorin.Data: PROBLEM: records that do not decode: 4
Custorin.Data: PROBLEM: records with a date before 1900 or after 2099: 5, 7
Custorin.Data: PROBLEM: records whose value is out of range or does not decode: 8, 9
User.List: 3 users
User.List: PROBLEM: 1 record(s) left half deleted by an interrupted deletion
SignInOut.Log: 2 lines
SignInOut.Log: PROBLEM: not read-only (the next entry in it makes it read-only again)
UserList.Log: not present
DataRecords.Log: 1 line
Search.Log: 1 line
Custorin.ini: PROBLEM: damaged or incomplete
TempFile.$$$: PROBLEM: a work file left by an interrupted run
User.List.$$$: PROBLEM: a folder stands where a work file goes, so the changes that need it fail
Custorin.lock: PROBLEM: a lock left behind by Lee Carter at workstation 'WS-GONE' (its holder stopped)
Custorin.lock.0f3a.stale: PROBLEM: a stale lock moved aside and left behind
Search.Log: PROBLEM: a symbolic link, never opened
SignInOut.Log: not chained yet (its next line begins its chain)
DataRecords.Log: not chained yet (its next line begins its chain)
Search.Log: not chained yet (its next line begins its chain)
12 problem(s) found.
)");
        QCOMPARE(folderFiles(data.path()), damaged);
        QCOMPARE(readFile(d.filePath("Custorin.lock/beat")), QByteArray("00000000000000000007\n"));
        QVERIFY(!isReadOnly(d.filePath("SignInOut.Log")));
    }

    void checkReportsWhatStopsTheProgram()
    {
        QTemporaryDir base;
        const QString folder = base.filePath("data");
        QVERIFY(QDir().mkdir(folder));
        const QDir d(folder);
        writeFile(d.filePath("User.List"), Users);
        writeFile(d.filePath("Custorin.ini"), settingsBytes("County Sheriff"));
        const QString header = "Data folder: " + folder + "\n";
        const QString logs = "SignInOut.Log: not present\nUserList.Log: not present\n"
                             "DataRecords.Log: not present\nSearch.Log: not present\n"
                             "Custorin.ini: set up\n";
        const auto check = [&] {
            const ProgramRun r = RunCustorin({"--data-dir", folder, "--check"});
            return QString::fromUtf8(r.out + r.err) + QString::number(r.status);
        };

        QCOMPARE(check(), header +
                              "Custorin.Data: PROBLEM: not present in a folder that is set up "
                              "(restore it from a backup unless it never held any records)\n"
                              "User.List: 2 users\n" +
                              logs + "1 problem(s) found.\n1");

        writeFile(d.filePath("Custorin.Data"), ""); // blank records, one more than listed
        QVERIFY(QFile::resize(d.filePath("Custorin.Data"), qint64(32768) * 5000));
        QCOMPARE(check(), header +
                              "Custorin.Data: 32768 records (32768 active, 0 archived)\n"
                              "Custorin.Data: PROBLEM: more than 32,767 records; the program uses "
                              "only the first 32,767\n"
                              "User.List: 2 users\n" +
                              logs + "1 problem(s) found.\n1");

        writeFile(d.filePath("Custorin.Data"), Entries);
        const QString records =
            "Custorin.Data: 3 records (1 active, 2 archived)\nUser.List: 2 users\n";
        QProcess holder;
        holder.start(testTool("lock_holder"),
                     {folder, "20000", "200", "5000", "WS-FRONT", "Lee Carter"});
        QVERIFY(holder.waitForReadyRead(10000));
        QVERIFY(holder.readLine().startsWith("HELD "));
        const QString whileHeld = check();
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(whileHeld, header + records + logs +
                                "Custorin.lock: held right now by Lee Carter at workstation "
                                "'WS-FRONT'\nAll is well.\n0");
        QVERIFY(QDir(d.filePath("Custorin.lock")).removeRecursively());

        // A read-only folder (as root, checked as the account nobody).
        QVERIFY(QFile::setPermissions(base.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
        ProgramRun r;
        if (::geteuid() == 0)
            r = RunProgram("setpriv",
                           {"--reuid=65534", "--regid=65534", "--clear-groups",
                            qEnvironmentVariable("CUSTORIN_APP"), "--data-dir", folder, "--check"},
                           {}, true);
        else
            r = RunCustorin({"--data-dir", folder, "--check"});
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(QString::fromUtf8(r.out) + QString::number(r.status),
                 header +
                     "Data folder: PROBLEM: can not be written to (Permission denied); no change "
                     "can be saved\n" +
                     records + logs + "1 problem(s) found.\n1");
    }
};

QTEST_GUILESS_MAIN(TestAdminCommands)
#include "tst_admincommands.moc"
