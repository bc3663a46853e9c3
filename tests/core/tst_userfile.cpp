// The user file: counting, reading, appending, rewriting with the identity
// check, deletion with compaction through a work file renamed over the
// file, and the log line that goes with every change. Expected bytes are
// built here from the offsets.
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/users/UserFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <atomic>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace
{

// 12/04/2026 22:30:00, 01/02/2020 03:04:00 and 07/04/2021 00:00:00.
constexpr double kDate1 = 46360.9375;
constexpr double kDate2 = 43832.127777777777;
constexpr double kDate3 = 44381.0;

QByteArray threeUsers()
{
    return userBytes(kDate1, "Ann", "Smith", "x1Ya2Zb3", 4, "Supervisor") +
           userBytes(kDate2, "Pat", "Doe", "q4R7s8T9", 2) +
           userBytes(kDate3, "Lee", "Park", "m0N1o2P3", 1, "Temporary");
}

UserRecord newUser(const QString &first, const QString &last, const QString &password, int level)
{
    UserRecord u;
    u.FirstName = first;
    u.LastName = last;
    u.Password = ScramblePassword(password);
    u.AccessLevel = qint16(level);
    return u;
}

} // namespace

class TestUserFile : public QObject
{
    Q_OBJECT
private slots:
    void countRounding()
    {
        // Halves go to the even neighbour.
        const int lengths[] = {0, 249, 250, 251, 750, 1250, 1749, 1750};
        const int counts[] = {0, 0, 0, 1, 2, 2, 3, 4};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(UserCountForLength(lengths[i]), counts[i]);
    }

    void readsUsersAndShortLastRecord()
    {
        TestEnvironment env;
        // The last record is cut short: 1,300 bytes are three records.
        writeFile(env.path("User.List"), threeUsers().left(1300));
        env.desktop.answerMsgBox(1, false, "User file damaged");
        QVERIFY(OpenUserFile());
        QCOMPARE(UserCount, 3);
        const UserRecord pat = ReadUser(2);
        QCOMPARE(pat.DateCreated, kDate2);
        QCOMPARE(pat.DisplayName(), QStringLiteral("Pat Doe"));
        QCOMPARE(pat.SortKey(), QStringLiteral("Doe Pat"));
        QCOMPARE(UnscramblePassword(pat.Password), QStringLiteral("4789"));
        QCOMPARE(pat.AccessLevel, qint16(2));
        const UserRecord lee = ReadUser(3);
        QCOMPARE(lee.LastName, QStringLiteral("Park"));
        QCOMPARE(lee.AccessLevel, qint16(1));
        QCOMPARE(lee.Comments, QStringLiteral("Temporary"));
        QCOMPARE(ReadUser(4).FirstName, QString());
        QCOMPARE(ReadUser(0).FirstName, QString());
        CloseUserFile();
        QVERIFY(!UserFileIsOpen());
        QCOMPARE(ReadUser(1).FirstName, QString());

        UserCount = 0;
        bool ok = false;
        const QVector<UserRecord> all = ReadAllUsers(&ok);
        QVERIFY(ok);
        QCOMPARE(UserCount, 3);
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[0].DisplayName() + all[0].Comments, QStringLiteral("Ann SmithSupervisor"));
        QCOMPARE(all[2].DisplayName() + all[2].Comments, QStringLiteral("Lee ParkTemporary"));
        QVERIFY(!UserFileIsOpen());
    }

    void appendStampsAndLogs()
    {
        TestEnvironment env;
        env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 49, 12)));
        UserRecord u =
            newUser(QStringLiteral(" Pat "), QStringLiteral("Doe"), QStringLiteral("abcd"), 3);
        u.Comments = QStringLiteral("Day shift");
        int n = 0;
        QCOMPARE(AppendUser(u, &n), UserResult::Ok);
        QCOMPARE(n, 1);
        QCOMPARE(UserCount, 1);
        const double stamp = 46360.0 + (22 * 3600 + 49 * 60 + 12) / 86400.0;
        QCOMPARE(u.DateCreated, stamp);

        const QByteArray file = readFile(env.path("User.List"));
        QByteArray expected = userBytes(stamp, "Pat", "Doe", u.Password.toLatin1(), 3, "Day shift");
        expected.replace(8, 15, padded(" Pat ", 15));
        QCOMPARE(file.toHex(' '), expected.toHex(' '));
        QCOMPARE(file.mid(44, 1) + file.mid(46, 1) + file.mid(48, 1) + file.mid(50, 1),
                 QByteArray("abcd"));

        env.desktop.advance(65);
        UserRecord v = newUser("Ann", "Smith", "Zz99", 4);
        QCOMPARE(AppendUser(v, &n), UserResult::Ok);
        QCOMPARE(n, 2);
        QCOMPARE(readFile(env.path("User.List")).size(), 1000);
        QCOMPARE(readFile(env.path("UserList.Log")),
                 QByteArray("12/04/2026 at 22:49:12 - 'Pat Doe' added to the 'User List'\r\n"
                            "12/04/2026 at 22:50:17 - 'Ann Smith' added to the 'User List'\r\n"));
        QVERIFY(!(QFile::permissions(env.path("UserList.Log")) & QFile::WriteOwner));
        QVERIFY(env.desktop.msgBoxes.isEmpty());
    }

    void appendGoesAfterTheCountReadUnderTheLock()
    {
        TestEnvironment env;
        env.desktop.setNow(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
        // 1,250 bytes count as two records (a half to the even): once the
        // person agrees, the new user is the third, the half record before
        // it kept in a copy and replaced.
        const QByteArray before = threeUsers().left(1250);
        writeFile(env.path("User.List"), before);
        UserRecord u = newUser("New", "User", "abcd", 1);
        int n = 0;
        env.desktop.answerMsgBox(1, false, "User file damaged");
        QCOMPARE(AppendUser(u, &n), UserResult::Ok);
        QCOMPARE(n, 3);
        QByteArray after = readFile(env.path("User.List"));
        QCOMPARE(after.size(), 1500);
        QCOMPARE(after.left(1000), before.left(1000));
        QCOMPARE(after.mid(1008, 15), QByteArray("New            "));

        QCOMPARE(readFile(env.path("User.List.20200102030405.tail")), before.mid(1000));

        // 1,200 bytes count as two: the new user replaces the fragment.
        writeFile(env.path("User.List"), threeUsers().left(1200));
        env.desktop.answerMsgBox(1, false, "User file damaged");
        QCOMPARE(AppendUser(u, &n), UserResult::Ok);
        QCOMPARE(n, 3);
        after = readFile(env.path("User.List"));
        QCOMPARE(after.size(), 1500);
        QCOMPARE(after.mid(1023, 20), padded("User", 20));
    }

    void editKeepsTheCreationDate()
    {
        TestEnvironment env;
        env.desktop.setNow(QDateTime(QDate(2026, 12, 5), QTime(8, 0, 1)));
        writeFile(env.path("User.List"), threeUsers());
        QVERIFY(OpenUserFile());
        const UserRecord asRead = ReadUser(2);
        CloseUserFile();

        UserRecord edited = asRead;
        edited.DateCreated = 1.5; // not the window's to change
        edited.FirstName = QStringLiteral("Patricia");
        edited.Password = QStringLiteral("a1b2c3d4e5");
        edited.AccessLevel = 3;
        edited.Comments = QStringLiteral("Promoted");
        QCOMPARE(SaveEditedUser(2, UserIdentity::of(asRead), edited), UserResult::Ok);

        QByteArray expected = threeUsers();
        expected.replace(500, 500,
                         userBytes(kDate2, "Patricia", "Doe", "a1b2c3d4e5", 3, "Promoted"));
        QCOMPARE(readFile(env.path("User.List")).toHex(' '), expected.toHex(' '));
        QCOMPARE(
            readFile(env.path("UserList.Log")),
            QByteArray("12/05/2026 at 08:00:01 - 'Patricia Doe' edited in the 'User List'\r\n"));
        QCOMPARE(UserCount, 3);
    }

    void changedOrMissingUserIsNotWritten()
    {
        TestEnvironment env;
        const QByteArray before = threeUsers();
        writeFile(env.path("User.List"), before);
        const UserRecord pat = UserRecord::Unpack(before.mid(500, 500));
        UserRecord edited = pat;
        edited.Comments = QStringLiteral("changed");

        // Another workstation deleted the first user: record 2 is Lee now.
        UserIdentity sameNamesOtherDate = UserIdentity::of(pat);
        sameNamesOtherDate.DateCreated += 1.0 / 86400;
        UserIdentity otherFirst = UserIdentity::of(pat);
        otherFirst.FirstName = QStringLiteral("pat"); // names compare exactly
        UserIdentity otherLast = UserIdentity::of(pat);
        otherLast.LastName = QStringLiteral("Doe2");
        for (const UserIdentity &id : {sameNamesOtherDate, otherFirst, otherLast}) {
            QCOMPARE(SaveEditedUser(2, id, edited), UserResult::Changed);
            QCOMPARE(DeleteUser(2, id), UserResult::Changed);
        }
        QCOMPARE(SaveEditedUser(3, UserIdentity::of(pat), edited), UserResult::Changed);
        QCOMPARE(SaveEditedUser(4, UserIdentity::of(pat), edited), UserResult::Missing);
        QCOMPARE(DeleteUser(0, UserIdentity::of(pat)), UserResult::Missing);
        QCOMPARE(readFile(env.path("User.List")), before);
        QVERIFY(!QFile::exists(env.path("UserList.Log")));
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));

        // The identity ignores the blanks a reader trims.
        UserIdentity padded = UserIdentity::of(pat);
        QVERIFY(padded.matches(UserRecord::Unpack(before.mid(500, 500))));
        QCOMPARE(SaveEditedUser(2, padded, edited), UserResult::Ok);
    }

    void deleteCompactsThroughTheWorkFile()
    {
        TestEnvironment env;
        env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(23, 0, 0)));
        // A record an interrupted deletion of an older release left marked.
        const QByteArray killed = userBytes(1.0, "$Killed$", "Gone", "a1b2c3d4", 1);
        const QByteArray before = threeUsers().left(1000) + killed + threeUsers().mid(1000);
        writeFile(env.path("User.List"), before);
        QFile::setPermissions(env.path("User.List"), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ReadGroup | QFile::WriteGroup);
        // A reader that has the old file open keeps reading the old file:
        // the new one is put in place by a rename, never written over it.
        QFile reader(env.path("User.List"));
        QVERIFY(reader.open(QIODevice::ReadOnly));

        const UserRecord pat = UserRecord::Unpack(before.mid(500, 500));
        QCOMPARE(DeleteUser(2, UserIdentity::of(pat)), UserResult::Ok);
        QCOMPARE(UserCount, 2);
        const QByteArray after = readFile(env.path("User.List"));
        QCOMPARE(after.toHex(' '), (before.left(500) + before.mid(1500)).toHex(' '));
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
        QCOMPARE(QFile::permissions(env.path("User.List")) & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
        QCOMPARE(reader.readAll(), before);
        QCOMPARE(readFile(env.path("UserList.Log")),
                 QByteArray("12/04/2026 at 23:00:00 - 'Pat Doe' deleted from the 'User List'\r\n"));

        // A user added after a deletion takes the position UserCount + 1.
        UserRecord u = newUser("Kim", "Lo", "abcd", 2);
        int n = 0;
        QCOMPARE(AppendUser(u, &n), UserResult::Ok);
        QCOMPARE(n, 3);
        QCOMPARE(readFile(env.path("User.List")).mid(1008, 3), QByteArray("Kim"));
    }

    void deleteTheOnlyUserRemovesTheFile()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), threeUsers().left(500));
        const UserRecord ann = UserRecord::Unpack(threeUsers().left(500));
        QCOMPARE(DeleteUser(1, UserIdentity::of(ann)), UserResult::Ok);
        QCOMPARE(UserCount, 0);
        QVERIFY(!QFile::exists(env.path("User.List")));
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
        QVERIFY(OpenUserFile());
        QCOMPARE(UserCount, 0);
        CloseUserFile();
        QVERIFY(!UserFileIsOpen());
        QCOMPARE(QFileInfo(env.path("User.List")).size(), 0);
        bool ok = false;
        QVERIFY(ReadAllUsers(&ok).isEmpty());
        QVERIFY(ok);
    }

    void failedWorkFileLeavesTheUserFileAndTheLog()
    {
        TestEnvironment env;
        env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(23, 0, 0)));
        const QByteArray before = threeUsers();
        writeFile(env.path("User.List"), before);
        const QByteArray log = "12/01/2026 at 10:00:00 - 'Ann Smith' added to the 'User List'\r\n";
        writeFile(env.path("UserList.Log"), log);
        // The work file can not be written: a folder stands in its place.
        QVERIFY(QDir(env.folder()).mkdir("TempFile.$$$"));
        const UserRecord pat = UserRecord::Unpack(before.mid(500, 500));
        QCOMPARE(DeleteUser(2, UserIdentity::of(pat)), UserResult::IoError);
        QCOMPARE(readFile(env.path("User.List")), before);
        QCOMPARE(readFile(env.path("UserList.Log")), log);
        QCOMPARE(UserCount, 3);
    }

    void userFileIsNeverMissingWhileDeleting()
    {
        TestEnvironment env;
        QByteArray users;
        for (int i = 0; i < 41; ++i)
            users += userBytes(1000 + i, "User", QByteArray::number(i), "a1b2c3d4", 1);
        writeFile(env.path("User.List"), users);
        const QByteArray path = QFile::encodeName(env.path("User.List"));
        std::atomic<bool> done{false};
        std::atomic<int> missing{0};
        std::thread watcher([&] {
            while (!done.load()) {
                if (::access(path.constData(), F_OK) != 0)
                    ++missing;
            }
        });
        for (int i = 0; i < 40; ++i) {
            UserIdentity id{1000.0 + i, QStringLiteral("User"), QString::number(i)};
            QCOMPARE(DeleteUser(1, id), UserResult::Ok);
        }
        done = true;
        watcher.join();
        QCOMPARE(missing.load(), 0);
        QCOMPARE(readFile(env.path("User.List")), users.right(500));
    }

    void logFailureLeavesTheFileAlone()
    {
        TestEnvironment env;
        const QByteArray before = threeUsers();
        writeFile(env.path("User.List"), before);
        // The log can not be written: a folder stands where it should be.
        QVERIFY(QDir(env.folder()).mkdir("UserList.Log"));
        UserRecord u = newUser("New", "User", "abcd", 1);
        const UserRecord pat = UserRecord::Unpack(before.mid(500, 500));
        QCOMPARE(AppendUser(u), UserResult::LogFailed);
        QCOMPARE(SaveEditedUser(2, UserIdentity::of(pat), u), UserResult::LogFailed);
        QCOMPARE(DeleteUser(2, UserIdentity::of(pat)), UserResult::LogFailed);
        QCOMPARE(readFile(env.path("User.List")), before);
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));

        env.desktop.answerMsgBox(1, false, "Activity log not available");
        ShowUserResult(UserResult::LogFailed);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QCOMPARE(env.desktop.msgBoxes[0].icon, 4);
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 QString("The activity log 'UserList.Log' can not be\r\n"
                         "written to in the data folder:\r\n") +
                     QDir(env.folder()).absoluteFilePath(QString()) +
                     "\r\n\r\nNothing has been changed.");
        QCOMPARE(env.desktop.msgBoxes[0].buttons, QStringList{"&Okay"});
    }

    void busyFolderCancelsWithoutWriting()
    {
        TestEnvironment env;
        const QByteArray before = threeUsers();
        writeFile(env.path("User.List"), before);
        FolderLock other;
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        UserRecord u = newUser("New", "User", "abcd", 1);
        QCOMPARE(AppendUser(u), UserResult::Cancelled);
        QCOMPARE(readFile(env.path("User.List")), before);
        QVERIFY(!QFile::exists(env.path("UserList.Log")));
        ShowUserResult(UserResult::Cancelled); // the person has been told already
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        other.release();
    }

    void openFailureIsReportedNotLoopedOn()
    {
        TestEnvironment env;
        const int saved = UserFileOpenRetryMs;
        UserFileOpenRetryMs = 200;
        // A folder where the user file should be can never be opened.
        QVERIFY(QDir(env.folder()).mkdir("User.List"));
        env.desktop.answerMsgBox(1, false, "User file not available"); // retry once
        env.desktop.answerMsgBox(2, false, "User file not available"); // then cancel
        QVERIFY(!OpenUserFile());
        QVERIFY(!UserFileIsOpen());
        QCOMPARE(UserCount, 0);
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        QCOMPARE(env.desktop.msgBoxes[0].buttons, (QStringList{"&Retry", "&Cancel"}));
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 QString("The user file 'User.List' can not be opened.\r\n\r\n"
                         "Another workstation may be using it, or the data\r\n"
                         "folder may be unreachable or read-only:\r\n") +
                     QDir(env.folder()).absoluteFilePath(QString()));
        UserRecord u = newUser("New", "User", "abcd", 1);
        QCOMPARE(AppendUser(u), UserResult::NotAvailable);
        QVERIFY(!QFile::exists(env.path("UserList.Log")));

        env.desktop.answerMsgBox(2, false, "User file not available");
        bool ok = true;
        QVERIFY(ReadAllUsers(&ok).isEmpty());
        QVERIFY(!ok);
        UserFileOpenRetryMs = saved;
    }

    void fullFileRefusesAnotherUser()
    {
        TestEnvironment env;
        QFile f(env.path("User.List"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(qint64(32766) * 500));
        f.close();
        // One more fits, then no more.
        UserRecord u = newUser("New", "User", "abcd", 1);
        int n = 0;
        QCOMPARE(AppendUser(u, &n), UserResult::Ok);
        QCOMPARE(n, 32767);
        QCOMPARE(AppendUser(u), UserResult::Full);
        QCOMPARE(QFileInfo(env.path("User.List")).size(), qint64(32767) * 500);
        QCOMPARE(readFile(env.path("UserList.Log")).count('\n'), 1);
    }

    void twoWorkstationsAddAtOnce()
    {
        TestEnvironment env;
        const QString tool = qEnvironmentVariable("CUSTORIN_TOOLS_DIR") + "/users_add";
        QVERIFY2(QFile::exists(tool), qPrintable(tool));
        QProcess a, b;
        a.start(tool, {env.folder(), "Alpha", "50"});
        b.start(tool, {env.folder(), "Beta", "50"});
        QVERIFY(a.waitForFinished(120000));
        QVERIFY(b.waitForFinished(120000));
        QCOMPARE(a.readAllStandardOutput().trimmed(), QByteArray("DONE"));
        QCOMPARE(b.readAllStandardOutput().trimmed(), QByteArray("DONE"));

        const QByteArray file = readFile(env.path("User.List"));
        QCOMPARE(file.size(), 100 * 500);
        const QVector<UserRecord> users = ReadAllUsers();
        QCOMPARE(users.size(), 100);
        QMap<QString, int> seen;
        int lastAlpha = 0, lastBeta = 0;
        for (const UserRecord &u : users) {
            QCOMPARE(UnscramblePassword(u.Password), QStringLiteral("abcd"));
            ++seen[u.DisplayName()];
            // Each workstation's users stay in the order it added them.
            int &last = u.FirstName == "Alpha" ? lastAlpha : lastBeta;
            QVERIFY(u.LastName.toInt() > last);
            last = u.LastName.toInt();
        }
        QCOMPARE(seen.size(), 100);
        QMap<QString, int> logged;
        const QList<QByteArray> lines = readFile(env.path("UserList.Log")).split('\n');
        QCOMPARE(lines.size(), 101); // the last line ends the file
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < 100; ++i) {
            const QByteArray &line = lines[i];
            QVERIFY(line.endsWith("' added to the 'User List'\r"));
            const int from = int(line.indexOf(" - '")) + 4;
            ++logged[QString::fromLatin1(line.mid(from, line.indexOf("' added") - from))];
        }
        for (const QString &first : {QStringLiteral("Alpha"), QStringLiteral("Beta")}) {
            for (int i = 1; i <= 50; ++i) {
                const QString name = first + " " + QString::number(i);
                QCOMPARE(seen.value(name), 1);
                QCOMPARE(logged.value(name), 1);
            }
        }
    }

    void resultTexts()
    {
        TestEnvironment env;
        QCOMPARE(UserResultTitle(UserResult::Changed),
                 QStringLiteral("User changed at another workstation"));
        QCOMPARE(UserResultText(UserResult::Missing),
                 QStringLiteral("This user has been changed or removed at another\r\n"
                                "workstation since the list was loaded.\r\n\r\n"
                                "Nothing has been changed.\r\n"
                                "Please look at the refreshed list and try again."));
        QCOMPARE(UserResultTitle(UserResult::IoError), QStringLiteral("User file not saved"));
        QCOMPARE(UserResultText(UserResult::IoError),
                 QStringLiteral("The user file 'User.List' could not be written\r\n"
                                "(the disk may be full or the folder read-only).\r\n\r\n"
                                "Nothing has been changed."));
        QCOMPARE(UserResultTitle(UserResult::Full), QStringLiteral("User list full"));
        QCOMPARE(UserResultText(UserResult::Full),
                 QStringLiteral("The user list holds 32,767 users,\r\nthe most it can hold.\r\n\r\n"
                                "The new user has not been saved."));
        QVERIFY(UserResultText(UserResult::NotAvailable)
                    .endsWith(QStringLiteral("\r\n\r\nNothing has been changed.")));
        ShowUserResult(UserResult::Ok); // nothing to tell
        QVERIFY(env.desktop.msgBoxes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUserFile)
#include "tst_userfile.moc"
