// The administrative access code: who may set it, its lines in
// "UserList.Log", two set-ups at once, wrong codes (logged, slowed down),
// settings that go missing or out of range in the middle of a session, and
// a code typed at a terminal (not shown).
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/Startup.h"
#include "core/rules/AdminRules.h"
#include "core/users/Installation.h"
#include "core/users/UnattendedSetup.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QtTest>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace
{

const QDateTime Now(QDate(2026, 3, 4), QTime(5, 6, 7));

QString logText(const TestEnvironment &env)
{
    return QString::fromLatin1(readFile(env.path("UserList.Log")));
}

QString folderOf(const TestEnvironment &env)
{
    return QDir(env.folder()).absoluteFilePath(QString());
}

} // namespace

class TestAccessCode : public QObject
{
    Q_OBJECT
private slots:
    void setUpWindowOnlyForAFolderNotInUse()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        // Users in the folder: the window may not choose a code for it.
        writeFile(env.path("User.List"), QByteArray(500, ' '));
        QCOMPARE(SaveInstallation("County Sheriff", "Ab3#x", SetupBy::Window),
                 InstallationResult::FolderInUse);
        QVERIFY(!QFile::exists(env.path("Custorin.ini")));
        QVERIFY(!QFile::exists(env.path("UserList.Log")));
        QVERIFY(DataFolderInUse());
        QCOMPARE(InstallationResultTitle(InstallationResult::FolderInUse),
                 QStringLiteral("Data folder in use"));
        QCOMPARE(
            InstallationResultText(InstallationResult::FolderInUse),
            QStringLiteral("The data folder already holds users or entries:\r\n") + folderOf(env) +
                QStringLiteral("\r\n\r\n"
                               "Its installation settings can not be set up in this window.\r\n"
                               "Please restore 'Custorin.ini' from a backup of the data "
                               "folder,\r\n"
                               "or have an operator with a shell on the server run\r\n"
                               "custorin --data-dir FOLDER --set-agency NAME "
                               "--set-access-code\r\n\r\n"
                               "Nothing has been saved."));
        // Entries alone count as well; empty files do not.
        QVERIFY(QFile::remove(env.path("User.List")));
        writeFile(env.path("User.List"), QByteArray());
        writeFile(env.path("Custorin.Data"), QByteArray(5000, ' '));
        QVERIFY(DataFolderInUse());
        writeFile(env.path("Custorin.Data"), QByteArray());
        QVERIFY(!DataFolderInUse());

        // An unused folder is set up, with its line.
        QCOMPARE(SaveInstallation("County Sheriff", "Ab3#x", SetupBy::Window),
                 InstallationResult::Ok);
        QCOMPARE(logText(env), QStringLiteral("03/04/2026 at 05:06:07 - Access code set in the "
                                              "set-up window\r\n"));
        // The operator on the server replaces settings of a folder in use.
        writeFile(env.path("User.List"), QByteArray(500, ' '));
        env.desktop.advance(60);
        QCOMPARE(SaveInstallation("County Sheriff", "Zz9!q"), InstallationResult::Ok);
        QVERIFY(AccessCodeMatches("Zz9!q"));
        QVERIFY(QFile::remove(env.path("Custorin.ini")));
        env.desktop.advance(60);
        QCOMPARE(SaveInstallation("County Sheriff", "Yy8?p"), InstallationResult::Ok);
        QCOMPARE(logText(env),
                 QStringLiteral("03/04/2026 at 05:06:07 - Access code set in the set-up window\r\n"
                                "03/04/2026 at 05:07:07 - Access code changed by the unattended "
                                "set-up\r\n"
                                "03/04/2026 at 05:08:07 - Access code set by the unattended "
                                "set-up\r\n"));

        // No line, no change.
        const QByteArray settings = readFile(env.path("Custorin.ini"));
        QVERIFY(QFile::remove(env.path("UserList.Log")));
        QVERIFY(QDir(env.folder()).mkdir("UserList.Log"));
        QCOMPARE(SaveInstallation("County Sheriff", "Xx7=o"), InstallationResult::LogFailed);
        QCOMPARE(readFile(env.path("Custorin.ini")), settings);
    }

    void secondSetUpIsToldTheFolderWasSetUpMeanwhile()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        // Both windows opened on a folder without settings; the first save
        // wins, the second changes nothing.
        QCOMPARE(SaveInstallation("First Agency", "Ab3#x", SetupBy::Window),
                 InstallationResult::Ok);
        const QByteArray first = readFile(env.path("Custorin.ini"));
        QCOMPARE(SaveInstallation("Second Agency", "Qq1@w", SetupBy::Window),
                 InstallationResult::SetUpMeanwhile);
        QCOMPARE(readFile(env.path("Custorin.ini")), first);
        QVERIFY(AccessCodeMatches("Ab3#x"));
        QCOMPARE(logText(env), QStringLiteral("03/04/2026 at 05:06:07 - Access code set in the "
                                              "set-up window\r\n"));
        QCOMPARE(InstallationResultTitle(InstallationResult::SetUpMeanwhile),
                 QStringLiteral("Installation set up meanwhile"));
        QCOMPARE(InstallationResultText(InstallationResult::SetUpMeanwhile),
                 QStringLiteral("The data folder has been set up at another workstation\r\n"
                                "while this window was open:\r\n") +
                     folderOf(env) +
                     QStringLiteral("\r\n\r\nNothing has been saved here; the settings made there "
                                    "are used."));
        // Damaged settings of an unused folder may be set up again.
        writeFile(env.path("Custorin.ini"), "[Installation]\nAgencyName=x\n");
        QCOMPARE(SaveInstallation("Second Agency", "Qq1@w", SetupBy::Window),
                 InstallationResult::Ok);
    }

    void iterationsOutOfRangeAreDamagedSettings()
    {
        TestEnvironment env;
        QCOMPARE(SaveInstallation("County Sheriff", "Qw3rt"), InstallationResult::Ok);
        const QByteArray good = readFile(env.path("Custorin.ini"));
        for (const auto &[count, expected] : {std::pair{"9999", InstallationResult::Corrupted},
                                              std::pair{"1000001", InstallationResult::Corrupted},
                                              std::pair{"1", InstallationResult::Corrupted}}) {
            QByteArray bytes = good;
            bytes.replace("AccessCodeIterations=100000",
                          QByteArray("AccessCodeIterations=") + count);
            writeFile(env.path("Custorin.ini"), bytes);
            QCOMPARE(LoadInstallation(), expected);
            QCOMPARE(CheckAccessCode("Qw3rt"), expected);
        }
        writeFile(env.path("Custorin.ini"), good);
        QCOMPARE(CheckAccessCode("Qw3rt"), InstallationResult::Ok);
        QCOMPARE(CheckAccessCode("Qw3rT"), InstallationResult::AccessCodeInvalid);
        QCOMPARE(CheckAccessCode("Qw3r"), InstallationResult::AccessCodeInvalid);
    }

    void wrongCodesAreLoggedAndSlowedDown()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        QCOMPARE(SaveInstallation("County Sheriff", "Qw3rt"), InstallationResult::Ok);
        QVERIFY(QFile::remove(env.path("UserList.Log")));
        WrongAccessCodes = 0;
        const int tries = 8;
        for (int i = 0; i < tries; ++i) {
            env.desktop.answerInputBox(QStringLiteral("wrong"));
            env.desktop.answerMsgBox(1, false, "Invalid Entry");
        }
        env.desktop.answerInputBox(QStringLiteral("Qw3rt"));
        QVERIFY(AccessCodeGranted());
        QCOMPARE(env.desktop.pauses, QList<int>({1000, 2000, 4000, 8000, 16000, 30000, 30000}));
        QCOMPARE(WrongAccessCodes, 0);
        // One line per wrong code, never the code; the waits moved the clock.
        const QStringList lines = logText(env).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), tries);
        QCOMPARE(lines.first(),
                 QStringLiteral("03/04/2026 at 05:06:07 - Incorrect access code submitted"));
        QCOMPARE(lines.last(),
                 QStringLiteral("03/04/2026 at 05:07:08 - Incorrect access code submitted"));
        QVERIFY(!logText(env).contains("wrong"));
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 QStringLiteral("'wrong' is not the\r\n\r\ncorrect Access Code"));

        // The count starts again after the right code.
        env.desktop.pauses.clear();
        env.desktop.answerInputBox(QStringLiteral("wrong"));
        env.desktop.answerMsgBox(2, false, "Invalid Entry");
        QVERIFY(!AccessCodeGranted());
        QVERIFY(env.desktop.pauses.isEmpty());
        QCOMPARE(WrongAccessCodeDelayMs(1), 0);
        QCOMPARE(WrongAccessCodeDelayMs(2), 1000);
        QCOMPARE(WrongAccessCodeDelayMs(100), 30000);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void settingsGoneInTheMiddleOfASession()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        QCOMPARE(SaveInstallation("County Sheriff", "Qw3rt"), InstallationResult::Ok);
        writeFile(env.path("User.List"), QByteArray(500, ' '));
        QVERIFY(QFile::remove(env.path("UserList.Log")));
        QVERIFY(QFile::remove(env.path("Custorin.ini")));
        WrongAccessCodes = 0;
        env.desktop.answerInputBox(QStringLiteral("Qw3rt"));
        env.desktop.answerMsgBox(1);
        QVERIFY(!AccessCodeGranted());
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        const MsgBoxRequest box = env.desktop.msgBoxes[0];
        QCOMPARE(box.title, QStringLiteral("Installation not set up"));
        QCOMPARE(box.text,
                 QStringLiteral("The installation settings file 'Custorin.ini' is missing\r\n"
                                "in the data folder:\r\n") +
                     folderOf(env) +
                     QStringLiteral("\r\n\r\n"
                                    "The folder holds users or entries, so its settings\r\n"
                                    "are not set up again in a window.\r\n"
                                    "Please restore 'Custorin.ini' from a backup of the data "
                                    "folder,\r\n"
                                    "or have an operator with a shell on the server run\r\n"
                                    "custorin --data-dir FOLDER --set-agency NAME "
                                    "--set-access-code"));
        QCOMPARE(box.buttons, QStringList{"&Okay"});
        // Not a wrong code: nothing logged, nothing counted.
        QVERIFY(!QFile::exists(env.path("UserList.Log")));
        QCOMPARE(WrongAccessCodes, 0);

        writeFile(env.path("Custorin.ini"), "[Installation]\nAgencyName=x\n");
        env.desktop.answerInputBox(QStringLiteral("Qw3rt"));
        env.desktop.answerMsgBox(1, false, "Installation settings damaged");
        QVERIFY(!AccessCodeGranted());
        QVERIFY(env.desktop.msgBoxes[1].text.startsWith(
            "The installation settings file 'Custorin.ini' is damaged or incomplete\r\n"));
    }

    void unattendedSetUpLogsAndCodeIsNotEchoed()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        StartOptions options;
        options.dataDir = env.folder();
        options.setAgency = true;
        options.agencyName = "County Sheriff";
        options.setAccessCode = true;
        QBuffer input;
        input.setData("Ab3#x\n");
        input.open(QIODevice::ReadOnly);
        QString message;
        QCOMPARE(RunUnattendedSetup(options, input, &message), UnattendedOk);
        QCOMPARE(logText(env), QStringLiteral("03/04/2026 at 05:06:07 - Access code set by the "
                                              "unattended set-up\r\n"));

        // At a terminal the code is read without echo, and the terminal is
        // as it was afterwards.
        int master = -1, slave = -1;
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        termios before{};
        QVERIFY(::tcgetattr(slave, &before) == 0);
        QVERIFY(before.c_lflag & ECHO);
        QString line;
        {
            TerminalEchoOff echoOff(slave);
            QVERIFY(echoOff.active());
            QCOMPARE(::write(master, "Zz9!q\n", 6), ssize_t(6));
            QFile tty;
            QVERIFY(tty.open(slave, QIODevice::ReadOnly | QIODevice::Unbuffered));
            QVERIFY(ReadSecretLine(tty, &line));
        }
        QCOMPARE(line, QStringLiteral("Zz9!q"));
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        char echoed[64] = {};
        const ssize_t got = ::read(master, echoed, sizeof echoed);
        // Only the line break comes back, never the code.
        QCOMPARE(QByteArray(echoed, int(qMax<ssize_t>(got, 0))), QByteArray("\r\n"));
        termios after{};
        QVERIFY(::tcgetattr(slave, &after) == 0);
        QCOMPARE(after.c_lflag, before.c_lflag);
        // Not a terminal: nothing to turn off.
        const int devNull = ::open("/dev/null", O_RDONLY);
        QVERIFY(!TerminalEchoOff(devNull).active());
        ::close(devNull);
        ::close(master);
        ::close(slave);
    }
};

QTEST_GUILESS_MAIN(TestAccessCode)
#include "tst_accesscode.moc"
