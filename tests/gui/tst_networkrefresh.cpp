// The main window's Refresh button as the watch drives it: flashing on a
// change, the sound and its menu setting.
#include "BoxText.h"
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "SampleData.h"
#include "TestFiles.h"
#include "core/common/Settings.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QMenu>
#include <QtTest>

using namespace fixtures;

namespace
{

// The tests tick the watch themselves at the fake clock: the timer stays
// running, its real ticks an hour apart.
QPointer<frmMain> openOnEntries(TestEnvironment &env, int n)
{
    if (n > 0 && !SampleData::WriteDataFile(DataPath(env.data, DataFileName), n, 11))
        return nullptr;
    QPointer<frmMain> w = openMain(env);
    w->timerNetworkWatch->setInterval(3600 * 1000);
    return w;
}

// The Refresh button's back colour after each of n ticks a second apart.
QList<OleColor> ticks(frmMain &w, FakeDesktop &desk, int n)
{
    QList<OleColor> colours;
    for (int i = 0; i < n; ++i) {
        w.timerNetworkWatch_Timer();
        desk.advance(1);
        colours << w.cmdRefreshGrid->BackColor();
    }
    return colours;
}

void pickFromMenu(frmMain &w, int item)
{
    w.cmdRefreshGrid_MouseUp(2);
    w.menuRefreshSound[item]->trigger();
    w.menuRefreshSoundmenu->hide();
}

} // namespace

class TestNetworkRefresh : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { closeMainWindows(); }

    // The sound switched on in the menu (stored in the settings file), the
    // flashing with its sound, the click that reloads, and the About box.
    void flashesOnAChangeAndTheClickReloads()
    {
        TestEnvironment env;
        env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 58)));
        QPointer<frmMain> w = openOnEntries(env, 3);
        QVERIFY(w && w->timerNetworkWatch->isActive());
        const OleColor normalBack = w->cmdRefreshGrid->BackColor();
        const OleColor normalFore = w->cmdRefreshGrid->ForeColor();
        pickFromMenu(*w, 3); // "Enable"
        QVERIFY(readFile(env.settingsFile()).contains("[Defaults]\nRefreshSound=True\n"));

        // Another workstation adds an entry (written behind the window's back).
        writeFile(DataPath(env.data, DataFileName),
                  readFile(DataPath(env.data, DataFileName)) + SampleData::MakeEntry(11, 3).Pack());
        // 22:45:58, 59 nothing; 22:46:00 yellow, then red and green by turns.
        QCOMPARE(ticks(*w, env.desktop, 6),
                 (QList<OleColor>{normalBack, normalBack, 0x00FFFF, 0x8080FF, 0x80FF80, 0x8080FF}));
        ticks(*w, env.desktop, 20); // the sound at 22:46:20
        QCOMPARE(env.desktop.sounds, QStringList(QDir(env.folder()).filePath("update.wav")));
        QCOMPARE(w->grid->Rows(), 4); // not reloaded by itself

        // A right click (here switching the sound off) does not stop it; a
        // left click does and reloads.
        pickFromMenu(*w, 4);
        QVERIFY(readFile(env.settingsFile()).contains("[Defaults]\nRefreshSound=False\n"));
        QCOMPARE(w->cmdRefreshGrid->BackColor(), OleColor(0x8080FF));
        QTest::mouseClick(w->cmdRefreshGrid, Qt::LeftButton);
        QCOMPARE(QList<OleColor>({w->cmdRefreshGrid->BackColor(), w->cmdRefreshGrid->ForeColor()}),
                 QList<OleColor>({normalBack, normalFore}));
        QCOMPARE(w->frame1->title().left(26), QStringLiteral(" All Current Entries (4)  "));
        QCOMPARE(ticks(*w, env.desktop, 6), QList<OleColor>(6, normalBack));

        env.desktop.answerMsgBox(1);
        QTest::mouseClick(w->cmdAbout, Qt::LeftButton);
        // The version is the build's (CMake's project version).
        const QString version = QStringLiteral("%1.%2.%3")
                                    .arg(CUSTORIN_VERSION_MAJOR)
                                    .arg(CUSTORIN_VERSION_MINOR)
                                    .arg(CUSTORIN_VERSION_PATCH);
        QCOMPARE(boxTexts(env.desktop.msgBoxes),
                 QStringList({"About Custorin | Custorin\r\nVersion w" + version +
                              "\r\n\r\nEvidence and Property Room Inventory\r\n"
                              "\u00A92026 The Custorin developers | &Okay | 5 1 0"}));
    }
};

QTEST_MAIN(TestNetworkRefresh)
#include "tst_networkrefresh.moc"
