// The title window: its version label, the version check's three
// outcomes against a server on 127.0.0.1, the pulse and its first delays,
// the new-user overview and its "NoShow" setting, the screen-size warning,
// the upgrade step in its place, the hand-over to the administrative
// window, and the close box.
#include "FakeDesktop.h"
#include "LocalHttpServer.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "core/common/Settings.h"
#include "core/entries/Upgrade.h"
#include "core/rules/VersionCheck.h"
#include "core/users/Installation.h"
#include "core/users/UserFile.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmAdmin.h"
#include "gui/windows/frmSetup.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace
{

OleColor rgb(int r, int g, int b)
{
    return OleColor(r) | (OleColor(g) << 8) | (OleColor(b) << 16);
}

// The update address in the installation's settings file.
void setUpdateAddress(TestEnvironment &env, const QString &address)
{
    writeFile(env.path("Custorin.ini"), "[Installation]\nUpdateAddress=" + address.toUtf8() + "\n");
}

// The installation's agency name and access code, which the
// administrative window needs (an update address already set stays).
void configure()
{
    QCOMPARE(SaveInstallation(QStringLiteral("Springfield PD"), QStringLiteral("Ab3#x")),
             InstallationResult::Ok);
}

QList<frmAdmin *> adminWindows()
{
    QList<frmAdmin *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *a = qobject_cast<frmAdmin *>(w))
            found.append(a);
    }
    return found;
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

// A title window, shown, waiting for its version check (bounded).
struct Title {
    QPointer<frmTitlePage> window;
    VersionOutcome outcome = VersionOutcome::NotAsked;

    explicit Title(int timeoutMs = VersionCheck::DefaultTimeoutMs)
    {
        window = new frmTitlePage;
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
        QCOMPARE(t.outcome, VersionOutcome::NotAsked);
        QCOMPARE(w->labelVersion->text(), QStringLiteral("Version w%1.%2.%3")
                                              .arg(CUSTORIN_VERSION_MAJOR)
                                              .arg(CUSTORIN_VERSION_MINOR)
                                              .arg(CUSTORIN_VERSION_PATCH));
        // No update address: nothing is asked.
        QVERIFY(!w->GetURLtext->isRunning());
        QVERIFY(!w->UpdateAvailable);
        QVERIFY(env.desktop.msgBoxes.isEmpty());

        // "&Continue" pulses after five seconds.
        QCOMPARE(w->FlashingButton, w->cmdSignIn);
        QVERIFY(w->timerFlashButton->isActive());
        QCOMPARE(w->timerFlashButton->interval(), 5000);

        // Then every 15 ms, the back colour against the fore colour.
        w->timerFlashButton_Timer();
        QCOMPARE(w->timerFlashButton->interval(), 15);
        QCOMPARE(w->cmdSignIn->BackColor(), rgb(244, 244, 116));
        QCOMPARE(w->cmdSignIn->ForeColor(), rgb(4, 4, 0));
        QCOMPARE(w->cmdVersionInfo->BackColor(), ZelButton::ProgramFace);
    }

    void versionOutcomes_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        const QString design = QStringLiteral("Version Information");
        const QString designTip =
            QStringLiteral(" Information about this version of Custorin (internet connection "
                           "required) ");
        QTest::newRow("newer") << LocalHttpServer::response(200, "99.0.0\r\n") << false
                               << int(VersionOutcome::Newer)
                               << QStringLiteral("An updated version of Custorin is available!")
                               << QStringLiteral(" Click here for details ");
        const QByteArray same = QByteArray::number(CUSTORIN_VERSION_MAJOR) + "." +
                                QByteArray::number(CUSTORIN_VERSION_MINOR) + "." +
                                QByteArray::number(CUSTORIN_VERSION_PATCH);
        QTest::newRow("same") << LocalHttpServer::response(200, same) << false
                              << int(VersionOutcome::Current)
                              << QStringLiteral("Version Information for this software...")
                              << QStringLiteral(" Internet connection required ");
        QTest::newRow("empty") << LocalHttpServer::response(200, "") << false
                               << int(VersionOutcome::Empty)
                               << QStringLiteral("Could not obtain the latest version info")
                               << QStringLiteral(" Possibly no internet connection ");
        QTest::newRow("no answer")
            << QByteArray() << true << int(VersionOutcome::Failed) << design << designTip;
        QTest::newRow("http error") << LocalHttpServer::response(500, "99.0") << false
                                    << int(VersionOutcome::Failed) << design << designTip;
    }

    void versionOutcomes()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, silent);
        QFETCH(int, outcome);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);

        TestEnvironment env;
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(response);
        server.setSilent(silent);
        setUpdateAddress(env, server.address());

        Title t(300);
        QSignalSpy spy(t.window.data(), &frmTitlePage::versionChecked);
        t.window->show();
        // The window is up and "&Continue" is set to pulse before any answer.
        QVERIFY(spy.isEmpty() && t.window->GetURLtext->isRunning());
        QCOMPARE(t.window->FlashingButton, t.window->cmdSignIn);

        QVERIFY(spy.wait(10000));
        frmTitlePage *w = t.window;
        QCOMPARE(int(spy.first().first().value<VersionOutcome>()), outcome);
        QCOMPARE(w->cmdVersionInfo->text(), caption);
        QCOMPARE(w->cmdVersionInfo->toolTip(), toolTip);
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(server.requests().first().startsWith(
            "GET /VersionInfo/LatestVersion-Custorin.txt HTTP/1.1\r\n"));
        if (outcome == int(VersionOutcome::Newer)) {
            QVERIFY(w->UpdateAvailable);
            QCOMPARE(w->FlashingButton, w->cmdVersionInfo);
            QCOMPARE(w->timerFlashButton->interval(), 500);
            w->timerFlashButton_Timer();
            QCOMPARE(w->cmdVersionInfo->BackColor(), rgb(244, 244, 116));
            QCOMPARE(w->cmdSignIn->BackColor(), ZelButton::ProgramFace);
        } else {
            QVERIFY(!w->UpdateAvailable);
            QCOMPARE(w->FlashingButton, w->cmdSignIn);
            QCOMPARE(w->timerFlashButton->interval(), 5000);
        }
        QVERIFY(w->timerFlashButton->isActive());
        QVERIFY(env.desktop.msgBoxes.isEmpty());
    }

    void newerVersionWhileContinueAlreadyPulses()
    {
        TestEnvironment env;
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(LocalHttpServer::response(200, "99.1"));
        setUpdateAddress(env, server.address());
        Title t;
        frmTitlePage *w = t.window;
        w->show();
        // The pulse of "&Continue" had begun before the answer came.
        w->timerFlashButton_Timer();
        QVERIFY(w->cmdSignIn->BackColor() != ZelButton::ProgramFace);
        QSignalSpy spy(w, &frmTitlePage::versionChecked);
        QVERIFY(spy.wait(10000));
        // "&Continue" gets its own colours back; the news pulses instead.
        QCOMPARE(w->cmdSignIn->BackColor(), ZelButton::ProgramFace);
        QCOMPARE(w->cmdSignIn->ForeColor(), ZelButton::ProgramText);
        QCOMPARE(w->FlashingButton, w->cmdVersionInfo);
        QCOMPARE(w->timerFlashButton->interval(), 500);
        QCOMPARE(w->Flash.level, 0);
    }

    void documentsAndContacts()
    {
        TestEnvironment env;
        // With an update address the documents are on that site. The
        // server is stopped: a failing check changes nothing here.
        LocalHttpServer server;
        QVERIFY(server.listen());
        const QString site = server.address();
        server.close();
        setUpdateAddress(env, QStringLiteral("http://") + site + QStringLiteral("/custorin/"));
        Title t;
        QVERIFY(t.showAndWait());
        QCOMPARE(t.outcome, VersionOutcome::Failed);
        QTest::mouseClick(t.window->cmdVersionInfo, Qt::LeftButton);
        QTest::mouseClick(t.window->cmdWindowsNotice, Qt::LeftButton);
        QCOMPARE(env.desktop.openedUrls.size(), 2);
        QCOMPARE(env.desktop.openedUrls.at(0).toString(),
                 QStringLiteral("http://") + site +
                     QStringLiteral("/custorin/VersionInfo/VersionInfo-Custorin.pdf"));
        QCOMPARE(env.desktop.openedUrls.at(1).toString(),
                 QStringLiteral("http://") + site +
                     QStringLiteral("/custorin/manual/windowsnotice.pdf"));
        QVERIFY(env.desktop.msgBoxes.isEmpty());
    }

    void newUserOverview()
    {
        TestEnvironment env;
        configure();
        env.desktop.setScreen(QSize(1920, 1080));

        // Shown on a first start; left unticked nothing is saved.
        Title first;
        QVERIFY(first.showAndWait());
        env.desktop.answerMsgBox(1, false, QStringLiteral(" Custorin - New User Overview"));
        first.window->cmdSignIn_Click();
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QCOMPARE(env.desktop.msgBoxes.first().text, NewUserOverviewMessage());
        QVERIFY(env.desktop.msgBoxes.first().offerDontShow);
        QCOMPARE(GetSetting(QStringLiteral("NewUser"), QStringLiteral("(none)")),
                 QStringLiteral("(none)"));
        closeEverything();

        // Ticked: "NoShow" is saved.
        Title second;
        QVERIFY(second.showAndWait());
        env.desktop.answerMsgBox(1, true, QStringLiteral(" Custorin - New User Overview"));
        second.window->cmdSignIn_Click();
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        QCOMPARE(GetSetting(QStringLiteral("NewUser"), QString()), QStringLiteral("NoShow"));
        closeEverything();

        // The next start goes straight on.
        Title third;
        QVERIFY(third.showAndWait());
        third.window->cmdSignIn_Click();
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        QCOMPARE(adminWindows().size(), 1);
        closeEverything();

        // Only "NoShow" exactly suppresses it.
        SaveSetting(QStringLiteral("NewUser"), QStringLiteral("noshow"));
        Title fourth;
        QVERIFY(fourth.showAndWait());
        env.desktop.answerMsgBox(0, false, QStringLiteral(" Custorin - New User Overview"));
        fourth.window->cmdSignIn_Click();
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
        QCOMPARE(GetSetting(QStringLiteral("NewUser"), QString()), QStringLiteral("noshow"));
    }

    void screenSizes_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("size"); // as the warning gives it; empty: no warning
        QTest::newRow("1024x768") << QSize(1024, 768) << QString();
        QTest::newRow("800x600") << QSize(800, 600) << QStringLiteral("800x600");
    }

    void screenSizes()
    {
        QFETCH(QSize, screen);
        QFETCH(QString, size);
        TestEnvironment env;
        configure();
        SuppressNewUserOverview();
        env.desktop.setScreen(screen);
        Title t;
        QVERIFY(t.showAndWait());
        if (!size.isEmpty())
            env.desktop.answerMsgBox(1, false, QStringLiteral("Screen Resolution Issue"));
        t.window->cmdSignIn_Click();
        if (size.isEmpty()) {
            QVERIFY(env.desktop.msgBoxes.isEmpty());
        } else {
            QCOMPARE(env.desktop.msgBoxes.size(), 1);
            const MsgBoxRequest &box = env.desktop.msgBoxes.first();
            QCOMPARE(box.buttons, QStringList{QStringLiteral("Thank you, &continue")});
            QCOMPARE(box.text, QStringLiteral("Custorin is designed for use on a monitor\r\n"
                                              "with a horizontal resolution of at least 1024.\r\n"
                                              "and a vertical resolution of at least 720.\r\n\r\n"
                                              "Custorin may not display correctly on your\r\n"
                                              "current screen resolution (") +
                                   size +
                                   QStringLiteral(").\r\n\r\n"
                                                  "Consult your Windows' Help documentation\r\n"
                                                  "for adjusting your screen resolution, and\r\n"
                                                  "then choose a setting of at least 1024x768\r\n"
                                                  "(or 1280x720 for widescreen monitors)."));
        }
        // The warning never stops the way on.
        QCOMPARE(adminWindows().size(), 1);
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
        QVERIFY(setUpShown);
        QVERIFY(!t.window.isNull());
        QVERIFY(t.window->isVisible());
        QVERIFY(!ProgramEnding);
        QVERIFY(adminWindows().isEmpty());
        QVERIFY(t.window->timerFlashButton->isActive());
        QVERIFY(env.desktop.msgBoxes.isEmpty());

        // Once the folder is set up, the next press goes on.
        configure();
        t.window->cmdSignIn_Click();
        QCOMPARE(adminWindows().size(), 1);
        QVERIFY(!t.window->isVisible());
    }

    void upgradeInItsPlace()
    {
        // A 1000-byte record of an older release, marked "v" in byte 998.
        QByteArray old(1000, ' ');
        old.replace(0, 4, QByteArray("\x07\x00\x00\x00", 4)); // sequence number 7
        old.replace(4, 8, "C-1234  ");
        old.replace(154, 8, QByteArray(8, '\0'));
        old.replace(332, 8, QByteArray(8, '\0'));
        old.replace(410, 8, QByteArray(8, '\0'));
        old[998] = 'v';

        TestEnvironment env;
        configure();
        env.desktop.setScreen(QSize(800, 600));
        writeFile(env.path("Custorin.Dat"), old);
        writeFile(env.path("Search.Log"), QByteArray());
        writeFile(env.path("User.List"), QByteArray());

        // Choosing to quit there ends the program: no hand-over, and every
        // file as it was (empty ones too: no clean-up on this way out).
        {
            Title t;
            QVERIFY(t.showAndWait());
            env.desktop.answerMsgBox(1, false, QStringLiteral(" Custorin - New User Overview"));
            env.desktop.answerMsgBox(1, false, QStringLiteral("Screen Resolution Issue"));
            env.desktop.answerMsgBox(3, false, QStringLiteral("Update older version data file?"));
            t.window->cmdSignIn_Click();
            QVERIFY(ProgramEnding);
            QCOMPARE(env.desktop.msgBoxes.size(), 3);
            QTRY_VERIFY(t.window.isNull());
            QVERIFY(adminWindows().isEmpty());
            QCOMPARE(readFile(env.path("Custorin.Dat")), old);
            QVERIFY(!QFile::exists(env.path("Custorin.Data")));
            QVERIFY(QFile::exists(env.path("Search.Log")));
            QVERIFY(QFile::exists(env.path("User.List")));
            QCOMPARE(env.desktop.pendingAnswers(), 0);
        }
        closeEverything();
        ProgramEnding = false;

        // Converting it: overview, screen, question, notice, then sign-in.
        env.desktop.msgBoxes.clear();
        Title t;
        QVERIFY(t.showAndWait());
        env.desktop.answerMsgBox(1, false, QStringLiteral(" Custorin - New User Overview"));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Screen Resolution Issue"));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Update older version data file?"));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Finished Updating!"));
        t.window->cmdSignIn_Click();
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        QCOMPARE(env.desktop.msgBoxes.size(), 4);
        QVERIFY(!ProgramEnding);
        QCOMPARE(QFileInfo(env.path("Custorin.Data")).size(), qint64(5000));
        QVERIFY(QFile::exists(env.path("Custorin.Old")));
        QVERIFY(t.window->isEnabled());
        QCOMPARE(adminWindows().size(), 1);
    }

    void handOver()
    {
        TestEnvironment env;
        SuppressNewUserOverview();
        UserRecord user;
        user.FirstName = QStringLiteral("Pat");
        user.LastName = QStringLiteral("Doe");
        user.Password = ScramblePassword(QStringLiteral("abcd"));
        user.AccessLevel = 4;
        QCOMPARE(AppendUser(user), UserResult::Ok);
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setSilent(true);
        setUpdateAddress(env, server.address());
        configure();
        QCOMPARE(UpdateAddress(), server.address());
        Title t;
        frmTitlePage *w = t.window;
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 10000);
        w->timerFlashButton_Timer();
        QVERIFY(w->GetURLtext->isRunning());

        QTest::mouseClick(w->cmdSignIn, Qt::LeftButton);
        // The pulse is stopped and the check dropped before the window goes.
        QVERIFY(!t.window.isNull()); // released once events run
        QVERIFY(!w->timerFlashButton->isActive());
        QCOMPARE(w->cmdSignIn->BackColor(), ZelButton::ProgramFace);
        QVERIFY(!w->GetURLtext->isRunning());
        QVERIFY(!w->isVisible());
        QVERIFY(!ProgramEnding);
        const QList<frmAdmin *> admins = adminWindows();
        QCOMPARE(admins.size(), 1);
        QVERIFY(admins.first()->isVisible());
        QVERIFY(admins.first()->testAttribute(Qt::WA_DeleteOnClose));
        QTRY_VERIFY(t.window.isNull());
        // Nobody is signed in yet: the administrative window asks.
        QTRY_VERIFY(admins.first()->activatedOnce());
        QVERIFY(CurrentUserName.isEmpty());
        QVERIFY(env.desktop.msgBoxes.isEmpty());
    }

    void closeBoxIsExit()
    {
        TestEnvironment env;
        writeFile(env.path("Search.Log"), "");
        Title t;
        QVERIFY(t.showAndWait());
        t.window->close();
        QVERIFY(ProgramEnding);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        QVERIFY(!QFile::exists(env.path("Search.Log")));
        QTRY_VERIFY(t.window.isNull());
        QVERIFY(adminWindows().isEmpty());
    }
};

QTEST_MAIN(TestTitlePage)
#include "tst_frmtitlepage.moc"
