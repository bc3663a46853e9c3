// Backup and restore of the data files: the folder checks and questions,
// the copies byte for byte with the logs kept read-only, a copy that fails
// half way or a damaged backup changing nothing, and another workstation
// that appends while a backup runs.
#include "DataSetBytes.h"
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/entries/EntryCheck.h"
#include "core/rules/BackupRestore.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace datasetbytes;

namespace
{

const QByteArray Entries = entryBytes(46000.5, "2026-0001", oleDate(2026, 1, 5), 1) +
                           entryBytes(123, "LEGACY-7", oleDate(1999, 7, 1), 2, oleDate(2001, 2, 3));
const QByteArray Users = userRecordBytes(oleDate(2024, 3, 1), "Pat", "Doe", 4);
const QByteArray SignIns =
    "12/04/2026 at 22:45:32 - Pat Doe signed in w/ Full Access privileges\r\n";
const QByteArray Changes = "12/04/2026 at 22:47:05 - Control#00123 archived by Pat Doe\r\n";
const QByteArray Settings = settingsBytes("County Sheriff");

// The data folder: the data file, the user file, two of the four logs
// (read-only) and the settings.
void writeDataSet(TestEnvironment &env)
{
    writeFile(env.path("Custorin.Data"), Entries);
    writeFile(env.path("User.List"), Users);
    QVERIFY(writeReadOnly(env.path("SignInOut.Log"), SignIns));
    QVERIFY(writeReadOnly(env.path("DataRecords.Log"), Changes));
    writeFile(env.path("Custorin.ini"), Settings);
}

// Name -> bytes of every file in a folder (subfolders left out).
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readFile(QDir(folder).filePath(name)));
    return files;
}

// The window as the procedures see it: its captions and busy changes.
struct Window {
    QString caption = QStringLiteral("Custorin - Data Backup Procedure");
    QStringList captions;
    QList<bool> busy;
    ProcedureWindow procedure()
    {
        ProcedureWindow w;
        w.caption = [this] { return caption; };
        w.setCaption = [this](const QString &c) {
            caption = c;
            captions << c;
        };
        w.setBusy = [this](bool b) { busy << b; };
        return w;
    }
};

QString slashed(const QString &folder)
{
    return folder + QLatin1Char('/');
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT
private slots:
    void backupCopiesTheSetWithTheLogsReadOnly();
    void restoreReplacesWhatTheBackupHolds();
    void foldersRefusedAndQuestionsAsked();
    void copyFailingHalfWayChangesNothing();
    void damagedBackupChangesNothing();
    void appendDuringBackupWaitsAndIsLeftOut();
    void recordFileChecks();
};

void TestBackup::backupCopiesTheSetWithTheLogsReadOnly()
{
    TestEnvironment env;
    writeDataSet(env);
    QTemporaryDir target;
    // An older backup is there; the new one replaces what the data folder
    // holds and leaves the old user-list log (no longer in the data folder).
    writeFile(target.filePath("Custorin.Data"), "old data");
    QVERIFY(writeReadOnly(target.filePath("SignInOut.Log"), "old log\r\n"));
    writeFile(target.filePath("UserList.Log"), "old user log\r\n");

    env.desktop.answerFolder(target.path());
    env.desktop.answerMsgBox(1, false, "Ready to Backup...");
    env.desktop.answerMsgBox(1, false, "Backup Successful");
    Window window;
    QVERIFY(BackupDataFiles(window.procedure()));

    QCOMPARE(env.desktop.folderTitles,
             QStringList{"Select a disk/drive/folder to copy (backup)\r\nyour Custorin data "
                         "files to..."});
    QCOMPARE(env.desktop.msgBoxes.size(), 2);
    const MsgBoxRequest ready = env.desktop.msgBoxes.at(0);
    QCOMPARE(ready.icon, 5);
    QCOMPARE(ready.text, "You have selected:\r\n\r\n'" + slashed(target.path()) +
                             "'\r\n\r\nas your data backup location.\r\n\r\nAre you ready to "
                             "proceed?");
    QCOMPARE(ready.buttons,
             QStringList({"&Yes, Backup the files now", "&No, Cancel backup procedure"}));
    QCOMPARE(ready.defaultButton, 2);
    const MsgBoxRequest done = env.desktop.msgBoxes.at(1);
    QCOMPARE(
        done.text,
        QStringLiteral("Your current Custorin data files\r\nhave been successfully backed up!"));
    QCOMPARE(done.buttons, QStringList{"Thank you, &continue"});

    QCOMPARE(window.captions,
             QStringList({"Copying Custorin.Data...", "Copying User.List...",
                          "Copying SignInOut.Log...", "Copying DataRecords.Log...",
                          "Copying Custorin.ini...", "Custorin - Data Backup Procedure"}));
    QCOMPARE(window.busy, QList<bool>({true, false}));

    const QMap<QString, QByteArray> expected{
        {"Custorin.Data", Entries}, {"User.List", Users},
        {"SignInOut.Log", SignIns}, {"DataRecords.Log", Changes},
        {"Custorin.ini", Settings}, {"UserList.Log", "old user log\r\n"}};
    QCOMPARE(contents(target.path()), expected);
    for (const char *log : {"SignInOut.Log", "DataRecords.Log"}) {
        QVERIFY2(isReadOnly(env.path(log)), log);
        QVERIFY2(isReadOnly(target.filePath(log)), log);
    }
    QVERIFY(!isReadOnly(target.filePath("Custorin.Data")));
    // The data folder is as it was.
    QCOMPARE(readFile(env.path("Custorin.Data")), Entries);
    QCOMPARE(readFile(env.path("SignInOut.Log")), SignIns);
    // The lock is free again for the other workstations.
    FolderLock after;
    QVERIFY(after.tryAcquire());
}

void TestBackup::restoreReplacesWhatTheBackupHolds()
{
    TestEnvironment env;
    writeDataSet(env);
    QTemporaryDir backup;
    const QByteArray oldEntries = entryBytes(45000, "2023-0042", oleDate(2023, 3, 4), 1);
    const QByteArray oldUsers = userRecordBytes(oleDate(2020, 1, 2), "Lee", "Ray", 2) +
                                userRecordBytes(oleDate(2021, 5, 6), "Sam", "Ode", 1);
    const QByteArray oldSignIns = "01/02/2023 at 08:00:00 - Lee Ray signed out\r\n";
    writeFile(backup.filePath("Custorin.Data"), oldEntries);
    writeFile(backup.filePath("User.List"), oldUsers);
    writeFile(backup.filePath("SignInOut.Log"), oldSignIns); // writable in the backup
    const QByteArray oldSettings = settingsBytes("Town Police");
    writeFile(backup.filePath("Custorin.ini"), oldSettings);

    // The folder name typed with a trailing separator is the same folder.
    env.desktop.answerFolder(slashed(backup.path()));
    env.desktop.answerMsgBox(1, false, "Important! Please read carefully...");
    env.desktop.answerMsgBox(1, false, "Backup Successful");
    Window window;
    window.caption = QStringLiteral("Custorin - Data Restoration Procedure");
    QVERIFY(RestoreDataFiles(window.procedure()));

    QCOMPARE(env.desktop.folderTitles,
             QStringList{"Select the disk/drive/folder that contains your\r\npreviously backed "
                         "up Custorin data files\r\nthat you wish to restore..."});
    const MsgBoxRequest confirm = env.desktop.msgBoxes.at(0);
    QCOMPARE(confirm.icon, 5);
    QCOMPARE(confirm.text,
             QStringLiteral("You are about to replace your current data files\r\nwith previously "
                            "made backup data files.\r\n\r\nOnce completed, this action can not "
                            "be undone.\r\n\r\nAre you sure you're ready to continue?"));
    QCOMPARE(confirm.buttons,
             QStringList({"&Yes, Restore the files now", "&No, Cancel restore procedure"}));
    QCOMPARE(confirm.defaultButton, 2);
    QCOMPARE(env.desktop.msgBoxes.at(1).text,
             QStringLiteral("Your previously backed up \r\nCustorin data files\r\nhave been "
                            "successfully restored!"));
    QCOMPARE(window.captions, QStringList({"Restoring Custorin.Data", "Restoring User.List",
                                           "Restoring SignInOut.Log", "Restoring Custorin.ini",
                                           "Custorin - Data Restoration Procedure"}));

    // What the backup holds is back; the log it lacks is as it was.
    const QMap<QString, QByteArray> expected{{"Custorin.Data", oldEntries},
                                             {"User.List", oldUsers},
                                             {"SignInOut.Log", oldSignIns},
                                             {"DataRecords.Log", Changes},
                                             {"Custorin.ini", oldSettings}};
    QMap<QString, QByteArray> now = contents(env.folder());
    now.remove("Custorin.lock");
    QCOMPARE(now, expected);
    QVERIFY(isReadOnly(env.path("SignInOut.Log")));
    QVERIFY(isReadOnly(env.path("DataRecords.Log")));
    // The restored settings name the agency from now on.
    QCOMPARE(AgencyName, QStringLiteral("Town Police"));
}

void TestBackup::foldersRefusedAndQuestionsAsked()
{
    TestEnvironment env;
    writeDataSet(env);
    const QMap<QString, QByteArray> before = contents(env.folder());
    Window window;

    // The data folder itself, in other letters and with a separator.
    const QString upper = slashed(env.folder().toUpper());
    env.desktop.answerFolder(upper);
    env.desktop.answerMsgBox(1, false, "Invalid Procedure");
    QVERIFY(!BackupDataFiles(window.procedure()));
    QCOMPARE(env.desktop.msgBoxes.last().text,
             QStringLiteral("You can not backup Custorin\r\ndata to itself in the same folder!"));
    QCOMPARE(env.desktop.msgBoxes.last().buttons, QStringList{"&Cancel backup procedure"});
    QCOMPARE(env.desktop.msgBoxes.last().icon, 2);
    env.desktop.answerFolder(env.folder() + "/sub/..");
    env.desktop.answerMsgBox(1, false, "Invalid Procedure");
    QDir(env.folder()).mkdir("sub");
    QVERIFY(!RestoreDataFiles(window.procedure()));
    QCOMPARE(env.desktop.msgBoxes.last().text,
             QStringLiteral("You can not restore Custorin\r\ndata to itself in the same folder!"));
    QCOMPARE(env.desktop.msgBoxes.last().buttons, QStringList{"&Cancel restore procedure"});

    // A folder with unrelated files: "Caution", and "No" copies nothing.
    QTemporaryDir other;
    writeFile(other.filePath("notes.txt"), "notes");
    env.desktop.answerFolder(other.path());
    env.desktop.answerMsgBox(2, false, "Caution");
    QVERIFY(!BackupDataFiles(window.procedure()));
    const MsgBoxRequest caution = env.desktop.msgBoxes.last();
    QCOMPARE(caution.icon, 3);
    QCOMPARE(caution.text, "The data backup location you selected:\r\n\r\n'" +
                               slashed(other.path()) +
                               "'\r\n\r\ncontains files that are not related to this "
                               "software!\r\n\r\nAre you sure you still wish to continue with "
                               "this backup?");
    QCOMPARE(caution.buttons, QStringList({"&Yes, Continue", "&No, Cancel backup procedure"}));
    QCOMPARE(caution.defaultButton, 2);
    QCOMPARE(QDir(other.path()).entryList(QDir::Files), QStringList{"notes.txt"});

    // A folder that is not there, for backup and for restore.
    const QString missing = other.filePath("gone");
    env.desktop.answerFolder(missing);
    env.desktop.answerMsgBox(1, false, "Drive or Folder Access Problem");
    QVERIFY(!BackupDataFiles(window.procedure()));
    QCOMPARE(env.desktop.msgBoxes.last().text,
             QStringLiteral("There is some kind of problem trying to\r\naccess the selected "
                            "backup location\r\nthat you specified..."));
    env.desktop.answerFolder(missing);
    env.desktop.answerMsgBox(1, false, "Drive or Folder Access Problem");
    QVERIFY(!RestoreDataFiles(window.procedure()));
    QCOMPARE(env.desktop.msgBoxes.last().text,
             QStringLiteral("There is some kind of problem trying to\r\naccess the backed up "
                            "data file at\r\nthe location that you specified..."));

    // A restore folder without the data file.
    env.desktop.answerFolder(other.path());
    env.desktop.answerMsgBox(1, false, "Required file(s) missing");
    QVERIFY(!RestoreDataFiles(window.procedure()));
    QCOMPARE(env.desktop.msgBoxes.last().text,
             "'" + slashed(other.path()) +
                 "'\r\n\r\ndoesn't appear to contain previously saved\r\nbackup data file(s) "
                 "that you need to restore\r\nyour Custorin data.");
    QCOMPARE(env.desktop.msgBoxes.last().icon, 4);

    // Cancelled chooser, "No" to the restore question: nothing asked or done.
    const int boxes = int(env.desktop.msgBoxes.size());
    env.desktop.answerFolder(std::nullopt);
    QVERIFY(!BackupDataFiles(window.procedure()));
    QCOMPARE(env.desktop.msgBoxes.size(), boxes);
    QTemporaryDir backup;
    writeFile(backup.filePath("Custorin.Data"), entryBytes(1, "X", 0, 1));
    env.desktop.answerFolder(backup.path());
    env.desktop.answerMsgBox(2, false, "Important! Please read carefully...");
    QVERIFY(!RestoreDataFiles(window.procedure()));

    QCOMPARE(window.captions, QStringList());
    QCOMPARE(window.busy, QList<bool>());
    QDir(env.folder()).rmdir("sub");
    QCOMPARE(contents(env.folder()), before);
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestBackup::copyFailingHalfWayChangesNothing()
{
    // Backup: the data file and the user file are copied, then the
    // sign-in log can not be (a folder stands where its work file goes).
    {
        TestEnvironment env;
        writeDataSet(env);
        QTemporaryDir target;
        writeFile(target.filePath("Custorin.Data"), "older good backup");
        writeFile(target.filePath("User.List"), "older users");
        QVERIFY(QDir(target.path()).mkdir("SignInOut.Log.$$$"));
        env.desktop.answerFolder(target.path());
        env.desktop.answerMsgBox(1, false, "Ready to Backup...");
        env.desktop.answerMsgBox(1, false, "File Backup Error");
        Window window;
        QVERIFY(!BackupDataFiles(window.procedure()));
        const MsgBoxRequest error = env.desktop.msgBoxes.last();
        QCOMPARE(error.icon, 4);
        QCOMPARE(error.text, QStringLiteral("There is some kind of problem\r\ntrying to copy "
                                            "SignInOut.Log\r\n\r\nNo file in the backup location "
                                            "has been changed."));
        QCOMPARE(error.buttons, QStringList{"&Cancel backup procedure"});
        QCOMPARE(window.captions,
                 QStringList({"Copying Custorin.Data...", "Copying User.List...",
                              "Copying SignInOut.Log...", "Custorin - Data Backup Procedure"}));
        const QMap<QString, QByteArray> older{{"Custorin.Data", "older good backup"},
                                              {"User.List", "older users"}};
        QCOMPARE(contents(target.path()), older);
        QCOMPARE(readFile(env.path("Custorin.Data")), Entries);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
    // Restore: the same in the data folder, at the user file.
    {
        TestEnvironment env;
        writeDataSet(env);
        QVERIFY(QDir(env.folder()).mkdir("User.List.$$$"));
        QTemporaryDir backup;
        writeFile(backup.filePath("Custorin.Data"), entryBytes(45000, "B-1", 45000, 1));
        writeFile(backup.filePath("User.List"), userRecordBytes(45000, "Lee", "Ray", 2));
        env.desktop.answerFolder(backup.path());
        env.desktop.answerMsgBox(1, false, "Important! Please read carefully...");
        env.desktop.answerMsgBox(1, false, "File Restore Error");
        Window window;
        QVERIFY(!RestoreDataFiles(window.procedure()));
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("There is some kind of problem\r\ntrying to restore "
                                "User.List\r\n\r\nYour current data files have not been "
                                "changed."));
        QCOMPARE(env.desktop.msgBoxes.last().buttons, QStringList{"&Cancel restore procedure"});
        QMap<QString, QByteArray> now = contents(env.folder());
        now.remove("Custorin.lock");
        const QMap<QString, QByteArray> current{{"Custorin.Data", Entries},
                                                {"User.List", Users},
                                                {"SignInOut.Log", SignIns},
                                                {"DataRecords.Log", Changes},
                                                {"Custorin.ini", Settings}};
        QCOMPARE(now, current);
    }
}

void TestBackup::damagedBackupChangesNothing()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QByteArray good = entryBytes(45000, "B-1", 45000, 1);
    struct Case {
        const char *name;
        QByteArray data;
        QByteArray users;
        QByteArray settings;
        QString reason;
    };
    const QList<Case> cases{
        {"data file cut short",
         good + good.left(10),
         {},
         {},
         "Custorin.Data is not a whole number of records (5010 bytes)."},
        {"a date that is no date",
         good + entryBytes(45001, "B-2", nan, 1),
         {},
         {},
         "Record 2 of Custorin.Data can not be read."},
        {"a control number beyond any date",
         entryBytes(1e300, "B-1", 45000, 1),
         {},
         {},
         "Record 1 of Custorin.Data can not be read."},
        {"a user with access level 9",
         good,
         userRecordBytes(45000, "Lee", "Ray", 2) + userRecordBytes(45000, "Sam", "Ode", 9),
         {},
         "Record 2 of User.List can not be read."},
        {"user file cut short",
         good,
         userRecordBytes(45000, "Lee", "Ray", 2).left(499),
         {},
         "User.List is not a whole number of records (499 bytes)."},
        {"settings without a key",
         good,
         {},
         "[Installation]\nAgencyName=Town\n",
         "Custorin.ini is damaged or incomplete."},
    };
    for (const Case &c : cases) {
        TestEnvironment env;
        writeDataSet(env);
        QTemporaryDir backup;
        writeFile(backup.filePath("Custorin.Data"), c.data);
        if (!c.users.isNull())
            writeFile(backup.filePath("User.List"), c.users);
        if (!c.settings.isNull())
            writeFile(backup.filePath("Custorin.ini"), c.settings);
        writeFile(backup.filePath("Search.Log"), "x searched for 'y'\r\n");
        env.desktop.answerFolder(backup.path());
        env.desktop.answerMsgBox(1, false, "Important! Please read carefully...");
        env.desktop.answerMsgBox(1, false, "Backup can not be restored");
        Window window;
        QVERIFY2(!RestoreDataFiles(window.procedure()), c.name);
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 "The backed up data files at\r\n'" + slashed(backup.path()) +
                     "'\r\nare damaged:\r\n\r\n" + c.reason +
                     "\r\n\r\nYour current data files have not been changed.");
        QMap<QString, QByteArray> now = contents(env.folder());
        now.remove("Custorin.lock");
        const QMap<QString, QByteArray> current{{"Custorin.Data", Entries},
                                                {"User.List", Users},
                                                {"SignInOut.Log", SignIns},
                                                {"DataRecords.Log", Changes},
                                                {"Custorin.ini", Settings}};
        QVERIFY2(now == current, c.name);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
}

void TestBackup::appendDuringBackupWaitsAndIsLeftOut()
{
    TestEnvironment env;
    writeDataSet(env);
    const QByteArray entriesBefore = readFile(env.path("Custorin.Data"));
    const QByteArray logBefore = readFile(env.path("DataRecords.Log"));
    QTemporaryDir target;
    QProcess worker;
    const QString tool = QDir(qEnvironmentVariable("CUSTORIN_TOOLS_DIR")).filePath("store_worker");

    FolderLock lock;
    QVERIFY(lock.acquire());
    const CopyOutcome outcome =
        CopyFileSet(lock, env.folder(), target.path(), BackupFileList(), [&](const QString &file) {
            if (file != QLatin1String("Custorin.Data"))
                return;
            // Another workstation adds an entry (and its log line) while the
            // backup is under way: it has to wait for the lock.
            worker.start(tool, {"append", env.folder(), "late", "1"});
            QVERIFY(worker.waitForStarted());
            QVERIFY(!worker.waitForFinished(700));
        });
    QVERIFY(outcome.ok);
    lock.release();
    QVERIFY(worker.waitForFinished(20000));
    QCOMPARE(worker.readAllStandardOutput(), QByteArray("ADDED late-0\n"));

    // The entry and its line came after the backup: neither is in it.
    QCOMPARE(readFile(target.filePath("Custorin.Data")), entriesBefore);
    QCOMPARE(readFile(target.filePath("DataRecords.Log")), logBefore);
    const QByteArray entriesAfter = readFile(env.path("Custorin.Data"));
    const QByteArray logAfter = readFile(env.path("DataRecords.Log"));
    QCOMPARE(entriesAfter.size(), entriesBefore.size() + 5000);
    QCOMPARE(entriesAfter.mid(entriesBefore.size() + 10, 15), QByteArray("late-0         "));
    QVERIFY(logAfter.startsWith(logBefore));
    QVERIFY(logAfter.mid(logBefore.size()).endsWith(" added by late\r\n"));
    QCOMPARE(logAfter.count('\n'), logBefore.count('\n') + 1);

    // A backup taken now has both.
    QVERIFY(lock.acquire());
    QVERIFY(CopyFileSet(lock, env.folder(), target.path(), BackupFileList()).ok);
    QCOMPARE(readFile(target.filePath("Custorin.Data")), entriesAfter);
    QCOMPARE(readFile(target.filePath("DataRecords.Log")), logAfter);
}

void TestBackup::recordFileChecks()
{
    QTemporaryDir dir;
    const QString data = dir.filePath("Custorin.Data");
    const double inf = std::numeric_limits<double>::infinity();
    QByteArray killed = entryBytes(45000, "$Killed$", 45000, 1);
    writeFile(data, entryBytes(45000.25, "A", oleDate(2020, 1, 1), 1) +
                        entryBytes(7, "B", oleDate(1850, 1, 1), 2) +
                        entryBytes(oleDate(2238, 1, 3), "C", 0, 2) +
                        entryBytes(45000, "D", 45000, 1, inf) + killed +
                        entryBytes(45000, "E", 45000, 0));
    RecordFileCheck c = CheckEntryFile(data);
    QVERIFY(c.exists && c.readable && c.whole());
    QCOMPARE(c.records, 6);
    QCOMPARE(c.undecodable, QVector<int>{4});
    QCOMPARE(c.datesOutOfRange, QVector<int>({2, 3}));
    QCOMPARE(c.active, 2);
    QCOMPARE(c.archived, 2);
    QCOMPARE(c.killed, 1);
    QVERIFY(!c.sound());
    QVERIFY(!CheckEntryFile(dir.filePath("none")).exists);
    QVERIFY(CheckEntryFile(dir.filePath("none")).records == 0);

    const QString users = dir.filePath("User.List");
    writeFile(users, userRecordBytes(oleDate(2024, 1, 1), "A", "B", 1) +
                         userRecordBytes(oleDate(2200, 1, 1), "C", "D", 4) +
                         userRecordBytes(oleDate(2024, 1, 1), "$Killed$", "E", 0) +
                         userRecordBytes(oleDate(2024, 1, 1), "F", "G", 0));
    c = CheckUserFile(users);
    QCOMPARE(c.records, 4);
    QCOMPARE(c.undecodable, QVector<int>{4});
    QCOMPARE(c.datesOutOfRange, QVector<int>{2});
    QCOMPARE(c.killed, 1);
    writeFile(users, userRecordBytes(oleDate(2024, 1, 1), "A", "B", 1) + "xyz");
    c = CheckUserFile(users);
    QVERIFY(!c.whole() && !c.sound());
    QCOMPARE(c.records, 1);
}

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
