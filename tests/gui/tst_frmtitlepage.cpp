// The title window: the version check against a server on 127.0.0.1, the
// pulse, the new-user overview, the screen warning, the set-up step in its
// place, and the hand-over to the administrative window.
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

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

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

void closeEverything()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        w->hide();
        w->deleteLater();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
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
            // The window is up and "&Continue" set to pulse before any answer.
            QVERIFY(spy.isEmpty() && t.window->FlashingButton == t.window->cmdSignIn);
            QVERIFY(spy.wait(VersionCheck::DefaultTimeoutMs + 10000));
            frmTitlePage *w = t.window;
            QCOMPARE(spy.first().first().value<VersionOutcome>(), row.outcome);
            QCOMPARE(w->cmdVersionInfo->text(), row.caption);
            // News pulses at once, every half second; otherwise "&Continue" later.
            const bool newer = row.outcome == VersionOutcome::Newer;
            QCOMPARE(w->FlashingButton, newer ? w->cmdVersionInfo : w->cmdSignIn);
            QCOMPARE(w->timerFlashButton->interval(), newer ? 500 : 5000);
            QVERIFY(env.desktop.msgBoxes.isEmpty());
        }
    }

    void newsWhileContinueAlreadyPulses()
    {
        TestEnvironment env;
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(LocalHttpServer::response(200, "99.1"));
        setUpdateAddress(env, server.address());
        Title t(env);
        QSignalSpy spy(t.window.data(), &frmTitlePage::versionChecked);
        t.window->show();
        t.window->timerFlashButton_Timer();
        QVERIFY(spy.wait(10000));
        // "&Continue" gets its own colours back; the news pulses instead.
        QCOMPARE(t.window->cmdSignIn->BackColor(), ZelButton::ProgramFace);
        QCOMPARE(t.window->cmdSignIn->ForeColor(), ZelButton::ProgramText);
        QVERIFY(t.window->FlashingButton == t.window->cmdVersionInfo && t.window->Flash.level == 0);
        // The update site's documents open from their buttons.
        QTest::mouseClick(t.window->cmdVersionInfo, Qt::LeftButton);
        QTest::mouseClick(t.window->cmdWindowsNotice, Qt::LeftButton);
        const QString site = "http://" + server.address();
        QCOMPARE(env.desktop.openedUrls,
                 QList<QUrl>({QUrl(site + "/VersionInfo/VersionInfo-Custorin.pdf"),
                              QUrl(site + "/manual/windowsnotice.pdf")}));
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
        // Ticked: "NoShow" is saved; a 1024x720 screen is wide enough.
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
        // The pulse is stopped and the check dropped before the window goes.
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
};

QTEST_MAIN(TestTitlePage)
#include "tst_frmtitlepage.moc"
