// The settings file and the access code: its bytes, what is saved, damaged
// or unwritable files, who may set the code, wrong codes (logged, slowed).
#include "FakeDesktop.h"
#include "SkipStatus.h"
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/RecordFile.h"
#include "core/rules/AdminRules.h"
#include "core/users/Installation.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPasswordDigestor>
#include <QtTest>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

using R = InstallationResult;
const QDateTime Now(QDate(2026, 3, 4), QTime(5, 6, 7));

QMap<QByteArray, QByteArray> fields(const QByteArray &content)
{
    QMap<QByteArray, QByteArray> map;
    for (const QByteArray &line : content.split('\n')) {
        const int eq = int(line.indexOf('='));
        if (eq > 0)
            map.insert(line.left(eq), line.mid(eq + 1));
    }
    return map;
}

QByteArray settings(const QByteArray &agency, int iterations, const QByteArray &salt,
                    const QByteArray &key)
{
    return "[Installation]\nAgencyName=" + agency +
           "\nAccessCodeMethod=PBKDF2-SHA256\nAccessCodeIterations=" +
           QByteArray::number(iterations) + "\nAccessCodeSalt=" + salt.toHex() +
           "\nAccessCodeKey=" + key.toHex() + "\n";
}

QByteArray pbkdf2(const QByteArray &code, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, code, salt, iterations,
                                              32);
}

QString logText(const TestEnvironment &env)
{
    return QString::fromLatin1(readFile(env.path("UserList.Log")));
}

int modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void createRecordFiles(const TestEnvironment &env)
{
    RecordFile users(env.data, env.path("User.List"), 500, 100); // retrying for 100 ms
    RecordFile entries(env.data, env.path("Custorin.Data"), 5000, 100);
    QVERIFY(users.open(RecordFile::ForWriting));
    QVERIFY(entries.open(RecordFile::ForWriting));
}

struct UmaskGuard {
    explicit UmaskGuard(int mask) : saved(::umask(mode_t(mask))) {}
    ~UmaskGuard() { ::umask(saved); }
    mode_t saved;
};

} // namespace

class TestInstallation : public QObject
{
    Q_OBJECT
private slots:
    void savedFileHoldsNoPlainCode()
    {
        TestEnvironment env;
        QVERIFY(!InstallationConfigured(env.data) && !AccessCodeMatches(env.data, "Ab3#x"));
        QCOMPARE(SaveInstallation(env.data, "  Springfield Police Department ", "Ab3#x"), R::Ok);
        QCOMPARE(env.data.AgencyName, QStringLiteral("Springfield Police Department"));
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
        // The key is the PBKDF2-SHA-256 of the code with the salt.
        const QByteArray content = readFile(env.path("Custorin.ini"));
        const QByteArray salt = QByteArray::fromHex(fields(content).value("AccessCodeSalt"));
        QCOMPARE(salt.size(), 16);
        QCOMPARE(content, settings("Springfield Police Department", 100000, salt,
                                   pbkdf2("Ab3#x", salt, 100000)));
        // The code compared exactly; blanks are part of it.
        for (const char *wrong : {"ab3#x", " Ab3#x", "Ab3#xx"})
            QVERIFY2(!AccessCodeMatches(env.data, wrong), wrong);
        QVERIFY(AccessCodeMatches(env.data, "Ab3#x"));

        QCOMPARE(SaveInstallation(env.data, "Springfield Police Department", "Ab3#x"), R::Ok);
        QVERIFY(fields(readFile(env.path("Custorin.ini"))).value("AccessCodeSalt") != salt.toHex());

        // A file's own iteration count is used, not the one new files get.
        const QByteArray fixed = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        writeFile(env.path("Custorin.ini"),
                  settings("County Sheriff", 20000, fixed, pbkdf2("Ab3#x", fixed, 20000)));
        QVERIFY(AccessCodeMatches(env.data, "Ab3#x") && !AccessCodeMatches(env.data, "Ab3#y"));
    }

    void whatIsSavedIsChecked()
    {
        TestEnvironment env;
        for (const char *code : {"abcd", "abcdef", "ab\tde"})
            QCOMPARE(SaveInstallation(env.data, "Agency", code), R::AccessCodeInvalid);
        QCOMPARE(SaveInstallation(env.data, "   ", "abcde"), R::AgencyEmpty);
        QCOMPARE(SaveInstallation(env.data, QString(61, 'A'), "abcde"), R::AgencyTooLong);
        QCOMPARE(SaveInstallation(env.data, "Line one\nLine two", "abcde"), R::AgencyInvalid);
        QVERIFY(!QFile::exists(env.path("Custorin.ini")) && env.data.AgencyName.isEmpty());
        // Five characters (one of two UTF-16 units); sixty of agency name.
        QCOMPARE(SaveInstallation(env.data, QString(60, QChar(0x00c5)),
                                  QStringLiteral("ab\U0001F512de")),
                 R::Ok);
        QVERIFY(AccessCodeMatches(env.data, QStringLiteral("ab\U0001F512de")));
        const QByteArray before = readFile(env.path("Custorin.ini"));
        QCOMPARE(SaveInstallation(env.data, "Other", "abc"), R::AccessCodeInvalid);
        QCOMPARE(readFile(env.path("Custorin.ini")), before);
        DataSet missing(env.path("no-such-folder"));
        QCOMPARE(SaveInstallation(missing, "County Sheriff", "Qw3rt"), R::FolderMissing);
        QVERIFY(!QFile::exists(env.path("no-such-folder")));
    }

    void damagedFileIsReported()
    {
        TestEnvironment env;
        QCOMPARE(LoadInstallation(env.data), R::NotConfigured);
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Qw3rt"), R::Ok);
        const QByteArray good = readFile(env.path("Custorin.ini"));
        const auto f = fields(good);
        auto replaced = [&](const QByteArray &name, const QByteArray &value) {
            return QByteArray(good).replace(name + "=" + f.value(name), name + "=" + value);
        };
        // clang-format off
        const QList<QByteArray> damaged = {
            QByteArray(), QByteArray("\x00\x01garbage\xff", 11), good.left(good.size() / 2),
            good + "AgencyName=Second\n", "[Other]\n" + good.mid(good.indexOf('\n') + 1),
            replaced("AccessCodeKey", f.value("AccessCodeKey").left(63)),
            replaced("AccessCodeSalt", ""), replaced("AccessCodeMethod", "MD5"),
            replaced("AccessCodeIterations", "9999"), replaced("AccessCodeIterations", "1000001")};
        // clang-format on
        for (const QByteArray &bytes : damaged) {
            writeFile(env.path("Custorin.ini"), bytes);
            env.data.AgencyName = QStringLiteral("stale");
            QCOMPARE(LoadInstallation(env.data), R::Corrupted);
            QCOMPARE(CheckAccessCode(env.data, "Qw3rt"), R::Corrupted);
            QVERIFY2(env.data.AgencyName.isEmpty() && !InstallationConfigured(env.data),
                     bytes.constData());
        }
        writeFile(env.path("Custorin.ini"),
                  "; set up by the administrator\r\n" + QByteArray(good).replace("\n", "\r\n"));
        QCOMPARE(CheckAccessCode(env.data, "Qw3rt"), R::Ok);
        QCOMPARE(CheckAccessCode(env.data, "Qw3rT"), R::AccessCodeInvalid);

        QVERIFY(QFile::remove(env.path("Custorin.ini")));
        QVERIFY(QDir(env.folder()).mkdir("Custorin.ini"));
        QCOMPARE(LoadInstallation(env.data), R::Unreadable);
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Qw3rt"), R::IoError);
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));

        // A link is never read; saving replaces it, not the file it points at.
        QVERIFY(QDir(env.folder()).rmdir("Custorin.ini"));
        QTemporaryDir outside;
        writeFile(outside.filePath("good.ini"), good);
        QVERIFY(QFile::link(outside.filePath("good.ini"), env.path("Custorin.ini")));
        QCOMPARE(CheckAccessCode(env.data, "Qw3rt"), R::Unreadable);
        QCOMPARE(InstallationResultText(env.data, R::Unreadable),
                 "The installation settings file 'Custorin.ini'\r\ncan not be opened in the data "
                 "folder:\r\n" +
                     QDir(env.folder()).absoluteFilePath(QString()) +
                     "\r\n\r\n'Custorin.ini' is a symbolic link, and the files of\r\nthe data "
                     "folder are never opened through one.\r\nPlease put the file itself in its "
                     "place.");
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Qw3rt"), R::Ok);
        QVERIFY(!QFileInfo(env.path("Custorin.ini")).isSymLink());
        QCOMPARE(readFile(outside.filePath("good.ini")), good);
    }

    // Files follow the umask; the two holding secrets are never readable by
    // others, also where an older release left them so.
    void fileModes_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("secret"); // Custorin.ini, User.List
        QTest::addColumn<int>("data");   // Custorin.Data
        QTest::addColumn<int>("log");    // read-only between writes
        QTest::newRow("umask 022") << 022 << 0640 << 0644 << 0444;
        QTest::newRow("umask 002, a shared group") << 002 << 0660 << 0664 << 0444;
        QTest::newRow("umask 077") << 077 << 0600 << 0600 << 0400;
    }
    void fileModes()
    {
        QFETCH(int, mask);
        QFETCH(int, secret);
        QFETCH(int, data);
        QFETCH(int, log);
        TestEnvironment env;
        const UmaskGuard umask(mask);
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Qw3rt"), R::Ok);
        createRecordFiles(env);
        QCOMPARE(modeOf(env.path("Custorin.ini")), secret);
        QCOMPARE(modeOf(env.path("User.List")), secret);
        QCOMPARE(modeOf(env.path("Custorin.Data")), data);
        QCOMPARE(modeOf(env.path("UserList.Log")), log);
        for (const char *name : {"Custorin.ini", "User.List"})
            QCOMPARE(::chmod(QFile::encodeName(env.path(name)).constData(), 0644), 0);
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Qw3rt"), R::Ok);
        createRecordFiles(env);
        QCOMPARE(modeOf(env.path("Custorin.ini")), 0640);
        QCOMPARE(modeOf(env.path("User.List")), 0640);
    }

    // Files made in a folder take its group, set-group-id folder or not.
    void newFilesTakeTheFolderGroup()
    {
        const group *other = ::getgrnam("nogroup");
        if (::geteuid() != 0 || !other)
            SKIP_HERE(
                "needs root and the group nogroup: gives the folder a group of another account");
        TestEnvironment env;
        const QByteArray folder = QFile::encodeName(env.folder());
        QCOMPARE(::chown(folder.constData(), uid_t(-1), other->gr_gid), 0);
        QCOMPARE(::chmod(folder.constData(), 0775), 0); // not set-group-id
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Qw3rt"), R::Ok);
        createRecordFiles(env);
        for (const char *name : {"Custorin.ini", "UserList.Log", "User.List", "Custorin.Data"}) {
            struct stat st;
            QCOMPARE(::stat(QFile::encodeName(env.path(name)).constData(), &st), 0);
            QVERIFY2(st.st_gid == other->gr_gid, name);
        }
    }

    // The set-up window sets up only an unused folder not set up meanwhile;
    // the unattended set-up may replace settings. No log line, no change.
    void whoMaySetTheCode()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeFile(env.path("User.List"), QByteArray(500, ' '));
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Ab3#x", SetupBy::Window),
                 R::FolderInUse);
        QVERIFY(!QFile::exists(env.path("Custorin.ini")) &&
                !QFile::exists(env.path("UserList.Log")));
        QVERIFY(InstallationResultText(env.data, R::FolderInUse)
                    .startsWith("The data folder already holds users or entries:\r\n"));
        writeFile(env.path("User.List"), QByteArray()); // an empty file does not count

        QCOMPARE(SaveInstallation(env.data, "First Agency", "Ab3#x", SetupBy::Window), R::Ok);
        const QByteArray first = readFile(env.path("Custorin.ini"));
        QCOMPARE(SaveInstallation(env.data, "Second Agency", "Qq1@w", SetupBy::Window),
                 R::SetUpMeanwhile);
        QCOMPARE(readFile(env.path("Custorin.ini")), first);
        QCOMPARE(InstallationResultText(env.data, R::SetUpMeanwhile),
                 "The data folder has been set up at another workstation\r\n"
                 "while this window was open:\r\n" +
                     QDir(env.folder()).absoluteFilePath(QString()) +
                     "\r\n\r\nNothing has been saved here; the settings made there are used.");
        writeFile(env.path("User.List"), QByteArray(500, ' '));
        env.desktop.advance(60);
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Zz9!q"), R::Ok);
        QVERIFY(QFile::remove(env.path("Custorin.ini")));
        env.desktop.advance(60);
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Yy8?p"), R::Ok);
        QCOMPARE(logText(env),
                 "03/04/2026 at 05:06:07 - Access code set in the set-up window\r\n"
                 "03/04/2026 at 05:07:07 - Access code changed by the unattended set-up\r\n"
                 "03/04/2026 at 05:08:07 - Access code set by the unattended set-up\r\n");

        const QByteArray settings = readFile(env.path("Custorin.ini"));
        QVERIFY(QFile::remove(env.path("UserList.Log")));
        QVERIFY(QDir(env.folder()).mkdir("UserList.Log"));
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Xx7=o"), R::LogFailed);
        QCOMPARE(readFile(env.path("Custorin.ini")), settings);
    }

    void wrongCodesAreLoggedAndSlowedDown()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        env.data.options.HostNameOverride = QStringLiteral("WS-FRONT");
        QCOMPARE(SaveInstallation(env.data, "County Sheriff", "Qw3rt"), R::Ok);
        QVERIFY(QFile::remove(env.path("UserList.Log")));
        MsgBoxRequest told;
        const auto wrong = [&](int times) {
            for (int i = 0; i < times; ++i) {
                const AccessCodeVerdict verdict =
                    JudgeAccessCode(env.store, env.session, QStringLiteral("wrong"));
                QCOMPARE(verdict.kind, AccessCodeVerdict::Wrong);
                told = verdict.message;
            }
        };
        env.session.WrongAccessCodes = 0;
        wrong(3);
        QCOMPARE(readFile(env.path("WrongCodes.Count")), QByteArray("3\n"));
        QCOMPARE(told.title + " | " + told.text + " | " + told.buttons.join('/'),
                 "Invalid Entry | 'wrong' is not the\r\n\r\ncorrect Access Code | &Try "
                 "again/&Never mind");
        env.session.WrongAccessCodes = 0;
        wrong(5);
        QCOMPARE(JudgeAccessCode(env.store, env.session, QStringLiteral("Qw3rt")).kind,
                 AccessCodeVerdict::Granted);
        QCOMPARE(env.desktop.pauses, QList<int>({1000, 2000, 4000, 8000, 16000, 30000, 30000}));
        QCOMPARE(env.session.WrongAccessCodes, 0);
        QVERIFY(!QFile::exists(env.path("WrongCodes.Count")));
        // A line per wrong code (never the code itself) after each wait.
        const QString who =
            "Incorrect access code submitted at workstation 'WS-FRONT' by account '" +
            QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name) + "'";
        const QStringList lines = logText(env).split("\r\n");
        QCOMPARE(lines.size(), 9);
        QCOMPARE(lines.first(), "03/04/2026 at 05:06:07 - " + who);
        QCOMPARE(lines.at(7), "03/04/2026 at 05:07:08 - " + who);
        QVERIFY(!logText(env).contains("wrong"));
        wrong(1);
        QCOMPARE(env.desktop.pauses.size(), 7);
        QCOMPARE(readFile(env.path("WrongCodes.Count")), QByteArray("1\n"));
        {
            // A busy folder: nothing asked, nothing written; the question
            // is left for the window.
            env.data.options.LockWaitMs = 50;
            FolderLock other(env.data);
            QVERIFY(other.tryAcquire());
            QCOMPARE(CountWrongAccessCode(env.data), -1);
            QCOMPARE(SaveInstallation(env.data, "Other", "Zz9!q"), R::Cancelled);
            QCOMPARE(env.data.lockRefusal.value_or(MsgBoxRequest()).title, "Data folder busy");
            QCOMPARE(readFile(env.path("WrongCodes.Count")), QByteArray("1\n"));
            QCOMPARE(LoadInstallation(env.data), R::Ok);
            QCOMPARE(env.data.AgencyName, "County Sheriff");
        }
        // Settings gone: nothing can be judged, and the person is told why.
        QVERIFY(QFile::remove(env.path("Custorin.ini")));
        const AccessCodeVerdict unjudged =
            JudgeAccessCode(env.store, env.session, QStringLiteral("Qw3rt"));
        QCOMPARE(unjudged.kind, AccessCodeVerdict::Unjudged);
        QCOMPARE(unjudged.message.title + " | " + unjudged.message.buttons.join('/') + " | " +
                     QString::number(unjudged.message.icon),
                 "Installation not set up | &Okay | 2");
        QCOMPARE(readFile(env.path("WrongCodes.Count")), QByteArray("1\n"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

SKIPPABLE_GUILESS_MAIN(TestInstallation)
#include "tst_installation.moc"
