// The main window: lists, entry card, archive, restore, delete, searches and
// their log, the search window, the Inventory window, the Refresh button.
#include "BoxText.h"
#include "FakeDesktop.h"
#include "GuiAccessibility.h"
#include "MainFixtures.h"
#include "SampleData.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Settings.h"
#include "core/entries/DataFile.h"
#include "gui/platform/Presenter.h"
#include "gui/windows/frmFind.h"
#include "gui/windows/frmInventory.h"
#include "gui/windows/frmSeeEntry.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

using namespace fixtures;

namespace
{

// The window on entries 1..n ("C-k", $k, day k of 2009), statuses as "1121".
QPointer<frmMain> openOn(TestEnvironment &env, const QString &statuses)
{
    QVector<EntryRecord> entries;
    for (int k = 1; k <= statuses.size(); ++k)
        entries << entry(k, QStringLiteral("C-%1").arg(k), QDate(2009, 1, 1).addDays(k), 100 * k,
                         statuses[k - 1].digitValue());
    writeEntries(env, entries);
    return openMain(env, 4);
}

// Case number and status of each record in the data file: "C-1:2 C-2:1".
QString records(TestEnvironment &env)
{
    const QByteArray bytes = readFile(DataPath(env.data, DataFileName));
    QStringList out;
    for (qsizetype at = 0; at + 5000 <= bytes.size(); at += 5000)
        out << QString::fromLatin1(bytes.mid(at + 10, 15)).trimmed() + ':' +
                   QString::number(quint8(bytes[at + 4999]));
    return out.join(' ');
}

const QString Moved = QStringLiteral("Entry moved to the 'Inactive List'");
const QString ConfirmDeletion = QStringLiteral("Confirm Entry Deletion");
const QString NoEntries = QStringLiteral(" All Current Entries (0)  Total Value: $0.00");

const QString LogPrefix = QStringLiteral("03/04/2026 at 14:05:09 - Tester searched for ");

QStringList searchLog(TestEnvironment &env)
{
    const QString text =
        QString::fromLatin1(readFile(DataPath(env.data, QStringLiteral("Search.Log"))));
    return text.split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
}

class EventCounter : public QObject
{
public:
    EventCounter(QWidget *w, QEvent::Type type, int *count) : m_type(type), m_count(count)
    {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *e) override
    {
        *m_count += e->type() == m_type;
        return false;
    }

private:
    QEvent::Type m_type;
    int *m_count;
};

void textSearch(frmFind *w, const QString &phrase)
{
    w->txtSearchPhrase->setText(phrase);
    w->chkCapStatus->setChecked(true);
    w->cmdFind->click();
}

const PickerBounds Bounds{QDate(2001, 3, 4), QDate(2012, 11, 30)};

void resetSearch(Session &session)
{
    session.Search.SearchPhrase.clear();
    session.Search.SearchOption = 1;
    session.Search.IgnoreCaps = 1;
    session.Search.WholeWordOnly = 0;
    session.Search.SummaryStartDate = QDateTime();
}

void showAndWait(frmFind &w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

void closeCalendar(frmFind &w, Qt::Key key)
{
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    QTest::keyClick(w.calPickDate->calendarWidget()->findChild<QWidget *>(
                        QStringLiteral("qt_calendar_calendarview")),
                    key);
    QTRY_VERIFY(!w.calPickDate->calendarIsDown());
}

void pickInCalendar(frmFind &w, const QDate &day)
{
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    w.calPickDate->calendarWidget()->setSelectedDate(day);
    closeCalendar(w, Qt::Key_Return);
    QCOMPARE(w.calPickDate->date(), day);
}

// A summary: the option, the day picked, Find, "Yes"; on any trouble the
// window closes, so that the test fails instead of waiting.
void summary(FakeDesktop &desktop, frmFind *w, int option, QDate day)
{
    w->optFind[option]->click();
    pickInCalendar(*w, day);
    if (!w->calPickDate->calendarIsDown() && w->calPickDate->date() == day) {
        desktop.answerMsgBox(1);
        w->cmdFind->click();
    }
    if (w->isVisible())
        w->cmdCancel->click();
}

QPointer<frmMain> openSample(TestEnvironment &env, FakeDesktop &desktop)
{
    desktop.setNow(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 9)));
    writeEntries(env, {entry(1, "A-0", {2008, 12, 1}, 1000, 1, "Bicycle"),
                       entry(2, "A-1", {2009, 1, 5}, 10000, 1, "Shotgun, 12 ga"),
                       entry(3, "A-2", {2009, 1, 12}, 2550, 1, "gun case"),
                       entry(4, "A-3", {2009, 1, 13}, 99999, 1, "Gold ring"),
                       entry(5, "A-4", {2009, 2, 28}, 100, 1, "guns and a gun"),
                       entry(6, "A-5", {2009, 3, 1}, 5000, 1, "Bicycle"),
                       entry(7, "A-6", {2010, 1, 1}, 5000, 1, "Bicycle"),
                       entry(8, "Z-1", {2009, 1, 6}, 70000, 2, "gun safe")});
    return openMain(env);
}

// The Refresh button's back colour after each of n ticks a second apart
// (the watch's own timer ticks an hour apart meanwhile).
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

class TestFrmMain : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }
    // A test that failed half-way leaves no window behind for the next.
    void cleanup() { closeMainWindows(); }

    void emptyAndOneEntry()
    {
        TestEnvironment env;
        env.desktop.answerMsgBox(1);
        QPointer<frmMain> w = openMain(env, 3);
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 QStringLiteral("There are currently\r\nno entries in your database..."));
        QVERIFY(!w->grid->isVisible() && !w->optDisplay[1]->isEnabled());
        QCOMPARE(shownButtons(*w), QStringLiteral("AddEntry"));
        QVERIFY(!QFileInfo::exists(env.path(DataFileName))); // looking created none
        dispose(w);

        writeEntries(env, {entry(1, "09-1", QDate(2009, 1, 5), 12345)});
        w = openMain(env, 4);
        QCOMPARE(w->windowTitle(), QStringLiteral("Custorin - Springfield PD"));
        QVERIFY(!w->frameSort->isVisible() && !w->optDisplay[2]->isEnabled());
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Current Entries (1)  Total Value: $123.45"));
        QCOMPARE(w->txtfield[8]->text(), QStringLiteral("$123.45"));
    }

    void entryCard()
    {
        TestEnvironment env;
        writeEntries(env,
                     {entry(1, "A", QDate(2009, 1, 5), 100), entry(2, "B", QDate(2009, 1, 6), 100),
                      entry(3, "C", QDate(2009, 1, 7), 100)});
        QPointer<frmMain> w = openMain(env, 4);
        auto cardOf = [&](int row, bool reload, std::function<void()> open) {
            QString tag;
            w->grid->setRow(row);
            whenModal<frmSeeEntry>([&tag, &env, reload](frmSeeEntry *card) {
                tag = card->Tag();
                env.session.ListNeedsReload = reload;
            });
            open();
            return tag;
        };
        QCOMPARE(cardOf(2, true, [&] { w->cmdSeeEntry->click(); }), QStringLiteral("2"));
        QVERIFY(w->grid->Row() == 2 && !env.session.ListNeedsReload); // reloaded, same row
        QCOMPARE(cardOf(3, false, [&] { w->grid_DblClick(); }), QStringLiteral("3"));
        QCOMPARE(cardOf(2, false, [&] { w->cmdAddEntry->click(); }), QStringLiteral("0"));
        QCOMPARE(cardOf(2, false, [&] { w->cmdAddEntry_MouseUp(2); }), QStringLiteral("2"));
        QCOMPARE(cardOf(1, false, [&] { w->cmdAddEntry_MouseUp(2); }), QStringLiteral("0"));
    }

    void archive()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn(env, "1112");
        for (const bool tick : {false, true}) {
            env.desktop.answerMsgBox(1);
            env.desktop.answerMsgBox(1, tick, Moved);
            w->cmdArchiveEntry->click();
        }
        QCOMPARE(
            boxTexts(env.desktop.msgBoxes.mid(2, 2)),
            QStringList({"Archive this entry | "
                         "This entry will be moved (archived) to the 'Inactive List'.\r\n\r\n"
                         "It will NOT be permanently removed from the database. | "
                         "&Move (archive) to the 'Inactive List', &Cancel, don't do anything"
                         " | 3 1 0",
                         Moved + " | The entry has been moved from this 'Active List'\r\n"
                                 "to the 'Inactive List' of archived entries.\r\n\r\n"
                                 "You can click the 'Inactive List' at any time\r\n"
                                 "to access the list of archived items. | &Continue | 5 1 1"}));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Archive this entry"));
        w->cmdArchiveEntry->click();
        QCOMPARE(records(env), QStringLiteral("C-1:2 C-2:2 C-3:2 C-4:2"));
        QVERIFY(env.desktop.msgBoxes.size() == 5 && env.desktop.pendingAnswers() == 0);
        QVERIFY(!w->grid->isVisible() && !w->cmdArchiveEntry->isVisible());
        QVERIFY(w->optDisplay[1]->isChecked() && !w->optDisplay[1]->isEnabled());
        QCOMPARE(w->frame1->title(), NoEntries);
    }

    // Another workstation holds the lock: the change waits off the window's
    // thread; meanwhile the window repaints and a second click on Archive or
    // Add starts nothing. While it stays busy the person is asked; Retry
    // runs the change again, Cancel writes nothing.
    void archiveWhileTheFolderIsBusy()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn(env, "11");
        env.data.options.LockWaitMs = 10000;
        env.data.options.HostNameOverride = "ws-front";
        FolderLock other(env.data);
        QVERIFY(other.tryAcquire());
        int paints = 0;
        EventCounter counter(w, QEvent::Paint, &paints);
        bool waiting = false;
        QTimer::singleShot(0, [&] {
            waiting = BusyWorkRunning();
            QTest::mouseClick(w->cmdArchiveEntry, Qt::LeftButton);
            QTest::mouseClick(w->cmdAddEntry, Qt::LeftButton);
            const int before = paints;
            w->update();
            QTRY_VERIFY(paints > before);
            other.release();
        });
        env.desktop.answerMsgBox(1, false, "Archive this entry");
        env.desktop.answerMsgBox(1, false, Moved);
        w->cmdArchiveEntry->click();
        QVERIFY(waiting);
        QCOMPARE(records(env), QStringLiteral("C-1:1 C-2:2"));
        QCOMPARE(env.desktop.msgBoxes.size(), 2);

        env.data.options.LockWaitMs = 100;
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(1, false, "Archive this entry");
        env.desktop.answerMsgBox(1, false, "Data folder busy");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        w->cmdArchiveEntry->click();
        QCOMPARE(records(env), QStringLiteral("C-1:1 C-2:2"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void restore()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn(env, "122");
        toggleAsScreenReader(w->optDisplay[2]); // as a screen reader picks the list
        env.desktop.answerMsgBox(2, true, QStringLiteral("Confirm Restoration"));
        w->cmdRestoreEntry->click(); // "No" with the tick: nothing restored
        QCOMPARE(records(env), QStringLiteral("C-1:1 C-2:2 C-3:2"));
        w->cmdRestoreEntry->click(); // and no more questions
        QCOMPARE(records(env), QStringLiteral("C-1:1 C-2:2 C-3:1"));
        QCOMPARE(listedCases(*w), QStringList{"C-2"});
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Archived Entries (1)  Total Value: $2.00"));
        env.desktop.answerMsgBox(1, false, QStringLiteral("'Inactive List' Empty"));
        w->cmdRestoreEntry->click();
        QCOMPARE(records(env), QStringLiteral("C-1:1 C-2:1 C-3:1"));
        QVERIFY(w->optDisplay[1]->isChecked() && !w->optDisplay[2]->isEnabled());
        QCOMPARE(listedCases(*w), QStringList({"C-1", "C-2", "C-3"}));
    }

    void deleteAnswersAndPosition()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn(env, QString(40, '1')); // more rows than the grid shows
        const QByteArray before = readFile(DataPath(env.data, DataFileName));
        w->grid->setRow(4);

        env.desktop.answerMsgBoxWith([](const MsgBoxRequest &r) {
            return MsgBoxAnswer{r.defaultButton, false};
        });
        w->cmdDeleteEntry->click();
        QCOMPARE(readFile(DataPath(env.data, DataFileName)), before);

        w->grid->setTopRow(3);
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        w->cmdDeleteEntry->click();
        QCOMPARE(records(env).left(30), QStringLiteral("C-1:1 C-2:1 C-3:1 C-5:1 C-6:1 "));
        QCOMPARE(records(env).count(':'), 39);
        QVERIFY(w->grid->Row() == 4 && w->grid->TopRow() == 3);
        QCOMPARE(w->txtfield[1]->text(), QStringLiteral("C-5"));
    }

    void searches()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openSample(env, env.desktop);
        const QString fullHeader = w->frame1->title();
        whenModal<frmFind>([](frmFind *f) { textSearch(f, "  GUN "); });
        w->cmdFindEntries->click();
        QCOMPARE(listedCases(*w), QStringList({"A-1", "A-2", "A-4"}));
        QCOMPARE(w->frame1->title(), " Sub-list of entries containing 'GUN' (3 matches) Total "
                                     "Value: $126.50");
        QCOMPARE(shownButtons(*w), QStringLiteral("SeeAllEntries PrintList ExportData SeeEntry"));
        QVERIFY(w->grid->Row() == 1 && w->timerFlashButton->isActive());
        w->cmdSeeAllEntries->click();
        QVERIFY(!w->timerFlashButton->isActive());
        QCOMPARE(w->frame1->title(), fullHeader);

        bool framesHidden = false;
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            framesHidden = !w->frame1->isVisible() && !w->frame2->isVisible();
            return MsgBoxAnswer{1, false};
        });
        whenModal<frmFind>([](frmFind *f) { textSearch(f, "pistol"); });
        w->cmdFindEntries->click();
        QVERIFY(framesHidden);
        QCOMPARE(boxTexts(env.desktop.msgBoxes),
                 QStringList{"No Matches | There were no matches\r\nsearching for\r\n\r\npistol | "
                             "&Okay, &Try another search | 5 1 0"});
        QCOMPARE(w->frame1->title(), fullHeader);
        QVERIFY(w->frame1->isVisible() && !w->timerFlashButton->isActive());

        QDate first, last;
        whenModal<frmFind>([&](frmFind *f) {
            first = f->calPickDate->minimumDate();
            last = f->calPickDate->maximumDate();
            summary(env.desktop, f, 13, QDate(2009, 1, 12));
        });
        w->cmdFindEntries->click();
        QCOMPARE(first, QDate(2008, 12, 1));
        QCOMPARE(last, QDate(2010, 1, 1));
        QCOMPARE(listedCases(*w), QStringList{"A-2"});
        QCOMPARE(w->frame1->title(),
                 "Daily Summary of entries for 01/12/2009 (1 match) Total Value: $25.50");
        QVERIFY(w->timerFlashButton->isActive());
        QCOMPARE(searchLog(env), QStringList({LogPrefix + "'GUN'", LogPrefix + "'pistol'",
                                              LogPrefix + "Daily Summary starting 01/12/2009"}));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void scanBox()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openSample(env, env.desktop);
        QApplication::setActiveWindow(w);
        QCOMPARE(QApplication::focusWidget(), w->txtScan);
        QCOMPARE(w->txtScan->accessibleName(), QStringLiteral("Scan or type a control number"));
        auto scan = [&](const QString &typed) {
            QString tag;
            QTimer::singleShot(0, [&tag] {
                if (auto *card = qobject_cast<frmSeeEntry *>(QApplication::activeModalWidget())) {
                    tag = card->Tag();
                    card->reject();
                }
            });
            // The window's focus stays in the box when a card has come and gone.
            QTest::keyClicks(w->focusWidget(), typed);
            QTest::keyClick(w->focusWidget(), Qt::Key_Return);
            QCoreApplication::processEvents();
            return tag + '|' + w->lblScanResult->text();
        };
        QCOMPARE(scan("20090105080200"), QStringLiteral("2|"));
        QCOMPARE(scan("20090105080300 A-2"), QStringLiteral("3|"));
        QCOMPARE(scan(" 20090105080400"), QStringLiteral("4|"));
        QCOMPARE(w->txtScan->selectedText(), QStringLiteral(" 20090105080400"));
        QCOMPARE(scan("20090105081500"), QStringLiteral("|20090105081500 is not on record."));
        QCOMPARE(scan("4711"), QStringLiteral("|04711 is not on record."));
        QCOMPARE(scan("L:"), QStringLiteral("|L: is not on record."));
        QCOMPARE(env.desktop.beeps, QList<Beep>(3, Beep::Exclamation));
        QCOMPARE(scan("l: Room 2 / A-3 "), QStringLiteral("|Current shelf: Room 2 / A-3"));
        QCOMPARE(w->currentShelf(), QStringLiteral("Room 2 / A-3"));
        QCOMPARE(env.desktop.beeps.size(), 3);

        env.desktop.answerMsgBox(2, false, "Archived Entry");
        QCOMPARE(scan("20090105080800"), QStringLiteral("|"));
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("Entry 20090105080800 (case Z-1) is archived.\r\n\r\n"
                                "Do you want to see it on the Inactive List?"));
        QCOMPARE(env.desktop.msgBoxes.last().buttons,
                 QStringList({"&Show it on the Inactive List", "&Not now"}));
        QVERIFY(!w->inactiveListShown());
        env.desktop.answerMsgBox(1, false, "Archived Entry");
        scan("20090105080800");
        QVERIFY(w->inactiveListShown());
        QCOMPARE(w->grid->TextMatrix(w->grid->Row(), 1), QStringLiteral("Z-1"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);

        QVERIFY(QFile::rename(env.path(DataFileName), env.path("moved")));
        QCOMPARE(scan("20090105080200"), QStringLiteral("|20090105080200 is not on record."));
        QVERIFY(!QFileInfo::exists(env.path(DataFileName)));
        QVERIFY(QDir(env.folder()).mkdir(DataFileName));
        env.data.options.DataFileOpenRetryMs = 0;
        QCOMPARE(scan("20090105080200"),
                 QStringLiteral("|The data file could not be read: scan again."));
        env.data.options.DataFileOpenRetryMs = 3000;
    }

    // The Inventory window: who may open it, a full count with typed scans,
    // a moved item's new shelf accepted, the close and the printed report.
    void inventoryWithTypedScans()
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
        whenModal<frmInventory>([&](frmInventory *inv) {
            QCOMPARE(inv->txtScan->isEnabled(), false);
            inv->cmdStart->click();
            QCOMPARE(inv->cboInventory->currentText(),
                     "20261207100000 - open - The whole Active List");
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
            scan(inv, "20090105080100");
            other.release();
            QCOMPARE(env.desktop.pendingAnswers(), 0);
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
            QCOMPARE(lineTexts(inv, 1),
                     QStringList({"10:00:00", "20090105080200", "Found on another shelf", "A-2",
                                  "A-1", "26-2"}));
            QStringList classes;
            for (int row : {0, 2, 3, 4})
                classes << inv->lstScans->topLevelItem(row)->text(2);
            QCOMPARE(classes, QStringList({"Found on its recorded shelf", "Archived but present",
                                           "Not on record", "Scanned twice"}));
            QCOMPARE(inv->lblScanResult->text(), "20090105080100: Scanned twice");
            QCOMPARE(inv->lblStatus->text(),
                     "Inventory 20261207100000 (open): The whole Active List - 2 of 3 in scope "
                     "scanned, 5 scans");

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
        QCOMPARE(file.read(2).Location.trimmed(), "A-1");
        file.close();
        dispose(w);
    }

    // The sound switched on in the menu (stored in the settings file), the
    // flashing with its sound, the click that reloads, and the About box.
    void flashesOnAChangeAndTheClickReloads()
    {
        TestEnvironment env;
        env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 58)));
        QVERIFY(SampleData::WriteDataFile(DataPath(env.data, DataFileName), 3, 11));
        QPointer<frmMain> w = openMain(env);
        QVERIFY(w->timerNetworkWatch->isActive());
        w->timerNetworkWatch->setInterval(3600 * 1000);
        const OleColor normalBack = w->cmdRefreshGrid->BackColor();
        const OleColor normalFore = w->cmdRefreshGrid->ForeColor();
        pickFromMenu(*w, 3); // "Enable"
        QVERIFY(readFile(env.settingsFile()).contains("[Defaults]\nRefreshSound=True\n"));

        writeFile(DataPath(env.data, DataFileName),
                  readFile(DataPath(env.data, DataFileName)) + SampleData::MakeEntry(11, 3).Pack());
        // 22:45:58, 59 nothing; 22:46:00 yellow, then red and green by turns.
        QCOMPARE(ticks(*w, env.desktop, 6),
                 (QList<OleColor>{normalBack, normalBack, 0x00FFFF, 0x8080FF, 0x80FF80, 0x8080FF}));
        ticks(*w, env.desktop, 20); // the sound at 22:46:20
        QCOMPARE(env.desktop.sounds, QStringList(QDir(env.folder()).filePath("update.wav")));
        QCOMPARE(w->grid->Rows(), 4); // not reloaded by itself

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
        const QString version = QStringLiteral("%1.%2.%3")
                                    .arg(CUSTORIN_VERSION_MAJOR)
                                    .arg(CUSTORIN_VERSION_MINOR)
                                    .arg(CUSTORIN_VERSION_PATCH);
        QCOMPARE(boxTexts(env.desktop.msgBoxes),
                 QStringList({"About Custorin | Custorin\r\nVersion w" + version +
                              "\r\n\r\nEvidence and Property Room Inventory\r\n"
                              "\u00A92026 The Custorin developers | &Okay | 5 1 0"}));
    }
    void textSearchHandsOver()
    {
        TestEnvironment env;
        resetSearch(env.session);
        env.session.Search.SummaryStartDate =
            QDateTime(QDate(2009, 1, 1), QTime(0, 0)); // an earlier summary
        ZelButton findEntries;
        findEntries.setTag(QStringLiteral("old"));
        frmFind w(env.store, env.session, Bounds, &findEntries);
        showAndWait(w);
        QTest::keyClicks(w.txtSearchPhrase, "    ");
        QVERIFY(!w.cmdFind->isEnabled() && !w.timerFlashButton->isActive());
        QTest::keyClicks(w.txtSearchPhrase, "a phrase of more than twenty-five letters");
        QCOMPARE(w.txtSearchPhrase->text(), QStringLiteral("    a phrase of more than"));
        QCOMPARE(w.cmdFind->toolTip(),
                 QStringLiteral(" Start searching for 'a phrase of more than' "));
        QVERIFY(w.cmdFind->isEnabled() && w.timerFlashButton->isActive());
        const OleColor back = w.cmdFind->BackColor(), fore = w.cmdFind->ForeColor();
        w.timerFlashButton_Timer();
        QVERIFY(w.cmdFind->BackColor() != back);
        w.txtSearchPhrase->setText(QStringLiteral("  "));
        QVERIFY(!w.timerFlashButton->isActive());
        QVERIFY(w.cmdFind->BackColor() == back && w.cmdFind->ForeColor() == fore);

        w.txtSearchPhrase->setText(QStringLiteral(" Remington "));
        w.optFind[6]->click();
        QTest::keyClick(w.chkCapStatus, Qt::Key_Space);
        QTest::keyClick(&w, Qt::Key_W, Qt::AltModifier);
        QTRY_VERIFY(w.chkWholeWordStatus->isChecked());
        w.txtSearchPhrase->setFocus();
        QTest::keyClick(w.txtSearchPhrase, Qt::Key_Return);
        QVERIFY(!w.isVisible() && w.searchChosen() && !w.timerFlashButton->isActive());
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(env.session.Search.SearchPhrase)
                     .arg(env.session.Search.SearchOption)
                     .arg(env.session.Search.IgnoreCaps)
                     .arg(env.session.Search.WholeWordOnly),
                 QStringLiteral("Remington 6 0 1"));
        QVERIFY(!env.session.Search.SummaryStartDate.isValid());
        QCOMPARE(findEntries.Tag(), QStringLiteral("old")); // only summaries set it
    }

    void openingTheCalendarAndAMonthlySummary()
    {
        TestEnvironment env;
        resetSearch(env.session);
        env.desktop.setNow(QDateTime(QDate(2026, 5, 1), QTime(9, 30)));
        ZelButton findEntries;
        frmFind w(env.store, env.session, Bounds, &findEntries);
        showAndWait(w);
        QVERIFY(w.optFind[1]->isChecked() && w.txtSearchPhrase->hasFocus());
        QVERIFY(!w.cmdFind->isEnabled() && !w.calPickDate->isEnabled());
        QCOMPARE(w.calPickDate->minimumDate(), QDate(2001, 3, 4));
        QCOMPARE(w.calPickDate->text(), QStringLiteral("Nov 30, 2012"));
        w.optFind[13]->click();
        QTRY_VERIFY(w.calPickDate->calendarIsDown());
        QVERIFY(!w.cmdFind->isEnabled());
        closeCalendar(w, Qt::Key_Escape);
        QVERIFY(w.isVisible() && w.cmdFind->isEnabled());
        w.optFind[2]->click();
        QVERIFY(!w.calPickDate->isEnabled() && !w.cmdFind->isEnabled());
        w.txtSearchPhrase->setText(QStringLiteral("ring"));
        w.optFind[14]->click();
        closeCalendar(w, Qt::Key_Escape);
        w.cmdCancel->setFocus();
        QTest::mouseClick(w.calPickDate, Qt::LeftButton, {},
                          QPoint(10, w.calPickDate->height() / 2));
        pickInCalendar(w, QDate(2005, 6, 7));
        QVERIFY(w.cmdFind->isEnabled());

        w.optFind[15]->click();
        QVERIFY(!w.cmdFind->isEnabled() && !w.txtSearchPhrase->isEnabled());
        pickInCalendar(w, QDate(2009, 1, 15));
        QVERIFY(w.cmdFind->isEnabled() && w.timerFlashButton->isActive());
        env.desktop.answerMsgBox(1, false, QStringLiteral("Invalid Beginning Date Chosen"));
        QTest::mouseClick(w.cmdFind, Qt::LeftButton);
        QVERIFY(w.isVisible());
        pickInCalendar(w, QDate(2009, 2, 1));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Monthly Summary"));
        QTest::mouseClick(w.cmdFind, Qt::LeftButton);
        QVERIFY(!w.isVisible() && w.searchChosen());
        QVERIFY(env.session.Search.SearchPhrase.isEmpty() && env.session.Search.SearchOption == 15);
        QCOMPARE(env.session.Search.SummaryStartDate, QDateTime(QDate(2009, 2, 1), QTime(0, 0)));
        QCOMPARE(findEntries.Tag(), QStringLiteral("Monthly Summary"));
    }

    void cancelAndEsc()
    {
        TestEnvironment env;
        for (int how : {0, 3}) {
            resetSearch(env.session);
            env.session.Search.SummaryStartDate = QDateTime(QDate(2009, 1, 1), QTime(0, 0));
            ZelButton findEntries;
            frmFind w(env.store, env.session, Bounds, &findEntries);
            showAndWait(w);
            QTest::keyClicks(w.txtSearchPhrase, "pistol");
            QTest::keyClick(&w, Qt::Key_I, Qt::AltModifier); // caps off
            QTRY_VERIFY(!w.chkCapStatus->isChecked());
            w.chkWholeWordStatus->click();
            w.optFind[how == 3 ? 17 : 7]->click();
            if (how == 0)
                QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
            else { // Esc while a summary is chosen: the calendar first
                closeCalendar(w, Qt::Key_Escape);
                QTest::keyClick(w.calPickDate, Qt::Key_Escape);
            }
            QVERIFY2(!w.isVisible() && !w.searchChosen(), qPrintable(QString::number(how)));
            QCOMPARE(QStringLiteral("'%1' %2 %3 %4")
                         .arg(env.session.Search.SearchPhrase)
                         .arg(env.session.Search.SearchOption)
                         .arg(env.session.Search.IgnoreCaps)
                         .arg(env.session.Search.WholeWordOnly),
                     how == 3 ? QStringLiteral("'' 17 0 1") : QStringLiteral("'' 7 0 1"));
            QVERIFY(!env.session.Search.SummaryStartDate.isValid() && findEntries.Tag().isEmpty());
            QVERIFY(!w.timerFlashButton->isActive());
        }
    }

    // Last: ending the program leaves later modal windows no event loop.
    void helpQuitAndClose()
    {
        TestEnvironment env;
        writeEntries(env, {entry(1, "A", QDate(2009, 1, 5), 100)});
        QPointer<frmMain> w = openMain(env, 1);
        w->resize(w->width(), TwipsToPixels(10500));
        const QString height = QString::number(qRound(PixelsToTwips(w->height())));
        writeFile(env.path("Custorin.PDF"), "%PDF");
        QApplication::setActiveWindow(w);
        QTest::keyClick(w, Qt::Key_F1);
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        env.desktop.answerMsgBox(2, false, "Exit Custorin?");
        QVERIFY(!w->close() && w->isVisible());
        QVERIFY(!QFileInfo::exists(env.path(SignInOutLogName)));
        env.desktop.answerMsgBox(1, false, "Exit Custorin?");
        w->close();
        QVERIFY(ProgramEnding);
        QCOMPARE(readFile(env.path(SignInOutLogName)),
                 "12/04/2026 at 22:45:32 - Tester signed out\r\n");
        QCOMPARE(GetSetting("MainWindowHeight", QString()), height);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
