// The main window: its lists, header line, sorting and summary panel, the
// entry card and closing; archiving, restoring and deleting; searching, and
// the lines in "Search.Log".
#include "BoxText.h"
#include "FakeDesktop.h"
#include "GuiAccessibility.h"
#include "MainFixtures.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Settings.h"
#include "gui/platform/Presenter.h"
#include "gui/windows/frmFind.h"
#include "gui/windows/frmSeeEntry.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
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

// Counts the events of one type that reach a widget.
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

// Acts in the search window once it is open (modal, inside Find).
void whenFindOpens(std::function<void(frmFind *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto *w = qobject_cast<frmFind *>(QApplication::activeModalWidget());
        if (!w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

void textSearch(frmFind *w, const QString &phrase)
{
    w->txtSearchPhrase->setText(phrase);
    w->chkCapStatus->setChecked(true);
    w->cmdFind->click();
}

// A summary: the option, the day picked, Find, "Yes"; on any trouble the
// window closes, so that the test fails instead of waiting.
void summary(FakeDesktop &desktop, frmFind *w, int option, QDate day)
{
    w->optFind[option]->click();
    if (QTest::qWaitFor([w] { return w->calPickDate->calendarIsDown(); })) {
        QCalendarWidget *calendar = w->calPickDate->calendarWidget();
        calendar->setSelectedDate(day);
        QTest::keyClick(calendar->findChild<QWidget *>(QStringLiteral("qt_calendar_calendarview")),
                        Qt::Key_Return);
    }
    if (QTest::qWaitFor([w] { return !w->calPickDate->calendarIsDown(); }) &&
        w->calPickDate->date() == day) {
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

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }
    // A test that failed half-way leaves no window behind for the next.
    void cleanup()
    {
        ProgramEnding = true;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmMain *>(top) || qobject_cast<frmTitlePage *>(top))
                delete top;
        }
        ProgramEnding = false;
    }

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
        // One entry: no sort frame, no shading, no Inactive List.
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
        // The record of the card `open` shows on row `row`; closed (reload or not).
        auto cardOf = [&](int row, bool reload, std::function<void()> open) {
            QString tag;
            w->grid->setRow(row);
            QTimer::singleShot(0, [&tag, &env, reload] {
                auto *card = qobject_cast<frmSeeEntry *>(QApplication::activeModalWidget());
                QVERIFY(card);
                tag = card->Tag();
                env.session.ListNeedsReload = reload;
                card->reject();
            });
            open();
            return tag;
        };
        QCOMPARE(cardOf(2, true, [&] { w->cmdSeeEntry->click(); }), QStringLiteral("2"));
        QVERIFY(w->grid->Row() == 2 && !env.session.ListNeedsReload); // reloaded, same row
        QCOMPARE(cardOf(3, false, [&] { w->grid_DblClick(); }), QStringLiteral("3"));
        // Add: a new entry, or (right button, from row 2) one based on the row's.
        QCOMPARE(cardOf(2, false, [&] { w->cmdAddEntry->click(); }), QStringLiteral("0"));
        QCOMPARE(cardOf(2, false, [&] { w->cmdAddEntry_MouseUp(2); }), QStringLiteral("2"));
        QCOMPARE(cardOf(1, false, [&] { w->cmdAddEntry_MouseUp(2); }), QStringLiteral("0"));
    }

    // The notice comes until its tick is given; then the Active List is empty.
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
        // After a reload the last row is chosen: C-3, C-2, then C-1.
        QCOMPARE(records(env), QStringLiteral("C-1:2 C-2:2 C-3:2 C-4:2"));
        QVERIFY(env.desktop.msgBoxes.size() == 5 && env.desktop.pendingAnswers() == 0);
        // The Active List is empty: its option is disabled yet still chosen.
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
        const QString busy = "Data folder busy | Another workstation is saving changes to the\r\n"
                             "data files in this folder right now:\r\nTester at workstation "
                             "'ws-front'.\r\n\r\nNothing has been changed yet. | &Retry, "
                             "&Cancel | 4 1 0";
        QCOMPARE(boxTexts(env.desktop.msgBoxes.mid(3)), QStringList({busy, busy}));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // The last archived entry restored: a notice, then the Active List.
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

        // Enter answers the default button: "No".
        env.desktop.answerMsgBoxWith([](const MsgBoxRequest &r) {
            return MsgBoxAnswer{r.defaultButton, false};
        });
        w->cmdDeleteEntry->click();
        QCOMPARE(readFile(DataPath(env.data, DataFileName)), before);

        // "Yes": gone from the file; the list keeps its row and top row.
        w->grid->setTopRow(3);
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        w->cmdDeleteEntry->click();
        QCOMPARE(records(env).left(30), QStringLiteral("C-1:1 C-2:1 C-3:1 C-5:1 C-6:1 "));
        QCOMPARE(records(env).count(':'), 39);
        QVERIFY(w->grid->Row() == 4 && w->grid->TopRow() == 3);
        QCOMPARE(w->txtfield[1]->text(), QStringLiteral("C-5"));
    }

    // A text search and back, an empty result, then a one-day summary (the
    // 13th's entry is not listed); each search logged.
    void searches()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openSample(env, env.desktop);
        const QString fullHeader = w->frame1->title();
        whenFindOpens([](frmFind *f) { textSearch(f, "  GUN "); });
        w->cmdFindEntries->click();
        QCOMPARE(listedCases(*w), QStringList({"A-1", "A-2", "A-4"}));
        QCOMPARE(w->frame1->title(), " Sub-list of entries containing 'GUN' (3 matches) Total "
                                     "Value: $126.50");
        QCOMPARE(shownButtons(*w), QStringLiteral("SeeAllEntries PrintList ExportData SeeEntry"));
        QVERIFY(w->grid->Row() == 1 && w->timerFlashButton->isActive());
        // "See All Entries" stops the pulse and brings the full list back.
        w->cmdSeeAllEntries->click();
        QVERIFY(!w->timerFlashButton->isActive());
        QCOMPARE(w->frame1->title(), fullHeader);

        // No match: the list's frames are hidden while the notice is up;
        // "Okay" goes back to the full list.
        bool framesHidden = false;
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            framesHidden = !w->frame1->isVisible() && !w->frame2->isVisible();
            return MsgBoxAnswer{1, false};
        });
        whenFindOpens([](frmFind *f) { textSearch(f, "pistol"); });
        w->cmdFindEntries->click();
        QVERIFY(framesHidden);
        QCOMPARE(boxTexts(env.desktop.msgBoxes),
                 QStringList{"No Matches | There were no matches\r\nsearching for\r\n\r\npistol | "
                             "&Okay, &Try another search | 5 1 0"});
        QCOMPARE(w->frame1->title(), fullHeader);
        QVERIFY(w->frame1->isVisible() && !w->timerFlashButton->isActive());

        // The picker offers the listed entries' first to last day.
        QDate first, last;
        whenFindOpens([&](frmFind *f) {
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

    // A code scanned into the focused box opens the card, offers the Inactive
    // List (archived), sets the shelf, or beeps.
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
        // Code 128, QR code, typed by hand; each scan replaces the last text.
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

        // Archived: "Not now", then "Show" highlights it on the Inactive List.
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

        // A data file that can not be read is not taken for an unknown code.
        QVERIFY(QFile::rename(env.path(DataFileName), env.path("moved")));
        QCOMPARE(scan("20090105080200"), QStringLiteral("|20090105080200 is not on record."));
        QVERIFY(!QFileInfo::exists(env.path(DataFileName)));
        QVERIFY(QDir(env.folder()).mkdir(DataFileName));
        env.data.options.DataFileOpenRetryMs = 0;
        QCOMPARE(scan("20090105080200"),
                 QStringLiteral("|The data file could not be read: scan again."));
        env.data.options.DataFileOpenRetryMs = 3000;
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
        // The close box asks; "No" keeps the window.
        env.desktop.answerMsgBox(2, false, "Exit Custorin?");
        QVERIFY(!w->close() && w->isVisible());
        QVERIFY(!QFileInfo::exists(env.path(SignInOutLogName)));
        // "Yes": the program ends, the sign-out is logged, the height kept.
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
