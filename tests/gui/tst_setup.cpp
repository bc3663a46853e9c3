// The installation set-up: the set-up window's checks and what it saves,
// the question before the administrative window, and the unattended
// set-up of the real program run as a separate process.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/frmSetup.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace fixtures;

namespace
{

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run runApp(const QStringList &args, const QByteArray &input)
{
    Run r;
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    // No display at all: the set-up must not need one.
    e.remove("DISPLAY");
    e.remove("WAYLAND_DISPLAY");
    e.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(e);
    p.start(qEnvironmentVariable("CUSTORIN_APP"), args);
    if (!p.waitForStarted(10000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Fills the set-up window in and saves.
void fillIn(frmSetup *d, const QString &agency, const QString &code)
{
    d->txtAgencyName->setText(agency);
    d->txtAccessCode->setText(code);
    d->txtConfirmCode->setText(code);
    d->cmdSave->click();
}

} // namespace

class TestSetup : public QObject
{
    Q_OBJECT
private slots:
    void setupWindowChecks()
    {
        TestEnvironment env;
        frmSetup w;
        w.show();
        QCOMPARE(w.txtAccessCode->echoMode(), QLineEdit::Password);
        QCOMPARE(w.txtConfirmCode->echoMode(), QLineEdit::Password);

        // No agency name.
        w.txtAccessCode->setText("Ab3De");
        w.txtConfirmCode->setText("Ab3De");
        env.desktop.answerMsgBox(1, false, "Invalid Agency Name");
        w.cmdSave->click();
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("Please enter the name of the agency."));

        // Too short.
        w.txtAgencyName->setText("  County Sheriff ");
        w.txtAccessCode->setText("Ab3D");
        w.txtConfirmCode->setText("Ab3D");
        env.desktop.answerMsgBox(1, false, "Invalid Access Code");
        w.cmdSave->click();
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("The access code must be exactly\r\n5 characters long."));
        QCOMPARE(w.txtAccessCode->text(), QString());
        QCOMPARE(w.txtConfirmCode->text(), QString());

        // The two codes differ.
        w.txtAccessCode->setText("Ab3De");
        w.txtConfirmCode->setText("Ab3dE");
        env.desktop.answerMsgBox(1, false, "Access Codes Differ");
        w.cmdSave->click();
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("The two access codes typed are not the same.\r\n\r\n"
                                "Please type the access code again\r\nin both boxes."));
        QCOMPARE(env.desktop.msgBoxes.last().buttons, QStringList({"&Try again"}));
        QVERIFY(!QFile::exists(env.path("Custorin.ini")));
        QVERIFY(w.isVisible());

        // Right: saved, the window closes accepted.
        w.txtAccessCode->setText("Ab3 e");
        w.txtConfirmCode->setText("Ab3 e");
        w.cmdSave->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.isVisible());
        const QByteArray ini = readFile(env.path("Custorin.ini"));
        QVERIFY(ini.startsWith("[Installation]\nAgencyName=County Sheriff\n"));
        QVERIFY(!ini.contains("Ab3 e"));
        QCOMPARE(AgencyName, QStringLiteral("County Sheriff"));
        QVERIFY(AccessCodeMatches("Ab3 e"));
        QVERIFY(!AccessCodeMatches("Ab3e "));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void ensureConfigured()
    {
        TestEnvironment env;
        // Cancelled: false, nothing written.
        whenModal<frmSetup>([](frmSetup *d) { d->cmdCancel->click(); });
        QVERIFY(!EnsureInstallationConfigured(nullptr));
        QVERIFY(!QFile::exists(env.path("Custorin.ini")));

        whenModal<frmSetup>([](frmSetup *d) { fillIn(d, "City Police", "12345"); });
        QVERIFY(EnsureInstallationConfigured(nullptr));
        QVERIFY(InstallationConfigured());

        // Configured: nothing is asked; the agency name is loaded.
        AgencyName.clear();
        QVERIFY(EnsureInstallationConfigured(nullptr));
        QCOMPARE(AgencyName, QStringLiteral("City Police"));

        // Damaged: the person is told, then sets it up again.
        writeFile(env.path("Custorin.ini"), "[Installation]\nAgencyName=City Police\n");
        env.desktop.answerMsgBox(1, false, "Installation settings damaged");
        whenModal<frmSetup>([](frmSetup *d) { fillIn(d, "City Police", "54321"); });
        QVERIFY(EnsureInstallationConfigured(nullptr));
        QVERIFY(AccessCodeMatches("54321"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void unattended()
    {
        QVERIFY(!qEnvironmentVariable("CUSTORIN_APP").isEmpty());
        QTemporaryDir dir;
        const QString folder = dir.path();

        Run r = runApp(
            {"--data-dir", folder, "--set-agency", "State Patrol, Troop C", "--set-access-code"},
            "Qx7 z\nignored\n");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, "The data folder " + QDir(folder).absolutePath() +
                            " is set up for State Patrol, Troop C.\n");
        const QByteArray ini = readFile(dir.filePath("Custorin.ini"));
        QVERIFY(ini.startsWith("[Installation]\nAgencyName=State Patrol, Troop C\n"));
        QVERIFY(!ini.contains("Qx7 z"));
        // The program's own check accepts the code typed, CR LF or not.
        TestEnvironment env;
        DataFolder = folder;
        QVERIFY(AccessCodeMatches("Qx7 z"));
        r = runApp({"--data-dir=" + folder, "--set-agency=Sheriff", "--set-access-code"},
                   "Ab3De\r\n");
        QCOMPARE(r.exitCode, 0);
        QVERIFY(AccessCodeMatches("Ab3De"));

        // Failures change nothing and say why on standard error.
        const QByteArray before = readFile(dir.filePath("Custorin.ini"));
        r = runApp({"--data-dir", folder, "--set-agency", "Sheriff", "--set-access-code"},
                   "Ab3D\n");
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QStringLiteral("custorin: Invalid Access Code: The access code must be "
                                       "exactly\n5 characters long.\nNothing has been saved.\n"));
        r = runApp({"--data-dir", folder, "--set-agency", "Sheriff", "--set-access-code"}, "");
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("custorin: no access code on standard input"), qPrintable(r.err));
        r = runApp({"--data-dir", folder, "--set-agency", "  ", "--set-access-code"}, "Ab3De\n");
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("custorin: Invalid Agency Name: "), qPrintable(r.err));
        r = runApp({"--data-dir", folder, "--set-agency", "Sheriff"}, "Ab3De\n");
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.startsWith("custorin: --set-agency NAME and --set-access-code go together"),
                 qPrintable(r.err));
        r = runApp({"--data-dir", folder, "--set-agency", "Sheriff", "--set-access-code=Ab3De"},
                   "");
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.startsWith("custorin: --set-access-code takes no value"), qPrintable(r.err));
        r = runApp(
            {"--data-dir", dir.filePath("missing"), "--set-agency", "Sheriff", "--set-access-code"},
            "Ab3De\n");
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("custorin: the data folder does not exist: "), qPrintable(r.err));
        QCOMPARE(readFile(dir.filePath("Custorin.ini")), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 QStringList({"Custorin.ini", "UserList.Log"}));
        // Each setting of the code has its line, the first "set", the
        // second "changed".
        const QStringList lines =
            QString::fromLatin1(readFile(dir.filePath("UserList.Log"))).split("\r\n");
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].endsWith(" - Access code set by the unattended set-up"),
                 qPrintable(lines[0]));
        QVERIFY2(lines[1].endsWith(" - Access code changed by the unattended set-up"),
                 qPrintable(lines[1]));
        QCOMPARE(lines[2], QString());
    }

    void unattendedAtATerminalShowsNoCode()
    {
        QTemporaryDir dir;
        int master = -1, slave = -1;
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove("DISPLAY");
        e.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(e);
        // Standard input is the terminal, as when an operator types the code.
        p.setChildProcessModifier([slave] { ::dup2(slave, STDIN_FILENO); });
        p.start(qEnvironmentVariable("CUSTORIN_APP"),
                {"--data-dir", dir.path(), "--set-agency", "Sheriff", "--set-access-code"});
        QVERIFY(p.waitForStarted(10000));
        // The prompt comes once the echo is off.
        QByteArray prompt;
        QTRY_VERIFY2_WITH_TIMEOUT((prompt += p.readAllStandardError()).startsWith("Access code"),
                                  prompt.constData(), 10000);
        QCOMPARE(::write(master, "Ab3De\n", 6), ssize_t(6));
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        char shown[64] = {};
        const ssize_t got = ::read(master, shown, sizeof shown);
        QCOMPARE(QByteArray(shown, int(qMax<ssize_t>(got, 0))), QByteArray("\r\n"));
        ::close(master);
        ::close(slave);
        TestEnvironment env;
        DataFolder = dir.path();
        QVERIFY(AccessCodeMatches("Ab3De"));
    }

    void folderInUseIsNotSetUpInTheWindow()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), QByteArray(500, ' '));
        bool opened = false;
        QTimer guard;
        guard.setInterval(10);
        connect(&guard, &QTimer::timeout, [&opened] {
            if (auto *w = qobject_cast<frmSetup *>(QApplication::activeModalWidget())) {
                opened = true;
                w->reject();
            }
        });
        guard.start();
        env.desktop.answerMsgBox(1, false, "Installation not set up");
        QVERIFY(!EnsureInstallationConfigured(nullptr));
        const QByteArray damaged = "[Installation]\nAgencyName=City Police\n";
        writeFile(env.path("Custorin.ini"), damaged);
        env.desktop.answerMsgBox(1, false, "Installation settings damaged");
        QVERIFY(!EnsureInstallationConfigured(nullptr));
        QTest::qWait(30);
        QVERIFY(!opened);
        const QString folder = QDir(env.folder()).absoluteFilePath(QString());
        const QString wayBack =
            QStringLiteral("The folder holds users or entries, so its settings\r\n"
                           "are not set up again in a window.\r\n"
                           "Please restore 'Custorin.ini' from a backup of the data folder,\r\n"
                           "or have an operator with a shell on the server run\r\n"
                           "custorin --data-dir FOLDER --set-agency NAME --set-access-code");
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 "The installation settings file 'Custorin.ini' is missing\r\n"
                 "in the data folder:\r\n" +
                     folder + "\r\n\r\n" + wayBack);
        QCOMPARE(env.desktop.msgBoxes[1].text,
                 "The installation settings file 'Custorin.ini' is damaged or incomplete\r\n"
                 "in the data folder:\r\n" +
                     folder + "\r\n\r\n" + wayBack);
        QCOMPARE(readFile(env.path("Custorin.ini")), damaged);
        QVERIFY(!QFile::exists(env.path("UserList.Log")));
    }

    void setUpMeanwhileOrFolderTakenIntoUse()
    {
        TestEnvironment env;
        {
            frmSetup w;
            w.show();
            // Another workstation sets the folder up while the window is open.
            QCOMPARE(SaveInstallation("State Patrol", "Zz9!q", SetupBy::Window),
                     InstallationResult::Ok);
            const QByteArray theirs = readFile(env.path("Custorin.ini"));
            env.desktop.answerMsgBox(1, false, "Installation set up meanwhile");
            fillIn(&w, "City Police", "Ab3De");
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QCOMPARE(readFile(env.path("Custorin.ini")), theirs);
            QCOMPARE(AgencyName, QStringLiteral("State Patrol"));
            QVERIFY(AccessCodeMatches("Zz9!q"));
        }
        QVERIFY(QFile::remove(env.path("Custorin.ini")));
        {
            frmSetup w;
            w.show();
            writeFile(env.path("Custorin.Data"), QByteArray(5000, ' '));
            env.desktop.answerMsgBox(1, false, "Data folder in use");
            fillIn(&w, "City Police", "Ab3De");
            QCOMPARE(w.result(), int(QDialog::Rejected));
            QVERIFY(!QFile::exists(env.path("Custorin.ini")));
        }
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
