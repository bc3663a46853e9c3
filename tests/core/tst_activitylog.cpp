// The four activity logs: exact lines and bytes, the read-only attribute
// between writes, a log that can not be written, and line breaks and tabs
// kept out of the lines.
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/InputChecks.h"

#include <QtTest>
#include <sys/stat.h>

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
    void linesOfTheFourLogs()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 32)));
        env.session.CurrentAccessLevel = 2;
        QVERIFY(LogSignInOut(env.data, 1));
        env.session.CurrentAccessLevel = 4;
        for (int code : {1, 2, 0, 9})
            QVERIFY(LogSignInOut(env.data, code));
        // 4 December 2026 22:45:10 (46360 days and 81,910 seconds), small
        // legacy numbers, and one too large for a date.
        for (int code : {6, 4, 3, 5, 7, 8})
            QVERIFY(LogDataRecord(env.data, code, 46360 + 81910.0 / 86400.0));
        for (double cn : {7.0, 123456.0, 32999.0})
            QVERIFY(LogDataRecord(env.data, 3, cn));
        for (int code : {3, 4, 5, 2})
            QVERIFY(LogUserList(env.data, code, "Pat Doe"));
        env.desktop.setNow(QDateTime(QDate(2026, 2, 28), QTime(23, 59, 59)));
        env.session.CurrentUserName = QString::fromUtf8("José Müller");
        QVERIFY(LogSearch(env.data, QString::fromUtf8("'5€ – ✓'")));

        const QByteArray t = "12/04/2026 at 22:45:32 - ";
        QCOMPARE(env.read("SignInOut.Log"),
                 t + "Pat Doe signed in w/ Read/Edit privileges\r\n" + t +
                     "Pat Doe signed in w/ Full Access privileges\r\n" + t +
                     "Pat Doe signed out\r\n" + t + "Pat Doe - Incorrect password submitted\r\n" +
                     t + "Pat Doe\r\n");
        const QByteArray c = t + "Control#20261204224510 ";
        QCOMPARE(env.read("DataRecords.Log"),
                 c + "archived by Pat Doe\r\n" + c + "edited by Pat Doe\r\n" + c +
                     "added by Pat Doe\r\n" + c + "deleted by Pat Doe\r\n" + c +
                     "restored by Pat Doe\r\n" + c + " by Pat Doe\r\n" + t +
                     "Control#00007 added by Pat Doe\r\n" + t +
                     "Control#22380103000000 added by Pat Doe\r\n" + t +
                     "Control#32999 added by Pat Doe\r\n");
        QCOMPARE(env.read("UserList.Log"), t + "'Pat Doe' added to the 'User List'\r\n" + t +
                                               "'Pat Doe' edited in the 'User List'\r\n" + t +
                                               "'Pat Doe' deleted from the 'User List'\r\n" + t +
                                               "'Pat Doe'  the 'User List'\r\n");
        // Windows-1252, with "?" for what it can not hold.
        QCOMPARE(env.read("Search.Log"), QByteArray("02/28/2026 at 23:59:59 - Jos\xE9 M\xFCller "
                                                    "searched for '5\x80 \x96 ?'\r\n"));
    }

    void readOnlyBetweenWrites()
    {
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 32)));
        const QString path = env.path("Search.Log");
        QVERIFY(LogSearch(env.data, "'a'")); // created by the first append
        QVERIFY(!anyWriteBit(path) && (QFile::permissions(path) & QFile::ReadOwner));
        QVERIFY(LogSearch(env.data, "'b'"));
        // Made writable by hand: read-only again after the next append.
        QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner |
                                                QFile::WriteGroup | QFile::WriteOther));
        QVERIFY(LogSearch(env.data, "'c'"));
        QVERIFY(!anyWriteBit(path));
        const QByteArray three = "12/04/2026 at 22:45:32 - Pat Doe searched for 'a'\r\n"
                                 "12/04/2026 at 22:45:32 - Pat Doe searched for 'b'\r\n"
                                 "12/04/2026 at 22:45:32 - Pat Doe searched for 'c'\r\n";
        QCOMPARE(env.read("Search.Log"), three);
        // No line without the lock.
        FolderLock notHeld(env.data);
        qint64 before = -1;
        QVERIFY(!AppendLogLine(notHeld, "Search.Log", "never", &before));
        QCOMPARE(env.read("Search.Log"), three);
        QVERIFY(!anyWriteBit(path));
    }

    void failedWriteIsReported()
    {
        TestFolder env;
        // A folder in place of the log: it can never be opened for appending.
        QVERIFY(env.block("SignInOut.Log"));
        QVERIFY(!LogSignInOut(env.data, 1));
        QVERIFY(LogSearch(env.data, "'x'")); // the other logs are not affected
        QCOMPARE(
            LogFailedText(env.data, "SignInOut.Log"),
            "The activity log 'SignInOut.Log' can not be\r\nwritten to in the data folder:\r\n" +
                QDir(env.folder()).absoluteFilePath(QString()) +
                "\r\n\r\n'SignInOut.Log' is not a regular file.\r\nPlease put the file itself "
                "in its place.\r\n\r\nNothing has been changed.");
    }

    // Whoever may write to the data folder must not make the program write
    // to, or change the mode of, a file elsewhere: a link in a log's place
    // is refused, never followed, and a pipe never holds the program up.
    void linksAndPipesAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        const QString link = "'DataRecords.Log' is a symbolic link, and the files of\r\nthe data "
                             "folder are never opened through one.";
        QTest::newRow("link to a file") << "link" << link;
        QTest::newRow("dangling link") << "dangling" << link;
        QTest::newRow("pipe") << "pipe"
                              << "'DataRecords.Log' is not a regular file.";
    }
    void linksAndPipesAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        TestFolder env;
        QTemporaryDir outside;
        const QString mine = outside.filePath("mine.txt");
        writeFile(mine, "mine\n");
        const auto mode =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(mine, mode));
        const QString log = env.path("DataRecords.Log");
        if (kind == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(log).constData(), 0666), 0);
        else
            QVERIFY(QFile::link(kind == "link" ? mine : outside.filePath("new.txt"), log));

        QVERIFY(!LogDataRecord(env.data, LogAdded, 7));
        FolderLock lock(env.data);
        QVERIFY(lock.acquire());
        QVERIFY(!UndoLogAppend(lock, "DataRecords.Log", 0));
        lock.release();
        QCOMPARE(readFile(mine), QByteArray("mine\n"));
        QCOMPARE(QFile::permissions(mine) & 0x7077, mode);
        QVERIFY(!QFile::exists(outside.filePath("new.txt")));
        QCOMPARE(LogFailedText(env.data, "DataRecords.Log"),
                 "The activity log 'DataRecords.Log' can not be\r\nwritten to in the data "
                 "folder:\r\n" +
                     QDir(env.folder()).absoluteFilePath(QString()) + "\r\n\r\n" + why +
                     "\r\nPlease put the file itself in its place.\r\n\r\nNothing has been "
                     "changed.");
        QVERIFY(LogSearch(env.data, "'x'")); // the other logs are written as ever
    }

    void lineBreaksAndTabsStayOutOfTheLines()
    {
        QCOMPARE(OneLine("a\r\nb\rc\nd\te\u2028f|a\r\n\r\nb"), QStringLiteral("a b c d e f|a  b"));
        const QDateTime now(QDate(2026, 1, 1), QTime(1, 2, 3));
        TestFolder env(now, "Pat\r\nMorgan");
        QCOMPARE(
            SearchLine(env.session, now, "'x'\r\n01/01/2026 at 01:02:03 - forged"),
            QStringLiteral("01/01/2026 at 01:02:03 - Pat Morgan searched for 'x' 01/01/2026 at "
                           "01:02:03 - forged"));
        QCOMPARE(DataRecordLine(env.session, now, LogEdited, 3),
                 QStringLiteral("01/01/2026 at 01:02:03 - Control#00003 edited by Pat Morgan"));
    }
};

QTEST_GUILESS_MAIN(TestActivityLog)
#include "tst_activitylog.moc"
