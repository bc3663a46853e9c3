// The Inventory window from the main window: who may open it, a full count
// with typed scans, a moved item's new shelf accepted, the close and the
// printed report.
#include "BoxText.h"
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/frmInventory.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace fixtures;

class TestInventoryWindow : public QObject
{
    Q_OBJECT

private slots:
    void fullCountWithTypedScans();
};

void TestInventoryWindow::fullCountWithTypedScans()
{
    TestFolder env(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0)));
    env.data.options.HostNameOverride = QStringLiteral("WS-2");
    QVector<EntryRecord> entries;
    const QStringList shelves = {"A-1", "A-2", "A-1", "B-4"};
    for (int i = 0; i < 4; ++i) {
        entries << entry(i + 1, QStringLiteral("26-%1").arg(i + 1), QDate(2026, 3, 1 + i), 100,
                         i == 3 ? 2 : 1);
        entries.last().Location = shelves[i];
    }
    writeEntries(env, entries);

    QPointer<frmMain> w = openMain(env, 1);
    QCOMPARE(w->cmdInventory->isHidden(), true);
    dispose(w);
    w = openMain(env, 2);
    QCOMPARE(w->cmdInventory->isHidden(), false);
    if (qEnvironmentVariableIsSet("CUSTORIN_SCREENSHOT"))
        w->grab().save(qEnvironmentVariable("CUSTORIN_SCREENSHOT") + ".main.png");

    auto scan = [](frmInventory *inv, const QString &typed) {
        inv->txtScan->setText(typed);
        QTest::keyClick(inv->txtScan, Qt::Key_Return);
    };
    auto lineTexts = [](frmInventory *inv, int row) {
        QStringList texts;
        for (int c = 0; c < 6; ++c)
            texts << inv->lstScans->topLevelItem(row)->text(c);
        return texts;
    };
    QTimer::singleShot(0, [&] {
        auto *inv = qobject_cast<frmInventory *>(QApplication::activeModalWidget());
        QVERIFY(inv);
        QCOMPARE(inv->txtScan->isEnabled(), false);
        inv->cmdStart->click();
        QCOMPARE(inv->cboInventory->currentText(), "20261207100000 - open - The whole Active List");
        // An item before any shelf is refused and says why.
        env.desktop.answerMsgBox(1, false, "Inventory");
        scan(inv, "20090105080100");
        QCOMPARE(env.desktop.msgBoxes.last().text, InventoryNeedsShelfText());
        scan(inv, "L:A-1");
        QCOMPARE(inv->txtShelf->text(), "A-1");
        QCOMPARE(inv->lblScanResult->text(), "Current shelf: A-1");
        // While another workstation holds the folder the scan waits, then
        // asks; Retry waits again, Cancel records nothing.
        const QByteArray sideBefore = env.read("Inventories/20261207100000.txt");
        env.data.options.LockWaitMs = 100;
        FolderLock other(env.data);
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(1, false, "Data folder busy");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        const int boxes = int(env.desktop.msgBoxes.size());
        scan(inv, "20090105080100");
        other.release();
        const QString busy = "Data folder busy | Another workstation is saving changes to the\r\n"
                             "data files in this folder right now:\r\nTester at workstation "
                             "'WS-2'.\r\n\r\nNothing has been changed yet. | &Retry, "
                             "&Cancel | 4 1 0";
        QCOMPARE(boxTexts(env.desktop.msgBoxes.mid(boxes)), QStringList({busy, busy}));
        QCOMPARE(env.read("Inventories/20261207100000.txt"), sideBefore);
        QCOMPARE(inv->lstScans->topLevelItemCount(), 0);
        env.desktop.beeps.clear();
        scan(inv, "20090105080100");
        QCOMPARE(env.desktop.beeps, QList<Beep>({Beep::Asterisk}));
        scan(inv, "20090105080200 26-2"); // the QR code's text
        scan(inv, "20090105080400");
        scan(inv, "99999");
        scan(inv, "20090105080100");
        QCOMPARE(inv->lstScans->topLevelItemCount(), 5);
        QCOMPARE(lineTexts(inv, 0),
                 QStringList({"10:00:00", "20090105080100", "Found on its recorded shelf", "A-1",
                              "A-1", "26-1"}));
        QCOMPARE(lineTexts(inv, 1), QStringList({"10:00:00", "20090105080200",
                                                 "Found on another shelf", "A-2", "A-1", "26-2"}));
        QCOMPARE(inv->lstScans->topLevelItem(2)->text(2), "Archived but present");
        QCOMPARE(inv->lstScans->topLevelItem(3)->text(2), "Not on record");
        QCOMPARE(inv->lstScans->topLevelItem(4)->text(2), "Scanned twice");
        QCOMPARE(inv->lblScanResult->text(), "20090105080100: Scanned twice");
        QCOMPARE(inv->lblStatus->text(),
                 "Inventory 20261207100000 (open): The whole Active List - 2 of 3 in scope "
                 "scanned, 5 scans");
        if (qEnvironmentVariableIsSet("CUSTORIN_SCREENSHOT"))
            inv->grab().save(qEnvironmentVariable("CUSTORIN_SCREENSHOT"));

        inv->lstScans->setCurrentItem(inv->lstScans->topLevelItem(0));
        QCOMPARE(inv->cmdAcceptShelf->isEnabled(), false);
        inv->lstScans->setCurrentItem(inv->lstScans->topLevelItem(1));
        QCOMPARE(inv->cmdAcceptShelf->isEnabled(), true);
        inv->cmdAcceptShelf->click();
        QCOMPARE(inv->lstScans->topLevelItem(1)->text(3), "A-2 (now A-1)");

        env.desktop.answerMsgBox(1, false, "Inventory");
        inv->cmdCloseInventory->click();
        QVERIFY(env.desktop.msgBoxes.last().text.contains(
            "1 of its 3 entries have not been scanned; they will be listed as not found."));
        QCOMPARE(inv->inventory().closed, true);
        QCOMPARE(inv->txtScan->isEnabled(), false);
        QCOMPARE(inv->cmdPause->isEnabled(), false);
        inv->cmdPrintReport->click();
        inv->cmdExit->click();
    });
    w->cmdInventory->click();
    QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Inventory 20261207100000"}));
    QVERIFY(std::any_of(env.desktop.printed.cbegin(), env.desktop.printed.cend(),
                        [](const PrintedText &p) { return p.text == "Not found (1)"; }));
    DataFile file(env.data);
    QVERIFY(file.open(DataFile::ForReading));
    const EntryRecord moved = file.read(2);
    QCOMPARE(moved.Location.trimmed(), "A-1");
    QCOMPARE(moved.ChainOfCustody.trimmed(),
             "12/07/2026 10:00:00 - Shelf changed from 'A-2' to 'A-1' by Tester (inventory "
             "20261207100000)");
    file.close();
    dispose(w);
}

QTEST_MAIN(TestInventoryWindow)
#include "tst_inventorywindow.moc"
