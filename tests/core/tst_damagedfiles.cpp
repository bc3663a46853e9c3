// Files that are not what they should be and input that must not reach
// them: record files of a length that is not a whole number of records,
// control numbers and creation dates that are not numbers, the deletion
// marker typed as a case number or a first name, line breaks and tabs in
// texts bound for the files and the logs, the clean-up of empty files at
// exit. Expected bytes and texts are written out here.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/common/Startup.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryStore.h"
#include "core/rules/AdminRules.h"
#include "core/rules/EntryCard.h"
#include "core/rules/FindRules.h"
#include "core/users/UserFile.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <cstring>
#include <limits>

namespace
{

const QDateTime Now(QDate(2026, 1, 1), QTime(1, 2, 3));

QByteArray entryBytes(const QByteArray &caseNumber, double controlNumber, char status = 1)
{
    QByteArray rec(5000, ' ');
    const qint16 stamp = 72;
    std::memcpy(rec.data(), &stamp, 2);
    std::memcpy(rec.data() + 2, &controlNumber, 8);
    rec.replace(10, caseNumber.size(), caseNumber);
    rec.replace(215, 8, QByteArray(8, '\0'));
    rec.replace(393, 8, QByteArray(8, '\0'));
    rec.replace(471, 8, QByteArray(8, '\0'));
    rec[4999] = status;
    return rec;
}

QByteArray userBytes(const QByteArray &first, const QByteArray &last, double created,
                     qint16 level = 2)
{
    QByteArray rec(500, ' ');
    std::memcpy(rec.data(), &created, 8);
    rec.replace(8, first.size(), first);
    rec.replace(23, last.size(), last);
    rec.replace(43, 16, "xAybzc1d        "); // the stored form of "abc1"
    std::memcpy(rec.data() + 59, &level, 2);
    return rec;
}

double notANumber()
{
    // A quiet NaN with a payload of its own, as a damaged record may hold.
    const quint64 bits = 0x7FF8000000C0FFEEull;
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

QString text(const QString &path)
{
    return QString::fromLatin1(readFile(path));
}

} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT
private slots:
    void notANumberStillNamesItsRecord();
    void partialTailOfTheDataFileIsToldAndKept();
    void partialTailRoundedUpIsCompletedWithZeros();
    void partialTailOfTheUserFile();
    void deletionMarkerIsRefusedByEveryWriter();
    void lineBreaksAndTabsStayOutOfFilesAndLogs();
    void emptyFilesAtExitOnlyUnderTheLock();
};

void TestDamagedFiles::notANumberStillNamesItsRecord()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    const double nan = notANumber();
    QVERIFY(nan != nan);
    const QByteArray before =
        entryBytes("A-1", 1) + entryBytes("NAN-2", nan) + entryBytes("C-3", 3);
    writeFile(env.path("Custorin.Data"), before);
    const EntryIdentity id = EntryIdentity::of(EntryRecord::Unpack(before.mid(5000, 5000)));
    QVERIFY(id.matches(EntryRecord::Unpack(before.mid(5000, 5000))));
    // Another not-a-number is another entry.
    const EntryIdentity otherNan{std::numeric_limits<double>::quiet_NaN(), "NAN-2"};
    QVERIFY(!otherNan.matches(EntryRecord::Unpack(before.mid(5000, 5000))));

    QCOMPARE(ArchiveEntry(2, id), StoreResult::Ok);
    QByteArray expected = before;
    expected[9999] = 2;
    QCOMPARE(readFile(env.path("Custorin.Data")), expected);
    EntryRecord edited = EntryRecord::Unpack(before.mid(5000, 5000));
    edited.Location = "Shelf 1";
    QCOMPARE(SaveEditedEntry(2, id, edited), StoreResult::Ok);
    QCOMPARE(readFile(env.path("Custorin.Data")).mid(5025, 50),
             QByteArray("Shelf 1") + QByteArray(43, ' '));
    QCOMPARE(DeleteEntry(2, id), StoreResult::Ok);
    QCOMPARE(readFile(env.path("Custorin.Data")), before.left(5000) + before.mid(10000));

    // A user whose creation date is not a number can be edited and deleted.
    writeFile(env.path("User.List"),
              userBytes("Pat", "Morgan", 46000.5) + userBytes("Lee", "Carter", nan));
    QVERIFY(OpenUserFile());
    const UserRecord lee = ReadUser(2);
    CloseUserFile();
    UserRecord renamed = lee;
    renamed.LastName = "Carter-Wu";
    QCOMPARE(SaveEditedUser(2, UserIdentity::of(lee), renamed), UserResult::Ok);
    QCOMPARE(readFile(env.path("User.List")).mid(523, 20), QByteArray("Carter-Wu           "));
    QCOMPARE(DeleteUser(2, UserIdentity::of(renamed)), UserResult::Ok);
    QCOMPARE(readFile(env.path("User.List")), userBytes("Pat", "Morgan", 46000.5));
}

void TestDamagedFiles::partialTailOfTheDataFileIsToldAndKept()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    const QByteArray whole = entryBytes("A-1", 1) + entryBytes("B-2", 2) + entryBytes("C-3", 3);
    const QByteArray tail = QByteArray("half a record ") + QByteArray(986, 'T');
    writeFile(env.path("Custorin.Data"), whole + tail);

    // Told once when the file is read, with the entries it is counted as.
    env.desktop.answerMsgBox(1);
    QVERIFY(OpenDataFile());
    CloseDataFile();
    QCOMPARE(RecordCount, 3);
    QVERIFY(OpenDataFile());
    CloseDataFile();
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    const MsgBoxRequest notice = env.desktop.msgBoxes[0];
    QCOMPARE(notice.title, QStringLiteral("Data file damaged"));
    QCOMPARE(notice.icon, 4);
    QCOMPARE(notice.text,
             QStringLiteral("The data file 'Custorin.Data' is 16,000 bytes long:\r\n"
                            "its last 1,000 bytes are not a whole 5,000-byte entry.\r\n"
                            "\r\n"
                            "The 3 entries it is counted as holding are shown;\r\n"
                            "nothing is written past the last whole entry\r\n"
                            "until you agree to it. A backup may hold the file whole."));
    QCOMPARE(notice.buttons, QStringList{"&Okay"});

    // Before a change: asked without the lock held; cancelled, nothing moves.
    bool lockFree = false;
    env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
        FolderLock other;
        lockFree = other.tryAcquire();
        return MsgBoxAnswer{2, false};
    });
    EntryRecord added;
    added.CaseNumber = "D-4";
    QCOMPARE(AppendEntry(added), StoreResult::Cancelled);
    QVERIFY(lockFree);
    const MsgBoxRequest question = env.desktop.msgBoxes[1];
    QCOMPARE(question.title, QStringLiteral("Data file damaged"));
    QCOMPARE(question.icon, 3);
    QCOMPARE(question.text,
             QStringLiteral("The data file 'Custorin.Data' is 16,000 bytes long:\r\n"
                            "its last 1,000 bytes are not a whole 5,000-byte entry.\r\n"
                            "\r\n"
                            "Before this change is saved, those bytes are copied to\r\n"
                            "'Custorin.Data.20260101010203.tail' in the data folder, and the data "
                            "file\r\n"
                            "is made to hold exactly the 3 entries shown.\r\n"
                            "\r\n"
                            "Go on?"));
    QCOMPARE(question.buttons, QStringList({"&Keep a copy and go on", "&Cancel"}));
    QCOMPARE(question.defaultButton, 2);
    QCOMPARE(readFile(env.path("Custorin.Data")), whole + tail);
    QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
    env.desktop.answerMsgBox(0); // asked again, closed without a button
    QCOMPARE(ArchiveEntry(1, {1, "A-1"}), StoreResult::Cancelled);
    QCOMPARE(env.desktop.msgBoxes.size(), 3);
    QCOMPARE(readFile(env.path("Custorin.Data")), whole + tail);

    // Agreed: the tail is kept, then the entry goes after the third.
    env.desktop.answerMsgBox(1);
    QCOMPARE(AppendEntry(added), StoreResult::Ok);
    QCOMPARE(readFile(env.path("Custorin.Data.20260101010203.tail")), tail);
    const QByteArray after = readFile(env.path("Custorin.Data"));
    QCOMPARE(after.size(), 20000);
    QCOMPARE(after.left(15000), whole);
    QCOMPARE(after.mid(15010, 15), QByteArray("D-4            "));
    QCOMPARE(text(env.path("DataRecords.Log")),
             QStringLiteral("01/01/2026 at 01:02:03 - Control#20260101010203 added by \r\n"));
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestDamagedFiles::partialTailRoundedUpIsCompletedWithZeros()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    // Three and a half records and a bit: counted as four, the fourth read
    // with zeros past the end of the file.
    const QByteArray whole = entryBytes("A-1", 1) + entryBytes("B-2", 2) + entryBytes("C-3", 3);
    const QByteArray partial = entryBytes("D-4", 4).left(2600);
    writeFile(env.path("Custorin.Data"), whole + partial);
    env.desktop.answerMsgBox(1, false, "Data file damaged");
    QCOMPARE(ArchiveEntry(4, {4, "D-4"}), StoreResult::Ok);
    QCOMPARE(readFile(env.path("Custorin.Data.20260101010203.tail")), partial);
    QByteArray fourth = partial + QByteArray(2400, '\0');
    fourth[4999] = 2;
    QCOMPARE(readFile(env.path("Custorin.Data")), whole + fourth);
}

void TestDamagedFiles::partialTailOfTheUserFile()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    const QByteArray whole =
        userBytes("Pat", "Morgan", 46000.5) + userBytes("Lee", "Carter", 46001);
    const QByteArray tail(120, 'U');
    writeFile(env.path("User.List"), whole + tail);

    bool ok = false;
    env.desktop.answerMsgBox(1);
    const QVector<UserRecord> users = ReadAllUsers(&ok);
    QVERIFY(ok);
    QCOMPARE(users.size(), 2);
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    QCOMPARE(env.desktop.msgBoxes[0].title, QStringLiteral("User file damaged"));
    QCOMPARE(env.desktop.msgBoxes[0].text,
             QStringLiteral("The user file 'User.List' is 1,120 bytes long:\r\n"
                            "its last 120 bytes are not a whole 500-byte user record.\r\n"
                            "\r\n"
                            "The 2 users it is counted as holding are shown;\r\n"
                            "nothing is written past the last whole user record\r\n"
                            "until you agree to it. A backup may hold the file whole."));

    UserRecord sam;
    sam.FirstName = "Sam";
    sam.LastName = "Rivera";
    sam.Password = "xAybzc1d";
    sam.AccessLevel = 1;
    env.desktop.answerMsgBox(2, false, "User file damaged");
    QCOMPARE(AppendUser(sam), UserResult::Cancelled);
    QCOMPARE(readFile(env.path("User.List")), whole + tail);
    env.desktop.answerMsgBox(1, false, "User file damaged");
    QCOMPARE(AppendUser(sam), UserResult::Ok);
    QCOMPARE(readFile(env.path("User.List.20260101010203.tail")), tail);
    const QByteArray after = readFile(env.path("User.List"));
    QCOMPARE(after.size(), 1500);
    QCOMPARE(after.left(1000), whole);
    QCOMPARE(after.mid(1008, 15), QByteArray("Sam            "));
}

void TestDamagedFiles::deletionMarkerIsRefusedByEveryWriter()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    EntryRecord entry;
    entry.CaseNumber = " $Killed$ ";
    QCOMPARE(AppendEntry(entry), StoreResult::Reserved);
    QVERIFY(readFile(env.path("Custorin.Data")).isEmpty());
    const QByteArray one = entryBytes("A-1", 1);
    writeFile(env.path("Custorin.Data"), one);
    entry.CaseNumber = "$Killed$";
    QCOMPARE(SaveEditedEntry(1, {1, "A-1"}, entry), StoreResult::Reserved);
    QCOMPARE(readFile(env.path("Custorin.Data")), one);
    QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
    QCOMPARE(StoreResultTitle(StoreResult::Reserved), QStringLiteral("Case number reserved"));
    QCOMPARE(StoreResultText(StoreResult::Reserved),
             QStringLiteral("'$Killed$' can not be used as a case number:\r\n"
                            "it marks an entry while it is being deleted.\r\n"
                            "\r\n"
                            "Nothing has been changed."));
    // "$killed$" is not the marker.
    entry.CaseNumber = "$killed$";
    QCOMPARE(SaveEditedEntry(1, {1, "A-1"}, entry), StoreResult::Ok);

    UserRecord user;
    user.FirstName = "$Killed$";
    user.LastName = "Morgan";
    user.Password = "xAybzc1d";
    user.AccessLevel = 4;
    QCOMPARE(AppendUser(user), UserResult::InvalidName);
    user.FirstName = "Pat";
    user.LastName = "Mor\tgan";
    QCOMPARE(AppendUser(user), UserResult::InvalidName);
    user.LastName = "Morgan";
    QCOMPARE(AppendUser(user), UserResult::Ok);
    const QByteArray users = readFile(env.path("User.List"));
    UserRecord edited = user;
    edited.FirstName = "Pat\r\nLee";
    QCOMPARE(SaveEditedUser(1, UserIdentity::of(user), edited), UserResult::InvalidName);
    edited.FirstName = "$Killed$";
    QCOMPARE(SaveEditedUser(1, UserIdentity::of(user), edited), UserResult::InvalidName);
    QCOMPARE(readFile(env.path("User.List")), users);
    QCOMPARE(text(env.path("UserList.Log")),
             QStringLiteral("01/01/2026 at 01:02:03 - 'Pat Morgan' added to the 'User List'\r\n"));
    QCOMPARE(UserResultTitle(UserResult::InvalidName), QStringLiteral("Invalid Name"));
    QCOMPARE(UserResultText(UserResult::InvalidName),
             QStringLiteral("A first name may not be '$Killed$' (it marks a user\r\n"
                            "while the user is being deleted), and no name\r\n"
                            "may hold a tab or a line break.\r\n"
                            "\r\n"
                            "Nothing has been changed."));

    // The windows' own checks, before anything is written.
    QCOMPARE(CheckUserNames(" $Killed$", "Morgan"), UserNameCheck::Reserved);
    QCOMPARE(CheckUserNames("Pat", "$Killed$"), UserNameCheck::Ok);
    QCOMPARE(CheckUserNames("Pat", "Mor\ngan"), UserNameCheck::ControlCharacter);
    QCOMPARE(InvalidUserNameMessage(UserNameCheck::Reserved).text,
             QStringLiteral("'$Killed$' can not be used as a first name:\r\n"
                            "it marks a user while the user is being deleted."));
    QCOMPARE(InvalidUserNameMessage(UserNameCheck::ControlCharacter).text,
             QStringLiteral("A name may not hold a tab, a line break\r\n"
                            "or another control character."));
    QStringList card(17);
    card[1] = "$Killed$";
    card[11] = "1/2/2026";
    const CardCheck check = CheckGoodData(card);
    QVERIFY(!check.ok);
    QCOMPARE(check.failedFields, QVector<int>{1});
    QCOMPARE(check.messages, QStringList{ReservedCaseNumberText()});
}

void TestDamagedFiles::lineBreaksAndTabsStayOutOfFilesAndLogs()
{
    QCOMPARE(OneLine("a\r\nb\rc\nd\te\u2028f"), QStringLiteral("a b c d e f"));
    QCOMPARE(OneLine("a\r\n\r\nb"), QStringLiteral("a  b"));
    QVERIFY(!HasControlCharacter(QStringLiteral("Caf\u00e9 \u20ac")));

    TestEnvironment env;
    env.desktop.setNow(Now);
    CurrentUserName = "Pat\r\nMorgan";
    QCOMPARE(SearchLine(Now, "'x'\r\n01/01/2026 at 01:02:03 - forged"),
             QStringLiteral("01/01/2026 at 01:02:03 - Pat Morgan searched for 'x' 01/01/2026 at "
                            "01:02:03 - forged"));
    QCOMPARE(UserListLine(Now, LogAdded, "Lee\tCarter"),
             QStringLiteral("01/01/2026 at 01:02:03 - 'Lee Carter' added to the 'User List'"));
    QCOMPARE(DataRecordLine(Now, LogEdited, 3),
             QStringLiteral("01/01/2026 at 01:02:03 - Control#00003 edited by Pat Morgan"));
    QVERIFY(LogSearch("'a\r\nb'"));
    QCOMPARE(text(env.path("Search.Log")),
             QStringLiteral("01/01/2026 at 01:02:03 - Pat Morgan searched for 'a b'\r\n"));

    // A pasted search phrase is one line.
    QCOMPARE(CriteriaOnClosing(true, 0, " drill\r\nbit ", QDate(), 1, 0).searchPhrase,
             QStringLiteral("drill bit"));
    // A name an older release let in keeps the grid's five columns.
    UserRecord odd;
    odd.FirstName = "Lee\t";
    odd.LastName = "Car\r\nter";
    odd.AccessLevel = 2;
    const QStringList row = UserGridRowText(odd, 7).split(QLatin1Char('\t'));
    QCOMPARE(row.size(), 5);
    QCOMPARE(row[4], QStringLiteral("7"));
    // The card: one-line fields on one line, the narrative keeps its lines.
    QCOMPARE(CardStoredText(CardField::CaseNumber, " 26-\r\n7 "), QStringLiteral("26- 7"));
    QCOMPARE(CardStoredText(CardField::Narrative, "one\r\ntwo"), QStringLiteral("one\r\ntwo"));
    QStringList texts(17);
    texts[1] = "26-\r\n7";
    texts[2] = "Shelf\t9";
    texts[15] = "one\r\ntwo";
    EntryRecord e;
    FillEntryFromCard(e, texts);
    QCOMPARE(e.CaseNumber, QStringLiteral("26- 7"));
    QCOMPARE(e.Location, QStringLiteral("Shelf 9"));
    QCOMPARE(e.Narrative, QStringLiteral("one\r\ntwo"));
}

void TestDamagedFiles::emptyFilesAtExitOnlyUnderTheLock()
{
    TestEnvironment env;
    writeFile(env.path("Custorin.Data"), QByteArray());
    writeFile(env.path("Search.Log"), QByteArray());
    writeFile(env.path("User.List"), userBytes("Pat", "Morgan", 1));
    {
        // Another workstation holds the lock (it may have just created the
        // file to write into it): nothing goes.
        FolderLock other;
        QVERIFY(other.tryAcquire());
        QCOMPARE(RemoveEmptyDataFiles(), QStringList());
        QVERIFY(QFile::exists(env.path("Custorin.Data")));
        QVERIFY(QFile::exists(env.path("Search.Log")));
    }
    QCOMPARE(RemoveEmptyDataFiles(), QStringList({"Custorin.Data", "Search.Log"}));
    QVERIFY(!QFile::exists(env.path("Custorin.Data")));
    QVERIFY(QFile::exists(env.path("User.List")));
}

QTEST_GUILESS_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
