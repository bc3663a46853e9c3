// Searching from the main window: the search window opened by Find, the
// sub-list with its header and pulsing way back, summaries of each kind,
// the empty result with both answers, and the lines in "Search.Log".
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmFind.h"
#include "gui/windows/frmMain.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace
{

const QDateTime Now(QDate(2026, 3, 4), QTime(14, 5, 9));
const QString LogPrefix = QStringLiteral("03/04/2026 at 14:05:09 - Tester searched for ");

EntryRecord makeEntry(const QString &caseNumber, const QString &description, QDate received,
                      qint64 cents, int status = 1)
{
    static int serial = 0;
    EntryRecord e;
    e.VersionStamp = 911;
    e.ControlNumber = ToOleDate(QDateTime(QDate(2009, 1, 5), QTime(8, 0)).addSecs(60 * ++serial));
    e.CaseNumber = caseNumber;
    e.Category = QStringLiteral("Firearm");
    e.BrandName = QStringLiteral("Remington");
    e.Description = description;
    e.Value = cents * 100;
    e.ReceivedDate = ToOleDate(QDateTime(received, QTime(0, 0)));
    e.Status = quint8(status);
    return e;
}

// The search log's lines (without their CR LF).
QStringList searchLog()
{
    QFile f(DataPath(QStringLiteral("Search.Log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(f.readAll());
    if (!text.endsWith(QStringLiteral("\r\n")))
        return {QStringLiteral("(no CR LF at the end) ") + text};
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
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

void textSearch(frmFind *w, const QString &phrase, int option, bool caps, bool whole)
{
    w->txtSearchPhrase->setText(phrase);
    w->chkCapStatus->setChecked(caps);
    w->chkWholeWordStatus->setChecked(whole);
    w->optFind[option]->click();
    w->cmdFind->click();
}

// A summary: the option, the day picked in its calendar, Find, and "Yes".
void summary(FakeDesktop &desktop, frmFind *w, int option, QDate day)
{
    w->optFind[option]->click();
    if (!QTest::qWaitFor([w] { return w->calPickDate->calendarIsDown(); })) {
        qWarning("calendar not down: enabled %d visible %d active %d", w->calPickDate->isEnabled(),
                 w->calPickDate->isVisible(), w->isActiveWindow());
        w->cmdCancel->click();
        return;
    }
    w->calPickDate->calendarWidget()->setSelectedDate(day);
    QTest::keyClick(w->calPickDate->calendarWidget()->findChild<QWidget *>(
                        QStringLiteral("qt_calendar_calendarview")),
                    Qt::Key_Return);
    if (!QTest::qWaitFor([w] { return !w->calPickDate->calendarIsDown(); }) ||
        w->calPickDate->date() != day || !w->cmdFind->isEnabled()) {
        qWarning("calendar: %s find %d", qPrintable(w->calPickDate->date().toString()),
                 w->cmdFind->isEnabled());
        w->cmdCancel->click();
        return;
    }
    desktop.answerMsgBox(1);
    w->cmdFind->click();
    if (w->isVisible()) {
        qWarning("still open after Find");
        w->cmdCancel->click();
    }
}

QStringList listedCases(const frmMain &w)
{
    QStringList out;
    for (int r = 1; r < w.grid->Rows(); ++r)
        out << w.grid->TextMatrix(r, 1);
    out.sort();
    return out;
}

QVector<EntryRecord> sampleList()
{
    return {makeEntry("A-0", "Bicycle", QDate(2008, 12, 1), 1000),
            makeEntry("A-1", "Shotgun, 12 ga", QDate(2009, 1, 5), 10000),
            makeEntry("A-2", "gun case", QDate(2009, 1, 12), 2550),
            makeEntry("A-3", "Gold ring", QDate(2009, 1, 13), 99999),
            makeEntry("A-4", "guns and a gun", QDate(2009, 2, 28), 100),
            makeEntry("A-5", "Bicycle", QDate(2009, 3, 1), 5000),
            makeEntry("A-6", "Bicycle", QDate(2010, 1, 1), 5000),
            makeEntry("Z-1", "gun safe", QDate(2009, 1, 6), 70000, 2)};
}

} // namespace

using namespace fixtures;

class TestMainSearch : public QObject
{
    Q_OBJECT
private slots:
    void textSearchAndBack();
    void wholeWordsAndTheInactiveList();
    void eachSummary();
    void emptyResultBothAnswers();
    void cancelDoesNothing();
};

void TestMainSearch::textSearchAndBack()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    writeEntries(sampleList());
    QPointer<frmMain> w = openMain();
    const QString fullHeader = w->frame1->title();
    QCOMPARE(shownButtons(*w),
             QStringLiteral("AddEntry ArchiveEntry DeleteEntry FindEntries PrintList ExportData "
                            "SeeEntry"));

    whenFindOpens([](frmFind *f) {
        // The picker offers the list's first to last received date.
        QCOMPARE(f->calPickDate->minimumDate(), QDate(2008, 12, 1));
        QCOMPARE(f->calPickDate->maximumDate(), QDate(2010, 1, 1));
        textSearch(f, "  GUN ", 1, true, false);
    });
    w->cmdFindEntries->click();
    QCOMPARE(listedCases(*w), (QStringList{"A-1", "A-2", "A-4"}));
    QCOMPARE(w->frame1->title(),
             QStringLiteral(" Sub-list of entries containing 'GUN' (3 matches) Total Value: "
                            "$126.50"));
    QCOMPARE(w->grid->Row(), 1);
    QCOMPARE(shownButtons(*w), QStringLiteral("SeeAllEntries PrintList ExportData SeeEntry"));
    QVERIFY(w->timerFlashButton->isActive());
    QCOMPARE(searchLog(), QStringList{LogPrefix + "'GUN'"});
    QCOMPARE(Search.SearchPhrase, QStringLiteral("GUN"));

    // "See All Entries" stops the pulse and brings the full list back.
    w->cmdSeeAllEntries->click();
    QVERIFY(!w->timerFlashButton->isActive());
    QCOMPARE(w->frame1->title(), fullHeader);
    QCOMPARE(w->grid->Rows(), 8);
    QVERIFY(!w->cmdFindEntries->isHidden());
    QVERIFY(w->cmdSeeAllEntries->isHidden());

    // Brand names are searched by "all text" only.
    env.desktop.answerMsgBox(1, false, QStringLiteral("No Matches"));
    whenFindOpens([](frmFind *f) { textSearch(f, "remington", 6, true, false); });
    w->cmdFindEntries->click();
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    whenFindOpens([](frmFind *f) { textSearch(f, "remington", 1, true, false); });
    w->cmdFindEntries->click();
    QCOMPARE(w->grid->Rows(), 8);
    QCOMPARE(env.desktop.pendingAnswers(), 0);
    dispose(w);
}

void TestMainSearch::wholeWordsAndTheInactiveList()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    writeEntries(sampleList());
    QPointer<frmMain> w = openMain();

    whenFindOpens([](frmFind *f) { textSearch(f, "gun", 6, true, true); });
    w->cmdFindEntries->click();
    // "Shotgun" and "guns and a gun" fail the whole-word test.
    QCOMPARE(listedCases(*w), QStringList{"A-2"});
    QCOMPARE(w->frame1->title(),
             QStringLiteral(" Sub-list of entries containing 'gun' (1 match) Total Value: $25.50"));
    w->cmdSeeAllEntries->click();

    // The Inactive List is searched among archived entries only.
    w->optDisplay[2]->click();
    QCOMPARE(w->grid->Rows(), 2);
    // One entry: Find is hidden; a search is started by the program here.
    whenFindOpens([](frmFind *f) { textSearch(f, "gun", 1, true, false); });
    w->cmdFindEntries_Click();
    QCOMPARE(listedCases(*w), QStringList{"Z-1"});
    QCOMPARE(w->frame1->title(),
             QStringLiteral(" Sub-list of entries containing 'gun' (1 match) Total Value: "
                            "$700.00"));
    QCOMPARE(searchLog(), (QStringList{LogPrefix + "'gun'", LogPrefix + "'gun'"}));
    dispose(w);
}

void TestMainSearch::eachSummary()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    writeEntries(sampleList());
    QPointer<frmMain> w = openMain();
    struct Case {
        int option;
        QDate start;
        QStringList cases;
        QString header;
        QString log;
    };
    const QVector<Case> cases{
        {13,
         {2009, 1, 12},
         {"A-2"},
         "Daily Summary of entries for 01/12/2009 (1 match) Total Value: $25.50",
         "Daily Summary starting 01/12/2009"},
        // Eight days: the 5th to the 12th; the archived entry of the 6th
        // is not on the Active List.
        {14,
         {2009, 1, 5},
         {"A-1", "A-2"},
         "Weekly Summary of entries with a beginning date of 01/05/2009 (2 matches) Total "
         "Value: $125.50",
         "Weekly Summary starting 01/05/2009"},
        {15,
         {2009, 2, 1},
         {"A-4", "A-5"},
         "Monthly Summary of entries with a beginning date of 02/01/2009 (2 matches) Total "
         "Value: $51.00",
         "Monthly Summary starting 02/01/2009"},
        {16,
         {2008, 12, 1},
         {"A-0", "A-1", "A-2", "A-3", "A-4", "A-5"},
         "Quarterly Summary of entries with a beginning date of 12/01/2008 (6 matches) Total "
         "Value: $1,186.49",
         "Quarterly Summary starting 12/01/2008"},
        {17,
         {2009, 1, 1},
         {"A-1", "A-2", "A-3", "A-4", "A-5", "A-6"},
         "Annual Summary of entries with a beginning date of 01/01/2009 (6 matches) Total "
         "Value: $1,226.49",
         "Annual Summary starting 01/01/2009"},
    };
    QStringList expectedLog;
    for (const Case &c : cases) {
        FakeDesktop &desktop = env.desktop;
        whenFindOpens([&desktop, c](frmFind *f) { summary(desktop, f, c.option, c.start); });
        w->cmdFindEntries->click();
        QCOMPARE(listedCases(*w), c.cases);
        QCOMPARE(w->frame1->title(), c.header);
        QVERIFY(w->timerFlashButton->isActive());
        QCOMPARE(w->cmdFindEntries->Tag(), QString()); // the name is cleared
        expectedLog << LogPrefix + c.log;
        QCOMPARE(searchLog(), expectedLog);
        QCOMPARE(shownButtons(*w), c.cases.size() >= 2
                                       ? QStringLiteral("SeeAllEntries PrintList ExportData "
                                                        "SeeEntry")
                                       : QStringLiteral("SeeAllEntries SeeEntry"));
        w->cmdSeeAllEntries->click();
    }
    QCOMPARE(env.desktop.pendingAnswers(), 0);
    dispose(w);
}

void TestMainSearch::emptyResultBothAnswers()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    writeEntries(sampleList());
    QPointer<frmMain> w = openMain();
    const QString fullHeader = w->frame1->title();

    // "Okay": back to the full list, the search logged.
    env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
        // The list's frames are hidden while the notice is up.
        [&] { QVERIFY(!w->frame1->isVisible() && !w->frame2->isVisible()); }();
        return MsgBoxAnswer{1, false};
    });
    whenFindOpens([](frmFind *f) { textSearch(f, "pistol", 1, true, false); });
    w->cmdFindEntries->click();
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    MsgBoxRequest r = env.desktop.msgBoxes.at(0);
    QCOMPARE(r.title, QStringLiteral("No Matches"));
    QCOMPARE(r.text, QStringLiteral("There were no matches\r\nsearching for\r\n\r\npistol"));
    QCOMPARE(r.buttons, (QStringList{"&Okay", "&Try another search"}));
    QCOMPARE(r.icon, 5);
    QCOMPARE(r.defaultButton, 1);
    QVERIFY(!r.offerDontShow);
    QCOMPARE(w->frame1->title(), fullHeader);
    QVERIFY(w->frame1->isVisible() && w->frame2->isVisible());
    QVERIFY(!w->timerFlashButton->isActive());
    QVERIFY(!w->cmdFindEntries->isHidden());
    QCOMPARE(searchLog(), QStringList{LogPrefix + "'pistol'"});

    // "Try another search": the summary is logged, then the search window
    // opens again; a search there shows its own result.
    env.desktop.msgBoxes.clear();
    FakeDesktop &desktop = env.desktop;
    whenFindOpens([&desktop](frmFind *f) {
        summary(desktop, f, 13, QDate(2009, 1, 7));
        desktop.answerMsgBox(2, false, QStringLiteral("No Matches"));
        whenFindOpens([](frmFind *again) {
            // The first search is in the log before the window reopens.
            QCOMPARE(searchLog().size(), 2);
            textSearch(again, "ring", 1, true, false);
        });
    });
    w->cmdFindEntries->click();
    QCOMPARE(env.desktop.msgBoxes.size(), 2);
    QCOMPARE(env.desktop.msgBoxes.at(1).text,
             QStringLiteral("There were no matches\r\nfor a Daily Summary of entries \r\nfor "
                            "01/07/2009"));
    QCOMPARE(listedCases(*w), QStringList{"A-3"});
    QCOMPARE(w->frame1->title(),
             QStringLiteral(" Sub-list of entries containing 'ring' (1 match) Total Value: "
                            "$999.99"));
    QCOMPARE(searchLog(),
             (QStringList{LogPrefix + "'pistol'", LogPrefix + "Daily Summary starting 01/07/2009",
                          LogPrefix + "'ring'"}));
    QCOMPARE(env.desktop.pendingAnswers(), 0);
    dispose(w);
}

void TestMainSearch::cancelDoesNothing()
{
    TestEnvironment env;
    env.desktop.setNow(Now);
    writeEntries(sampleList());
    QPointer<frmMain> w = openMain();
    const QString fullHeader = w->frame1->title();
    whenFindOpens([](frmFind *f) {
        f->txtSearchPhrase->setText("gun");
        f->cmdCancel->click();
    });
    w->cmdFindEntries->click();
    QCOMPARE(w->frame1->title(), fullHeader);
    QVERIFY(!w->timerFlashButton->isActive());
    QCOMPARE(searchLog(), QStringList());
    QCOMPARE(env.desktop.msgBoxes.size(), 0);
    dispose(w);
}

QTEST_MAIN(TestMainSearch)
#include "tst_mainsearch.moc"
