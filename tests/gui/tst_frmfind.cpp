// The search window: what it shows at opening, when Find may be pressed,
// the drop-down calendar, the summary questions, and the criteria it hands
// over on Find, Cancel and Esc.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/frmFind.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace
{

const PickerBounds Bounds{QDate(2001, 3, 4), QDate(2012, 11, 30)};

// The criteria as the main window starts with them.
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

// Presses key in the dropped-down calendar's day table, which closes it.
void closeCalendar(frmFind &w, Qt::Key key)
{
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    QTest::keyClick(w.calPickDate->calendarWidget()->findChild<QWidget *>(
                        QStringLiteral("qt_calendar_calendarview")),
                    key);
    QTRY_VERIFY(!w.calPickDate->calendarIsDown());
}

// Picks a day in the dropped-down calendar as a person does.
void pickInCalendar(frmFind &w, const QDate &day)
{
    QTRY_VERIFY(w.calPickDate->calendarIsDown());
    w.calPickDate->calendarWidget()->setSelectedDate(day);
    closeCalendar(w, Qt::Key_Return);
    QCOMPARE(w.calPickDate->date(), day);
}

} // namespace

class TestFrmFind : public QObject
{
    Q_OBJECT
private slots:
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
        // At most 25 characters; Find and its tool tip follow the phrase.
        QTest::keyClicks(w.txtSearchPhrase, "    ");
        QVERIFY(!w.cmdFind->isEnabled() && !w.timerFlashButton->isActive());
        QTest::keyClicks(w.txtSearchPhrase, "a phrase of more than twenty-five letters");
        QCOMPARE(w.txtSearchPhrase->text(), QStringLiteral("    a phrase of more than"));
        QCOMPARE(w.cmdFind->toolTip(),
                 QStringLiteral(" Start searching for 'a phrase of more than' "));
        QVERIFY(w.cmdFind->isEnabled() && w.timerFlashButton->isActive());
        // The pulse swings Find's colours; stopping it restores them.
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
        // Enter in the phrase box starts the search.
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

    void monthlyRefusedThenAccepted()
    {
        TestEnvironment env;
        resetSearch(env.session);
        env.session.Search.SearchPhrase = QStringLiteral("ring");
        ZelButton findEntries;
        frmFind w(env.store, env.session, Bounds, &findEntries);
        showAndWait(w);
        w.optFind[15]->click();
        QVERIFY(!w.cmdFind->isEnabled() && !w.txtSearchPhrase->isEnabled());
        pickInCalendar(w, QDate(2009, 1, 15));
        QVERIFY(w.cmdFind->isEnabled() && w.timerFlashButton->isActive());

        // The 15th: refused; "Select another date" drops the calendar again.
        env.desktop.answerMsgBox(1, false, QStringLiteral("Invalid Beginning Date Chosen"));
        QTest::mouseClick(w.cmdFind, Qt::LeftButton);
        QVERIFY(w.isVisible());
        pickInCalendar(w, QDate(2009, 2, 1));

        // The 1st: confirmed; "Yes" hands over.
        env.desktop.answerMsgBox(1, false, QStringLiteral("Monthly Summary"));
        QTest::mouseClick(w.cmdFind, Qt::LeftButton);
        QVERIFY(!w.isVisible() && w.searchChosen());
        QVERIFY(env.session.Search.SearchPhrase.isEmpty() && env.session.Search.SearchOption == 15);
        QCOMPARE(env.session.Search.SummaryStartDate, QDateTime(QDate(2009, 2, 1), QTime(0, 0)));
        QCOMPARE(findEntries.Tag(), QStringLiteral("Monthly Summary"));
    }

    void openingAndTheCalendar()
    {
        TestEnvironment env;
        resetSearch(env.session);
        env.desktop.setNow(QDateTime(QDate(2026, 5, 1), QTime(9, 30)));
        frmFind w(env.store, env.session, Bounds);
        showAndWait(w);
        QVERIFY(w.optFind[1]->isChecked() && w.txtSearchPhrase->hasFocus());
        QVERIFY(!w.cmdFind->isEnabled() && !w.calPickDate->isEnabled());
        // The picker: bounded by the list's dates, today kept within them.
        QCOMPARE(w.calPickDate->minimumDate(), QDate(2001, 3, 4));
        QCOMPARE(w.calPickDate->text(), QStringLiteral("Nov 30, 2012"));
        // Find waits until the calendar has been used; Esc counts as use.
        w.optFind[13]->click();
        QTRY_VERIFY(w.calPickDate->calendarIsDown());
        QVERIFY(!w.cmdFind->isEnabled());
        closeCalendar(w, Qt::Key_Escape);
        QVERIFY(w.isVisible() && w.cmdFind->isEnabled());
        // Back to a text option: the picker is off, Find follows the phrase.
        w.optFind[2]->click();
        QVERIFY(!w.calPickDate->isEnabled() && !w.cmdFind->isEnabled());
        // A click into the date field drops the calendar again.
        w.optFind[14]->click();
        closeCalendar(w, Qt::Key_Escape);
        w.cmdCancel->setFocus();
        QTest::mouseClick(w.calPickDate, Qt::LeftButton, {},
                          QPoint(10, w.calPickDate->height() / 2));
        pickInCalendar(w, QDate(2005, 6, 7));
        QVERIFY(w.cmdFind->isEnabled());
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
};

QTEST_MAIN(TestFrmFind)
#include "tst_frmfind.moc"
