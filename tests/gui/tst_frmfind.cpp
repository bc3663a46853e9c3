// The search window: what it shows at opening, when Find may be pressed,
// the drop-down calendar, the summary questions it asks (their texts are
// the rules' own), and the criteria it hands over on Find, Cancel, Esc and
// the close box.
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/frmFind.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace
{

const PickerBounds Bounds{QDate(2001, 3, 4), QDate(2012, 11, 30)};

void StartMainWindowValues()
{
    Search.SearchPhrase.clear();
    Search.SearchOption = 1;
    Search.IgnoreCaps = 1;
    Search.WholeWordOnly = 0;
    Search.SummaryStartDate = QDateTime();
}

// The day table of the dropped-down calendar, where keys go.
QWidget *CalendarView(frmFind &w)
{
    QCalendarWidget *calendar = w.calPickDate->calendarWidget();
    return calendar ? calendar->findChild<QWidget *>(QStringLiteral("qt_calendar_calendarview"))
                    : nullptr;
}

// Picks a day in the dropped-down calendar as a person does: move to it
// and press Enter.
void PickInCalendar(frmFind &w, const QDate &day)
{
    QCalendarWidget *calendar = w.calPickDate->calendarWidget();
    QVERIFY(calendar);
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    calendar->setSelectedDate(day);
    QWidget *target = CalendarView(w);
    QVERIFY(target);
    QTest::keyClick(target, Qt::Key_Return);
    QTRY_VERIFY(!w.calPickDate->calendarIsDown());
    QCOMPARE(w.calPickDate->date(), day);
}

void ShowAndWait(frmFind &w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

class TestFrmFind : public QObject
{
    Q_OBJECT
private slots:
    void opening();
    void openingAfterSummaryKeepsPhraseAndBoxes();
    void phraseRulesAndTextSearch();
    void monthlyRefusedThenAccepted();
    void summaryWaitsForTheCalendar();
    void cancelEscAndCloseBox();
    void escInTheCalendarKeepsTheDate();
    void helpAndPulse();
    void pickerWithoutBounds();
};

void TestFrmFind::opening()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 5, 1), QTime(9, 30)));
    StartMainWindowValues();
    frmFind w(Bounds);
    ShowAndWait(w);

    QVERIFY(w.optFind[1]->isChecked());
    QVERIFY(w.chkCapStatus->isChecked());
    QVERIFY(!w.chkWholeWordStatus->isChecked());
    QVERIFY(w.txtSearchPhrase->hasFocus());
    QVERIFY(!w.cmdFind->isEnabled());
    QVERIFY(!w.calPickDate->isEnabled());
    QVERIFY(!w.timerFlashButton->isActive());

    // The picker: bounded by the list's dates, shown "MMM dd, yyyy", today
    // kept within the bounds.
    QCOMPARE(w.calPickDate->minimumDate(), QDate(2001, 3, 4));
    QCOMPARE(w.calPickDate->maximumDate(), QDate(2012, 11, 30));
    QCOMPARE(w.calPickDate->date(), QDate(2012, 11, 30));
    QCOMPARE(w.calPickDate->text(), QStringLiteral("Nov 30, 2012"));
    w.calPickDate->setDate(QDate(2004, 1, 5));
    QCOMPARE(w.calPickDate->text(), QStringLiteral("Jan 05, 2004"));
    w.calPickDate->setDate(QDate(1999, 1, 5));
    QCOMPARE(w.calPickDate->date(), QDate(2001, 3, 4));
}

void TestFrmFind::openingAfterSummaryKeepsPhraseAndBoxes()
{
    TestEnvironment env;
    Search.SearchPhrase = QStringLiteral("gold ring");
    Search.SearchOption = 16;
    Search.IgnoreCaps = 0;
    Search.WholeWordOnly = 1;
    frmFind w(Bounds);
    ShowAndWait(w);
    QVERIFY(w.optFind[1]->isChecked());
    QCOMPARE(Search.SearchOption, 1);
    QCOMPARE(w.txtSearchPhrase->text(), QStringLiteral("gold ring"));
    QCOMPARE(w.txtSearchPhrase->selectedText(), QStringLiteral("gold ring"));
    QVERIFY(!w.chkCapStatus->isChecked());
    QVERIFY(w.chkWholeWordStatus->isChecked());
    QVERIFY(w.cmdFind->isEnabled());
    QVERIFY(w.timerFlashButton->isActive());
    QCOMPARE(w.cmdFind->toolTip(), QStringLiteral(" Start searching for 'gold ring' "));
    QVERIFY(!w.calPickDate->calendarIsDown());

    // A text option other than the first is kept.
    Search.SearchOption = 11;
    frmFind w2(Bounds);
    ShowAndWait(w2);
    QVERIFY(w2.optFind[11]->isChecked());
}

void TestFrmFind::phraseRulesAndTextSearch()
{
    TestEnvironment env;
    StartMainWindowValues();
    Search.SummaryStartDate = QDateTime(QDate(2009, 1, 1), QTime(0, 0)); // an earlier summary
    ZelButton findEntries;
    findEntries.setTag(QStringLiteral("old"));
    frmFind w(Bounds, &findEntries);
    ShowAndWait(w);

    QTest::keyClicks(w.txtSearchPhrase, "    ");
    QVERIFY(!w.cmdFind->isEnabled());
    QVERIFY(!w.timerFlashButton->isActive());

    w.txtSearchPhrase->clear();
    QTest::keyClicks(w.txtSearchPhrase, "  a phrase of more than twenty-five letters");
    QCOMPARE(w.txtSearchPhrase->text(), QStringLiteral("  a phrase of more than t"));
    QVERIFY(w.cmdFind->isEnabled());
    QCOMPARE(w.cmdFind->toolTip(),
             QStringLiteral(" Start searching for 'a phrase of more than t' "));
    QVERIFY(w.timerFlashButton->isActive());

    w.txtSearchPhrase->setText(QStringLiteral(" Remington "));
    w.optFind[6]->click();
    QTest::keyClick(w.chkCapStatus, Qt::Key_Space);
    QTest::keyClick(&w, Qt::Key_W, Qt::AltModifier);
    QVERIFY(!w.chkCapStatus->isChecked());
    QTRY_VERIFY(w.chkWholeWordStatus->isChecked());
    // Enter in the phrase box starts the search.
    w.txtSearchPhrase->setFocus();
    QTest::keyClick(w.txtSearchPhrase, Qt::Key_Return);
    QVERIFY(!w.isVisible());
    QVERIFY(w.searchChosen());
    QCOMPARE(Search.SearchPhrase, QStringLiteral("Remington"));
    QCOMPARE(Search.SearchOption, 6);
    QCOMPARE(Search.IgnoreCaps, 0);
    QCOMPARE(Search.WholeWordOnly, 1);
    QVERIFY(!Search.SummaryStartDate.isValid());
    QVERIFY(!w.timerFlashButton->isActive());
    QCOMPARE(findEntries.Tag(), QStringLiteral("old")); // only summaries set it
    QCOMPARE(env.desktop.msgBoxes.size(), 0);
}

void TestFrmFind::monthlyRefusedThenAccepted()
{
    TestEnvironment env;
    StartMainWindowValues();
    Search.SearchPhrase = QStringLiteral("ring");
    ZelButton findEntries;
    frmFind w(Bounds, &findEntries);
    ShowAndWait(w);

    w.optFind[15]->click();
    QVERIFY(!w.cmdFind->isEnabled());
    QVERIFY(!w.timerFlashButton->isActive());
    QVERIFY(!w.txtSearchPhrase->isEnabled());
    QTRY_VERIFY(w.calPickDate->calendarIsDown());

    PickInCalendar(w, QDate(2009, 1, 15));
    QVERIFY(w.cmdFind->isEnabled());
    QVERIFY(w.timerFlashButton->isActive());

    // The 15th: refused; "Select another date" drops the calendar again.
    env.desktop.answerMsgBox(1, false, QStringLiteral("Invalid Beginning Date Chosen"));
    QTest::mouseClick(w.cmdFind, Qt::LeftButton);
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    QVERIFY(w.isVisible());
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    PickInCalendar(w, QDate(2009, 2, 1));

    // The 1st: confirmed; "No" leaves the window open, "Yes" hands over.
    env.desktop.answerMsgBox(2, false, QStringLiteral("Monthly Summary"));
    QTest::mouseClick(w.cmdFind, Qt::LeftButton);
    QVERIFY(w.isVisible());
    QCOMPARE(env.desktop.msgBoxes.at(1).text, SummaryConfirmationFor(15, QDate(2009, 2, 1)).text);
    QVERIFY(!w.calPickDate->calendarIsDown());

    env.desktop.answerMsgBox(1, false, QStringLiteral("Monthly Summary"));
    QTest::mouseClick(w.cmdFind, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QVERIFY(w.searchChosen());
    QCOMPARE(Search.SearchPhrase, QString());
    QCOMPARE(Search.SearchOption, 15);
    QCOMPARE(Search.SummaryStartDate, QDateTime(QDate(2009, 2, 1), QTime(0, 0)));
    QCOMPARE(findEntries.Tag(), QStringLiteral("Monthly Summary"));
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestFrmFind::summaryWaitsForTheCalendar()
{
    TestEnvironment env;
    StartMainWindowValues();
    ZelButton findEntries;
    frmFind w(Bounds, &findEntries);
    ShowAndWait(w);
    // A date is shown, but Find waits until the calendar has been used.
    w.optFind[13]->click();
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    QVERIFY(!w.cmdFind->isEnabled());
    // Closing the calendar (Esc) counts as having used it.
    QTest::keyClick(CalendarView(w), Qt::Key_Escape);
    QTRY_VERIFY(!w.calPickDate->calendarIsDown());
    QVERIFY(w.isVisible());
    QVERIFY(w.cmdFind->isEnabled());
    QVERIFY(w.timerFlashButton->isActive());

    // Back to a text option: the picker is off, Find follows the phrase.
    w.optFind[2]->click();
    QVERIFY(!w.calPickDate->isEnabled());
    QVERIFY(!w.cmdFind->isEnabled());
    QVERIFY(!w.timerFlashButton->isActive());

    // Another summary: Find disabled again until the calendar closes.
    w.optFind[14]->click();
    QVERIFY(!w.cmdFind->isEnabled());
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    QTest::keyClick(CalendarView(w), Qt::Key_Escape);
    QTRY_VERIFY(!w.calPickDate->calendarIsDown());
    // A click into the date field drops the calendar down again.
    w.cmdCancel->setFocus();
    QTest::mouseClick(w.calPickDate, Qt::LeftButton, {}, QPoint(10, w.calPickDate->height() / 2));
    PickInCalendar(w, QDate(2005, 6, 7));
    QVERIFY(w.cmdFind->isEnabled());

    // A weekly summary may start on any day: confirmed and handed over.
    env.desktop.answerMsgBox(1, false, QStringLiteral("Weekly Summary"));
    QTest::mouseClick(w.cmdFind, Qt::LeftButton);
    QCOMPARE(env.desktop.msgBoxes.size(), 1);
    QVERIFY(!w.isVisible());
    QCOMPARE(Search.SearchOption, 14);
    QCOMPARE(Search.SummaryStartDate, QDateTime(QDate(2005, 6, 7), QTime(0, 0)));
    QCOMPARE(findEntries.Tag(), QStringLiteral("Weekly Summary"));
}

void TestFrmFind::cancelEscAndCloseBox()
{
    TestEnvironment env;
    for (int how = 0; how < 3; ++how) {
        StartMainWindowValues();
        Search.SummaryStartDate = QDateTime(QDate(2009, 1, 1), QTime(0, 0));
        frmFind w(Bounds);
        ShowAndWait(w);
        QTest::keyClicks(w.txtSearchPhrase, "pistol");
        QTest::keyClick(&w, Qt::Key_I, Qt::AltModifier); // caps off
        QTRY_VERIFY(!w.chkCapStatus->isChecked());
        QTest::keyClick(&w, Qt::Key_W, Qt::AltModifier); // whole words on
        QTRY_VERIFY(w.chkWholeWordStatus->isChecked());
        w.optFind[7]->click();
        if (how == 0)
            QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(w.txtSearchPhrase, Qt::Key_Escape);
        else
            w.close();
        QVERIFY(!w.isVisible());
        QVERIFY(!w.searchChosen());
        QCOMPARE(Search.SearchPhrase, QString());
        QVERIFY(!Search.SummaryStartDate.isValid());
        QCOMPARE(Search.SearchOption, 7);
        QCOMPARE(Search.IgnoreCaps, 0);
        QCOMPARE(Search.WholeWordOnly, 1);
        QVERIFY(!w.timerFlashButton->isActive());

        // The next opening: empty phrase, the boxes as they were.
        frmFind again(Bounds);
        ShowAndWait(again);
        QCOMPARE(again.txtSearchPhrase->text(), QString());
        QVERIFY(again.optFind[7]->isChecked());
        QVERIFY(!again.chkCapStatus->isChecked());
        QVERIFY(again.chkWholeWordStatus->isChecked());
        again.cmdCancel_Click();
    }

    // Esc while a summary is chosen: Cancel too, nothing handed over.
    StartMainWindowValues();
    ZelButton findEntries;
    frmFind w(Bounds, &findEntries);
    ShowAndWait(w);
    w.optFind[17]->click();
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    QTest::keyClick(CalendarView(w), Qt::Key_Escape); // closes the calendar
    QTRY_VERIFY(!w.calPickDate->calendarIsDown());
    QVERIFY(w.isVisible());
    QTest::keyClick(w.calPickDate, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QCOMPARE(Search.SearchOption, 17);
    QVERIFY(!Search.SummaryStartDate.isValid());
    QCOMPARE(findEntries.Tag(), QString());
}

void TestFrmFind::escInTheCalendarKeepsTheDate()
{
    // Browsing the dropped calendar moves the field's date along; Esc puts
    // back the date it dropped down with, and the next drop starts there.
    TestEnvironment env;
    StartMainWindowValues();
    frmFind w(Bounds);
    ShowAndWait(w);
    w.optFind[17]->click();
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    const QDate before = w.calPickDate->date();
    QTest::keyClick(CalendarView(w), Qt::Key_PageUp);
    QTest::keyClick(CalendarView(w), Qt::Key_Left);
    QCOMPARE(w.calPickDate->date(), before.addMonths(-1).addDays(-1));
    QTest::keyClick(CalendarView(w), Qt::Key_Escape);
    QTRY_VERIFY(!w.calPickDate->calendarIsDown());
    QCOMPARE(w.calPickDate->date(), before);
    w.calPickDate->openCalendar();
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    QCOMPARE(w.calPickDate->calendarWidget()->selectedDate(), before);
    QCOMPARE(w.calPickDate->calendarWidget()->monthShown(), before.month());
    // Enter keeps what was browsed to.
    QTest::keyClick(CalendarView(w), Qt::Key_Up);
    QTest::keyClick(CalendarView(w), Qt::Key_Return);
    QTRY_VERIFY(!w.calPickDate->calendarIsDown());
    QCOMPARE(w.calPickDate->date(), before.addDays(-7));
}

void TestFrmFind::helpAndPulse()
{
    TestEnvironment env;
    StartMainWindowValues();
    QFile manual(env.path(QStringLiteral("Custorin.PDF")));
    QVERIFY(manual.open(QIODevice::WriteOnly));
    manual.close();
    frmFind w(Bounds);
    ShowAndWait(w);
    QTest::keyClick(w.txtSearchPhrase, Qt::Key_F1);
    QCOMPARE(env.desktop.openedUrls.size(), 1);
    QVERIFY(env.desktop.openedUrls.at(0).toLocalFile().endsWith("/Custorin.PDF"));

    // The pulse swings Find's colours; stopping it restores them.
    const OleColor back = w.cmdFind->BackColor(), fore = w.cmdFind->ForeColor();
    QTest::keyClicks(w.txtSearchPhrase, "x");
    QVERIFY(w.timerFlashButton->isActive());
    w.timerFlashButton_Timer();
    QVERIFY(w.cmdFind->BackColor() != back);
    QTest::keyClick(w.txtSearchPhrase, Qt::Key_Backspace);
    QVERIFY(!w.timerFlashButton->isActive());
    QCOMPARE(w.cmdFind->BackColor(), back);
    QCOMPARE(w.cmdFind->ForeColor(), fore);
}

void TestFrmFind::pickerWithoutBounds()
{
    TestEnvironment env;
    env.desktop.setNow(QDateTime(QDate(2026, 5, 1), QTime(9, 30)));
    StartMainWindowValues();
    frmFind w(ListDateBounds({}));
    ShowAndWait(w);
    QCOMPARE(w.calPickDate->date(), QDate(2026, 5, 1));
    QVERIFY(w.calPickDate->minimumDate() <= QDate(1900, 1, 1));
    QVERIFY(w.calPickDate->maximumDate() >= QDate(9999, 12, 31));
    w.cmdCancel_Click();
}

QTEST_MAIN(TestFrmFind)
#include "tst_frmfind.moc"
