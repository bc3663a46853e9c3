// The data file and the user file: counting, appending, rewriting with the
// identity check, deletion with compaction, the log line of every change, a
// damaged length and what may not be written, against bytes from the offsets.
#include "TestBytes.h"
#include "TestFolder.h"
#include "TestUsers.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/RecordFile.h"
#include "core/entries/EntryStore.h"
#include "core/users/UserFile.h"

#include <QtTest>
#include <atomic>
#include <thread>
#include <unistd.h>

namespace
{

QByteArray threeRecords()
{
    return entryBytes("A-1", 1, 1, "first") + entryBytes("B-2", 2, 2, "second") +
           entryBytes("C-3", 3, 0, "third");
}

const QString Data = QStringLiteral("Custorin.Data");
const QString Log = QStringLiteral("DataRecords.Log");

QByteArray threeUsers()
{
    return userBytes(oleDate(2026, 12, 4, 22, 30), "Ann", "Smith", "x1Ya2Zb3", 4, "Supervisor") +
           userBytes(oleDate(2020, 1, 2, 3, 4), "Pat", "Doe", "q4R7s8T9", 2) +
           userBytes(oleDate(2021, 7, 4), "Lee", "Park", "m0N1o2P3", 1, "Temporary");
}

const QString Users = QStringLiteral("User.List");
const QString UserLog = QStringLiteral("UserList.Log");

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT
private slots:
    void recordCountRounding()
    {
        // Halves go to the even neighbour, for both record files.
        const qint64 lengths[] = {2490, 2500, 2510, 7500, 12500, 32767 * 5000};
        const int counts[] = {0, 0, 1, 2, 2, 32767};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(RecordCountForLength(lengths[i]), counts[i]);
            QCOMPARE(UserCountForLength(lengths[i] / 10), counts[i]);
        }
    }

    void appendStampsAndLogs()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 10)));
        EntryRecord e;
        e.CaseNumber = "26-00001";
        e.Description = "red bicycle";
        e.Status = 2; // the card's status, stamp and number do not count
        e.VersionStamp = 5;
        e.ControlNumber = 17;
        int n = 0;
        QCOMPARE(AppendEntry(env.data, e, &n), StoreResult::Ok);
        const double cn = oleDate(2026, 12, 4, 22, 45, 10);
        QVERIFY(n == 1 && e.ControlNumber == cn);
        QByteArray expected = entryBytes("26-00001", cn, 1, "red bicycle");
        expected.replace(0, 2, le16(911));
        expected.replace(529, 14, QByteArray(14, ' ')); // reserved: blanks
        QCOMPARE(env.read(Data), expected);
        QCOMPARE(
            env.read(Log),
            QByteArray("12/04/2026 at 22:45:10 - Control#20261204224510 added by Pat Doe\r\n"));
    }

    void editArchiveAndRestoreRewriteOneRecord()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 47, 40)));
        const QByteArray before = threeRecords();
        env.write(Data, before);
        EntryRecord card = EntryRecord::Unpack(before.mid(5000, 5000));
        const EntryIdentity asRead = EntryIdentity::of(card);
        card.CaseNumber = "B-2x"; // the person may change the case number
        card.Description = "second, edited";
        card.Status = 1;         // stale: the file says archived
        card.ControlNumber = 99; // never changes after creation
        card.VersionStamp = 1;
        card.Reserved1 = "overwritten?";
        QCOMPARE(SaveEditedEntry(env.data, 2, asRead, card), StoreResult::Ok);
        const QByteArray edited = entryBytes("B-2x", 2, 2, "second, edited");
        QCOMPARE(env.read(Data), before.left(5000) + edited + before.mid(10000));

        QCOMPARE(RestoreEntry(env.data, 2, {2, "B-2x"}), StoreResult::Ok);
        QCOMPARE(ArchiveEntry(env.data, 3, {3, "C-3"}), StoreResult::Ok);
        QCOMPARE(env.read(Data), before.left(5000) + entryBytes("B-2x", 2, 1, "second, edited") +
                                     entryBytes("C-3", 3, 2, "third"));
        QCOMPARE(env.read(Log),
                 QByteArray("12/04/2026 at 22:47:40 - Control#00002 edited by Pat Doe\r\n"
                            "12/04/2026 at 22:47:40 - Control#00002 restored by Pat Doe\r\n"
                            "12/04/2026 at 22:47:40 - Control#00003 archived by Pat Doe\r\n"));
    }

    void changedOrMissingEntryIsNotWritten()
    {
        TestFolder env;
        const QByteArray before = threeRecords();
        env.write(Data, before);
        EntryRecord card;
        card.CaseNumber = "whatever";
        QCOMPARE(SaveEditedEntry(env.data, 2, {3, "C-3"}, card), StoreResult::Changed);
        QCOMPARE(ArchiveEntry(env.data, 1, {1, " A-1 "}), StoreResult::Changed); // case differs
        QCOMPARE(RestoreEntry(env.data, 2, {2.5, "B-2"}), StoreResult::Changed); // control differs
        QCOMPARE(DeleteEntry(env.data, 4, {3, "C-3"}), StoreResult::Missing);
        QCOMPARE(env.read(Data), before);
        QVERIFY(!env.exists(Log) && !env.exists("TempFile.$$$"));
    }

    void deleteCompacts()
    {
        TestFolder env;
        // Record 2 was left marked by a deletion that was cut short; it goes
        // too. "$Killed$x" is not the marker.
        const QByteArray r1 = entryBytes("A-1", 1, 1), r2 = entryBytes(" $Killed$ ", 2, 1),
                         r3 = entryBytes("C-3", 3, 2), r4 = entryBytes("D-4", 4, 0),
                         r5 = entryBytes("$Killed$x", 5, 2);
        env.write(Data, r1 + r2 + r3 + r4 + r5);
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QFile::setPermissions(env.path(Data), mode);
        env.write("TempFile.$$$", QByteArray(12345, 'x')); // stale: not in the way
        QCOMPARE(DeleteEntry(env.data, 3, {3, "C-3"}), StoreResult::Ok);
        QCOMPARE(env.read(Data), r1 + r4 + r5);
        QCOMPARE(env.data.RecordCount + env.data.ActiveCount * 10 + env.data.ArchivedCount * 100,
                 3 + 20 + 100);
        QVERIFY(!env.exists("TempFile.$$$"));
        QCOMPARE(QFile::permissions(env.path(Data)) & 0x7077, mode);
        QCOMPARE(env.read(Log),
                 QByteArray("12/04/2026 at 22:50:00 - Control#00003 deleted by Pat Doe\r\n"));

        env.write(Data, r1 + r2);
        QCOMPARE(DeleteEntry(env.data, 1, {1, "A-1"}), StoreResult::Ok);
        QVERIFY(!env.exists(Data) && !env.exists("TempFile.$$$"));
        QCOMPARE(env.data.RecordCount + env.data.ActiveCount + env.data.ArchivedCount, 0);
    }

    // Compaction copies in blocks of 200 records: a file of one more than a
    // multiple of that ends in a block of its own.
    void deleteAtBlockEdges_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("deleted");
        QTest::newRow("1 of 1") << 1 << 1;
        QTest::newRow("1 of 201") << 201 << 1;
        QTest::newRow("201 of 201") << 201 << 201;
        QTest::newRow("7 of 401") << 401 << 7;
        QTest::newRow("400 of 401") << 401 << 400;
    }
    void deleteAtBlockEdges()
    {
        QFETCH(int, records);
        QFETCH(int, deleted);
        TestFolder env;
        QByteArray before, expected;
        for (int i = 1; i <= records; ++i) {
            const QByteArray r = entryBytes("K-" + QByteArray::number(i), i, 1 + i % 2);
            before += r;
            if (i != deleted)
                expected += r;
        }
        env.write(Data, before);
        QCOMPARE(DeleteEntry(env.data, deleted, {double(deleted), "K-" + QString::number(deleted)}),
                 StoreResult::Ok);
        QCOMPARE(env.exists(Data), records > 1);
        QCOMPARE(env.exists(Data) ? env.read(Data) : QByteArray(), expected);
        QCOMPARE(env.data.RecordCount, records - 1);
    }

    void logFailureOrBusyFolderChangesNothing()
    {
        TestFolder env;
        const QByteArray before = threeRecords();
        env.write(Data, before);
        QVERIFY(env.block(Log));
        EntryRecord e;
        e.CaseNumber = "NEW";
        QCOMPARE(AppendEntry(env.data, e), StoreResult::LogFailed);
        QCOMPARE(DeleteEntry(env.data, 2, {2, "B-2"}), StoreResult::LogFailed);
        QCOMPARE(env.read(Data), before);
        QVERIFY(!env.exists("TempFile.$$$"));
        const MsgBoxRequest told = StoreResultMessage(env.data, StoreResult::LogFailed);
        QCOMPARE(told.title + " | " + told.buttons.join('/'), "Activity log not available | &Okay");
        QCOMPARE(told.text, LogFailedText(env.data, "DataRecords.Log"));
        QCOMPARE(StoreResultMessage(env.data, StoreResult::Cancelled).title, QString());

        // Another holder of the lock: nothing written and nothing asked; the
        // window asks with the holder's name.
        env.data.options.LockWaitMs = 300;
        env.data.options.HostNameOverride = "ws-front";
        env.session.CurrentUserName = "Lee Carter";
        FolderLock other(env.data);
        QVERIFY(other.tryAcquire());
        QCOMPARE(DeleteEntry(env.data, 1, {1, "A-1"}), StoreResult::Busy);
        QCOMPARE(AppendEntry(env.data, e), StoreResult::Busy);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        QCOMPARE(env.read(Data), before);
        const MsgBoxRequest busy = StoreResultMessage(env.data, StoreResult::Busy);
        QCOMPARE(busy.title + " | " + busy.text + " | " + busy.buttons.join('/') + " | " +
                     QString::number(busy.icon) + QString::number(busy.defaultButton),
                 "Data folder busy | Another workstation is saving changes to the\r\ndata files "
                 "in this folder right now:\r\nLee Carter at workstation 'ws-front'.\r\n\r\n"
                 "Nothing has been changed yet. | &Retry/&Cancel | 41");
        other.release();
        QCOMPARE(StoreResultMessage(env.data, StoreResult::Busy).text,
                 "Another workstation is saving changes to the\r\ndata files in this folder "
                 "right now.\r\n\r\nNothing has been changed yet.");
    }

    void failedOpenIsRetriedThenReported()
    {
        TestFolder env;
        // Another workstation replacing the file: for a moment it can not be
        // opened, then it can.
        QVERIFY(env.block(Data));
        std::thread other([&env] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            QDir(env.folder()).rmdir("Custorin.Data");
        });
        const bool opened = OpenDataFile(env.data);
        other.join();
        QVERIFY(opened && env.desktop.msgBoxes.isEmpty());
        CloseDataFile(env.data);

        // It never can: false after the retries, nothing asked; the window
        // asks this.
        QVERIFY(QFile::remove(env.path(Data)) && env.block(Data));
        env.data.options.DataFileOpenRetryMs = 200;
        QVERIFY(!OpenDataFile(env.data));
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        const MsgBoxRequest asked = DataFileUnavailableMessage(env.data, true);
        QCOMPARE(asked.text + " | " + asked.buttons.join('/'),
                 "The data file 'Custorin.Data' can not be opened.\r\n\r\n'Custorin.Data' is "
                 "not a regular file.\r\nPlease put the file itself in its place.\r\n\r\nData "
                 "folder:\r\n" +
                     QDir(env.folder()).absoluteFilePath(QString()) + " | &Retry/&Cancel");
        EntryRecord e;
        QCOMPARE(AppendEntry(env.data, e), StoreResult::NotAvailable);
        QVERIFY(!env.exists(Log));

        // A link in its place is never followed: not for reading, not for
        // a change, not for a compaction. The file it points at stays as it
        // was.
        QVERIFY(QDir(env.folder()).rmdir(Data));
        QTemporaryDir outside;
        const QString mine = outside.filePath("mine");
        writeFile(mine, threeRecords());
        QVERIFY(QFile::link(mine, env.path(Data)));
        RecordFile reader(env.data, env.path(Data), 5000, env.data.options.DataFileOpenRetryMs);
        QVERIFY(!reader.open(RecordFile::ForReading));
        QCOMPARE(AppendEntry(env.data, e), StoreResult::NotAvailable);
        QCOMPARE(DeleteEntry(env.data, 2, {2, "B-2"}), StoreResult::NotAvailable);
        QCOMPARE(readFile(mine), threeRecords());
        QVERIFY(QFileInfo(env.path(Data)).isSymLink() && !env.exists(Log));
        QCOMPARE(DataFileUnavailableText(env.data),
                 "The data file 'Custorin.Data' can not be opened.\r\n\r\n'Custorin.Data' is a "
                 "symbolic link, and the files of\r\nthe data folder are never opened through "
                 "one.\r\nPlease put the file itself in its place.\r\n\r\nData folder:\r\n" +
                     QDir(env.folder()).absoluteFilePath(QString()));
    }

    void fullAtTheLargestCount()
    {
        TestFolder env;
        {
            QFile f(env.path(Data));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(32766) * 5000));
        }
        EntryRecord e;
        int n = 0;
        QCOMPARE(AppendEntry(env.data, e, &n), StoreResult::Ok);
        QCOMPARE(n, 32767);
        QCOMPARE(AppendEntry(env.data, e, &n), StoreResult::Full);
        QCOMPARE(QFileInfo(env.path(Data)).size(), qint64(32767) * 5000);
        QCOMPARE(env.read(Log).count('\n'), 1);
    }

    void damagedLengthIsToldAndTheTailKept()
    {
        TestFolder env(QDateTime(QDate(2026, 1, 1), QTime(1, 2, 3)));
        const QByteArray whole = threeRecords();
        const QByteArray tail = QByteArray("half a record ") + QByteArray(986, 'T');
        env.write(Data, whole + tail);

        const auto ask = std::exchange(env.data.ask, nullptr);
        QVERIFY(OpenDataFile(env.data));
        CloseDataFile(env.data);
        EntryRecord added;
        added.CaseNumber = "D-4";
        QCOMPARE(AppendEntry(env.data, added), StoreResult::Cancelled);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        QCOMPARE(env.read(Data), whole + tail);
        env.data.ask = ask;

        env.desktop.answerMsgBox(1);
        QVERIFY(OpenDataFile(env.data));
        CloseDataFile(env.data);
        QVERIFY(OpenDataFile(env.data));
        CloseDataFile(env.data);
        QCOMPARE(env.data.RecordCount, 3);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        const QString length = "The data file 'Custorin.Data' is 16,000 bytes long:\r\n"
                               "its last 1,000 bytes are not a whole 5,000-byte entry.\r\n\r\n";
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 length + "The 3 entries it is counted as holding are shown;\r\nnothing is "
                          "written past the last whole entry\r\nuntil you agree to it. A backup "
                          "may hold the file whole.");

        // Before a change: asked without the lock held; cancelled, nothing moves.
        bool lockFree = false;
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            FolderLock other(env.data);
            lockFree = other.tryAcquire();
            return MsgBoxAnswer{2, false};
        });
        QCOMPARE(AppendEntry(env.data, added), StoreResult::Cancelled);
        QVERIFY(lockFree);
        const MsgBoxRequest question = env.desktop.msgBoxes[1];
        QCOMPARE(question.text + " | " + question.buttons.join('/') + " " +
                     QString::number(question.defaultButton),
                 length + "Before this change is saved, those bytes are copied to\r\n"
                          "'Custorin.Data.20260101010203.tail' in the data folder, and the data "
                          "file\r\nis made to hold exactly the 3 entries shown.\r\n\r\nGo on? | "
                          "&Keep a copy and go on/&Cancel 2");
        QCOMPARE(env.read(Data), whole + tail);
        QVERIFY(!env.exists(Log));

        env.desktop.answerMsgBox(1);
        QCOMPARE(AppendEntry(env.data, added), StoreResult::Ok);
        QCOMPARE(env.read("Custorin.Data.20260101010203.tail"), tail);
        QCOMPARE(env.read(Data).left(15000), whole);
        QCOMPARE(env.read(Data).mid(15010, 15), QByteArray("D-4            "));
        QCOMPARE(
            env.read(Log),
            QByteArray("01/01/2026 at 01:02:03 - Control#20260101010203 added by Pat Doe\r\n"));

        // More than half a record counts: it is completed with zeros, and its
        // copy does not replace the first one.
        const QByteArray partial = entryBytes("E-5", 5, 1).left(2600);
        env.write(Data, whole + partial);
        env.desktop.answerMsgBox(1, false, "Data file damaged");
        QCOMPARE(ArchiveEntry(env.data, 4, {5, "E-5"}), StoreResult::Ok);
        QCOMPARE(env.read("Custorin.Data.20260101010203-2.tail"), partial);
        QCOMPARE(env.read("Custorin.Data.20260101010203.tail"), tail);
        QCOMPARE(env.read(Data), whole + partial + QByteArray(2399, '\0') + '\2');
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void deletionMarkerIsNoCaseNumber()
    {
        TestFolder env;
        EntryRecord entry;
        entry.CaseNumber = " $Killed$ ";
        QCOMPARE(AppendEntry(env.data, entry), StoreResult::Reserved);
        const QByteArray one = entryBytes("A-1", 1, 1);
        env.write(Data, one);
        entry.CaseNumber = "$Killed$";
        QCOMPARE(SaveEditedEntry(env.data, 1, {1, "A-1"}, entry), StoreResult::Reserved);
        QCOMPARE(env.read(Data), one);
        QVERIFY(!env.exists(Log));
    }

    void resultTexts()
    {
        TestFolder env;
        QCOMPARE(StoreResultTitle(StoreResult::Full) + ": " +
                     StoreResultText(env.data, StoreResult::Full),
                 "Data file full: The data file holds 32,767 entries,\r\nthe most it can "
                 "hold.\r\n\r\nThe new entry has not been saved. Deleting entries\r\nthat are no "
                 "longer needed makes room for new ones.");
        QCOMPARE(StoreResultTitle(StoreResult::Reserved) + ": " +
                     StoreResultText(env.data, StoreResult::Reserved),
                 "Case number reserved: '$Killed$' can not be used as a case number:\r\nit marks "
                 "an entry while it is being deleted.\r\n\r\nNothing has been changed.");
    }

    void readsUsers()
    {
        TestFolder env;
        env.write(Users, threeUsers());
        QVERIFY(OpenUserFile(env.data));
        QCOMPARE(env.data.UserCount, 3);
        const UserRecord pat = ReadUser(env.data, 2);
        QCOMPARE(pat.DateCreated, oleDate(2020, 1, 2, 3, 4));
        QCOMPARE(pat.DisplayName() + "|" + pat.SortKey() + "|" + UnscramblePassword(pat.Password) +
                     "|" + QString::number(pat.AccessLevel),
                 QStringLiteral("Pat Doe|Doe Pat|4789|2"));
        CloseUserFile(env.data);
        QCOMPARE(ReadAllUsers(env.data).value(2).Comments, QStringLiteral("Temporary"));
    }

    void appendEditAndDeleteWriteBytesAndLogs()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 49, 12)));
        UserRecord u = newUser(" Pat ", "Doe", "abcd", 3);
        u.Comments = "Day shift";
        int n = 0;
        QCOMPARE(AppendUser(env.data, u, &n), UserResult::Ok);
        QCOMPARE(n, 1);
        const double stamp = oleDate(2026, 12, 4, 22, 49, 12);
        QCOMPARE(u.DateCreated, stamp);
        const QByteArray stored = u.Password.toLatin1(); // a filler before each character
        QCOMPARE(stored.mid(1, 1) + stored.mid(3, 1) + stored.mid(5, 1) + stored.mid(7), "abcd");
        const QByteArray first = userBytes(stamp, " Pat ", "Doe", stored, 3, "Day shift");
        QCOMPARE(env.read(Users).toHex(' '), first.toHex(' '));

        env.desktop.advance(65);
        UserRecord v = newUser("Ann", "Smith", "Zz99", 4);
        QCOMPARE(AppendUser(env.data, v, &n), UserResult::Ok);
        QCOMPARE(n, 2);
        UserRecord edited = v;
        edited.DateCreated = 1.5;
        edited.FirstName = "Annie";
        edited.Password = "a1b2c3d4e5";
        edited.AccessLevel = 2;
        QCOMPARE(SaveEditedUser(env.data, 2, UserIdentity::of(v), edited), UserResult::Ok);
        QCOMPARE(env.read(Users).mid(500).toHex(' '),
                 userBytes(v.DateCreated, "Annie", "Smith", "a1b2c3d4e5", 2).toHex(' '));
        QCOMPARE(env.data.UserCount, 2);

        // Deleted by a rename over the file: a reader of the old file keeps
        // reading it, and the file's mode stays.
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QFile::setPermissions(env.path(Users), mode);
        const QByteArray before = env.read(Users);
        QFile reader(env.path(Users));
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QCOMPARE(DeleteUser(env.data, 1, UserIdentity::of(u)), UserResult::Ok);
        QCOMPARE(env.read(Users), before.mid(500));
        QCOMPARE(reader.readAll(), before);
        QCOMPARE(QFile::permissions(env.path(Users)) & 0x7077, mode);
        QVERIFY(!env.exists("TempFile.$$$"));
        QCOMPARE(env.read(UserLog),
                 QByteArray("12/04/2026 at 22:49:12 - 'Pat Doe' added to the 'User List'\r\n"
                            "12/04/2026 at 22:50:17 - 'Ann Smith' added to the 'User List'\r\n"
                            "12/04/2026 at 22:50:17 - 'Annie Smith' edited in the 'User List'\r\n"
                            "12/04/2026 at 22:50:17 - 'Pat Doe' deleted from the 'User List'\r\n"));
    }

    void changedOrMissingUserIsNotWritten()
    {
        TestFolder env;
        const QByteArray before = threeUsers() + userBytes(1.0, "$Killed$", "Gone", "", 1);
        env.write(Users, before);
        const UserRecord edited = UserRecord::Unpack(before.mid(500, 500));
        const UserIdentity pat = UserIdentity::of(edited);
        UserIdentity otherDate = pat, otherFirst = pat, otherLast = pat;
        otherDate.DateCreated += 1.0 / 86400;
        otherFirst.FirstName = "pat"; // names compare exactly
        otherLast.LastName = "Doe2";
        for (const UserIdentity &id : {otherDate, otherFirst, otherLast}) {
            QCOMPARE(SaveEditedUser(env.data, 2, id, edited), UserResult::Changed);
            QCOMPARE(DeleteUser(env.data, 2, id), UserResult::Changed);
        }
        QCOMPARE(SaveEditedUser(env.data, 3, pat, edited), UserResult::Changed);
        QCOMPARE(SaveEditedUser(env.data, 5, pat, edited), UserResult::Missing);
        QCOMPARE(DeleteUser(env.data, 0, pat), UserResult::Missing);
        QCOMPARE(env.read(Users), before);
        QVERIFY(!env.exists(UserLog));

        // The work file can not be written: nothing changes, the line goes.
        QVERIFY(env.block("TempFile.$$$"));
        QCOMPARE(DeleteUser(env.data, 2, pat), UserResult::IoError);
        QCOMPARE(env.read(Users), before);
        QCOMPARE(env.read(UserLog), QByteArray());
        QVERIFY(QDir(env.folder()).rmdir("TempFile.$$$"));
        // A record an interrupted deletion left marked goes with the next.
        QCOMPARE(DeleteUser(env.data, 2, pat), UserResult::Ok);
        QCOMPARE(env.read(Users), before.left(500) + before.mid(1000, 500));
    }

    void userFileIsNeverMissingWhileDeleting()
    {
        TestFolder env;
        QByteArray users;
        for (int i = 0; i < 41; ++i)
            users += userBytes(1000 + i, "User", QByteArray::number(i), "a1b2c3d4", 1);
        env.write(Users, users);
        const QByteArray path = QFile::encodeName(env.path(Users));
        std::atomic<bool> done{false};
        std::atomic<int> missing{0};
        std::thread watcher([&] {
            while (!done.load())
                missing += ::access(path.constData(), F_OK) != 0;
        });
        for (int i = 0; i < 40; ++i)
            QCOMPARE(DeleteUser(env.data, 1, {1000.0 + i, "User", QString::number(i)}),
                     UserResult::Ok);
        done = true;
        watcher.join();
        QCOMPARE(missing.load(), 0);
        QCOMPARE(env.read(Users), users.right(500));
    }

    void namesThatMayNotBeWritten()
    {
        TestFolder env(QDateTime(QDate(2026, 1, 1), QTime(1, 2, 3)));
        UserRecord user = newUser("$Killed$", "Morgan", "abc1", 4);
        QCOMPARE(AppendUser(env.data, user), UserResult::InvalidName);
        user.FirstName = " $Killed$ "; // blanks are trimmed off when read back
        QCOMPARE(AppendUser(env.data, user), UserResult::InvalidName);
        user.FirstName = "Pat";
        QCOMPARE(AppendUser(env.data, user), UserResult::Ok);
        const QByteArray users = env.read(Users);
        UserRecord edited = user;
        edited.FirstName = "Pat\r\nLee";
        QCOMPARE(SaveEditedUser(env.data, 1, UserIdentity::of(user), edited),
                 UserResult::InvalidName);
        edited.FirstName = "  $Killed$";
        QCOMPARE(SaveEditedUser(env.data, 1, UserIdentity::of(user), edited),
                 UserResult::InvalidName);
        QCOMPARE(env.read(Users), users);
        QCOMPARE(env.read(UserLog).count('\n'), 1);
    }

    void fullFileRefusesAnotherUser()
    {
        TestFolder env;
        {
            QFile f(env.path(Users));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(32766) * 500));
        }
        UserRecord u = newUser("New", "User", "abcd", 1);
        int n = 0;
        QCOMPARE(AppendUser(env.data, u, &n), UserResult::Ok);
        QCOMPARE(n, 32767);
        QCOMPARE(AppendUser(env.data, u), UserResult::Full);
        QCOMPARE(QFileInfo(env.path(Users)).size(), qint64(32767) * 500);
        QCOMPARE(env.read(UserLog).count('\n'), 1);
    }

    void userResultTexts()
    {
        TestFolder env;
        const QString nothing = "\r\n\r\nNothing has been changed.";
        const QMap<UserResult, QString> expected{
            {UserResult::Changed, "User changed at another workstation | This user has been "
                                  "changed or removed at another\r\nworkstation since the list "
                                  "was loaded." +
                                      nothing +
                                      "\r\nPlease look at the refreshed list and try again."},
            {UserResult::Full, "User list full | The user list holds 32,767 users,\r\nthe most it "
                               "can hold.\r\n\r\nThe new user has not been saved."},
            {UserResult::InvalidName, "Invalid Name | A first name may not be '$Killed$' (it "
                                      "marks a user\r\nwhile the user is being deleted), and no "
                                      "name\r\nmay hold a tab or a line break." +
                                          nothing}};
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(UserResultTitle(it.key()) + " | " + UserResultText(env.data, it.key()),
                     it.value());
        QCOMPARE(UserResultMessage(env.data, UserResult::Ok).title, QString()); // nothing to tell
        const MsgBoxRequest full = UserResultMessage(env.data, UserResult::Full);
        QCOMPARE(full.buttons.join('/') + " " + QString::number(full.icon), "&Okay 4");
        // A file that can not be opened: the window asks, Retry opening again.
        QVERIFY(env.block(Users));
        env.data.options.UserFileOpenRetryMs = 0;
        QVERIFY(!OpenUserFile(env.data));
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        const MsgBoxRequest open = UserFileUnavailableMessage(env.data);
        QCOMPARE(open.title + " | " + open.text + nothing + " | " + open.buttons.join('/') + " " +
                     QString::number(open.icon) + QString::number(open.defaultButton),
                 "User file not available | " + UserResultText(env.data, UserResult::NotAvailable) +
                     " | &Retry/&Cancel 41");
        QCOMPARE(UserResultText(env.data, UserResult::NotAvailable),
                 "The user file 'User.List' can not be opened.\r\n\r\n'User.List' is not a "
                 "regular file.\r\nPlease put the file itself in its place.\r\n\r\nData "
                 "folder:\r\n" +
                     env.data.path(QString()) + nothing);
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
