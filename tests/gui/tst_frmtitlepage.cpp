// The title window: its version label, the version check's outcomes
// against a server on 127.0.0.1, the pulse and its first delays, the
// new-user overview and its "NoShow" setting, the screen-size warning, the
// set-up and upgrade steps in their place, and the hand-over to the
// administrative window.
#include "FakeDesktop.h"
#include "LocalHttpServer.h"
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

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace
{

const OleColor PulseBack = 0x74F4F4, PulseFore = 0x000404; // RGB(244, 244, 116), RGB(4, 4, 0)

void setUpdateAddress(TestEnvironment &env, const QString &address)
{
    writeFile(env.path("Custorin.ini"), "[Installation]\nUpdateAddress=" + address.toUtf8() + "\n");
}

// The agency name and access code the administrative window needs.
void configure()
{
    QCOMPARE(SaveInstallation("Springfield PD", "Ab3#x"), InstallationResult::Ok);
}

int adminWindows()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<frmAdmin *>(w) != nullptr;
    return n;
}

void closeEverything()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        w->hide();
        w->deleteLater();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    CurrentUserName.clear();
    CurrentAccessLevel = 0;
}

// A title window, shown; waits (bounded) for its version check and
// returns the outcome, or fails the test.
struct Title {
    QPointer<frmTitlePage> window = new frmTitlePage;
    VersionOutcome outcome = VersionOutcome::NotAsked;
    explicit Title(int timeoutMs = VersionCheck::DefaultTimeoutMs)
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

} // namespace

Q_DECLARE_METATYPE(VersionOutcome)

class TestTitlePage : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }
    void cleanup()
    {
        closeEverything();
        ProgramEnding = false;
    }

    void versionLabelAndPulse()
    {
        TestEnvironment env;
        Title t;
        QVERIFY(t.showAndWait());
        frmTitlePage *w = t.window;
        QCOMPARE(w->labelVersion->text(), QStringLiteral("Version w%1.%2.%3")
                                              .arg(CUSTORIN_VERSION_MAJOR)
                                              .arg(CUSTORIN_VERSION_MINOR)
                                              .arg(CUSTORIN_VERSION_PATCH));
        // No update address: nothing is asked.
        QVERIFY(t.outcome == VersionOutcome::NotAsked && !w->GetURLtext->isRunning());
        // "&Continue" pulses after five seconds, then every 15 ms.
        QVERIFY(w->FlashingButton == w->cmdSignIn && w->timerFlashButton->isActive());
        QCOMPARE(w->timerFlashButton->interval(), 5000);
        w->timerFlashButton_Timer();
        QCOMPARE(w->timerFlashButton->interval(), 15);
        QVERIFY(w->cmdSignIn->BackColor() == PulseBack && w->cmdSignIn->ForeColor() == PulseFore);
        QCOMPARE(w->cmdVersionInfo->BackColor(), ZelButton::ProgramFace);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
    }

    void versionOutcomes_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        const QString tip = " Information about this version of Custorin (internet connection "
                            "required) ";
        QTest::newRow("newer") << LocalHttpServer::response(200, "99.0.0\r\n")
                               << int(VersionOutcome::Newer)
                               << "An updated version of Custorin is available!"
                               << " Click here for details ";
        QTest::newRow("same") << LocalHttpServer::response(200,
                                                           VersionText(RunningVersion()).toUtf8())
                              << int(VersionOutcome::Current)
                              << "Version Information for this software..."
                              << " Internet connection required ";
        QTest::newRow("empty") << LocalHttpServer::response(200, "") << int(VersionOutcome::Empty)
                               << "Could not obtain the latest version info"
                               << " Possibly no internet connection ";
        QTest::newRow("no answer")
            << QByteArray() << int(VersionOutcome::Failed) << "Version Information" << tip;
    }

    void versionOutcomes()
    {
        QFETCH(QByteArray, response);
        QFETCH(int, outcome);
        TestEnvironment env;
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(response);
        server.setSilent(response.isEmpty());
        setUpdateAddress(env, server.address());
        Title t(300);
        QSignalSpy spy(t.window.data(), &frmTitlePage::versionChecked);
        t.window->show();
        // The window is up and "&Continue" set to pulse before any answer.
        QVERIFY(spy.isEmpty() && t.window->GetURLtext->isRunning());
        QCOMPARE(t.window->FlashingButton, t.window->cmdSignIn);
        QVERIFY(spy.wait(10000));
        frmTitlePage *w = t.window;
        QCOMPARE(int(spy.first().first().value<VersionOutcome>()), outcome);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        QCOMPARE(w->cmdVersionInfo->text(), caption);
        QCOMPARE(w->cmdVersionInfo->toolTip(), toolTip);
        // News pulses at once, every half second; otherwise "&Continue" later.
        const bool newer = outcome == int(VersionOutcome::Newer);
        QCOMPARE(w->UpdateAvailable, newer);
        QCOMPARE(w->FlashingButton, newer ? w->cmdVersionInfo : w->cmdSignIn);
        QCOMPARE(w->timerFlashButton->interval(), newer ? 500 : 5000);
        w->timerFlashButton_Timer();
        QCOMPARE(w->cmdVersionInfo->BackColor(), newer ? PulseBack : ZelButton::ProgramFace);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
    }

    void newsWhileContinueAlreadyPulses()
    {
        TestEnvironment env;
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(LocalHttpServer::response(200, "99.1"));
        setUpdateAddress(env, server.address());
        Title t;
        QSignalSpy spy(t.window.data(), &frmTitlePage::versionChecked);
        t.window->show();
        t.window->timerFlashButton_Timer();
        QVERIFY(spy.wait(10000));
        // "&Continue" gets its own colours back; the news pulses instead.
        QCOMPARE(t.window->cmdSignIn->BackColor(), ZelButton::ProgramFace);
        QCOMPARE(t.window->cmdSignIn->ForeColor(), ZelButton::ProgramText);
        QVERIFY(t.window->FlashingButton == t.window->cmdVersionInfo && t.window->Flash.level == 0);
    }

    void documentsOnTheUpdateSite()
    {
        TestEnvironment env;
        // The server is stopped: a failing check changes nothing here.
        LocalHttpServer server;
        QVERIFY(server.listen());
        const QString site = "http://" + server.address();
        server.close();
        setUpdateAddress(env, site + "/custorin/");
        Title t;
        QVERIFY(t.showAndWait());
        QCOMPARE(t.outcome, VersionOutcome::Failed);
        QTest::mouseClick(t.window->cmdVersionInfo, Qt::LeftButton);
        QTest::mouseClick(t.window->cmdWindowsNotice, Qt::LeftButton);
        QCOMPARE(env.desktop.openedUrls,
                 QList<QUrl>({QUrl(site + "/custorin/VersionInfo/VersionInfo-Custorin.pdf"),
                              QUrl(site + "/custorin/manual/windowsnotice.pdf")}));
    }

    void newUserOverviewAndScreenWarning()
    {
        TestEnvironment env;
        configure();
        env.desktop.setScreen(QSize(800, 600));
        // Shown on a first start; left unticked nothing is saved. The
        // screen warning follows and never stops the way on.
        Title first;
        QVERIFY(first.showAndWait());
        env.desktop.answerMsgBox(1, false, " Custorin - New User Overview");
        env.desktop.answerMsgBox(1, false, "Screen Resolution Issue");
        first.window->cmdSignIn_Click();
        QCOMPARE(env.desktop.msgBoxes.first().text, NewUserOverviewMessage());
        QVERIFY(env.desktop.msgBoxes.first().offerDontShow);
        QCOMPARE(GetSetting("NewUser", "(none)"), QStringLiteral("(none)"));
        QCOMPARE(env.desktop.msgBoxes.last().buttons, QStringList{"Thank you, &continue"});
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
        // Ticked: "NoShow" is saved, and the next start goes straight on.
        env.desktop.setScreen(QSize(1024, 720));
        for (int start = 0; start < 2; ++start) {
            Title t;
            QVERIFY(t.showAndWait());
            if (start == 0)
                env.desktop.answerMsgBox(1, true, " Custorin - New User Overview");
            t.window->cmdSignIn_Click();
            QCOMPARE(env.desktop.msgBoxes.size(), 3);
            QCOMPARE(GetSetting("NewUser", QString()), QStringLiteral("NoShow"));
            closeEverything();
        }
    }

    // Before the tests that end the program: the set-up window runs an
    // event loop of its own, which a program that has ended leaves at once.
    void installationSetUpFirst()
    {
        TestEnvironment env;
        SuppressNewUserOverview();
        Title t;
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
        // Once the folder is set up, the next press goes on.
        configure();
        t.window->cmdSignIn_Click();
        QVERIFY(adminWindows() == 1 && !t.window->isVisible());
    }

    void upgradeQuestionInItsPlace()
    {
        // A 1000-byte record of an older release, marked "v" in byte 998.
        QByteArray old(1000, ' ');
        old.replace(0, 4, QByteArray("\x07\x00\x00\x00", 4)); // sequence number 7
        for (int at : {154, 332, 410})
            old.replace(at, 8, QByteArray(8, '\0'));
        old[998] = 'v';
        TestEnvironment env;
        configure();
        env.desktop.setScreen(QSize(800, 600));
        writeFile(env.path("Custorin.Dat"), old);
        // After the overview and the screen warning, before the hand-over:
        // quitting there ends the program with the file as it was.
        Title t;
        QVERIFY(t.showAndWait());
        env.desktop.answerMsgBox(1, false, " Custorin - New User Overview");
        env.desktop.answerMsgBox(1, false, "Screen Resolution Issue");
        env.desktop.answerMsgBox(3, false, "Update older version data file?");
        t.window->cmdSignIn_Click();
        QVERIFY(ProgramEnding && env.desktop.pendingAnswers() == 0 && adminWindows() == 0);
        QTRY_VERIFY(t.window.isNull());
        QCOMPARE(readFile(env.path("Custorin.Dat")), old);
    }

    void handOver()
    {
        TestEnvironment env;
        SuppressNewUserOverview();
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setSilent(true);
        setUpdateAddress(env, server.address());
        configure();
        // A user, so the administrative window has nothing to say.
        writeFile(env.path("User.List"), userBytes(0, "Pat", "Doe", storedPassword("abcd"), 4));
        Title t;
        frmTitlePage *w = t.window;
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 10000);
        w->timerFlashButton_Timer();
        QTest::mouseClick(w->cmdSignIn, Qt::LeftButton);
        // The pulse is stopped and the check dropped before the window goes.
        QVERIFY(!w->timerFlashButton->isActive() && !w->GetURLtext->isRunning());
        QCOMPARE(w->cmdSignIn->BackColor(), ZelButton::ProgramFace);
        QVERIFY(!w->isVisible() && !ProgramEnding && adminWindows() == 1);
        QTRY_VERIFY(t.window.isNull());
        // Nobody is signed in yet: the administrative window asks.
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *admin = qobject_cast<frmAdmin *>(top))
                QTRY_VERIFY(admin->activatedOnce());
        }
        QVERIFY(CurrentUserName.isEmpty() && env.desktop.msgBoxes.isEmpty());
    }
};

QTEST_MAIN(TestTitlePage)
#include "tst_frmtitlepage.moc"
