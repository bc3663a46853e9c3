// The installation set-up: the set-up window's checks and what it saves,
// the question before the administrative window, and the unattended
// set-up of the real program run as a separate process.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "RunProgram.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/frmSetup.h"

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace fixtures;

namespace
{

// Runs the program without any display; "exit code|stdout|stderr".
QString runApp(const QStringList &args, const QByteArray &input)
{
    const ProgramRun r = RunCustorin(args, input);
    return QString::number(r.status) + '|' + QString::fromUtf8(r.out + '|' + r.err);
}

void fillIn(frmSetup *d, const QString &agency, const QString &code,
            const QString &confirm = QString())
{
    d->txtAgencyName->setText(agency);
    d->txtAccessCode->setText(code);
    d->txtConfirmCode->setText(confirm.isNull() ? code : confirm);
    d->cmdSave->click();
}

} // namespace

class TestSetup : public QObject
{
    Q_OBJECT
private slots:
    // A refused code clears both boxes; a right one is saved and closes
    // the window accepted.
    void setupWindowChecks()
    {
        TestEnvironment env;
        frmSetup w(env.data);
        w.show();
        env.desktop.answerMsgBox(1, false, "Invalid Access Code");
        fillIn(&w, "  County Sheriff ", "Ab3D");
        QVERIFY(w.txtAccessCode->text().isEmpty() && w.txtConfirmCode->text().isEmpty());
        env.desktop.answerMsgBox(1, false, "Access Codes Differ");
        fillIn(&w, "  County Sheriff ", "Ab3De", "Ab3dE");
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("The two access codes typed are not the same.\r\n\r\n"
                                "Please type the access code again\r\nin both boxes."));
        QVERIFY(!QFile::exists(env.path("Custorin.ini")) && w.isVisible());

        fillIn(&w, "  County Sheriff ", "Ab3 e");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(env.data.AgencyName == "County Sheriff" && AccessCodeMatches(env.data, "Ab3 e"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // Cancelled: false, nothing written; set up: true; damaged: the person
    // is told, then sets it up again.
    void ensureConfigured()
    {
        TestEnvironment env;
        whenModal<frmSetup>([](frmSetup *d) { d->cmdCancel->click(); });
        QVERIFY(!EnsureInstallationConfigured(env.data, nullptr));
        QVERIFY(!QFile::exists(env.path("Custorin.ini")));
        whenModal<frmSetup>([](frmSetup *d) { fillIn(d, "City Police", "12345"); });
        QVERIFY(EnsureInstallationConfigured(env.data, nullptr));
        writeFile(env.path("Custorin.ini"), "[Installation]\nAgencyName=City Police\n");
        env.desktop.answerMsgBox(1, false, "Installation settings damaged");
        whenModal<frmSetup>([](frmSetup *d) { fillIn(d, "City Police", "54321"); });
        QVERIFY(EnsureInstallationConfigured(env.data, nullptr));
        QVERIFY(AccessCodeMatches(env.data, "54321"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // Without a terminal the code is read from standard input, CR LF or
    // not; failures change nothing and say why on standard error.
    // At a terminal the code is read with the echo off: nothing of it shows.
    void codeAtTerminalIsNotEchoed()
    {
        QTemporaryDir dir;
        int master = -1, slave = -1;
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        QProcess p;
        p.setChildProcessModifier([slave] { ::dup2(slave, STDIN_FILENO); });
        p.start(qEnvironmentVariable("CUSTORIN_APP"),
                {"--data-dir", dir.path(), "--set-agency", "Sheriff", "--set-access-code"});
        QByteArray prompt; // comes once the echo is off
        QTRY_VERIFY2_WITH_TIMEOUT((prompt += p.readAllStandardError()).startsWith("Access code"),
                                  prompt.constData(), 10000);
        QCOMPARE(::write(master, "Qx7 z\n", 6), ssize_t(6));
        QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        char shown[64] = {};
        const ssize_t got = ::read(master, shown, sizeof shown);
        ::close(master);
        ::close(slave);
        QCOMPARE(QByteArray(shown, int(qMax<ssize_t>(got, 0))), QByteArray("\r\n"));
        TestEnvironment env;
        QVERIFY(AccessCodeMatches(DataSet(dir.path()), "Qx7 z"));
    }

    void unattended()
    {
        QTemporaryDir dir;
        const QString folder = dir.path();
        TestEnvironment env;
        const DataSet there(folder);
        QCOMPARE(runApp({"--data-dir=" + folder, "--set-agency=State Patrol, Troop C",
                         "--set-access-code"},
                        "Ab3De\r\nignored\n"),
                 "0|The data folder " + QDir(folder).absolutePath() +
                     " is set up for State Patrol, Troop C.\n|");
        QVERIFY(AccessCodeMatches(there, "Ab3De"));
        const QByteArray before = readFile(dir.filePath("Custorin.ini"));
        QCOMPARE(runApp({"--data-dir", folder, "--set-agency", "Sheriff", "--set-access-code"},
                        "Ab3D\n"),
                 "1||custorin: Invalid Access Code: The access code must be exactly\n5 characters "
                 "long.\nNothing has been saved.\n");
        QVERIFY(
            runApp({"--data-dir", folder, "--set-agency", "Sheriff"}, "Ab3De\n")
                .startsWith("2||custorin: --set-agency NAME and --set-access-code go together"));
        QCOMPARE(readFile(dir.filePath("Custorin.ini")), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 QStringList({"Custorin.ini", "UserList.Log", "UserList.Log.chain"}));
        // Each setting of the code has its line.
        const QByteArray log = readFile(dir.filePath("UserList.Log"));
        QVERIFY2(log.count("\r\n") == 1 &&
                     log.endsWith(" - Access code set by the unattended set-up\r\n"),
                 log.constData());
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
