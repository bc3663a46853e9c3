// Searching from the main window: the search window opened by Find, the
// sub-list with its header and pulsing way back, summaries of each kind,
// the empty result with both answers, and the lines in "Search.Log".
#include "BoxText.h"
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "TestFiles.h"
#include "gui/windows/frmFind.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace fixtures;

namespace
{

const QString LogPrefix = QStringLiteral("03/04/2026 at 14:05:09 - Tester searched for ");

// The search log's lines; each must end in CR LF.
QStringList searchLog()
{
    const QString text = QString::fromLatin1(readFile(DataPath(QStringLiteral("Search.Log"))));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString())
        lines << QStringLiteral("(no CR LF at the end)");
    return lines;
}

// What the test does in the search window once it is open (it runs
// modally inside the main window's Find).
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

// A search of all text, capitals as typed.
void textSearch(frmFind *w, const QString &phrase)
{
    w->txtSearchPhrase->setText(phrase);
    w->chkCapStatus->setChecked(true);
    w->cmdFind->click();
}

// A summary: the option, the day picked in its calendar, Find, and "Yes".
// Whatever goes wrong closes the window, so that the test fails on what
// it finds instead of waiting.
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

// The sample entries at the fake desktop's time, the main window on them.
QPointer<frmMain> openSample(FakeDesktop &desktop)
{
    desktop.setNow(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 9)));
    writeEntries({entry(1, "A-0", {2008, 12, 1}, 1000, 1, "Bicycle"),
                  entry(2, "A-1", {2009, 1, 5}, 10000, 1, "Shotgun, 12 ga"),
                  entry(3, "A-2", {2009, 1, 12}, 2550, 1, "gun case"),
                  entry(4, "A-3", {2009, 1, 13}, 99999, 1, "Gold ring"),
                  entry(5, "A-4", {2009, 2, 28}, 100, 1, "guns and a gun"),
                  entry(6, "A-5", {2009, 3, 1}, 5000, 1, "Bicycle"),
                  entry(7, "A-6", {2010, 1, 1}, 5000, 1, "Bicycle"),
                  entry(8, "Z-1", {2009, 1, 6}, 70000, 2, "gun safe")});
    return openMain();
}

} // namespace

class TestMainSearch : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { closeMainWindows(); }

    void textSearchAndBack()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openSample(env.desktop);
        const QString fullHeader = w->frame1->title();
        // Cancel does nothing.
        whenFindOpens([](frmFind *f) {
            f->txtSearchPhrase->setText("gun");
            f->cmdCancel->click();
        });
        w->cmdFindEntries->click();
        QCOMPARE(w->frame1->title(), fullHeader);
        QCOMPARE(searchLog(), QStringList());

        whenFindOpens([](frmFind *f) {
            // The picker offers the list's first to last received date.
            QCOMPARE(f->calPickDate->minimumDate(), QDate(2008, 12, 1));
            QCOMPARE(f->calPickDate->maximumDate(), QDate(2010, 1, 1));
            textSearch(f, "  GUN ");
        });
        w->cmdFindEntries->click();
        QCOMPARE(listedCases(*w), QStringList({"A-1", "A-2", "A-4"}));
        QCOMPARE(w->frame1->title(), " Sub-list of entries containing 'GUN' (3 matches) Total "
                                     "Value: $126.50");
        QCOMPARE(w->grid->Row(), 1);
        QCOMPARE(shownButtons(*w), QStringLiteral("SeeAllEntries PrintList ExportData SeeEntry"));
        QVERIFY(w->timerFlashButton->isActive());
        QCOMPARE(searchLog(), QStringList{LogPrefix + "'GUN'"});

        // "See All Entries" stops the pulse and brings the full list back.
        w->cmdSeeAllEntries->click();
        QVERIFY(!w->timerFlashButton->isActive());
        QCOMPARE(w->frame1->title(), fullHeader);
        QCOMPARE(shownButtons(*w), QStringLiteral("AddEntry ArchiveEntry DeleteEntry FindEntries "
                                                  "PrintList ExportData SeeEntry"));
    }

    void eachSummary()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openSample(env.desktop);
        struct Case {
            int option;
            QDate start;
            QStringList cases;
            QString header;
        } const cases[] = {
            {13,
             {2009, 1, 12},
             {"A-2"},
             "Daily Summary of entries for 01/12/2009 (1 match) Total Value: $25.50"},
            // Eight days: the 5th to the 12th; the archived entry of the 6th
            // is not on the Active List.
            {14,
             {2009, 1, 5},
             {"A-1", "A-2"},
             "Weekly Summary of entries with a beginning date of 01/05/2009 (2 matches) Total "
             "Value: $125.50"},
            {15,
             {2009, 2, 1},
             {"A-4", "A-5"},
             "Monthly Summary of entries with a beginning date of 02/01/2009 (2 matches) Total "
             "Value: $51.00"},
            {16,
             {2008, 12, 1},
             {"A-0", "A-1", "A-2", "A-3", "A-4", "A-5"},
             "Quarterly Summary of entries with a beginning date of 12/01/2008 (6 matches) Total "
             "Value: $1,186.49"},
            {17,
             {2009, 1, 1},
             {"A-1", "A-2", "A-3", "A-4", "A-5", "A-6"},
             "Annual Summary of entries with a beginning date of 01/01/2009 (6 matches) Total "
             "Value: $1,226.49"},
        };
        QStringList expectedLog;
        for (const Case &c : cases) {
            FakeDesktop &desktop = env.desktop;
            whenFindOpens([&desktop, c](frmFind *f) { summary(desktop, f, c.option, c.start); });
            w->cmdFindEntries->click();
            QCOMPARE(listedCases(*w), c.cases);
            QCOMPARE(w->frame1->title(), c.header);
            QVERIFY(w->timerFlashButton->isActive());
            // "Daily Summary starting 01/12/2009"
            expectedLog << LogPrefix + c.header.section(' ', 0, 1) + " starting " +
                               c.start.toString("MM/dd/yyyy");
            QCOMPARE(searchLog(), expectedLog);
            w->cmdSeeAllEntries->click();
        }
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void emptyResultBothAnswers()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openSample(env.desktop);
        const QString fullHeader = w->frame1->title();

        // "Okay": back to the full list, the search logged; the list's
        // frames are hidden while the notice is up.
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

        // "Try another search": the summary is logged, then the search window
        // opens again; a search there shows its own result.
        FakeDesktop &desktop = env.desktop;
        whenFindOpens([&desktop](frmFind *f) {
            summary(desktop, f, 13, QDate(2009, 1, 7));
            desktop.answerMsgBox(2, false, QStringLiteral("No Matches"));
            whenFindOpens([](frmFind *again) {
                // The first search is in the log before the window reopens.
                QCOMPARE(searchLog().size(), 2);
                textSearch(again, "ring");
            });
        });
        w->cmdFindEntries->click();
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("There were no matches\r\nfor a Daily Summary of entries \r\nfor "
                                "01/07/2009"));
        QCOMPARE(listedCases(*w), QStringList{"A-3"});
        QCOMPARE(w->frame1->title(),
                 " Sub-list of entries containing 'ring' (1 match) Total Value: $999.99");
        QCOMPARE(searchLog(), (QStringList{LogPrefix + "'pistol'",
                                           LogPrefix + "Daily Summary starting 01/07/2009",
                                           LogPrefix + "'ring'"}));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestMainSearch)
#include "tst_mainsearch.moc"
