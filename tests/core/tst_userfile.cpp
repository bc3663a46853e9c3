// The user file: reading, appending, rewriting with the identity check,
// deletion by a work file renamed over the file, log lines and names that
// may not be written.
#include "TestBytes.h"
#include "TestFolder.h"
#include "core/users/UserFile.h"

#include <QtTest>
#include <atomic>
#include <thread>
#include <unistd.h>

namespace
{

QByteArray threeUsers()
{
    return userBytes(oleDate(2026, 12, 4, 22, 30), "Ann", "Smith", "x1Ya2Zb3", 4, "Supervisor") +
           userBytes(oleDate(2020, 1, 2, 3, 4), "Pat", "Doe", "q4R7s8T9", 2) +
           userBytes(oleDate(2021, 7, 4), "Lee", "Park", "m0N1o2P3", 1, "Temporary");
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

const QString Users = QStringLiteral("User.List");
const QString Log = QStringLiteral("UserList.Log");

} // namespace

class TestUserFile : public QObject
{
    Q_OBJECT
private slots:
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
        // An edit keeps the creation date, whatever the window holds.
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
        QCOMPARE(env.read(Log),
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
        QVERIFY(!env.exists(Log));

        // The work file can not be written: nothing changes, the line goes.
        QVERIFY(env.block("TempFile.$$$"));
        QCOMPARE(DeleteUser(env.data, 2, pat), UserResult::IoError);
        QCOMPARE(env.read(Users), before);
        QCOMPARE(env.read(Log), QByteArray());
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
        QCOMPARE(env.read(Log).count('\n'), 1);
    }

    void fullFileRefusesAnotherUser()
    {
        TestFolder env;
        {
            QFile f(env.path(Users));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(32766) * 500));
        }
        // One more fits, then no more.
        UserRecord u = newUser("New", "User", "abcd", 1);
        int n = 0;
        QCOMPARE(AppendUser(env.data, u, &n), UserResult::Ok);
        QCOMPARE(n, 32767);
        QCOMPARE(AppendUser(env.data, u), UserResult::Full);
        QCOMPARE(QFileInfo(env.path(Users)).size(), qint64(32767) * 500);
        QCOMPARE(env.read(Log).count('\n'), 1);
    }

    void resultTexts()
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

QTEST_GUILESS_MAIN(TestUserFile)
#include "tst_userfile.moc"
