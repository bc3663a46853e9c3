// The data file: record counting, reading, appending, rewriting with the
// identity check, deletion with compaction, and the log line that goes
// with every change. Expected bytes are built here from the offsets.
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/entries/EntryStore.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <thread>

namespace
{

// Control numbers of legacy entries are small whole numbers.
QByteArray threeRecords()
{
    return entryBytes("A-1", 1, 1, "first") + entryBytes("B-2", 2, 2, "second") +
           entryBytes("C-3", 3, 0, "third");
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT
private slots:
    void recordCountRounding();
    void readsRecordsAndShortLastRecord();
    void forEachEntryReadsEveryRecordInOrder();
    void appendStampsAndLogs();
    void appendGoesAfterTheCountReadUnderTheLock();
    void editKeepsWhatTheCardDoesNotOwn();
    void archiveAndRestoreRewriteTheWholeRecord();
    void changedOrMissingEntryIsNotWritten();
    void deleteCompacts();
    void deleteTheOnlyEntryRemovesTheFile();
    void logFailureLeavesTheFileAlone();
    void busyFolderCancelsWithoutWriting();
    void emptyLockOfAKilledHolderIsTaken();
    void openFailureIsReportedNotLoopedOn();
    void failedOpenIsRetried();
    void fullAtTheLargestCount();
    void resultTexts();
};

void TestDataFile::recordCountRounding()
{
    // Halves go to the even neighbour.
    const qint64 lengths[] = {0, 2499, 2500, 2501, 7500, 12500, 12501, 17500, 32767 * 5000};
    const int counts[] = {0, 0, 0, 1, 2, 2, 3, 4, 32767};
    for (int i = 0; i < 9; ++i)
        QCOMPARE(RecordCountForLength(lengths[i]), counts[i]);
}

void TestDataFile::readsRecordsAndShortLastRecord()
{
    TestEnvironment env;
    // 17,500 bytes: three records and half of a fourth, which counts.
    QByteArray bytes = threeRecords() + entryBytes("D-4", 4, 2, "fourth").left(2500);
    writeFile(env.path("Custorin.Data"), bytes);
    env.desktop.answerMsgBox(1, false, "Data file damaged");
    QVERIFY(OpenDataFile());
    QCOMPARE(RecordCount, 4);
    QCOMPARE(ReadEntry(2).CaseNumber + ReadEntry(2).Description, QString("B-2second"));
    QVERIFY(ReadEntry(2).isArchived());
    QCOMPARE(int(ReadEntry(3).Status), 0);
    const EntryRecord fourth = ReadEntry(4);
    QCOMPARE(fourth.CaseNumber, QString("D-4"));
    QCOMPARE(fourth.ControlNumber, 4.0);
    QCOMPARE(int(fourth.Status), 0); // past the end: zero, so active
    QCOMPARE(fourth.ChainOfCustody, QString());
    QCOMPARE(ReadEntry(5).CaseNumber, QString()); // out of range: blank
    CloseDataFile();
    QCOMPARE(readFile(env.path("Custorin.Data")), bytes); // reading wrote nothing

    // 12,499 bytes: the fragment of a third record is not counted.
    writeFile(env.path("Custorin.Data"), threeRecords().left(12499));
    env.desktop.answerMsgBox(1, false, "Data file damaged");
    QVERIFY(OpenDataFile());
    QCOMPARE(RecordCount, 2);
    CloseDataFile();
}

void TestDataFile::forEachEntryReadsEveryRecordInOrder()
{
    TestEnvironment env;
    // More records than one block of reading, and a short last one.
    QByteArray bytes;
    for (int i = 1; i <= 450; ++i)
        bytes += entryBytes(QByteArray::number(i), i, i % 3 == 0 ? 2 : 1);
    bytes += entryBytes("last", 451, 2).left(3000);
    writeFile(env.path("Custorin.Data"), bytes);
    env.desktop.answerMsgBox(1, false, "Data file damaged"); // told once
    QStringList seen;
    int archived = 0;
    QVERIFY(ForEachEntry([&](int n, const EntryRecord &e) {
        if (e.ControlNumber != n)
            return false;
        seen << e.CaseNumber;
        archived += e.isArchived();
        return true;
    }));
    QCOMPARE(RecordCount, 451);
    QCOMPARE(seen.size(), 451);
    QCOMPARE(seen.mid(199, 2) + seen.mid(450), (QStringList{"200", "201", "last"}));
    QCOMPARE(archived, 150); // the short last record's status byte is missing
    QVERIFY(!DataFileIsOpen());
    QCOMPARE(ReadAllEntries().size(), 451);
    QVERIFY(RecountEntries());
    QCOMPARE(ActiveCount, 301);
    QCOMPARE(ArchivedCount, 150);
}

void TestDataFile::appendStampsAndLogs()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 10)));
    CurrentUserName = "Pat Doe";
    EntryRecord e;
    e.CaseNumber = "26-00001";
    e.Description = "red bicycle";
    e.Status = 2;         // the card's value does not count
    e.VersionStamp = 5;   // nor does this
    e.ControlNumber = 17; // nor this
    int n = 0;
    QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
    QCOMPARE(n, 1);
    QCOMPARE(RecordCount, 1);
    QCOMPARE(int(e.Status), 1);
    QCOMPARE(int(e.VersionStamp), int(CurrentVersionStamp()));
    const double cn = oleDate(2026, 12, 4, 22, 45, 10);
    QCOMPARE(e.ControlNumber, cn);

    const QByteArray file = readFile(env.path("Custorin.Data"));
    QCOMPARE(file.size(), 5000);
    QCOMPARE(file.left(10), le16(CurrentVersionStamp()) + doubleBytes(cn));
    QCOMPARE(file.mid(10, 15), QByteArray("26-00001       "));
    QCOMPARE(file.mid(155, 11), QByteArray("red bicycle"));
    QCOMPARE(file.mid(529, 450), QByteArray(450, ' ')); // reserved: blanks
    QCOMPARE(int(file[4999]), 1);

    env.desktop.advance(3);
    EntryRecord twin = e; // saved in the same second: same control number
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 10)));
    QCOMPARE(AppendEntry(twin, &n), StoreResult::Ok);
    QCOMPARE(n, 2);
    QCOMPARE(twin.ControlNumber, e.ControlNumber);
    QCOMPARE(readFile(env.path("Custorin.Data")).size(), 10000);

    QCOMPARE(readFile(env.path("DataRecords.Log")),
             QByteArray("12/04/2026 at 22:45:10 - Control#20261204224510 added by Pat Doe\r\n"
                        "12/04/2026 at 22:45:10 - Control#20261204224510 added by Pat Doe\r\n"));
}

void TestDataFile::appendGoesAfterTheCountReadUnderTheLock()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
    // 17,500 bytes count as four records: once the person agrees, the new
    // one is the fifth, and the half record before it is filled up with
    // zeros, never cut.
    const QByteArray before = threeRecords() + entryBytes("D-4", 4, 1).left(2500);
    writeFile(env.path("Custorin.Data"), before);
    env.desktop.answerMsgBox(1, false, "Data file damaged");
    EntryRecord e;
    e.CaseNumber = "NEW";
    int n = 0;
    QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
    QCOMPARE(n, 5);
    const QByteArray after = readFile(env.path("Custorin.Data"));
    QCOMPARE(after.size(), 25000);
    QCOMPARE(after.left(17500), before);
    QCOMPARE(after.mid(17500, 2500), QByteArray(2500, '\0'));
    QCOMPARE(after.mid(20010, 15), QByteArray("NEW            "));

    QCOMPARE(readFile(env.path("Custorin.Data.20200102030405.tail")), before.mid(15000));

    // 12,499 bytes count as two records: the new one replaces the fragment,
    // which is kept in a copy of its own first (the first copy stays).
    writeFile(env.path("Custorin.Data"), threeRecords().left(12499));
    env.desktop.answerMsgBox(1, false, "Data file damaged");
    QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
    QCOMPARE(n, 3);
    QCOMPARE(readFile(env.path("Custorin.Data")).size(), 15000);
    QCOMPARE(readFile(env.path("Custorin.Data.20200102030405-2.tail")),
             threeRecords().mid(10000, 2499));
    QCOMPARE(readFile(env.path("Custorin.Data.20200102030405.tail")), before.mid(15000));
}

void TestDataFile::editKeepsWhatTheCardDoesNotOwn()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 47, 40)));
    CurrentUserName = "Pat Doe";
    const QByteArray before = threeRecords();
    writeFile(env.path("Custorin.Data"), before);
    QVERIFY(OpenDataFile());
    EntryRecord card = ReadEntry(2);
    CloseDataFile();
    const EntryIdentity asRead = EntryIdentity::of(card);
    card.CaseNumber = "B-2x"; // the person may change the case number
    card.Description = "second, edited";
    card.Status = 1;         // stale: the file says archived
    card.ControlNumber = 99; // never changes after creation
    card.VersionStamp = 1;
    card.Reserved1 = "overwritten?";
    QCOMPARE(SaveEditedEntry(2, asRead, card), StoreResult::Ok);

    QByteArray expected = entryBytes("B-2x", 2, 2, "second, edited");
    const QByteArray after = readFile(env.path("Custorin.Data"));
    QCOMPARE(after.size(), 15000);
    QCOMPARE(after.left(5000), before.left(5000));
    QCOMPARE(after.mid(5000, 5000), expected);
    QCOMPARE(after.mid(10000), before.mid(10000));
    QCOMPARE(readFile(env.path("DataRecords.Log")),
             QByteArray("12/04/2026 at 22:47:40 - Control#00002 edited by Pat Doe\r\n"));
}

void TestDataFile::archiveAndRestoreRewriteTheWholeRecord()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 47, 5)));
    CurrentUserName = "Pat Doe";
    // The last record is short (2,600 bytes; counted): its rewrite writes
    // all 5000 bytes.
    QByteArray last = entryBytes("D-4", 40000, 0, "fourth");
    const QByteArray before = threeRecords() + last.left(2600);
    writeFile(env.path("Custorin.Data"), before);
    env.desktop.answerMsgBox(1, false, "Data file damaged");
    QCOMPARE(ArchiveEntry(4, {40000, "D-4"}), StoreResult::Ok);
    QByteArray after = readFile(env.path("Custorin.Data"));
    QCOMPARE(after.size(), 20000);
    QCOMPARE(after.left(17600), before);
    QByteArray tail(2400, '\0');
    tail[2399] = 2;
    QCOMPARE(after.mid(17600), tail);

    QCOMPARE(RestoreEntry(2, {2, "B-2"}), StoreResult::Ok);
    after = readFile(env.path("Custorin.Data"));
    QByteArray second = entryBytes("B-2", 2, 1, "second");
    QCOMPARE(after.mid(5000, 5000), second);
    QCOMPARE(readFile(env.path("DataRecords.Log")),
             QByteArray("12/04/2026 at 22:47:05 - Control#20090706000000 archived by Pat Doe\r\n"
                        "12/04/2026 at 22:47:05 - Control#00002 restored by Pat Doe\r\n"));
    QVERIFY(RecountEntries());
    QCOMPARE(ActiveCount, 3);
    QCOMPARE(ArchivedCount, 1);
}

void TestDataFile::changedOrMissingEntryIsNotWritten()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 1, 1), QTime(1, 2, 3)));
    const QByteArray before = threeRecords();
    writeFile(env.path("Custorin.Data"), before);
    EntryRecord card;
    card.CaseNumber = "whatever";
    // Another workstation deleted record 1: number 2 is now "C-3".
    QCOMPARE(SaveEditedEntry(2, {3, "C-3"}, card), StoreResult::Changed);
    QCOMPARE(ArchiveEntry(2, {2, "B-2x"}), StoreResult::Changed);  // case differs
    QCOMPARE(RestoreEntry(2, {2.5, "B-2"}), StoreResult::Changed); // control differs
    QCOMPARE(DeleteEntry(1, {2, "B-2"}), StoreResult::Changed);
    QCOMPARE(DeleteEntry(4, {3, "C-3"}), StoreResult::Missing);
    QCOMPARE(ArchiveEntry(0, {1, "A-1"}), StoreResult::Missing);
    QCOMPARE(readFile(env.path("Custorin.Data")), before);
    QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
    QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
    // Surrounding blanks of the case number do not make it another entry.
    QCOMPARE(ArchiveEntry(1, {1, " A-1 "}), StoreResult::Changed);
    QCOMPARE(ArchiveEntry(1, EntryIdentity::of(EntryRecord::Unpack(before.left(5000)))),
             StoreResult::Ok);
}

void TestDataFile::deleteCompacts()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
    CurrentUserName = "Pat Doe";
    // Record 2 was left marked by a deletion that was cut short; it goes
    // too. "$Killed$x" is not the marker.
    const QByteArray r1 = entryBytes("A-1", 1, 1), r2 = entryBytes(" $Killed$ ", 2, 1),
                     r3 = entryBytes("C-3", 3, 2), r4 = entryBytes("D-4", 4, 0),
                     r5 = entryBytes("$Killed$x", 5, 2);
    writeFile(env.path("Custorin.Data"), r1 + r2 + r3 + r4 + r5);
    QFile::setPermissions(env.path("Custorin.Data"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QCOMPARE(DeleteEntry(3, {3, "C-3"}), StoreResult::Ok);
    QCOMPARE(readFile(env.path("Custorin.Data")), r1 + r4 + r5);
    QCOMPARE(RecordCount, 3);
    QCOMPARE(ActiveCount, 2);
    QCOMPARE(ArchivedCount, 1);
    QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
    QCOMPARE(QFile::permissions(env.path("Custorin.Data")) & 0x7077, // owner, group, others
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QCOMPARE(readFile(env.path("DataRecords.Log")),
             QByteArray("12/04/2026 at 22:50:00 - Control#00003 deleted by Pat Doe\r\n"));
    // A stale work file does not get in the way.
    writeFile(env.path("TempFile.$$$"), QByteArray(12345, 'x'));
    QCOMPARE(DeleteEntry(1, {1, "A-1"}), StoreResult::Ok);
    QCOMPARE(readFile(env.path("Custorin.Data")), r4 + r5);
    QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
}

void TestDataFile::deleteTheOnlyEntryRemovesTheFile()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
    writeFile(env.path("Custorin.Data"), entryBytes("A-1", 1, 2) + entryBytes("$Killed$", 2, 1));
    QCOMPARE(DeleteEntry(1, {1, "A-1"}), StoreResult::Ok);
    QVERIFY(!QFile::exists(env.path("Custorin.Data")));
    QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
    QCOMPARE(RecordCount, 0);
    QCOMPARE(ActiveCount, 0);
    QCOMPARE(ArchivedCount, 0);
    // A missing file is created empty.
    QVERIFY(OpenDataFile());
    QCOMPARE(RecordCount, 0);
    QCOMPARE(ReadEntry(1).CaseNumber, QString());
    CloseDataFile();
    CloseDataFile(); // closing twice does nothing
    QVERIFY(!DataFileIsOpen());
    QCOMPARE(QFileInfo(env.path("Custorin.Data")).size(), 0);
}

void TestDataFile::logFailureLeavesTheFileAlone()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
    const QByteArray before = threeRecords();
    writeFile(env.path("Custorin.Data"), before);
    // The log can not be written: a folder stands where it should be.
    QVERIFY(QDir(env.folder()).mkdir("DataRecords.Log"));
    EntryRecord e;
    e.CaseNumber = "NEW";
    QCOMPARE(AppendEntry(e), StoreResult::LogFailed);
    QCOMPARE(SaveEditedEntry(1, {1, "A-1"}, e), StoreResult::LogFailed);
    QCOMPARE(ArchiveEntry(1, {1, "A-1"}), StoreResult::LogFailed);
    QCOMPARE(RestoreEntry(2, {2, "B-2"}), StoreResult::LogFailed);
    QCOMPARE(DeleteEntry(2, {2, "B-2"}), StoreResult::LogFailed);
    QCOMPARE(readFile(env.path("Custorin.Data")), before);
    QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
    QVERIFY(QFileInfo(env.path("DataRecords.Log")).isDir());

    env.desktop.answerMsgBox(1, false, "Activity log not available");
    ShowStoreResult(StoreResult::LogFailed);
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    QCOMPARE(env.desktop.msgBoxes[0].text,
             QString("The activity log 'DataRecords.Log' can not be\r\n"
                     "written to in the data folder:\r\n") +
                 QDir(env.folder()).absoluteFilePath(QString()) +
                 "\r\n\r\nNothing has been changed.");
    QCOMPARE(env.desktop.msgBoxes[0].buttons, QStringList{"&Okay"});
}

void TestDataFile::busyFolderCancelsWithoutWriting()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
    const QByteArray before = threeRecords();
    writeFile(env.path("Custorin.Data"), before);
    // Another holder of the lock (as another workstation would be).
    FolderLock other;
    QVERIFY(other.tryAcquire());
    env.desktop.answerMsgBox(2, false, "Data folder busy");
    QCOMPARE(DeleteEntry(1, {1, "A-1"}), StoreResult::Cancelled);
    QCOMPARE(readFile(env.path("Custorin.Data")), before);
    QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
    ShowStoreResult(StoreResult::Cancelled); // the person has been told already
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    other.release();
}

void TestDataFile::emptyLockOfAKilledHolderIsTaken()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
    // A holder killed between making the lock folder and writing its owner
    // record into it: the empty lock never changes, so it goes stale.
    QVERIFY(QDir(env.folder()).mkdir("Custorin.lock"));
    const int savedStale = FolderLock::StaleMs;
    FolderLock::StaleMs = 300;
    EntryRecord e;
    e.CaseNumber = "after crash";
    const StoreResult r = AppendEntry(e);
    FolderLock::StaleMs = savedStale;
    QCOMPARE(r, StoreResult::Ok); // no "busy" question
    QCOMPARE(env.desktop.msgBoxes.size(), 0);
    QVERIFY(!QFile::exists(env.path("Custorin.lock")));
    QCOMPARE(QDir(env.folder()).entryList({"Custorin.lock*"}, QDir::AllEntries), QStringList());
}

void TestDataFile::openFailureIsReportedNotLoopedOn()
{
    TestEnvironment env;
    const int saved = DataFileOpenRetryMs;
    DataFileOpenRetryMs = 200;
    // A folder where the data file should be can never be opened.
    QVERIFY(QDir(env.folder()).mkdir("Custorin.Data"));
    env.desktop.answerMsgBox(1, false, "Data file not available"); // retry once
    env.desktop.answerMsgBox(2, false, "Data file not available"); // then cancel
    QVERIFY(!OpenDataFile());
    QVERIFY(!DataFileIsOpen());
    QCOMPARE(env.desktop.msgBoxes.size(), 2);
    QCOMPARE(env.desktop.msgBoxes[0].buttons, (QStringList{"&Retry", "&Cancel"}));
    QVERIFY(env.desktop.msgBoxes[0].text.startsWith(
        "The data file 'Custorin.Data' can not be opened.\r\n"));
    EntryRecord e;
    QCOMPARE(AppendEntry(e), StoreResult::NotAvailable);
    QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
    DataFileOpenRetryMs = saved;
}

void TestDataFile::failedOpenIsRetried()
{
    TestEnvironment env;
    // Another workstation replacing the file: for a moment it can not be
    // opened (a folder stands in its place), then it can.
    QVERIFY(QDir(env.folder()).mkdir("Custorin.Data"));
    std::thread other([&env] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QDir(env.folder()).rmdir("Custorin.Data");
    });
    const bool opened = OpenDataFile();
    other.join();
    QVERIFY(opened);
    QVERIFY(DataFileIsOpen());
    QCOMPARE(RecordCount, 0);
    CloseDataFile();
    QCOMPARE(env.desktop.msgBoxes.size(), 0);
}

void TestDataFile::fullAtTheLargestCount()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
    // A sparse file of 32,766 records: one more fits, then no more.
    {
        QFile f(env.path("Custorin.Data"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(qint64(32766) * 5000));
    }
    EntryRecord e;
    e.CaseNumber = "LAST";
    int n = 0;
    QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
    QCOMPARE(n, 32767);
    QCOMPARE(QFileInfo(env.path("Custorin.Data")).size(), qint64(32767) * 5000);
    QCOMPARE(AppendEntry(e, &n), StoreResult::Full);
    QCOMPARE(QFileInfo(env.path("Custorin.Data")).size(), qint64(32767) * 5000);
    const QByteArray log = readFile(env.path("DataRecords.Log"));
    QCOMPARE(log.count('\n'), 1);
}

void TestDataFile::resultTexts()
{
    TestEnvironment env;
    QCOMPARE(StoreResultText(StoreResult::Changed),
             QString("This entry has been changed or removed at another\r\n"
                     "workstation since the list was loaded.\r\n\r\n"
                     "Nothing has been changed.\r\n"
                     "Please look at the refreshed list and try again."));
    QCOMPARE(StoreResultText(StoreResult::Missing), StoreResultText(StoreResult::Changed));
    QCOMPARE(StoreResultTitle(StoreResult::Changed),
             QString("Entry changed at another workstation"));
    for (StoreResult r : {StoreResult::NotAvailable, StoreResult::LogFailed, StoreResult::IoError,
                          StoreResult::Full}) {
        QVERIFY(!StoreResultTitle(r).isEmpty());
        QVERIFY(StoreResultText(r).contains("\r\n"));
        QCOMPARE(StoreResultText(r).count("\n"), StoreResultText(r).count("\r\n"));
    }
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
