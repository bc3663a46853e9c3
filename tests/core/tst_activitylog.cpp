// The four activity logs: exact lines and bytes, the read-only attribute
// between writes, a log that can not be written, line breaks and tabs kept
// out of the lines; a log loaded for review and the text search's walk.
#include "BoxText.h"
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/InputChecks.h"
#include "core/rules/LogReview.h"

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

struct Window {
    QStringList events;
    LogTextSearch::Hooks hooks()
    {
        LogTextSearch::Hooks h;
        h.started = [this] { events << "started"; };
        h.finished = [this] { events << "finished"; };
        h.select = [this](int start, int length) {
            events << QStringLiteral("select %1+%2").arg(start).arg(length);
        };
        h.ask = [](const MsgBoxRequest &r) { return desktop().messageBox(r).choice; };
        return h;
    }
};

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
        FolderLock notHeld(env.data);
        qint64 before = -1;
        QVERIFY(!AppendLogLine(notHeld, "Search.Log", "never", &before));
        QCOMPARE(env.read("Search.Log"), three);
        QVERIFY(!anyWriteBit(path));
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
        QTest::newRow("folder") << "folder"
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
        else if (kind == "folder")
            QVERIFY(env.block("DataRecords.Log"));
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

    void loadingALog()
    {
        TestEnvironment env;
        const QString path = env.path("Search.Log");
        // Windows-1252: 0x80 is the euro sign, 0xE9 e acute, 0x81 undefined.
        writeFile(path, "  \r\n12/04/2026 at 22:50:01 - Ren\xE9 searched for '\x80 5'\r\n"
                        "12/04/2026 at 22:51:00 - x\x81y\rlast line\r\n\r\n");
        LogText log = LoadLogText(env.store, "Search.Log");
        QVERIFY(log.hasEntries);
        QCOMPARE(log.text, QString::fromUtf8("12/04/2026 at 22:50:01 - René searched for '€ 5'\n"
                                             "12/04/2026 at 22:51:00 - x\xC2\x81y\nlast line"));
        QCOMPARE(log.widestLine, 48); // the first line, its euro sign one character
        writeFile(path, "a\nbc\r\n" + QByteArray(75, 'x')); // a lone LF breaks too
        QCOMPARE(LoadLogText(env.store, "Search.Log").widestLine, 75);
        QCOMPARE(LoadLogText(env.store, "Search.Log").text, "a\nbc\n" + QString(75, 'x'));
        // Missing, blank lines only, empty: the same notice.
        for (const QByteArray &bytes : {QByteArray("\r\n  \r\n\t\r\n"), QByteArray()}) {
            writeFile(path, bytes);
            log = LoadLogText(env.store, "Search.Log");
            QVERIFY(!log.hasEntries);
            QCOMPARE(log.text, QStringLiteral("There are currently no entries for this log file"));
        }
        QVERIFY(!LoadLogText(env.store, "UserList.Log").hasEntries);
        // Found in any letter case, Windows-1252 letters too, at its own place.
        LogFinder finder;
        finder.setText(QString::fromUtf8("Ren\xC3\xA9 \xC5\x92uvre \xC3\x89T\xC3\x89"));
        QCOMPARE(finder.find(QString::fromUtf8("REN\xC3\x89"), 1), 1);
        QCOMPARE(finder.find(QString::fromUtf8("\xC5\x93UVRE"), 1), 6);
        QCOMPARE(finder.find(QString::fromUtf8("\xC3\xA9t\xC3\xA9"), 2), 12);
    }

    void searchWalksThroughTheMatches()
    {
        TestEnvironment env;
        LogFinder text;
        text.setText(QStringLiteral("Pat DOE signed in\nLee Ray signed in\nPat Doe signed out"));
        LogTextSearch search;
        Window w;
        // Found in any case; the third click reaches the end, where "Yes,
        // look again" starts at the top and "No" ends the search.
        env.desktop.answerInputBox(QStringLiteral("pat doe"));
        env.desktop.answerMsgBox(1, false, "End of text reached");
        env.desktop.answerMsgBox(2, false, "End of text reached");
        for (int click = 0; click < 5; ++click)
            search.findText(text, w.hooks());
        QCOMPARE(env.desktop.inputTitles, QStringList{"Search for Text"});
        QCOMPARE(
            env.desktop.inputPrompts,
            QStringList{"\r\n\r\nEnter any text, whole or partial\r\nthat you wish to find..."});
        QCOMPARE(w.events, QStringList({"started", "select 0+7", "select 36+7", "select 0+7",
                                        "select 36+7", "finished"}));
        QCOMPARE(boxText(env.desktop.msgBoxes.first()),
                 "End of text reached | No further matches found.\r\n\r\nStart again from the "
                 "top? | &Yes, look again, &No, stop searching | 5 1 0");
        QVERIFY(!search.running());

        // Not found: another search offers the text again, or Stop. A new
        // search offers the old text.
        text.setText(QStringLiteral("12/04/2026 at 22:49:12 - 'Pat Doe' added to the 'User List'"));
        w.events.clear();
        env.desktop.answerInputBox(QStringLiteral("bicycle"));
        env.desktop.answerMsgBox(1, false, "No such text");
        env.desktop.answerInputBox(QStringLiteral("bicycle"));
        env.desktop.answerMsgBox(2, false, "No such text");
        search.findText(text, w.hooks());
        QCOMPARE(env.desktop.inputDefaults, QStringList({"", "pat doe", "bicycle"}));
        QCOMPARE(w.events, QStringList({"started", "finished", "started", "finished"}));
        QVERIFY(!search.running());
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_GUILESS_MAIN(TestActivityLog)
#include "tst_activitylog.moc"
