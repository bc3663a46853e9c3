// Start-up and the end of the program: the title window, the installation
// set-up, the second-copy refusal with real processes, QuitProgram and Exit.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "LocalHttpServer.h"
#include "RunProgram.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "core/common/Settings.h"
#include "core/rules/VersionCheck.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmAdmin.h"
#include "gui/windows/frmSetup.h"
#include "gui/windows/frmTitlePage.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace fixtures;

namespace
{

void setUpdateAddress(TestEnvironment &env, const QString &address)
{
    writeFile(env.path("Custorin.ini"), "[Installation]\nUpdateAddress=" + address.toUtf8() + "\n");
}

int adminWindows()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<frmAdmin *>(w) != nullptr;
    return n;
}

// A title window, shown; waits (bounded) for its version check and
// returns the outcome, or fails the test.
struct Title {
    QPointer<frmTitlePage> window;
    VersionOutcome outcome = VersionOutcome::NotAsked;
    explicit Title(TestEnvironment &env, int timeoutMs = VersionCheck::DefaultTimeoutMs)
        : window(new frmTitlePage(env.store, env.session))
    {
        window->GetURLtext->setTimeoutMs(timeoutMs);
    }
    bool showAndWait()
    {
        QSignalSpy spy(window.data(), &frmTitlePage::versionChecked);
        window->show();
        if (spy.isEmpty() && !spy.wait(10000))
            return false;
        outcome = spy.first().first().value<VersionOutcome>();
        return spy.size() == 1;
    }
};

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

// A probe of the program's start on a data folder: its output until it
// says RUNNING or ENDED, and the process.
QString startProbe(QProcess &p, const QString &lock, const QString &dataDir)
{
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(qEnvironmentVariable("CUSTORIN_TOOLS_DIR") + "/custorin_probe",
            {"--lock", lock, "--data-dir", dataDir});
    QString out;
    for (int i = 0; i < 200 && !out.contains("RUNNING") && !out.contains("ENDED"); ++i) {
        p.waitForReadyRead(100);
        out += QString::fromUtf8(p.readAll());
        if (p.state() == QProcess::NotRunning) {
            out += QString::fromUtf8(p.readAll());
            break;
        }
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(VersionOutcome)

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }
    void cleanup()
    {
        closeEverything();
        ProgramEnding = false;
    }

    void versionOutcomes()
    {
        struct Row {
            QByteArray response;
            VersionOutcome outcome;
            QString caption;
        } const rows[] = {
            {LocalHttpServer::response(200, "99.0.0\r\n"), VersionOutcome::Newer,
             "An updated version of Custorin is available!"},
            {QByteArray(), VersionOutcome::Failed, "Version Information"},
        };
        for (const Row &row : rows) {
            TestEnvironment env;
            LocalHttpServer server;
            QVERIFY(server.listen());
            server.setResponse(row.response);
            server.setSilent(row.response.isEmpty());
            setUpdateAddress(env, server.address());
            // Only the silent site is waited out; an answer on a busy machine
            // may take far longer than that, and gets the program's own time.
            Title t(env, row.response.isEmpty() ? 300 : VersionCheck::DefaultTimeoutMs);
            QSignalSpy spy(t.window.data(), &frmTitlePage::versionChecked);
            t.window->show();
            QVERIFY(spy.isEmpty() && t.window->FlashingButton == t.window->cmdSignIn);
            if (row.outcome == VersionOutcome::Newer)
                t.window->timerFlashButton_Timer(); // "&Continue" already pulses
            QVERIFY(spy.wait(VersionCheck::DefaultTimeoutMs + 10000));
            frmTitlePage *w = t.window;
            QCOMPARE(spy.first().first().value<VersionOutcome>(), row.outcome);
            QCOMPARE(w->cmdVersionInfo->text(), row.caption);
            const bool newer = row.outcome == VersionOutcome::Newer;
            QCOMPARE(w->FlashingButton, newer ? w->cmdVersionInfo : w->cmdSignIn);
            QCOMPARE(w->timerFlashButton->interval(), newer ? 500 : 5000);
            QVERIFY(env.desktop.msgBoxes.isEmpty());
            if (!newer)
                continue;
            QCOMPARE(w->cmdSignIn->BackColor(), ZelButton::ProgramFace);
            QCOMPARE(w->cmdSignIn->ForeColor(), ZelButton::ProgramText);
            QCOMPARE(w->Flash.level, 0);
            QTest::mouseClick(w->cmdVersionInfo, Qt::LeftButton);
            QTest::mouseClick(w->cmdWindowsNotice, Qt::LeftButton);
            const QString site = "http://" + server.address();
            QCOMPARE(env.desktop.openedUrls,
                     QList<QUrl>({QUrl(site + "/VersionInfo/VersionInfo-Custorin.pdf"),
                                  QUrl(site + "/manual/windowsnotice.pdf")}));
        }
    }

    void newUserOverviewAndScreenWarning()
    {
        TestEnvironment env;
        QCOMPARE(SaveInstallation(env.data, "Springfield PD", "Ab3#x"), InstallationResult::Ok);
        env.desktop.setScreen(QSize(800, 600));
        // Shown on a first start; left unticked nothing is saved. The
        // screen warning follows and never stops the way on.
        Title first(env);
        QVERIFY(first.showAndWait());
        env.desktop.answerMsgBox(1, false, " Custorin - New User Overview");
        env.desktop.answerMsgBox(1, false, "Screen Resolution Issue");
        first.window->cmdSignIn_Click();
        QCOMPARE(env.desktop.msgBoxes.first().text, NewUserOverviewMessage());
        QCOMPARE(GetSetting("NewUser", "(none)"), QStringLiteral("(none)"));
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 "Custorin is designed for use on a monitor\r\n"
                 "with a horizontal resolution of at least 1024.\r\n"
                 "and a vertical resolution of at least 720.\r\n\r\n"
                 "Custorin may not display correctly on your\r\n"
                 "current screen resolution (800x600).\r\n\r\n"
                 "Consult your Windows' Help documentation\r\n"
                 "for adjusting your screen resolution, and\r\n"
                 "then choose a setting of at least 1024x768\r\n"
                 "(or 1280x720 for widescreen monitors).");
        QCOMPARE(adminWindows(), 1);
        closeEverything();
        env.desktop.setScreen(QSize(1024, 720));
        Title t(env);
        QVERIFY(t.showAndWait());
        env.desktop.answerMsgBox(1, true, " Custorin - New User Overview");
        t.window->cmdSignIn_Click();
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
        QCOMPARE(GetSetting("NewUser", QString()), QStringLiteral("NoShow"));
    }

    // Before the tests that end the program: the set-up window runs an
    // event loop of its own, which a program that has ended leaves at once.
    void installationSetUpFirst()
    {
        TestEnvironment env;
        SuppressNewUserOverview();
        Title t(env);
        QVERIFY(t.showAndWait());
        // A data folder without agency name and access code: the set-up
        // window comes first. Cancelled, the title window stays as it was.
        bool setUpShown = false;
        QTimer watch;
        watch.setInterval(10);
        QPointer<frmTitlePage> title = t.window;
        QObject::connect(&watch, &QTimer::timeout, [&setUpShown, &watch, title] {
            frmSetup *setup = title ? title->findChild<frmSetup *>() : nullptr;
            if (setup && setup->isVisible()) {
                setUpShown = true;
                watch.stop();
                setup->cmdCancel_Click();
            }
        });
        watch.start();
        QTimer::singleShot(10000, &watch, &QTimer::stop); // bounded
        t.window->cmdSignIn_Click();
        watch.stop();
        QVERIFY(setUpShown && t.window && t.window->isVisible() && !ProgramEnding);
        QVERIFY(adminWindows() == 0 && t.window->timerFlashButton->isActive());
    }

    void handOver()
    {
        TestEnvironment env;
        SuppressNewUserOverview();
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setSilent(true);
        setUpdateAddress(env, server.address());
        QCOMPARE(SaveInstallation(env.data, "Springfield PD", "Ab3#x"), InstallationResult::Ok);
        writeFile(env.path("User.List"), userBytes(0, "Pat", "Doe", storedPassword("abcd"), 4));
        Title t(env);
        frmTitlePage *w = t.window;
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 10000);
        w->timerFlashButton_Timer();
        QTest::mouseClick(w->cmdSignIn, Qt::LeftButton);
        QVERIFY(!w->timerFlashButton->isActive() && !w->GetURLtext->isRunning());
        QCOMPARE(w->cmdSignIn->BackColor(), ZelButton::ProgramFace);
        QVERIFY(!w->isVisible() && !ProgramEnding && adminWindows() == 1);
        QCOMPARE(w->labelVersion->text(), QStringLiteral("Version w%1.%2.%3")
                                              .arg(CUSTORIN_VERSION_MAJOR)
                                              .arg(CUSTORIN_VERSION_MINOR)
                                              .arg(CUSTORIN_VERSION_PATCH));
        QTRY_VERIFY(t.window.isNull());
        QVERIFY(env.session.CurrentUserName.isEmpty() && env.desktop.msgBoxes.isEmpty());
    }

    void setupWindowChecks()
    {
        TestEnvironment env;
        frmSetup w(env.store);
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

    void ensureConfigured()
    {
        TestEnvironment env;
        whenModal<frmSetup>([](frmSetup *d) { d->cmdCancel->click(); });
        QVERIFY(!EnsureInstallationConfigured(env.store, nullptr));
        QVERIFY(!QFile::exists(env.path("Custorin.ini")));
        whenModal<frmSetup>([](frmSetup *d) { fillIn(d, "City Police", "12345"); });
        QVERIFY(EnsureInstallationConfigured(env.store, nullptr));
        writeFile(env.path("Custorin.ini"), "[Installation]\nAgencyName=City Police\n");
        env.desktop.answerMsgBox(1, false, "Installation settings damaged");
        whenModal<frmSetup>([](frmSetup *d) { fillIn(d, "City Police", "54321"); });
        QVERIFY(EnsureInstallationConfigured(env.store, nullptr));
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
        const QByteArray log = readFile(dir.filePath("UserList.Log"));
        QVERIFY2(log.count("\r\n") == 1 &&
                     log.endsWith(" - Access code set by the unattended set-up\r\n"),
                 log.constData());
    }
    void secondCopyIsRefused()
    {
        QTemporaryDir work;
        const QString lock = work.filePath("instance.lock");
        const QString first = work.filePath("first"), second = work.filePath("second");
        for (const QString &folder : {first, second}) {
            QVERIFY(QDir().mkdir(folder));
            writeFile(folder + "/TempFile.$$$", "left over");
        }
        QProcess a, b, c;
        QCOMPARE(startProbe(a, lock, first).trimmed(), QStringLiteral("RUNNING"));
        QVERIFY(!QFile::exists(first + "/TempFile.$$$")); // its stale work file removed
        // A live first copy refuses the second, which touches no file of
        // its folder.
        QCOMPARE(startProbe(b, lock, second),
                 QStringLiteral("MSGBOX|Terminating|2|Custorin is already loaded\\nand running on "
                                "your computer!|&Okay\nENDED\n"));
        QVERIFY(b.waitForFinished(10000));
        QCOMPARE(b.exitCode(), 1);
        QCOMPARE(QDir(second).entryList(QDir::Files | QDir::Hidden), QStringList({"TempFile.$$$"}));

        a.kill();
        QVERIFY(a.waitForFinished(10000));
        QCOMPARE(startProbe(c, lock, second).trimmed(), QStringLiteral("RUNNING"));
        QVERIFY(!QFile::exists(second + "/TempFile.$$$"));
        c.kill();
        c.waitForFinished(10000);
        QTemporaryDir other;
        QProcess d;
        const QString out =
            startProbe(d, other.filePath("instance.lock"), other.filePath("no/such"));
        d.waitForFinished(10000);
        QVERIFY2(out.startsWith("MSGBOX|Data folder not found|2|") && out.endsWith("ENDED\n"),
                 qPrintable(out));
    }

    void quitProgram()
    {
        TestEnvironment env;
        ProgramEnding = false;
        writeFile(env.path("Search.Log"), "");
        writeFile(env.path("SignInOut.Log"), "12/04/2026 at 22:45:32 - Pat Doe signed in\r\n");
        writeFile(env.path("Custorin.Data"), "");
        QWidget window;
        window.show();
        env.desktop.answerMsgBox(0, false, "Exit Custorin?");
        QVERIFY(!QuitProgram(env.data, false) && !ProgramEnding && window.isVisible());
        const MsgBoxRequest &q = env.desktop.msgBoxes.first();
        QCOMPARE(q.text,
                 QStringLiteral("This will close Custorin.\r\n\r\nIs this what you want to do?"));
        QCOMPARE(q.buttons, QStringList({"&Yes, exit Custorin", "&No, don't quit yet"}));
        QVERIFY(q.icon == 3 && q.defaultButton == 1 && !q.offerDontShow);

        env.desktop.answerMsgBox(1, false, "Exit Custorin?");
        QVERIFY(QuitProgram(env.data, false) && ProgramEnding && !window.isVisible());
        QCOMPARE(QDir(env.folder()).entryList(QDir::Files), QStringList{"SignInOut.Log"});
        ProgramEnding = false;
    }

    void titleWindowExitAsksNothing()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), "");
        auto *title = new frmTitlePage(env.store, env.session);
        title->show();
        QTest::mouseClick(title->cmdQuit, Qt::LeftButton);
        QVERIFY(ProgramEnding && env.desktop.msgBoxes.isEmpty());
        QVERIFY(!QFile::exists(env.path("User.List")));
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
        ProgramEnding = false;
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
