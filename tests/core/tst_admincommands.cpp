// Administration from the command line, run as separate processes of the
// built program: the dated backup and its rotation, the refusals, and the
// read-only check, each with its exit status and exact report.
#include "DataSetBytes.h"
#include "RunProgram.h"
#include "TestFolder.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

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
            writeFile(t.filePath(QString(old) + "/Custorin.Data"), "old");
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
        QCOMPARE(folderFiles(folder), folderFiles(data.path())); // the data set written above
        QVERIFY(isReadOnly(QDir(folder).filePath("SignInOut.Log")));
        // The newest two remain; what is not a backup folder is never touched.
        QCOMPARE(t.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"Custorin-2018-01-01-0000", "Custorin-2021-06-30-2359", made,
                              "Custorin-notes"}));
        QCOMPARE(readFile(t.filePath("Custorin-2021-06-30-2359/Custorin.Data")), QByteArray("old"));
        // No lock or work file is left in the data folder.
        QCOMPARE(QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 4);
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

        // A damaged data file is backed up but pushes no older backup out.
        writeFile(QDir(data.path()).filePath("Custorin.Data"), Entries + "xx");
        r = RunCustorin({"--data-dir", data.path(), "--backup", target.path(), "--keep", "1"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("is not usable: Custorin.Data is not a whole number of records "
                                "(15002 bytes).\ncustorin: The data folder itself needs attention "
                                "(see --check). Older backups are untouched.\n"),
                 r.err.constData());
        QVERIFY(QFileInfo(t.filePath("Custorin-2020-01-01-0000")).isDir());
        QCOMPARE(t.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 2);
    }

    void checkReportsAndChangesNothing()
    {
        QTemporaryDir data;
        writeDataSet(data.path());
        const QDir d(data.path());
        const QString header = "Data folder: " + data.path() + "\n";

        const QMap<QString, QByteArray> before = folderFiles(data.path());
        ProgramRun r = RunCustorin({"--data-dir", data.path(), "--check"});
        QCOMPARE(r.err + QByteArray::number(r.status), QByteArray("0"));
        QCOMPARE(QString::fromUtf8(r.out), header +
                                               "Custorin.Data: 3 records (1 active, 2 archived)\n"
                                               "User.List: 2 users\n"
                                               "SignInOut.Log: 2 lines\n"
                                               "UserList.Log: not present\n"
                                               "DataRecords.Log: not present\n"
                                               "Search.Log: not present\n"
                                               "Custorin.ini: set up\n"
                                               "All is well.\n");
        QCOMPARE(folderFiles(data.path()), before);

        // Everything that can be wrong at once.
        writeFile(d.filePath("Custorin.Data"),
                  Entries + entryBytes(std::nan(""), "X", 0, 1) +
                      entryBytes(46002, "Y", oleDate(1801, 1, 1), 1) +
                      entryBytes(46003, "V", oleDate(2099, 12, 31), 1) +
                      entryBytes(46004, "W", oleDate(2100, 1, 1), 1) + "tail");
        writeFile(d.filePath("User.List"),
                  Users + userRecordBytes(oleDate(2024, 1, 1), "$Killed$", "Z", 2));
        QFile::setPermissions(d.filePath("SignInOut.Log"), QFile::ReadOwner | QFile::WriteOwner);
        writeFile(d.filePath("Custorin.ini"), "[Installation]\nAgencyName=x\n");
        writeFile(d.filePath("TempFile.$$$"), "half a compaction");
        QTemporaryDir outside;
        writeFile(outside.filePath("mine"), "one line\n");
        QVERIFY(QFile::setPermissions(outside.filePath("mine"), QFile::ReadOwner));
        QVERIFY(QFile::link(outside.filePath("mine"), d.filePath("Search.Log")));
        const QMap<QString, QByteArray> damaged = folderFiles(data.path());
        r = RunCustorin({"--data-dir", data.path(), "--check"});
        QCOMPARE(r.status, 1);
        QCOMPARE(QString::fromUtf8(r.out),
                 header + "Custorin.Data: 7 records (4 active, 2 archived)\n"
                          "Custorin.Data: PROBLEM: 35004 bytes is not a whole number of 5000-byte "
                          "records\n"
                          "Custorin.Data: PROBLEM: records that do not decode: 4\n"
                          "Custorin.Data: PROBLEM: records with a date before 1900 or after 2099: "
                          "5, 7\n"
                          "User.List: 3 users\n"
                          "User.List: PROBLEM: 1 record(s) left half deleted by an interrupted "
                          "deletion\n"
                          "SignInOut.Log: 2 lines\n"
                          "SignInOut.Log: PROBLEM: not read-only (the next entry in it makes it "
                          "read-only again)\n"
                          "UserList.Log: not present\n"
                          "DataRecords.Log: not present\n"
                          "Search.Log: 1 lines\n"
                          "Custorin.ini: PROBLEM: damaged or incomplete\n"
                          "TempFile.$$$: PROBLEM: a work file left by an interrupted run\n"
                          "Search.Log: PROBLEM: a symbolic link, never opened\n"
                          "8 problem(s) found.\n");
        QCOMPARE(folderFiles(data.path()), damaged);
        QVERIFY(!isReadOnly(d.filePath("SignInOut.Log")));
    }
};

QTEST_GUILESS_MAIN(TestAdminCommands)
#include "tst_admincommands.moc"
