// The four activity logs: exact lines and bytes, the read-only attribute
// between writes, and what happens when a log can not be written.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace
{

// The mode bits of the file (the "User" flags say what the running user may
// do, which for root is everything).
bool anyWriteBit(const QString &path)
{
    return QFile::permissions(path) & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
}

} // namespace

class TestActivityLog : public QObject
{
    Q_OBJECT
private slots:
    void linesOfTheFourLogs();
    void signInOutCodes();
    void controlNumberForms();
    void userListUnknownCodeLeavesTheVerbEmpty();
    void windows1252AndCrLf();
    void readOnlyBetweenWrites();
    void failedWriteReportsAndLeavesNoHalfLine();
};

void TestActivityLog::linesOfTheFourLogs()
{
    TestEnvironment env;
    CurrentUserName = "Pat Doe";
    CurrentAccessLevel = 2;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 32)));
    QVERIFY(LogSignInOut(1));
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 47, 5)));
    // 4 December 2026 22:45:10: 46360 days and 81,910 seconds.
    QVERIFY(LogDataRecord(6, 46360 + 81910.0 / 86400.0));
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 47, 40)));
    QVERIFY(LogDataRecord(4, 123));
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 49, 12)));
    QVERIFY(LogUserList(3, "Pat Doe"));
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 1)));
    QVERIFY(LogSearch("'bicycle'"));

    QCOMPARE(readFile(env.path("SignInOut.Log")),
             QByteArray("12/04/2026 at 22:45:32 - Pat Doe signed in w/ Read/Edit privileges\r\n"));
    QCOMPARE(readFile(env.path("DataRecords.Log")),
             QByteArray("12/04/2026 at 22:47:05 - Control#20261204224510 archived by Pat Doe\r\n"
                        "12/04/2026 at 22:47:40 - Control#00123 edited by Pat Doe\r\n"));
    QCOMPARE(readFile(env.path("UserList.Log")),
             QByteArray("12/04/2026 at 22:49:12 - 'Pat Doe' added to the 'User List'\r\n"));
    QCOMPARE(readFile(env.path("Search.Log")),
             QByteArray("12/04/2026 at 22:50:01 - Pat Doe searched for 'bicycle'\r\n"));

    // The remaining verbs of both numbered logs.
    env.desktop.setNow(QDateTime(QDate(2027, 1, 9), QTime(8, 5, 0)));
    QVERIFY(LogDataRecord(3, 1));
    QVERIFY(LogDataRecord(5, 2));
    QVERIFY(LogDataRecord(7, 3));
    QVERIFY(LogDataRecord(8, 4));
    QVERIFY(LogUserList(4, "Sam"));
    QVERIFY(LogUserList(5, "Sam"));
    QVERIFY(readFile(env.path("DataRecords.Log"))
                .endsWith("01/09/2027 at 08:05:00 - Control#00001 added by Pat Doe\r\n"
                          "01/09/2027 at 08:05:00 - Control#00002 deleted by Pat Doe\r\n"
                          "01/09/2027 at 08:05:00 - Control#00003 restored by Pat Doe\r\n"
                          "01/09/2027 at 08:05:00 - Control#00004  by Pat Doe\r\n"));
    QVERIFY(readFile(env.path("UserList.Log"))
                .endsWith("01/09/2027 at 08:05:00 - 'Sam' edited in the 'User List'\r\n"
                          "01/09/2027 at 08:05:00 - 'Sam' deleted from the 'User List'\r\n"));
}

void TestActivityLog::signInOutCodes()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2009, 3, 4), QTime(0, 0, 9)));
    CurrentUserName = "Chris Clark";
    CurrentAccessLevel = 4;
    QVERIFY(LogSignInOut(1));
    QVERIFY(LogSignInOut(2));
    QVERIFY(LogSignInOut(0));
    QVERIFY(LogSignInOut(9));
    QCOMPARE(
        readFile(env.path("SignInOut.Log")),
        QByteArray("03/04/2009 at 00:00:09 - Chris Clark signed in w/ Full Access privileges\r\n"
                   "03/04/2009 at 00:00:09 - Chris Clark signed out\r\n"
                   "03/04/2009 at 00:00:09 - Chris Clark - Incorrect password submitted\r\n"
                   "03/04/2009 at 00:00:09 - Chris Clark\r\n"));
}

void TestActivityLog::controlNumberForms()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(13, 0, 0)));
    CurrentUserName = "Pat Doe";
    QVERIFY(LogDataRecord(3, 7));
    QVERIFY(LogDataRecord(3, 123456));
    QVERIFY(LogDataRecord(3, 32999));
    QCOMPARE(readFile(env.path("DataRecords.Log")),
             QByteArray("12/04/2026 at 13:00:00 - Control#00007 added by Pat Doe\r\n"
                        "12/04/2026 at 13:00:00 - Control#22380103000000 added by Pat Doe\r\n"
                        "12/04/2026 at 13:00:00 - Control#32999 added by Pat Doe\r\n"));
}

void TestActivityLog::userListUnknownCodeLeavesTheVerbEmpty()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 49, 12)));
    QVERIFY(LogUserList(2, "Pat Doe"));
    QCOMPARE(readFile(env.path("UserList.Log")),
             QByteArray("12/04/2026 at 22:49:12 - 'Pat Doe'  the 'User List'\r\n"));
}

void TestActivityLog::windows1252AndCrLf()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 2, 28), QTime(23, 59, 59)));
    CurrentUserName = QString::fromUtf8("José Müller");
    QVERIFY(LogSearch(QString::fromUtf8("'5€ – ✓'")));
    QCOMPARE(
        readFile(env.path("Search.Log")),
        QByteArray("02/28/2026 at 23:59:59 - Jos\xE9 M\xFCller searched for '5\x80 \x96 ?'\r\n"));
}

void TestActivityLog::readOnlyBetweenWrites()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 32)));
    CurrentUserName = "Pat Doe";
    const QString path = env.path("Search.Log");
    QVERIFY(!QFile::exists(path));
    QVERIFY(LogSearch("'a'")); // created by the first append
    QVERIFY(QFile::exists(path));
    QVERIFY(!anyWriteBit(path));
    QVERIFY(QFile::permissions(path) & QFile::ReadOwner);
    QVERIFY(LogSearch("'b'"));
    QVERIFY(!anyWriteBit(path));
    // Made writable by hand (for everybody): read-only again after the next
    // append.
    QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner |
                                            QFile::WriteGroup | QFile::WriteOther));
    QVERIFY(anyWriteBit(path));
    QVERIFY(LogSearch("'c'"));
    QVERIFY(!anyWriteBit(path));
    QCOMPARE(readFile(path), QByteArray("12/04/2026 at 22:45:32 - Pat Doe searched for 'a'\r\n"
                                        "12/04/2026 at 22:45:32 - Pat Doe searched for 'b'\r\n"
                                        "12/04/2026 at 22:45:32 - Pat Doe searched for 'c'\r\n"));
    // Taking back a line (a change that could not be made after all).
    FolderLock lock;
    QVERIFY(lock.acquire());
    qint64 before = -1;
    QVERIFY(AppendLogLine(lock, "Search.Log", "extra", &before));
    QCOMPARE(before, qint64(3 * 51));
    QVERIFY(UndoLogAppend(lock, "Search.Log", before));
    lock.release();
    FolderLock notHeld;
    QVERIFY(!AppendLogLine(notHeld, "Search.Log", "never", &before));
    QCOMPARE(QFileInfo(path).size(), qint64(3 * 51));
    QVERIFY(!anyWriteBit(path));
}

void TestActivityLog::failedWriteReportsAndLeavesNoHalfLine()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 32)));
    CurrentUserName = "Pat Doe";
    // A folder in place of the log: it can never be opened for appending.
    QVERIFY(QDir(env.folder()).mkdir("SignInOut.Log"));
    QVERIFY(!LogSignInOut(1));
    QVERIFY(QFileInfo(env.path("SignInOut.Log")).isDir());
    // The other logs are not affected.
    QVERIFY(LogSearch("'x'"));
    QCOMPARE(LogFailedText("SignInOut.Log"),
             QString("The activity log 'SignInOut.Log' can not be\r\n"
                     "written to in the data folder:\r\n") +
                 QDir(env.folder()).absoluteFilePath(QString()) +
                 "\r\n\r\nNothing has been changed.");
}

QTEST_GUILESS_MAIN(TestActivityLog)
#include "tst_activitylog.moc"
