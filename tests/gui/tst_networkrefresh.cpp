// The main window's Refresh button as the watch drives it: flashing on a
// change, the sound while it flashes, the click that reloads, the timer
// held off during reloads, the right-click menu and its stored setting,
// the User Information and About boxes, the real sound player without a
// file, and two workstations (processes) on one folder.
#include "FakeDesktop.h"
#include "SampleData.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "core/common/Settings.h"
#include "core/common/Sound.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryStore.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/GuiDesktop.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QtTest>

namespace
{

const QString CrLf = QStringLiteral("\r\n");

QPointer<frmMain> openMain(int level = 4)
{
    CurrentUserName = QStringLiteral("Lee Carter");
    CurrentAccessLevel = level;
    AgencyName = QStringLiteral("Springfield PD");
    QPointer<frmMain> w = new frmMain;
    w->show();
    w->Form_Activate();
    return w;
}

// n sample entries as the data file, then the main window on them. The
// tests tick the watch themselves at the fake clock: the timer stays
// running, its real ticks an hour apart.
QPointer<frmMain> openOnEntries(int n)
{
    if (!SampleData::WriteDataFile(DataPath(DataFileName), n, 11))
        return nullptr;
    QPointer<frmMain> w = openMain();
    w->timerNetworkWatch->setInterval(3600 * 1000);
    return w;
}

FileStamp otherStamp()
{
    FileStamp s;
    s.modified = QDateTime(QDate(2026, 12, 4), QTime(22, 46, 1));
    s.size = 123 * 5000;
    return s;
}

// One tick at the desktop's clock, then the clock a second on.
void tick(frmMain &w, FakeDesktop &desk)
{
    w.timerNetworkWatch_Timer();
    desk.advance(1);
}

// The back colour of the Refresh button after each of n ticks.
QList<OleColor> ticks(frmMain &w, FakeDesktop &desk, int n)
{
    QList<OleColor> colours;
    for (int i = 0; i < n; ++i) {
        tick(w, desk);
        colours << w.cmdRefreshGrid->BackColor();
    }
    return colours;
}

QString menuState(const frmMain &w)
{
    QStringList out;
    for (int i = 1; i <= 6; ++i) {
        const QAction *a = w.menuRefreshSound[i];
        out << (a->isSeparator() ? QStringLiteral("-")
                                 : (a->isEnabled() ? QStringLiteral("on") : QStringLiteral("off")));
    }
    return out.join(' ');
}

QString tool(const QString &name)
{
    return QDir(qEnvironmentVariable("CUSTORIN_TOOLS_DIR")).filePath(name);
}

} // namespace

class TestNetworkRefresh : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        // The window's menu is a top-level widget of its own that goes
        // with the window.
        ProgramEnding = true;
        QList<QPointer<frmMain>> windows;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *w = qobject_cast<frmMain *>(top))
                windows << w;
        }
        for (const QPointer<frmMain> &w : windows)
            delete w.data();
        ProgramEnding = false;
    }
    void flashesOnAChangeAndTheClickReloads();
    void soundWhileFlashingWhenSwitchedOn();
    void watchTimerHeldOffDuringReloadsAndSorts();
    void emptyListIsNotWatched();
    void menuEnablingAndStoredSetting();
    void userInformationAndAbout();
    void realPlayerIsSilentWithoutAFile();
    void twoWorkstationsOnOneFolder();
};

void TestNetworkRefresh::flashesOnAChangeAndTheClickReloads()
{
    TestEnvironment env;
    InitProgramTables();
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 58)));
    QPointer<frmMain> w = openOnEntries(3);
    QVERIFY(w);
    QVERIFY(w->timerNetworkWatch->isActive());
    QCOMPARE(w->timerNetworkWatch->timerType(), Qt::PreciseTimer);
    const OleColor normalBack = w->cmdRefreshGrid->BackColor();
    const OleColor normalFore = w->cmdRefreshGrid->ForeColor();
    QCOMPARE(w->grid->Rows(), 4);

    // Another workstation adds an entry (written behind the window's back).
    QFile f(DataPath(DataFileName));
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write(SampleData::MakeEntry(11, 3).Pack()), qint64(5000));
    f.close();
    // 22:45:58, 59 nothing; 22:46:00 yellow, then red and green by turns.
    QCOMPARE(ticks(*w, env.desktop, 6),
             (QList<OleColor>{normalBack, normalBack, 0x00FFFF, 0x8080FF, 0x80FF80, 0x8080FF}));
    QCOMPARE(w->cmdRefreshGrid->ForeColor(), normalFore);
    QCOMPARE(w->grid->Rows(), 4); // not reloaded by itself

    // A right click does not stop it; a left click does and reloads.
    w->cmdRefreshGrid_MouseUp(2);
    w->menuRefreshSoundmenu->hide();
    QCOMPARE(w->cmdRefreshGrid->BackColor(), OleColor(0x8080FF));
    QTest::mouseClick(w->cmdRefreshGrid, Qt::LeftButton);
    QCOMPARE(w->cmdRefreshGrid->BackColor(), normalBack);
    QCOMPARE(w->cmdRefreshGrid->ForeColor(), normalFore);
    QCOMPARE(w->grid->Rows(), 5);
    QCOMPARE(w->frame1->title().left(26), QStringLiteral(" All Current Entries (4)  "));
    QVERIFY(!w->networkWatch().flashing());
    QCOMPARE(ticks(*w, env.desktop, 6), QList<OleColor>(6, normalBack));
    QCOMPARE(env.desktop.msgBoxes.size(), 0);
    QVERIFY(env.desktop.sounds.isEmpty()); // the sound is off by default
}

void TestNetworkRefresh::soundWhileFlashingWhenSwitchedOn()
{
    TestEnvironment env;
    InitProgramTables();
    SaveRefreshSound(true);
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 55)));
    QPointer<frmMain> w = openOnEntries(2);
    QVERIFY(w);
    env.desktop.setFileStamp(DataPath(DataFileName), otherStamp());
    // Flashing from 22:45:55 to 22:47:04: the sound at 22:46:00, :20, :40
    // and 22:47:00, each after the one before was stopped.
    ticks(*w, env.desktop, 70);
    const QString wave = QDir(env.folder()).filePath(QStringLiteral("update.wav"));
    QCOMPARE(env.desktop.sounds, QStringList(4, wave));
    QCOMPARE(env.desktop.soundsStopped, 4);

    // Switched off through the menu: no more sound, still flashing.
    w->cmdRefreshGrid_MouseUp(2);
    w->menuRefreshSound[4]->trigger();
    w->menuRefreshSoundmenu->hide();
    ticks(*w, env.desktop, 60);
    QCOMPARE(env.desktop.sounds.size(), 4);
    QVERIFY(w->networkWatch().flashing());
}

void TestNetworkRefresh::watchTimerHeldOffDuringReloadsAndSorts()
{
    TestEnvironment env;
    InitProgramTables();
    QPointer<frmMain> w = openOnEntries(3);
    QVERIFY(w);
    QVERIFY(w->timerNetworkWatch->isActive());

    // The data file can not be opened for a reload: while the person is
    // asked, the watch is held off; it runs again after the cancel.
    const int savedRetry = DataFileOpenRetryMs;
    DataFileOpenRetryMs = 50;
    QVERIFY(QFile::remove(DataPath(DataFileName)));
    QVERIFY(QDir(env.folder()).mkdir(DataFileName));
    QList<bool> activeWhileAsked;
    for (int choice : {1, 2}) {
        env.desktop.answerMsgBoxWith([&, choice](const MsgBoxRequest &) {
            activeWhileAsked << w->timerNetworkWatch->isActive();
            return MsgBoxAnswer{choice, false};
        });
    }
    w->LoadEntryList();
    DataFileOpenRetryMs = savedRetry;
    QCOMPARE(activeWhileAsked, (QList<bool>{false, false}));
    QVERIFY(w->timerNetworkWatch->isActive());
    QCOMPARE(w->grid->Rows(), 1);

    // A sort and a delete leave it running too; a stopped timer (the
    // window signed out) is not started by them.
    QVERIFY(QDir(env.folder()).rmdir(DataFileName));
    QVERIFY(SampleData::WriteDataFile(DataPath(DataFileName), 3, 11));
    w->LoadEntryList();
    w->optSort_Click(1);
    QVERIFY(w->timerNetworkWatch->isActive());
    env.desktop.answerMsgBox(1); // yes, delete
    w->grid->setRow(1);
    w->cmdDeleteEntry_Click();
    QCOMPARE(w->grid->Rows(), 3);
    QVERIFY(w->timerNetworkWatch->isActive());
    w->timerNetworkWatch->stop();
    w->LoadEntryList();
    w->optSort_Click(0);
    QVERIFY(!w->timerNetworkWatch->isActive());
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestNetworkRefresh::emptyListIsNotWatched()
{
    TestEnvironment env;
    InitProgramTables();
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 55)));
    env.desktop.answerMsgBox(1, false, QString()); // "There are currently no entries..."
    QPointer<frmMain> w = openMain();
    QCOMPARE(w->timerNetworkWatch->interval(), 1000);
    w->timerNetworkWatch->setInterval(3600 * 1000);
    QCOMPARE(w->grid->Rows(), 1);
    env.desktop.stampedFiles.clear();
    env.desktop.setFileStamp(DataPath(DataFileName), otherStamp());
    QCOMPARE(ticks(*w, env.desktop, 12), QList<OleColor>(12, w->cmdRefreshGrid->BackColor()));
    QVERIFY(env.desktop.stampedFiles.isEmpty());
}

void TestNetworkRefresh::menuEnablingAndStoredSetting()
{
    TestEnvironment env;
    InitProgramTables();
    QPointer<frmMain> w = openOnEntries(2);
    QVERIFY(w);
    QTest::mouseClick(w->cmdRefreshGrid, Qt::RightButton);
    QMenu *menu = w->findChild<QMenu *>(QStringLiteral("menuRefreshSoundmenu"));
    QVERIFY(menu);
    QCOMPARE(menu, w->menuRefreshSoundmenu);
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->title(), QStringLiteral("Refresh Sounds options"));
    QStringList captions;
    for (QAction *a : menu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(captions,
             (QStringList{"More information about this button...", "-",
                          "Enable 'Refresh List' sound notification",
                          "Disable 'Refresh List' sound notification", "-", "Exit this menu"}));
    QCOMPARE(w->findChild<QAction *>(QStringLiteral("menuRefreshSound(3)")),
             w->menuRefreshSound[3]);

    // Sound off (nothing stored yet): only "Enable" of the two.
    const QString ini = SettingsFileOverride;
    QCOMPARE(menuState(*w), QStringLiteral("on - on off - on"));
    w->menuRefreshSound[3]->trigger();
    menu->hide();
    QVERIFY(readFile(ini).contains("[Defaults]\nRefreshSound=True\n"));
    QVERIFY(RefreshSoundSetting());

    w->cmdRefreshGrid_MouseUp(2);
    QCOMPARE(menuState(*w), QStringLiteral("on - off on - on"));
    w->menuRefreshSound[4]->trigger();
    menu->hide();
    QVERIFY(readFile(ini).contains("[Defaults]\nRefreshSound=False\n"));

    // "Exit this menu" changes nothing; the explanation is a message box.
    const QByteArray before = readFile(ini);
    w->menuRefreshSound[6]->trigger();
    QCOMPARE(readFile(ini), before);
    env.desktop.answerMsgBox(1);
    w->menuRefreshSound[1]->trigger();
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    const MsgBoxRequest &box = env.desktop.msgBoxes[0];
    QCOMPARE(box.title, QStringLiteral("The 'Refresh List' button..."));
    QCOMPARE(box.icon, 5);
    QCOMPARE(box.defaultButton, 1);
    QVERIFY(!box.offerDontShow);
    QCOMPARE(box.buttons, QStringList{"&Okay"});
    QCOMPARE(box.text, QStringLiteral("If the Custorin database has been\r\n"
                                      "updated by some other network user,\r\n"
                                      "this button will flash. When you click it,\r\n"
                                      "the list of reports displayed on your screen\r\n"
                                      "will be updated with the latest information."));
    QCOMPARE(readFile(ini), before);
}

void TestNetworkRefresh::userInformationAndAbout()
{
    TestEnvironment env;
    InitProgramTables();
    QPointer<frmMain> w = openOnEntries(2);
    QVERIFY(w);
    struct Case {
        int level;
        QString levelName;
    };
    for (const Case &c : {Case{1, "Read Only"}, Case{3, "Read/Edit/Add"}}) {
        CurrentAccessLevel = c.level;
        env.desktop.answerMsgBox(1);
        QTest::mouseClick(w->cmdUserInfo, Qt::LeftButton);
        const MsgBoxRequest box = env.desktop.msgBoxes.takeLast();
        QCOMPARE(box.title, QStringLiteral("User Information"));
        QCOMPARE(box.text, "Current User:\r\nLee Carter\r\n\r\nAccess Level:\r\n" + c.levelName);
        QCOMPARE(box.icon, 5);
        QCOMPARE(box.buttons, QStringList{"&Okay"});
        QVERIFY(!box.offerDontShow);
    }

    env.desktop.answerMsgBox(1);
    QTest::mouseClick(w->cmdAbout, Qt::LeftButton);
    const MsgBoxRequest about = env.desktop.msgBoxes.takeLast();
    QCOMPARE(about.title, QStringLiteral("About Custorin"));
    // The version is the build's (CMake's project version).
    const QString version = QStringLiteral("%1.%2.%3")
                                .arg(CUSTORIN_VERSION_MAJOR)
                                .arg(CUSTORIN_VERSION_MINOR)
                                .arg(CUSTORIN_VERSION_PATCH);
    QCOMPARE(about.text, "Custorin\r\nVersion w" + version +
                             "\r\n\r\nEvidence and Property Room Inventory\r\n"
                             "\u00A92026 The Custorin developers");
    QCOMPARE(about.icon, 5);
    QCOMPARE(about.defaultButton, 1);
    QCOMPARE(about.buttons, QStringList{"&Okay"});
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestNetworkRefresh::realPlayerIsSilentWithoutAFile()
{
    TestEnvironment env;
    GuiDesktop real;
    QVERIFY(!real.playSound(env.path("update.wav")));
    real.stopSound();
    // Through the program's own calls: nothing is said, nothing fails.
    Desktop *previous = setDesktop(&real);
    PlayWaveFile(env.path("update.wav"));
    StopWaveFile();
    // The project's own sound, on a machine that may have no sound device.
    const QString shipped = QStringLiteral(CUSTORIN_SOURCE_DIR "/resources/update.wav");
    QVERIFY(QFileInfo::exists(shipped));
    QVERIFY(real.playSound(shipped));
    QTest::qWait(50);
    StopWaveFile();
    setDesktop(previous);
    QCOMPARE(env.desktop.msgBoxes.size(), 0);
    QVERIFY(env.desktop.systemBoxes.isEmpty());
}

void TestNetworkRefresh::twoWorkstationsOnOneFolder()
{
    // Two copies of the main window in two processes on one folder. One
    // adds an entry; the other's Refresh button flashes at its next
    // five-second check, the adding one's does not.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(SampleData::WriteDataFile(dir.filePath("Custorin.Data"), 3, 5));
    const QString station = tool(QStringLiteral("watch_station"));
    QVERIFY2(QFileInfo(station).isExecutable(), qPrintable(station));

    QProcess a, b;
    for (QProcess *p : {&a, &b}) {
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(station, {dir.path()});
        QVERIFY(p->waitForStarted());
    }
    QByteArray outA, outB;
    auto readBoth = [&] {
        a.waitForReadyRead(25);
        b.waitForReadyRead(25);
        outA += a.readAllStandardOutput();
        outB += b.readAllStandardOutput();
    };
    QElapsedTimer clock;
    clock.start();
    while (!(outA.contains("READY") && outB.contains("READY")) && clock.elapsed() < 30000)
        readBoth();
    QVERIFY2(outA.contains("READY") && outB.contains("READY"), outA + "|" + outB);

    a.write("add\n");
    clock.restart();
    // Until B flashed and A has looked at the file at least twice since
    // its add (so its own check after the add has surely run).
    auto checksAfterAdd = [&] {
        const int at = outA.indexOf("ADDED");
        return at < 0 ? 0 : int(outA.mid(at).count("EXAMINED"));
    };
    qint64 flashedAfter = -1;
    while ((!outB.contains("FLASH") || checksAfterAdd() < 2) && clock.elapsed() < 30000) {
        readBoth();
        if (flashedAfter < 0 && outB.contains("FLASH"))
            flashedAfter = clock.elapsed();
    }
    qInfo("the other workstation flashed %lld ms after the add", flashedAfter);
    QVERIFY2(outA.contains("ADDED"), outA);
    QVERIFY2(outB.contains("FLASH"), outB);
    QVERIFY2(checksAfterAdd() >= 2, outA);
    QVERIFY2(!outA.contains("FLASH"), outA);
    QVERIFY2(!outA.contains("MSGBOX") && !outB.contains("MSGBOX"), outA + "|" + outB);

    for (QProcess *p : {&a, &b}) {
        p->write("quit\n");
        p->closeWriteChannel();
        if (!p->waitForFinished(10000))
            p->kill();
    }
    QCOMPARE(QFileInfo(dir.filePath("Custorin.Data")).size(), qint64(4 * 5000));
}

QTEST_MAIN(TestNetworkRefresh)
#include "tst_networkrefresh.moc"
