// Backup and restore of the data files from the window's procedures, and the
// upgrade of older data files (converted byte for byte, killed at random).
#include "BoxText.h"
#include "DataSetBytes.h"
#include "TestBytes.h"
#include "TestFolder.h"
#include "core/common/ChainedLogs.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/entries/EntryRecord.h"
#include "core/entries/Upgrade.h"
#include "core/rules/BackupRestore.h"
#include "gui/windows/BackupProcedures.h"
#include "gui/windows/OlderDataUpgrade.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <csignal>
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

// The records of one entry in the 2500-byte layout, the 1000-byte ".Dat"
// layout, and as the conversion writes it from each.
enum Layout { A, B, FromA, FromB };

// Each text's offset in A, B and the entry record (-1: not carried over):
// case number, location, category, brand, model (15 wide in the old
// layouts, 20 in the new), serial, description, owner, received from,
// released to, defendant, an unused text, the narrative (1826 in A, 330 in
// B, 1921 in the new).
const int TextAt[13][3] = {{10, 4, 10},     {25, 468, 25},   {75, 19, 75},    {95, 39, 95},
                           {115, 59, 115},  {130, 74, 135},  {150, 94, 155},  {218, 162, 223},
                           {318, 262, 323}, {396, 340, 401}, {474, 418, 479}, {524, 518, -1},
                           {674, 668, 979}};
const int NumberAt[3][3] = {{210, 388, 466}, {154, 332, 410}, {215, 393, 471}};

QByteArray record(Layout layout, int i, qint16 version = 635, const QByteArray &marker = "v1")
{
    QByteArray narrative(1826, char('a' + i % 26));
    narrative[1825] = 'Z';
    if (layout == B || layout == FromB)
        narrative.truncate(330);
    // Texts outside ASCII, and a model number filling the old field's 15.
    QByteArrayList texts =
        QByteArray("C-2009-|Shelf \xe9 |Bicycle|Schwinn|MDL-123456789AB|SN|"
                   "Red 10-speed, \x93racer\x94|Ren\xe9"
                   "e M\xfc"
                   "ller, 12 Elm St.|Officer Jones|Owner|Doe, John|NOT CARRIED OVER")
            .split('|');
    texts[0] += QByteArray::number(1000 + i);
    texts[1] += QByteArray::number(i);
    texts[5] += QByteArray::number(i);
    texts[9] = i % 2 ? "" : "Owner";
    texts << narrative;
    const int l = qMin(int(layout), 2);
    QByteArray r(layout == A ? 2500 : layout == B ? 1000 : 5000, ' ');
    for (int f = 0; f < 13; ++f) {
        if (TextAt[f][l] >= 0)
            r.replace(TextAt[f][l], texts[f].size(), texts[f]);
    }
    r.replace(NumberAt[l][0], 8, le64(1234567 + qint64(i) * 100000));   // $123.4567 and up
    r.replace(NumberAt[l][1], 8, doubleBytes(39870.25 + i));            // a date with a time
    r.replace(NumberAt[l][2], 8, doubleBytes(i % 2 ? 0 : 39900.0 + i)); // 0: not released
    if (layout == B) {
        r.replace(0, 4, le16(qint16(17 + i)) + le16(0)); // the sequence number
        r.replace(998, 2, marker);
    } else {
        r.replace(0, 2, le16(layout == A ? version : 911));
        r.replace(2, 8, doubleBytes(layout == FromB ? 17 + i : 39876.5 + i)); // 3/4/2009 12:00
    }
    if (layout >= FromA)
        r[4999] = 0;
    return r;
}

QByteArray file(Layout layout, int count, qint16 version = 635, const QByteArray &marker = "v1")
{
    QByteArray f;
    for (int i = 0; i < count; ++i)
        f += record(layout, i, version, marker);
    return f;
}

QString question(bool dat)
{
    return "Update older version data file? | You have an older version data file that I would "
           "like\r\nto convert and use with this newer software version.\r\n\r\nIf you agree, I "
           "will update your existing data file\r\nand save a copy of the old one as "
           "'Custorin.Old'.\r\n\r\nOr, if you'd rather, you can start fresh with a new data "
           "file\r\n(I will still rename and save a copy of the old data file).\r\n\r\nOr, if "
           "you're not ready to answer right now, you can select\r\nthe last option. | " +
           QString(dat ? "&Yes, update our existing file, &Start over with a new file"
                       : "&Yes, update our existing data file, &Let's start over with a new data "
                         "file") +
           ", &Quit the program for now | 3 1 0";
}

const QString Renamed =
    QStringLiteral("Your older data file\r\nhas been renamed to\r\nCustorin.Old");

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
        Window window;
        window.caption = "Custorin - Data Restoration Procedure";
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

        env.data.options.LockWaitMs = 100;
        FolderLock holder(env.data);
        QVERIFY(holder.tryAcquire());
        env.desktop.answerFolder(good.path());
        env.desktop.answerMsgBox(1, false, "Ready to Backup...");
        env.desktop.answerMsgBox(1, false, "Data folder busy");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        QVERIFY(!BackupDataFiles(env.store, window.procedure()));
        QCOMPARE(window.busy, QList<bool>({true, false, true, false}));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
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

    void oldRecordCounts()
    {
        // Halves go to the even neighbour; a negative sequence number keeps its sign.
        QCOMPARE(QList<int>({OldRecordCount(1250, OldFormat::A), OldRecordCount(1251, OldFormat::A),
                             OldRecordCount(8750, OldFormat::A), OldRecordCount(1500, OldFormat::B),
                             OldRecordCount(2501, OldFormat::B)}),
                 QList<int>({0, 1, 4, 2, 3}));
        QCOMPARE(OldEntryRecordB::Unpack(le16(-5) + le16(-1) + record(B, 0).mid(4)).ControlNumber,
                 -5);
    }

    void eachAnswerToTheQuestion()
    {
        const QString converted = "Your data file has been\r\nsuccessfully converted!";
        const QString thanks = "Thank you-- let's &continue";
        const struct {
            bool dat;
            qint16 version;
            int choice; // 0: closed without a button
            QString finished, button;
        } rows[] = {{false, 635, 1, converted, thanks},
                    {true, 0, 1, converted + "\r\n\r\n" + Renamed, "&Continue"},
                    {false, 641, 2, "", thanks},
                    {true, 0, 2, Renamed, "&Continue"},
                    {false, 631, 3, {}, {}},
                    {true, 0, 0, {}, {}}};
        for (const auto &row : rows) {
            TestFolder env;
            const QByteArray original = row.dat ? file(B, 4) : file(A, 4, row.version);
            env.write(row.dat ? "Custorin.Dat" : "Custorin.Data", original);
            env.write("Custorin.Old", "an earlier copy");
            auto expected = folderFiles(env.folder());
            const bool quit = row.finished.isNull();
            env.desktop.answerMsgBox(row.choice);
            env.desktop.answerMsgBox(quit ? 3 : 1); // the finish, or the next run's question
            QStringList busy;
            const UpgradeResult r =
                UpgradeOlderDataFile(env.data, [&](const std::function<void()> &work) {
                    busy << "on";
                    std::thread(work).join();
                    busy << "off";
                    QCOMPARE(env.desktop.msgBoxes.size(), 1); // the finish is not shown yet
                });
            QCOMPARE(busy, row.choice == 1 || row.choice == 2 ? QStringList({"on", "off"})
                                                              : QStringList());
            if (quit) {
                QCOMPARE(r, UpgradeResult::Quit);
                QCOMPARE(boxTexts(env.desktop.msgBoxes), QStringList{question(row.dat)});
            } else {
                QCOMPARE(r, UpgradeResult::Continue);
                QCOMPARE(boxTexts(env.desktop.msgBoxes),
                         QStringList({question(row.dat), "Finished Updating! | " + row.finished +
                                                             " | " + row.button + " | 5 1 0"}));
                expected = {{"Custorin.Old", original}};
                if (row.choice == 1)
                    expected.insert("Custorin.Data", file(row.dat ? FromB : FromA, 4));
            }
            QCOMPARE(folderFiles(env.folder()), expected);
            QCOMPARE(UpgradeOlderDataFile(env.data), r);
            QCOMPARE(env.desktop.pendingAnswers(), 0);
        }
    }

    void filesLeftAloneSetAsideOrAskedAbout()
    {
        using Files = QMap<QString, QByteArray>;
        const auto upgrade = [](const Files &before, const QList<int> &answers) {
            TestFolder env;
            for (auto it = before.begin(); it != before.end(); ++it)
                env.write(it.key(), it.value());
            for (int answer : answers)
                env.desktop.answerMsgBox(answer);
            const UpgradeResult r = UpgradeOlderDataFile(env.data);
            return std::tuple(r, boxTexts(env.desktop.msgBoxes), folderFiles(env.folder()));
        };
        // The first record's version decides; a ".Dat" file beside is ignored.
        for (qint16 version : {630, 642, 911}) {
            const Files current{{"Custorin.Data", file(A, 2, version).replace(2500, 2, le16(635))},
                                {"Custorin.Dat", file(B, 1)}};
            QCOMPARE(upgrade(current, {}),
                     std::tuple(UpgradeResult::Continue, QStringList(), current));
        }
        QCOMPARE(upgrade({{"Custorin.Dat", ""}}, {}),
                 std::tuple(UpgradeResult::Continue, QStringList(), Files()));
        // An empty data file goes, and the ".Dat" file behind it is asked about.
        QCOMPARE(upgrade({{"Custorin.Data", ""}, {"Custorin.Dat", file(B, 1)}}, {3}),
                 std::tuple(UpgradeResult::Quit, QStringList{question(true)},
                            Files{{"Custorin.Dat", file(B, 1)}}));
        // Starting over: a ".Dat" file beside must not replace the data file's copy.
        QCOMPARE(std::get<2>(upgrade({{"Custorin.Data", file(A, 2)}, {"Custorin.Dat", file(B, 2)}},
                                     {2, 1})),
                 (Files{{"Custorin.Old", file(A, 2)}, {"Custorin.Dat", file(B, 2)}}));
        // Too old: marker "V" in upper case, with a leading blank; shorter than a record.
        const QString tooOld =
            "Data file can not be updated | Your existing (older version) data file\r\nis too "
            "old to be converted.\r\n\r\nIt will be renamed to\r\n\r\nCustorin.Old\r\n\r\nand "
            "a new (empty) data file\r\nwill be created for you now. | &Continue | 5 1 0";
        for (const QByteArray &old :
             {file(B, 2, 0, "V1"), file(B, 2, 0, " v"), file(B, 1).left(998)})
            QCOMPARE(upgrade({{"Custorin.Dat", old}, {"Custorin.Old", "an earlier copy"}}, {1}),
                     std::tuple(UpgradeResult::Continue, QStringList{tooOld},
                                Files{{"Custorin.Old", old}}));
    }

    void cancelledOnABusyFolderSaysWhyItEnds()
    {
        TestFolder env;
        env.write("Custorin.Data", file(A, 2));
        const auto before = folderFiles(env.folder());
        FolderLock other(env.data);
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(1, false, "Update older version data file?");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        env.desktop.answerMsgBox(1, false, "Data file not updated");
        QCOMPARE(UpgradeOlderDataFile(env.data), UpgradeResult::Quit);
        const MsgBoxRequest &r = env.desktop.msgBoxes.value(2);
        QCOMPARE(QString::number(r.icon) + " " + r.text + " | " + r.buttons.join('/'),
                 "4 The data folder stayed busy (another workstation\r\n"
                 "is saving changes to it), and the update was cancelled.\r\n\r\n"
                 "Your data file has not been changed.\r\n"
                 "Custorin can not work with it in its older form, so it\r\n"
                 "will close now; please try again later. | &Okay");
        other.release();
        QCOMPARE(folderFiles(env.folder()), before);
    }

    void failuresChangeNothingAndQuit()
    {
        const struct {
            QString file, blocked;
            int choice;
            QString text;
        } rows[] = {{"Custorin.Data", "TempFile.$$$", 1,
                     "The converted records could not be written to 'TempFile.$$$'"},
                    {"Custorin.Data", "Custorin.Old", 2,
                     "'Custorin.Data' could not be renamed to 'Custorin.Old'"}};
        for (const auto &row : rows) {
            TestFolder env;
            env.write(row.file, row.file.endsWith('a') ? file(A, 2) : file(B, 2));
            QVERIFY(QDir(env.folder()).mkpath(row.blocked + "/inside"));
            const auto before = folderFiles(env.folder());
            env.desktop.answerMsgBox(row.choice);
            // Shown with the folder lock let go: others do not wait for the reader.
            bool lockFree = false;
            env.desktop.answerMsgBoxWith([&lockFree, &env](const MsgBoxRequest &) {
                FolderLock other(env.data);
                lockFree = other.tryAcquire();
                return MsgBoxAnswer{1, false};
            });
            QCOMPARE(UpgradeOlderDataFile(env.data), UpgradeResult::Quit);
            QVERIFY(lockFree);
            const MsgBoxRequest &r = env.desktop.msgBoxes.value(1);
            QCOMPARE(QString::number(r.icon) + " " + r.title + "|" + r.text + " | " +
                         r.buttons.join('/'),
                     "4 Data file not updated|" + row.text +
                         "\r\n(the disk may be full, the folder read-only,\r\n"
                         "or the file in use at another workstation).\r\n\r\n"
                         "Your data file has not been changed.\r\n"
                         "Custorin will close now; please try again later. | &Okay");
            QCOMPARE(folderFiles(env.folder()), before);
        }
    }

    void conversionKilledAtAnyMomentKeepsTheRecords()
    {
        const QString tool = testTool("store_worker");
        constexpr int kRecords = 3000;
        const QByteArray oldA = file(A, kRecords), oldB = file(B, kRecords);
        const QByteArray newA = file(FromA, kRecords), newB = file(FromB, kRecords);
        TestFolder env;
        const QString data = env.path("Custorin.Data"), dat = env.path("Custorin.Dat");
        const QString old = env.path("Custorin.Old"), temp = env.path("TempFile.$$$");
        const auto reset = [&](bool fromDat) {
            for (const QString &p : {data, dat, old, temp})
                QFile::remove(p);
            writeFile(fromDat ? dat : data, fromDat ? oldB : oldA);
        };

        // How long one whole conversion takes here, to spread the kills over.
        reset(false);
        QElapsedTimer timer;
        timer.start();
        QProcess whole;
        whole.start(tool, {"upgrade", env.folder()});
        QVERIFY(whole.waitForFinished(60000));
        QCOMPARE(whole.readAllStandardOutput().trimmed(), QByteArray("CONTINUE"));
        const int span = int(qMax<qint64>(20, timer.elapsed()));
        QCOMPARE(readFile(data), newA);

        QRandomGenerator rng(20240612);
        int killedWhileWorking = 0;
        for (int round = 0; round < 16; ++round) {
            const bool fromDat = round % 2 == 1;
            reset(fromDat);
            QProcess p;
            p.start(tool, {"upgrade", env.folder()});
            QVERIFY(p.waitForStarted());
            QThread::msleep(rng.bounded(span + span / 4));
            if (p.state() == QProcess::Running) {
                ::kill(pid_t(p.processId()), SIGKILL);
                ++killedWhileWorking;
            }
            QVERIFY(p.waitForFinished(60000));

            // The next start removes the work file and offers the conversion
            // again when it was not finished; it then completes. A half-written
            // data file, or a missing one, would be taken as current.
            QElapsedTimer cleanUp;
            cleanUp.start();
            while (!RemoveStaleTempFile(env.data) && cleanUp.elapsed() < 10000)
                QThread::msleep(50); // a lock file left empty by the kill ages first
            QVERIFY(!QFile::exists(temp));
            const bool stillOld = fromDat ? !QFile::exists(data) : readFile(data) == oldA;
            if (stillOld) {
                env.desktop.answerMsgBox(1);
                env.desktop.answerMsgBox(1);
            }
            QCOMPARE(UpgradeOlderDataFile(env.data), UpgradeResult::Continue);
            QCOMPARE(env.desktop.pendingAnswers(), 0);
            QCOMPARE(readFile(data), fromDat ? newB : newA);
            QCOMPARE(readFile(old), fromDat ? oldB : oldA);
        }
        QVERIFY(killedWhileWorking > 0);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
