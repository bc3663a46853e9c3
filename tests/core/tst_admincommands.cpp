// Administration from the command line, run as separate processes of the
// built program: the dated backup and its rotation, the refusals, and the
// read-only check, each with its exit status and exact report.
#include "DataSetBytes.h"
#include "RunProgram.h"
#include "TestFolder.h"
#include "core/common/FileOps.h"
#include "core/common/Startup.h"
#include "core/rules/AdminCommands.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <climits>
#include <fcntl.h>
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

// An entry with its value (ten-thousandths at offset 215) set.
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

        const QDateTime before = QDateTime::currentDateTime();
        const ProgramRun r =
            RunCustorin({"--data-dir", data.path(), "--backup", target.path(), "--keep", "2"});
        QCOMPARE(r.err + QByteArray::number(r.status), QByteArray("0"));

        // The new folder is named by the minute the backup was taken.
        const QRegularExpression dated("^Custorin-\\d{4}-\\d{2}-\\d{2}-\\d{4}$");
        QString made;
        for (const QString &name : t.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (dated.match(name).hasMatch() && name > QLatin1String("Custorin-2022"))
                made = name;
        }
        const QDateTime stamp = QDateTime::fromString(made.mid(9), "yyyy-MM-dd-HHmm");
        QVERIFY2(stamp.secsTo(before) < 60 && stamp <= QDateTime::currentDateTime(),
                 qPrintable(made));

        const QString folder = t.filePath(made);
        QCOMPARE(r.out,
                 ("Backed up Custorin.Data, User.List, SignInOut.Log, Custorin.ini to " + folder +
                  "\nRemoved the older backup " + t.filePath("Custorin-2020-01-01-0000") +
                  "\nRemoved the older backup " + t.filePath("Custorin-2019-12-31-2359") + "\n")
                     .toUtf8());
        QMap<QString, QByteArray> written = folderFiles(data.path());
        QVERIFY(written.remove("UserList.Log")); // the trail's line comes after the copy
        QCOMPARE(folderFiles(folder), written);
        QVERIFY(isReadOnly(QDir(folder).filePath("SignInOut.Log")));
        // The newest two remain; what is not a backup folder is never touched.
        QCOMPARE(t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"Custorin-2018-01-01-0000", "Custorin-2021-06-30-2359", made,
                              "Custorin-notes"}));
        QCOMPARE(readFile(t.filePath("Custorin-2021-06-30-2359/Custorin.Data")),
                 Entries.left(5000));
        // No lock or work file is left in the data folder; the trail has
        // the backup.
        QCOMPARE(QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"Custorin.Data", "Custorin.ini", "SignInOut.Log", "User.List",
                              "UserList.Log"}));
    }

    void backupRefusals()
    {
        QTemporaryDir data, target;
        writeDataSet(data.path());
        const QDir t(target.path());
        QVERIFY(t.mkdir("Custorin-2020-01-01-0000"));

        // A backup folder that is not there (an unmounted drive, say).
        const QString gone = t.filePath("usb");
        ProgramRun r = RunCustorin({"--data-dir", data.path(), "--backup", gone});
        QCOMPARE(r.out + r.err + QByteArray::number(r.status),
                 ("custorin: the backup folder does not exist: " + gone +
                  "\ncustorin: No backup was made.\n1")
                     .toUtf8());

        // A link in a log's place: the file it points at is never copied.
        QTemporaryDir outside;
        writeFile(outside.filePath("mine"), "not for the backup\n");
        const QString link = QDir(data.path()).filePath("Search.Log");
        QVERIFY(QFile::link(outside.filePath("mine"), link));
        r = RunCustorin({"--data-dir", data.path(), "--backup", target.path()});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.endsWith(": it is a symbolic link\ncustorin: No backup was made; older "
                                "backups are untouched.\n"),
                 r.err.constData());
        QCOMPARE(t.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
        QVERIFY(QFile::remove(link));

        // A damaged data file is refused: no backup is left behind, and none
        // older is pushed out.
        writeFile(QDir(data.path()).filePath("Custorin.Data"), Entries + "xx");
        r = RunCustorin({"--data-dir", data.path(), "--backup", target.path(), "--keep", "1"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("is not usable: Custorin.Data is not a whole number of records "
                                "(15002 bytes).\ncustorin: The data folder itself needs attention "
                                "(see --check). Older backups are untouched.\n"),
                 r.err.constData());
        QCOMPARE(t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"Custorin-2020-01-01-0000"});
    }

    // Run in this process with the clock of the test: several runs in one
    // minute, damaged data, a full disk.
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
            return RunAdminCommand(o, out, err);
        };
        const auto folders = [&] { return t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot); };
        QString out, err;
        QCOMPARE(backup(0, &out, &err), 0);
        env.desktop.advance(60);
        QCOMPARE(backup(0, &out, &err), 0);
        QMap<QString, QByteArray> copied = folderFiles(t.filePath("Custorin-2026-12-04-2249"));
        QMap<QString, QByteArray> data = folderFiles(env.folder());
        copied.remove("UserList.Log"); // the trail has a line more since
        data.remove("UserList.Log");
        QCOMPARE(copied, data);
        // A damaged backup left by an older release, newest of all.
        QVERIFY(t.mkdir("Custorin-2026-12-04-2300"));
        writeFile(t.filePath("Custorin-2026-12-04-2300/Custorin.Data"), Entries.left(7000));
        const QStringList before = folders();

        // A truncated data file: refused, nothing under any backup name.
        env.desktop.advance(60);
        env.write("Custorin.Data", Entries.left(7000));
        QCOMPARE(backup(2, &out, &err), 1);
        QCOMPARE(err, "the backup in " + t.filePath("Custorin-2026-12-04-2250") +
                          " is not usable: Custorin.Data is not a whole number of records (7000 "
                          "bytes).\nThe data folder itself needs attention (see --check). Older "
                          "backups are untouched.\n");
        QCOMPARE(folders(), before);

        // Repaired: the two newest whole backups remain; the damaged one is
        // not counted.
        env.write("Custorin.Data", Entries);
        QCOMPARE(backup(2, &out, &err), 0);
        QCOMPARE(out, "Backed up Custorin.Data, User.List, SignInOut.Log, UserList.Log, "
                      "Custorin.ini to " +
                          t.filePath("Custorin-2026-12-04-2250") + "\nRemoved the older backup " +
                          t.filePath("Custorin-2026-12-04-2248") + "\n");
        QCOMPARE(folders(), QStringList({"Custorin-2026-12-04-2249", "Custorin-2026-12-04-2250",
                                         "Custorin-2026-12-04-2300"}));

        // Damaged again in the same minute: that minute's backup stays whole.
        const QMap<QString, QByteArray> good = folderFiles(t.filePath("Custorin-2026-12-04-2250"));
        QCOMPARE(good.value("Custorin.Data"), Entries);
        env.write("Custorin.Data", Entries + "x");
        QCOMPARE(backup(2, &out, &err), 1);
        QCOMPARE(folderFiles(t.filePath("Custorin-2026-12-04-2250")), good);
        // A full disk: the reason, and no folder left behind.
        env.write("Custorin.Data", Entries);
        env.desktop.advance(60);
        SetFileFaultHook([](FileOp op, const QString &path) {
            return op == FileOp::Write && path.endsWith("/User.List.$$$") ? ENOSPC : 0;
        });
        const int full = backup(2, &out, &err);
        SetFileFaultHook({});
        QCOMPARE(full, 1);
        QCOMPARE(err, "User.List could not be copied into " +
                          t.filePath("Custorin-2026-12-04-2251") +
                          ": No space left on device\nNo backup was made; older backups are "
                          "untouched.\n");
        QCOMPARE(folders(), QStringList({"Custorin-2026-12-04-2249", "Custorin-2026-12-04-2250",
                                         "Custorin-2026-12-04-2300"}));
        // Each complete backup is a line of the trail.
        const QByteArray trail = env.read("UserList.Log");
        QCOMPARE(trail.count("\r\n"), 3);
        QVERIFY2(trail.contains("12/04/2026 at 22:50:10 - Data files backed up to '" +
                                t.filePath("Custorin-2026-12-04-2250").toUtf8() + "' by account '"),
                 trail.constData());
    }

    void checkReportsAndChangesNothing()
    {
        QTemporaryDir data;
        writeDataSet(data.path());
        const QDir d(data.path());
        const QString header = "Data folder: " + data.path() + "\n";

        QVERIFY(writeReadOnly(d.filePath("DataRecords.Log"),
                              "12/04/2026 at 22:47:05 - Control#00123 archived by Pat Doe\r\n"));
        const QMap<QString, QByteArray> before = folderFiles(data.path());
        ProgramRun r = RunCustorin({"--data-dir", data.path(), "--check"});
        QCOMPARE(r.err + QByteArray::number(r.status), QByteArray("0"));
        QCOMPARE(QString::fromUtf8(r.out), header +
                                               "Custorin.Data: 3 records (1 active, 2 archived)\n"
                                               "User.List: 2 users\n"
                                               "SignInOut.Log: 2 lines\n"
                                               "UserList.Log: not present\n"
                                               "DataRecords.Log: 1 line\n"
                                               "Search.Log: not present\n"
                                               "Custorin.ini: set up\n"
                                               "All is well.\n");
        QCOMPARE(folderFiles(data.path()), before);

        // Everything that can be wrong at once.
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
        // A lock whose holder stopped, and one a taker moved aside and left.
        QVERIFY(d.mkdir("Custorin.lock") && d.mkdir("Custorin.lock.0f3a.stale"));
        writeFile(d.filePath("Custorin.lock/owner"), "token=0f3a\nhost=WS-GONE\nuser=Lee Carter\n");
        writeFile(d.filePath("Custorin.lock/beat"), "00000000000000000007\n");
        QTemporaryDir outside;
        writeFile(outside.filePath("mine"), "one line\n");
        QVERIFY(QFile::setPermissions(outside.filePath("mine"), QFile::ReadOwner));
        QVERIFY(QFile::link(outside.filePath("mine"), d.filePath("Search.Log")));
        const QMap<QString, QByteArray> damaged = folderFiles(data.path());
        r = RunCustorin({"--data-dir", data.path(), "--check"});
        QCOMPARE(r.status, 1);
        QCOMPARE(QString::fromUtf8(r.out),
                 header + "Custorin.Data: 10 records (7 active, 2 archived)\n"
                          "Custorin.Data: PROBLEM: 50004 bytes is not a whole number of 5000-byte "
                          "records\n"
                          "Custorin.Data: PROBLEM: records that do not decode: 4\n"
                          "Custorin.Data: PROBLEM: records with a date before 1900 or after 2099: "
                          "5, 7\n"
                          "Custorin.Data: PROBLEM: records whose value is out of range or does "
                          "not decode: 8, 9\n"
                          "User.List: 3 users\n"
                          "User.List: PROBLEM: 1 record(s) left half deleted by an interrupted "
                          "deletion\n"
                          "SignInOut.Log: 2 lines\n"
                          "SignInOut.Log: PROBLEM: not read-only (the next entry in it makes it "
                          "read-only again)\n"
                          "UserList.Log: not present\n"
                          "DataRecords.Log: 1 line\n"
                          "Search.Log: 1 line\n"
                          "Custorin.ini: PROBLEM: damaged or incomplete\n"
                          "TempFile.$$$: PROBLEM: a work file left by an interrupted run\n"
                          "User.List.$$$: PROBLEM: a folder stands where a work file goes, so the "
                          "changes that need it fail\n"
                          "Custorin.lock: PROBLEM: a lock left behind by Lee Carter at "
                          "workstation 'WS-GONE' (its holder stopped)\n"
                          "Custorin.lock.0f3a.stale: PROBLEM: a stale lock moved aside and left "
                          "behind\n"
                          "Search.Log: PROBLEM: a symbolic link, never opened\n"
                          "12 problem(s) found.\n");
        QCOMPARE(folderFiles(data.path()), damaged);
        QCOMPARE(readFile(d.filePath("Custorin.lock/beat")), QByteArray("00000000000000000007\n"));
        QVERIFY(!isReadOnly(d.filePath("SignInOut.Log")));
    }

    // What keeps the program from working though every record reads.
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
            return QString::fromUtf8(r.out) + QString::number(r.status);
        };

        // The data file is gone from a folder in use.
        QCOMPARE(check(), header +
                              "Custorin.Data: PROBLEM: not present in a folder that is set up "
                              "(restore it from a backup unless it never held any records)\n"
                              "User.List: 2 users\n" +
                              logs + "1 problem(s) found.\n1");

        // One record more than the program can list (a sparse file of blank
        // records).
        {
            QFile f(d.filePath("Custorin.Data"));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(32768) * 5000));
        }
        QCOMPARE(check(), header +
                              "Custorin.Data: 32768 records (32768 active, 0 archived)\n"
                              "Custorin.Data: PROBLEM: more than 32,767 records; the program uses "
                              "only the first 32,767\n"
                              "User.List: 2 users\n" +
                              logs + "1 problem(s) found.\n1");

        // A live holder of the lock is named, not a problem.
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
        QVERIFY(d.rmdir("Custorin.lock") ||
                (QDir(d.filePath("Custorin.lock")).removeRecursively()));

        // A folder the program may not write to (as root, the check runs as
        // the account nobody, for whom it is read-only too).
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
