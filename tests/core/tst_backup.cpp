// Backup and restore of the data files: the folder checks and questions,
// the copies byte for byte with the logs kept read-only, failed copies and
// damaged backups changing nothing, and an append while a backup runs.
#include "BoxText.h"
#include "DataSetBytes.h"
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "core/entries/EntryCheck.h"
#include "core/rules/BackupRestore.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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
const QMap<QString, QByteArray> DataSet{{"Custorin.Data", Entries},
                                        {"User.List", Users},
                                        {"SignInOut.Log", SignIns},
                                        {"DataRecords.Log", Changes},
                                        {"Custorin.ini", Settings}};

// The data folder: the data file, the user file, two of the four logs
// (read-only) and the settings.
void writeDataSet(TestFolder &env)
{
    for (auto it = DataSet.begin(); it != DataSet.end(); ++it) {
        if (it.key().endsWith(".Log"))
            QVERIFY(writeReadOnly(env.path(it.key()), it.value()));
        else
            env.write(it.key(), it.value());
    }
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
        w.setCaption = [this](const QString &c) { captions << (caption = c); };
        w.setBusy = [this](bool b) { busy << b; };
        return w;
    }
};

QString slashed(const QString &folder)
{
    return folder + QLatin1Char('/');
}

const QString RestoreQuestion =
    "Important! Please read carefully... | You are about to replace your current data "
    "files\r\nwith previously made backup data files.\r\n\r\nOnce completed, this action can "
    "not be undone.\r\n\r\nAre you sure you're ready to continue? | &Yes, Restore the files "
    "now, &No, Cancel restore procedure | 5 2 0";

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT
private slots:
    void backupCopiesTheSetWithTheLogsReadOnly()
    {
        TestFolder env;
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

        QCOMPARE(env.desktop.folderTitles, QStringList{"Select a disk/drive/folder to copy (backup)"
                                                       "\r\nyour Custorin data files to..."});
        QCOMPARE(boxTexts(env.desktop.msgBoxes),
                 QStringList({"Ready to Backup... | You have selected:\r\n\r\n'" +
                                  slashed(target.path()) +
                                  "'\r\n\r\nas your data backup location.\r\n\r\nAre you ready "
                                  "to proceed? | &Yes, Backup the files now, &No, Cancel backup "
                                  "procedure | 5 2 0",
                              "Backup Successful | Your current Custorin data files\r\nhave been "
                              "successfully backed up! | Thank you, &continue | 5 1 0"}));
        QCOMPARE(window.captions,
                 QStringList({"Copying Custorin.Data...", "Copying User.List...",
                              "Copying SignInOut.Log...", "Copying DataRecords.Log...",
                              "Copying Custorin.ini...", "Custorin - Data Backup Procedure"}));
        QCOMPARE(window.busy, QList<bool>({true, false}));
        QMap<QString, QByteArray> expected = DataSet;
        expected.insert("UserList.Log", "old user log\r\n");
        QCOMPARE(folderFiles(target.path()), expected);
        for (const char *log : {"SignInOut.Log", "DataRecords.Log"})
            QVERIFY2(isReadOnly(env.path(log)) && isReadOnly(target.filePath(log)), log);
        QVERIFY(!isReadOnly(target.filePath("Custorin.Data")));
        QCOMPARE(folderFiles(env.folder()), DataSet);
        FolderLock after; // free again for the other workstations
        QVERIFY(after.tryAcquire());
    }

    void restoreReplacesWhatTheBackupHolds()
    {
        TestFolder env;
        writeDataSet(env);
        QTemporaryDir backup;
        const QMap<QString, QByteArray> old{
            {"Custorin.Data", entryBytes(45000, "2023-0042", oleDate(2023, 3, 4), 1)},
            {"User.List", userRecordBytes(oleDate(2020, 1, 2), "Lee", "Ray", 2) +
                              userRecordBytes(oleDate(2021, 5, 6), "Sam", "Ode", 1)},
            {"SignInOut.Log", "01/02/2023 at 08:00:00 - Lee Ray signed out\r\n"}, // writable
            {"Custorin.ini", settingsBytes("Town Police")}};
        for (auto it = old.begin(); it != old.end(); ++it)
            writeFile(backup.filePath(it.key()), it.value());
        // An older release left the user file and the settings readable by
        // others; restored, they are not.
        const auto ownerRw = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        for (const char *name : {"User.List", "Custorin.ini"})
            QVERIFY(QFile::setPermissions(backup.filePath(name), ownerRw | QFile::ReadOther));
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
        QCOMPARE(boxTexts(env.desktop.msgBoxes),
                 QStringList({RestoreQuestion,
                              "Backup Successful | Your previously backed up \r\nCustorin data "
                              "files\r\nhave been successfully restored! | Thank you, &continue | "
                              "5 1 0"}));
        QCOMPARE(window.captions, QStringList({"Restoring Custorin.Data", "Restoring User.List",
                                               "Restoring SignInOut.Log", "Restoring Custorin.ini",
                                               "Custorin - Data Restoration Procedure"}));
        // What the backup holds is back; the log it lacks is as it was.
        QMap<QString, QByteArray> expected = old;
        expected.insert("DataRecords.Log", Changes);
        QCOMPARE(folderFiles(env.folder()), expected);
        QVERIFY(isReadOnly(env.path("SignInOut.Log")) && isReadOnly(env.path("DataRecords.Log")));
        for (const char *name : {"User.List", "Custorin.ini"})
            QCOMPARE(QFile::permissions(env.path(name)) & 0x7077, ownerRw);
        QCOMPARE(AgencyName, QStringLiteral("Town Police")); // the restored settings count
    }

    void foldersRefusedAndQuestionsAsked()
    {
        TestFolder env;
        writeDataSet(env);
        Window window;
        const auto backup = [&](const QString &folder, int answer) {
            env.desktop.answerFolder(folder);
            env.desktop.answerMsgBox(answer);
            QVERIFY(!BackupDataFiles(window.procedure()));
        };
        const auto restore = [&](const QString &folder, int answer) {
            env.desktop.answerFolder(folder);
            env.desktop.answerMsgBox(answer);
            QVERIFY(!RestoreDataFiles(window.procedure()));
        };
        QTemporaryDir other, good;
        writeFile(other.filePath("notes.txt"), "notes");
        writeFile(good.filePath("Custorin.Data"), entryBytes(1, "X", 0, 1));
        // The data folder itself, in other letters and with a separator.
        backup(slashed(env.folder().toUpper()), 1);
        backup(other.path(), 2); // a folder with unrelated files: "No"
        backup(other.filePath("gone"), 1);
        restore(other.path(), 1); // no data file there
        restore(good.path(), 2);  // "No" to the question
        env.desktop.answerFolder(std::nullopt);
        QVERIFY(!BackupDataFiles(window.procedure())); // the chooser cancelled: nothing asked
        const QString backupEnd = " | &Cancel backup procedure | ";
        const QString restoreEnd = " | &Cancel restore procedure | ";
        QCOMPARE(
            boxTexts(env.desktop.msgBoxes),
            QStringList(
                {"Invalid Procedure | You can not backup Custorin\r\ndata to itself in the same "
                 "folder!" +
                     backupEnd + "2 1 0",
                 "Caution | The data backup location you selected:\r\n\r\n'" +
                     slashed(other.path()) +
                     "'\r\n\r\ncontains files that are not related to this software!\r\n\r\nAre "
                     "you sure you still wish to continue with this backup? | &Yes, Continue, &No, "
                     "Cancel backup procedure | 3 2 0",
                 "Drive or Folder Access Problem | There is some kind of problem trying "
                 "to\r\naccess "
                 "the selected backup location\r\nthat you specified..." +
                     backupEnd + "4 1 0",
                 "Required file(s) missing | '" + slashed(other.path()) +
                     "'\r\n\r\ndoesn't appear to contain previously saved\r\nbackup data file(s) "
                     "that you need to restore\r\nyour Custorin data." +
                     restoreEnd + "4 1 0",
                 RestoreQuestion}));
        QCOMPARE(QDir(other.path()).entryList(QDir::Files), QStringList{"notes.txt"});
        QCOMPARE(window.captions + QStringList{QString::number(window.busy.size())},
                 QStringList{"0"});
        QCOMPARE(folderFiles(env.folder()), DataSet);
    }

    void restoreFailingHalfWayChangesNothing()
    {
        // The data file is restored, then the user file can not be (a folder
        // stands where its work file goes).
        TestFolder env;
        writeDataSet(env);
        QVERIFY(env.block("User.List.$$$"));
        QTemporaryDir backup;
        writeFile(backup.filePath("Custorin.Data"), entryBytes(45000, "B-1", 45000, 1));
        writeFile(backup.filePath("User.List"), userRecordBytes(45000, "Lee", "Ray", 2));
        env.desktop.answerFolder(backup.path());
        env.desktop.answerMsgBox(1, false, "Important! Please read carefully...");
        env.desktop.answerMsgBox(1, false, "File Restore Error");
        Window window;
        QVERIFY(!RestoreDataFiles(window.procedure()));
        QCOMPARE(boxText(env.desktop.msgBoxes.last()),
                 "File Restore Error | There is some kind of problem\r\ntrying to restore "
                 "User.List\r\n\r\nYour current data files have not been changed. | "
                 "&Cancel restore procedure | 4 1 0");
        QCOMPARE(folderFiles(env.folder()), DataSet);
    }

    void damagedBackupChangesNothing()
    {
        const QByteArray good = entryBytes(45000, "B-1", 45000, 1);
        const QByteArray lee = userRecordBytes(45000, "Lee", "Ray", 2);
        const QList<QPair<QMap<QString, QByteArray>, QString>> rows{
            {{{"Custorin.Data", good + good.left(10)}},
             "Custorin.Data is not a whole number of records (5010 bytes)."},
            {{{"Custorin.Data", good},
              {"User.List", lee + userRecordBytes(45000, "Sam", "Ode", 9)}},
             "Record 2 of User.List can not be read."}};
        for (const auto &[files, reason] : rows) {
            TestFolder env;
            writeDataSet(env);
            QTemporaryDir backup;
            for (auto it = files.begin(); it != files.end(); ++it)
                writeFile(backup.filePath(it.key()), it.value());
            env.desktop.answerFolder(backup.path());
            env.desktop.answerMsgBox(1, false, "Important! Please read carefully...");
            env.desktop.answerMsgBox(1, false, "Backup can not be restored");
            Window window;
            QVERIFY2(!RestoreDataFiles(window.procedure()), qPrintable(reason));
            QCOMPARE(env.desktop.msgBoxes.last().text,
                     "The backed up data files at\r\n'" + slashed(backup.path()) +
                         "'\r\nare damaged:\r\n\r\n" + reason +
                         "\r\n\r\nYour current data files have not been changed.");
            QVERIFY2(folderFiles(env.folder()) == DataSet, qPrintable(reason));
        }
    }

    void appendDuringBackupWaitsAndIsLeftOut()
    {
        TestFolder env;
        writeDataSet(env);
        QTemporaryDir target;
        QProcess worker;
        FolderLock lock;
        QVERIFY(lock.acquire());
        const CopyOutcome outcome = CopyFileSet(
            lock, env.folder(), target.path(), BackupFileList(), [&](const QString &file) {
                if (file != QLatin1String("Custorin.Data"))
                    return;
                // Another workstation adds an entry (and its log line) while the
                // backup is under way: it has to wait for the lock.
                worker.start(testTool("store_worker"), {"append", env.folder(), "late", "1"});
                QVERIFY(worker.waitForStarted());
                QVERIFY(!worker.waitForFinished(700));
            });
        QVERIFY(outcome.ok);
        lock.release();
        QVERIFY(worker.waitForFinished(20000));
        QCOMPARE(worker.readAllStandardOutput(), QByteArray("ADDED late-0\n"));

        // The entry and its line came after the backup: neither is in it.
        QCOMPARE(folderFiles(target.path()), DataSet);
        QCOMPARE(env.read("Custorin.Data").size(), Entries.size() + 5000);
        QVERIFY(env.read("DataRecords.Log").endsWith(" added by late\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
