// Backup and restore of the data files from the window's procedures.
#include "BoxText.h"
#include "DataSetBytes.h"
#include "TestFolder.h"
#include "core/common/ChainedLogs.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/rules/BackupRestore.h"
#include "gui/windows/BackupProcedures.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <pwd.h>
#include <thread>
#include <unistd.h>

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
const QMap<QString, QByteArray> SetFiles{{"Custorin.Data", Entries},
                                         {"User.List", Users},
                                         {"SignInOut.Log", SignIns},
                                         {"DataRecords.Log", Changes},
                                         {"Custorin.ini", Settings}};

// The files of a folder without the logs' chains and seals, which the
// chains' own tests check byte for byte; here they must verify (a log
// whose chain fails is named under "broken chain").
QMap<QString, QByteArray> chainsVerified(TestFolder &env)
{
    QMap<QString, QByteArray> files = folderFiles(env.folder());
    for (const QString &name : files.keys()) {
        if (name.endsWith(".Log") && !VerifyLogChain(env.data, name).ok())
            files.insert("broken chain", name.toUtf8());
        if (name.endsWith(".chain") || name == "Logs.Seals")
            files.remove(name);
    }
    return files;
}

void writeDataSet(TestFolder &env)
{
    for (auto it = SetFiles.begin(); it != SetFiles.end(); ++it) {
        if (it.key().endsWith(".Log"))
            QVERIFY(writeReadOnly(env.path(it.key()), it.value()));
        else
            env.write(it.key(), it.value());
    }
}

struct Window {
    QString caption = QStringLiteral("Custorin - Data Backup Procedure");
    QStringList captions;
    QList<bool> busy;
    ProcedureWindow procedure()
    {
        ProcedureWindow w;
        w.caption = [this] { return caption; };
        w.setCaption = [this](const QString &c) { captions << (caption = c); };
        w.runBusy = [this](const std::function<void()> &work) {
            busy << true;
            std::thread(work).join();
            busy << false;
        };
        return w;
    }
};

QString slashed(const QString &folder)
{
    return folder + QLatin1Char('/');
}

QString workstation()
{
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    return QStringLiteral("account '%1' at workstation '%2'")
        .arg(QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name),
             QString::fromLocal8Bit(host));
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
        // An older backup: what the data folder holds is replaced, the rest kept.
        writeFile(target.filePath("Custorin.Data"), "old data");
        QVERIFY(writeReadOnly(target.filePath("SignInOut.Log"), "old log\r\n"));
        writeFile(target.filePath("UserList.Log"), "old user log\r\n");
        env.desktop.answerFolder(target.path());
        env.desktop.answerMsgBox(1, false, "Ready to Backup...");
        env.desktop.answerMsgBox(1, false, "Backup Successful");
        Window window;
        QVERIFY(BackupDataFiles(env.store, window.procedure()));

        QCOMPARE(env.desktop.folderTitles,
                 QStringList{"Select a disk/drive/folder to copy (backup) "
                             "your Custorin data files to..."});
        QCOMPARE(env.desktop.folderStarts, QStringList{QDir::homePath()});
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
        QMap<QString, QByteArray> expected = SetFiles;
        expected.insert("UserList.Log", "old user log\r\n");
        QCOMPARE(folderFiles(target.path()), expected);
        for (const char *log : {"SignInOut.Log", "DataRecords.Log"})
            QVERIFY2(isReadOnly(env.path(log)) && isReadOnly(target.filePath(log)), log);
        QVERIFY(!isReadOnly(target.filePath("Custorin.Data")));
        QMap<QString, QByteArray> trail = SetFiles;
        trail.insert("UserList.Log", "12/04/2026 at 22:50:00 - Data files backed up to '" +
                                         target.path().toUtf8() + "' by " + workstation().toUtf8() +
                                         "\r\n");
        QCOMPARE(chainsVerified(env), trail);
        QVERIFY(isReadOnly(env.path("UserList.Log")));
        FolderLock after(env.data);
        QVERIFY(after.tryAcquire());
    }

    void backupAndLiveFolderOpenAtOnce()
    {
        TestFolder env;
        writeDataSet(env);
        QTemporaryDir copy;
        for (auto it = SetFiles.begin(); it != SetFiles.end(); ++it)
            writeFile(copy.filePath(it.key()), it.value());
        DataSet backup(copy.path());
        FolderStore saved(backup);
        // Both readers open at once, each on its own folder.
        QVERIFY(env.store.openEntries());
        QVERIFY(saved.openEntries());
        const EntryRecord seen = env.store.entry(1);
        QCOMPARE(seen.CaseNumber.trimmed(), "2026-0001");
        QCOMPARE(saved.entry(1).CaseNumber.trimmed(), "2026-0001");
        QCOMPARE(env.store.archiveEntry(1, EntryIdentity::of(seen)), StoreResult::Ok);
        QCOMPARE(saved.entry(1).Status, quint8(1));
        env.store.closeEntries();
        saved.closeEntries();

        EntryListData live, old;
        QVERIFY(env.store.readEntryList(true, ListMode::AllEntries, {}, &live));
        QVERIFY(saved.readEntryList(true, ListMode::AllEntries, {}, &old));
        QCOMPARE(live.archivedCount, 2);
        QCOMPARE(old.archivedCount, 1);
        QCOMPARE(old.activeCount, 1);
        QCOMPARE(env.data.RecordCount, 2);
        QCOMPARE(backup.RecordCount, 2);
        QCOMPARE(env.data.ownWrites.size(), 1);
        QVERIFY(backup.ownWrites.isEmpty());
        QCOMPARE(folderFiles(copy.path()), SetFiles);
        QCOMPARE(env.read("DataRecords.Log").count("\r\n"), 2);
        QVERIFY(env.read("Custorin.Data") != Entries);
    }

    void restoreReplacesWhatTheBackupHolds_data()
    {
        QTest::addColumn<QByteArray>("current"); // the data folder's Custorin.ini
        QTest::addColumn<int>("answer");         // to the settings question; 0: not asked
        QTest::addColumn<bool>("settingsRestored");
        QTest::newRow("current settings kept") << Settings << 1 << false;
        QTest::newRow("settings restored too") << Settings << 2 << true;
        QTest::newRow("damaged settings replaced unasked")
            << QByteArray("[Installation]\nAgencyName=x\n") << 0 << true;
    }

    void restoreReplacesWhatTheBackupHolds()
    {
        QFETCH(QByteArray, current);
        QFETCH(int, answer);
        QFETCH(bool, settingsRestored);
        TestFolder env;
        writeDataSet(env);
        env.write("Custorin.ini", current);
        QTemporaryDir backup;
        const QMap<QString, QByteArray> old{
            {"Custorin.Data", entryBytes(45000, "2023-0042", oleDate(2023, 3, 4), 1)},
            {"User.List", userRecordBytes(oleDate(2020, 1, 2), "Lee", "Ray", 2) +
                              userRecordBytes(oleDate(2021, 5, 6), "Sam", "Ode", 1)},
            {"SignInOut.Log", "01/02/2023 at 08:00:00 - Lee Ray signed out\r\n"}, // writable
            {"UserList.Log", "01/02/2023 at 07:00:00 - 'Lee Ray' added to the 'User List'\r\n"},
            {"Custorin.ini", settingsBytes("Town Police")}};
        for (auto it = old.begin(); it != old.end(); ++it)
            writeFile(backup.filePath(it.key()), it.value());
        // Left readable by others by an older release; restored, they are not.
        const auto ownerRw = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        for (const char *name : {"User.List", "Custorin.ini"})
            QVERIFY(QFile::setPermissions(backup.filePath(name), ownerRw | QFile::ReadOther));
        env.desktop.answerFolder(slashed(backup.path()));
        if (answer != 0)
            env.desktop.answerMsgBox(answer, false, "Installation Settings");
        env.desktop.answerMsgBox(1, false, "Important! Please read carefully...");
        env.desktop.answerMsgBox(1, false, "Backup Successful");
        Window window{"Custorin - Data Restoration Procedure"};
        const QString agencyBefore = env.data.AgencyName;
        QVERIFY(RestoreDataFiles(env.store, window.procedure()));

        QCOMPARE(env.desktop.folderTitles,
                 QStringList{"Select the disk/drive/folder that contains your previously backed "
                             "up Custorin data files that you wish to restore..."});
        QCOMPARE(env.desktop.folderStarts, QStringList{QDir::homePath()});
        QStringList boxes{RestoreQuestion,
                          "Backup Successful | Your previously backed up \r\nCustorin data "
                          "files\r\nhave been successfully restored! | Thank you, &continue | "
                          "5 1 0"};
        if (answer != 0)
            boxes.prepend("Installation Settings | The backup also holds the installation "
                          "settings:\r\nthe agency's name and the administrative access\r\ncode "
                          "as they were when the backup was made.\r\n\r\nRestoring them brings "
                          "that access code back, even\r\nif it has been changed since.\r\n\r\n"
                          "Keep the current settings, or restore them too? | &Keep the current "
                          "settings, &Restore the settings too, &Cancel restore procedure | 3 1 0");
        QCOMPARE(boxTexts(env.desktop.msgBoxes), boxes);
        QStringList captions{"Restoring Custorin.Data", "Restoring User.List",
                             "Restoring SignInOut.Log", "Restoring UserList.Log"};
        if (settingsRestored)
            captions << "Restoring Custorin.ini";
        QCOMPARE(window.captions, captions << "Custorin - Data Restoration Procedure");
        QMap<QString, QByteArray> expected = old;
        expected.insert("DataRecords.Log", Changes);
        expected["UserList.Log"] += "12/04/2026 at 22:50:00 - Data files restored from '" +
                                    backup.path().toUtf8() + "' by " + workstation().toUtf8() +
                                    (settingsRestored ? "; installation settings restored too\r\n"
                                                      : "; installation settings kept\r\n");
        if (!settingsRestored)
            expected["Custorin.ini"] = current;
        QCOMPARE(chainsVerified(env), expected);
        // Where the restore rolled each log back to, in the seals file.
        const QByteArray seals = readFile(env.path("Logs.Seals"));
        QCOMPARE(seals.count('\n'), 4);
        QCOMPARE(seals.count("\nrestored 2026-12-04T22:50:00 "), 3);
        QVERIFY(isReadOnly(env.path("SignInOut.Log")) && isReadOnly(env.path("UserList.Log")));
        QCOMPARE(env.data.AgencyName,
                 settingsRestored ? QStringLiteral("Town Police") : agencyBefore);
        QCOMPARE(QFile::permissions(env.path("User.List")) & 0x7077, ownerRw);
        if (settingsRestored)
            QCOMPARE(QFile::permissions(env.path("Custorin.ini")) & 0x7077, ownerRw);
    }

    void foldersRefusedAndQuestionsAsked()
    {
        TestFolder env;
        writeDataSet(env);
        Window window;
        const auto run = [&](bool restore, const QString &folder, int answer) {
            env.desktop.answerFolder(folder);
            env.desktop.answerMsgBox(answer);
            QVERIFY(!(restore ? RestoreDataFiles : BackupDataFiles)(env.store, window.procedure()));
        };
        QTemporaryDir other, good;
        writeFile(other.filePath("notes.txt"), "notes");
        writeFile(good.filePath("Custorin.Data"), entryBytes(1, "X", 0, 1));
        run(false, slashed(env.folder().toUpper()), 1); // the data folder itself
        run(false, other.path(), 2);                    // unrelated files: "No"
        run(false, other.filePath("gone"), 1);
        run(true, other.path(), 1); // no data file there
        run(true, good.path(), 2);  // "No" to the question
        env.desktop.answerFolder(std::nullopt);
        QVERIFY(
            !BackupDataFiles(env.store, window.procedure())); // chooser cancelled: nothing asked
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
                 "to\r\naccess the selected backup location\r\nthat you specified..." +
                     backupEnd + "4 1 0",
                 "Required file(s) missing | '" + slashed(other.path()) +
                     "'\r\n\r\ndoesn't appear to contain previously saved\r\nbackup data file(s) "
                     "that you need to restore\r\nyour Custorin data." +
                     restoreEnd + "4 1 0",
                 RestoreQuestion}));
        QCOMPARE(QDir(other.path()).entryList(QDir::Files), QStringList{"notes.txt"});
        QCOMPARE(window.captions + QStringList{QString::number(window.busy.size())},
                 QStringList{"0"});
        QCOMPARE(folderFiles(env.folder()), SetFiles);

        // Another workstation holds the lock: asked, Retry copies again,
        // Cancel leaves the backup as it was.
        env.data.options.LockWaitMs = 100;
        FolderLock holder(env.data);
        QVERIFY(holder.tryAcquire());
        env.desktop.answerFolder(good.path());
        env.desktop.answerMsgBox(1, false, "Ready to Backup...");
        env.desktop.answerMsgBox(1, false, "Data folder busy");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        QVERIFY(!BackupDataFiles(env.store, window.procedure()));
        QCOMPARE(window.busy, QList<bool>({true, false, true, false}));
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 "Another workstation is saving changes to the\r\ndata files in this folder "
                 "right now:\r\nPat Doe at workstation '" +
                     WorkstationName(env.data) + "'.\r\n\r\nNothing has been changed yet.");
        QCOMPARE(QDir(good.path()).entryList(QDir::Files), QStringList{"Custorin.Data"});
    }

    void copyFailuresSayWhy_data()
    {
        QTest::addColumn<bool>("restore");
        QTest::addColumn<int>("op");       // FileOp failed on the work file named, -1: a folder
        QTest::addColumn<QString>("file"); // in its place; or the source file extra ends
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text"); // of the box; %1 is the backup folder
        const QString trying = "There is some kind of problem\r\ntrying to ";
        const QString damaged = "The backed up data files at\r\n'%1'\r\nare damaged:\r\n\r\n";
        const QString none = "\r\n\r\nNo file in the backup location has been changed.";
        const QString current = "\r\n\r\nYour current data files have not been changed.";
        QTest::newRow("backup, disk full")
            << false << int(FileOp::Write) << "User.List.$$$" << QByteArray() << ENOSPC
            << trying + "copy User.List\r\n\r\nReason: No space left on device" + none;
        QTest::newRow("backup, read-only file system")
            << false << int(FileOp::Rename) << "Custorin.Data.$$$" << QByteArray() << EROFS
            << trying + "copy Custorin.Data\r\n\r\nReason: Read-only file system" + none;
        QTest::newRow("backup of a damaged data file")
            << false << 0 << "Custorin.Data" << QByteArray("xx") << 0
            << trying +
                   "copy Custorin.Data\r\n\r\nReason: Custorin.Data is not a whole number of "
                   "records (10002 bytes)." +
                   none;
        QTest::newRow("restore, permission denied")
            << true << int(FileOp::Write) << "Custorin.Data.$$$" << QByteArray() << EACCES
            << trying + "restore Custorin.Data\r\n\r\nReason: Permission denied" + current;
        QTest::newRow("restore, a folder in the way")
            << true << -1 << "User.List.$$$" << QByteArray() << 0
            << trying + "restore User.List\r\n\r\nReason: Is a directory" + current;
        QTest::newRow("restore of a damaged data file")
            << true << 0 << "Custorin.Data" << entryBytes(45000, "B-1", 45000, 1).left(10) << 0
            << damaged + "Custorin.Data is not a whole number of records (5010 bytes)." + current;
        QTest::newRow("restore of an unreadable user")
            << true << 0 << "User.List" << userRecordBytes(45000, "Sam", "Ode", 9) << 0
            << damaged + "Record 2 of User.List can not be read." + current;
    }

    // Nothing changes where the copies were going, nor in what they came from.
    void copyFailuresSayWhy()
    {
        QFETCH(bool, restore);
        QFETCH(int, op);
        QFETCH(QString, file);
        QFETCH(QByteArray, extra);
        QFETCH(int, error);
        QFETCH(QString, text);
        TestFolder env;
        writeDataSet(env);
        QTemporaryDir other;
        QMap<QString, QByteArray> older{{"Custorin.Data", entryBytes(45000, "B-1", 45000, 1)},
                                        {"User.List", userRecordBytes(45000, "Lee", "Ray", 2)}};
        if (!extra.isEmpty() && restore)
            older[file] += extra;
        if (!extra.isEmpty() && !restore)
            env.write(file, Entries + extra);
        for (auto it = older.begin(); it != older.end(); ++it)
            writeFile(other.filePath(it.key()), it.value());
        const QMap<QString, QByteArray> before = folderFiles(env.folder());
        if (op < 0)
            QVERIFY(env.block(file));
        env.setFaultHook([=](FileOp o, const QString &path) {
            return o == FileOp(op) && path.endsWith('/' + file) ? error : 0;
        });
        env.desktop.answerFolder(other.path());
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1, false,
                                 !restore          ? "File Backup Error"
                                 : extra.isEmpty() ? "File Restore Error"
                                                   : "Backup can not be restored");
        Window window;
        QVERIFY(!(restore ? RestoreDataFiles : BackupDataFiles)(env.store, window.procedure()));
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QString(text).replace("%1", slashed(other.path())));
        QCOMPARE(folderFiles(env.folder()), before);
        QCOMPARE(folderFiles(other.path()), older);
    }

    void appendDuringBackupWaitsAndIsLeftOut()
    {
        TestFolder env;
        writeDataSet(env);
        QTemporaryDir target;
        QProcess worker;
        FolderLock lock(env.data);
        QVERIFY(lock.acquire());
        const CopyOutcome outcome = CopyFileSet(
            lock, env.folder(), target.path(), BackupFileList(), [&](const QString &file) {
                if (file != QLatin1String("Custorin.Data"))
                    return;
                // Another workstation's append has to wait for the lock.
                worker.start(testTool("store_worker"), {"append", env.folder(), "late", "1"});
                QVERIFY(worker.waitForStarted());
                QVERIFY(!worker.waitForFinished(700));
            });
        QVERIFY(outcome.ok);
        lock.release();
        QVERIFY(worker.waitForFinished(20000));
        QCOMPARE(worker.readAllStandardOutput(), QByteArray("ADDED late-0\n"));

        QCOMPARE(folderFiles(target.path()), SetFiles);
        QCOMPARE(env.read("Custorin.Data").size(), Entries.size() + 5000);
        QVERIFY(env.read("DataRecords.Log").endsWith(" added by late\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
