// The search window's rules: captions, when Find may be pressed, the
// summary confirmations and refusals, the pulse, the picker's bounds and the
// criteria handed over on closing.
#include "FakeDesktop.h"
#include "app/Globals.h"
#include "entry/FindRules.h"

#include <QtTest>

class TestFindRules : public QObject
{
    Q_OBJECT
private slots:
    void captionsAndTexts();
    void openingOptionAndFindButton();
    void dailyAndWeeklyConfirmations();
    void monthlyQuarterlyAnnual();
    void pulse();
    void pickerBounds();
    void criteriaOnClosing();
};

void TestFindRules::captionsAndTexts()
{
    const QStringList expected{"Search all text",
                               "Find by 'Control Number'",
                               "Find by 'Case Number'",
                               "Search 'Location' only ",
                               "Search 'Category' only",
                               "Search 'Description' only",
                               "Search 'Owner' only",
                               "Search 'Received From' only",
                               "Search 'Released To' only",
                               "Search 'Defendent' only",
                               "Search 'Narrative' only",
                               "Search 'Chain-of-Custody' only",
                               "Daily Summary",
                               "Weekly Summary",
                               "Monthly Summary",
                               "Quarterly Summary",
                               "Annual Summary"};
    for (int i = 1; i <= 17; ++i)
        QCOMPARE(FindOptionCaption(i), expected.at(i - 1));
    QCOMPARE(FindOptionCaption(0), QString());
    QCOMPARE(FindOptionCaption(18), QString());

    QCOMPARE(FindWindowTitle(), QStringLiteral(" Custorin - Search/Summarize Records..."));
    QCOMPARE(FindTextInstruction(),
             QStringLiteral("Enter a word or phrase \r\n(whole or partial) to search for..."));
    QCOMPARE(FindSummaryInstruction(),
             QStringLiteral("Select a beginning date\r\nfor the indicated summary..."));
    QCOMPARE(FindCancelToolTip(), QStringLiteral(" Close this window <Esc> "));
    QCOMPARE(FindHelpToolTip(), QStringLiteral(" Illustrated Manual <F1> "));
}

void TestFindRules::openingOptionAndFindButton()
{
    for (int i = 1; i <= 12; ++i)
        QCOMPARE(OpeningFindOption(i), i);
    for (int i : {13, 15, 17, 18, 0, -3})
        QCOMPARE(OpeningFindOption(i), 1);

    QVERIFY(!FindEnabledForPhrase(""));
    QVERIFY(!FindEnabledForPhrase("    "));
    QVERIFY(FindEnabledForPhrase(" a "));
    QCOMPARE(FindToolTipForPhrase("   "), QString());
    QCOMPARE(FindToolTipForPhrase("  gold ring "),
             QStringLiteral(" Start searching for 'gold ring' "));
    QCOMPARE(FindToolTipForSummary(15), QStringLiteral(" Monthly Summary "));
    QCOMPARE(FindToolTipForSummary(13), QStringLiteral(" Daily Summary "));
}

void TestFindRules::dailyAndWeeklyConfirmations()
{
    const QStringList yesNo{"&Yes, continue", "&No, select some &other option"};
    SummaryConfirmation c = SummaryConfirmationFor(13, QDate(2004, 1, 5));
    QVERIFY(c.acceptable);
    QCOMPARE(c.title, QStringLiteral("Daily Summary"));
    QCOMPARE(c.text,
             QStringLiteral("This will summarize all entries\r\nfor Monday January 5, 2004"));
    QCOMPARE(c.buttons, yesNo);
    QCOMPARE(SummaryConfirmation::Icon, 5);
    QCOMPARE(SummaryConfirmation::DefaultButton, 1);

    c = SummaryConfirmationFor(14, QDate(2004, 1, 5));
    QVERIFY(c.acceptable);
    QCOMPARE(c.title, QStringLiteral("Weekly Summary"));
    QCOMPARE(c.text.split(QStringLiteral("\r\n")),
             (QStringList{"This will summarize all entries", "for a one-week period beginning",
                          "Monday January 5, 2004"}));
    QCOMPARE(c.buttons, yesNo);

    // Daily and weekly summaries may start on any day.
    c = SummaryConfirmationFor(14, QDate(2008, 2, 29));
    QVERIFY(c.acceptable);
    QVERIFY(c.text.endsWith(QStringLiteral("\r\nFriday February 29, 2008")));
    c = SummaryConfirmationFor(13, QDate(2009, 12, 31));
    QVERIFY(c.text.endsWith(QStringLiteral("for Thursday December 31, 2009")));
}

void TestFindRules::monthlyQuarterlyAnnual()
{
    const QStringList yesNo{"&Yes, continue", "&No, select some &other option"};
    struct Case {
        int option;
        QString title, months;
    };
    for (const Case &k :
         {Case{15, "Monthly Summary", "one"}, Case{16, "Quarterly Summary", "three"},
          Case{17, "Annual Summary", "twelve"}}) {
        SummaryConfirmation c = SummaryConfirmationFor(k.option, QDate(2009, 2, 1));
        QVERIFY(c.acceptable);
        QCOMPARE(c.title, k.title);
        QCOMPARE(c.text, QStringLiteral("This will summarize all entries\r\nfor a ") + k.months +
                             QStringLiteral(" month period\r\nbeginning 02/01/2009"));
        QCOMPARE(c.buttons, yesNo);

        for (const QDate &d : {QDate(2009, 1, 15), QDate(2009, 1, 31), QDate(2008, 2, 29),
                               QDate(2009, 1, 10), QDate(2009, 1, 2)}) {
            c = SummaryConfirmationFor(k.option, d);
            QVERIFY(!c.acceptable);
            QCOMPARE(c.title, QStringLiteral("Invalid Beginning Date Chosen"));
            QCOMPARE(c.text, QStringLiteral("Please select the first of a month"));
            QCOMPARE(c.buttons, (QStringList{"Select &another date", "Select some &other option"}));
        }
    }
    QVERIFY(SummaryConfirmationFor(17, QDate(2000, 1, 1)).acceptable);
    QVERIFY(SummaryConfirmationFor(15, QDate(2009, 12, 1)).text.endsWith("12/01/2009"));
}

void TestFindRules::pulse()
{
    FindPulse p;
    p.tick();
    QCOMPARE(p.FlashLevel, 4);
    QCOMPARE(p.FlashMirror, 244);
    QCOMPARE(p.backColor(), OleColor(0xF4F400)); // RGB(0, 244, 244)
    QCOMPARE(p.foreColor(), OleColor(0x040400));
    p.tick(); // still below 8: the mirror starts again from 248
    QCOMPARE(p.FlashLevel, 8);
    QCOMPARE(p.FlashMirror, 244);
    for (int i = 3; i <= 62; ++i)
        p.tick();
    QCOMPARE(p.FlashLevel, 248);
    QCOMPARE(p.FlashMirror, 4);
    p.tick(); // 248 is not above 248: one more step up
    QCOMPARE(p.FlashLevel, 252);
    QCOMPARE(p.FlashMirror, 0);
    QCOMPARE(p.backColor(), OleColor(0x000000));
    QCOMPARE(p.foreColor(), OleColor(0xFCFC00));
    p.tick(); // turns
    QCOMPARE(p.FlashLevel, 248);
    QCOMPARE(p.FlashMirror, 12);
    QCOMPARE(p.FlashStep, -4);
    for (int i = 0; i < 61; ++i)
        p.tick();
    QCOMPARE(p.FlashLevel, 4);
    QCOMPARE(p.FlashMirror, 256);
    QCOMPARE(p.backColor(), OleColor(0xFFFF00)); // clamped to 255
    p.tick();                                    // turns again
    QCOMPARE(p.FlashLevel, 8);
    QCOMPARE(p.FlashMirror, 244);
    QCOMPARE(FindPulseIntervalMs, 15);
}

void TestFindRules::pickerBounds()
{
    // Any order of the list: the earliest and the latest date.
    PickerBounds b = ListDateBounds(
        {QDate(2009, 5, 1), QDate(2001, 1, 3), QDate(), QDate(2012, 12, 31), QDate(2005, 7, 7)});
    QVERIFY(b.isValid());
    QCOMPARE(b.earliest, QDate(2001, 1, 3));
    QCOMPARE(b.latest, QDate(2012, 12, 31));
    b = ListDateBounds({QDate(2009, 5, 1)});
    QCOMPARE(b.earliest, QDate(2009, 5, 1));
    QCOMPARE(b.latest, QDate(2009, 5, 1));
    QVERIFY(!ListDateBounds({}).isValid());
    QVERIFY(!ListDateBounds({QDate()}).isValid());

    b = ListDateBounds({QDate(2001, 1, 3), QDate(2012, 12, 31)});
    QCOMPARE(InitialPickerDate(b, QDate(2026, 3, 4)), QDate(2012, 12, 31));
    QCOMPARE(InitialPickerDate(b, QDate(2000, 3, 4)), QDate(2001, 1, 3));
    QCOMPARE(InitialPickerDate(b, QDate(2010, 3, 4)), QDate(2010, 3, 4));
    QCOMPARE(InitialPickerDate(PickerBounds(), QDate(2010, 3, 4)), QDate(2010, 3, 4));
}

void TestFindRules::criteriaOnClosing()
{
    TestEnvironment env;
    // Cancel: no phrase, no date, but the option and the boxes are kept.
    FindCriteria c = CriteriaOnClosing(false, 7, "  gold ", QDate(2009, 1, 1), 0, 1);
    QCOMPARE(c.searchPhrase, QString());
    QCOMPARE(c.searchOption, 7);
    QCOMPARE(c.ignoreCaps, 0);
    QCOMPARE(c.wholeWordOnly, 1);
    QVERIFY(!c.summaryStartDate.isValid());
    QCOMPARE(c.summaryName, QString());
    c = CriteriaOnClosing(false, 15, "", QDate(2009, 1, 1), 1, 0);
    QVERIFY(!c.summaryStartDate.isValid());
    QCOMPARE(c.summaryName, QString());

    // A text search: the trimmed phrase.
    c = CriteriaOnClosing(true, 3, "  09-123  ", QDate(2009, 1, 1), 1, 0);
    QCOMPARE(c.searchPhrase, QStringLiteral("09-123"));
    QCOMPARE(c.searchOption, 3);
    QVERIFY(!c.summaryStartDate.isValid());
    QCOMPARE(c.summaryName, QString());

    // A summary: the day at midnight and the caption; the phrase is dropped.
    c = CriteriaOnClosing(true, 16, "gold", QDate(2009, 4, 1), 1, 1);
    QCOMPARE(c.searchPhrase, QString());
    QCOMPARE(c.summaryStartDate, QDateTime(QDate(2009, 4, 1), QTime(0, 0)));
    QCOMPARE(c.summaryName, QStringLiteral("Quarterly Summary"));

    ApplyCriteria(c);
    QCOMPARE(SearchPhrase, QString());
    QCOMPARE(SearchOption, 16);
    QCOMPARE(IgnoreCaps, 1);
    QCOMPARE(WholeWordOnly, 1);
    QCOMPARE(SummaryStartDate, QDateTime(QDate(2009, 4, 1), QTime(0, 0)));
    ApplyCriteria(CriteriaOnClosing(true, 1, " ring", QDate(), 0, 0));
    QCOMPARE(SearchPhrase, QStringLiteral("ring"));
    QCOMPARE(SearchOption, 1);
    QCOMPARE(IgnoreCaps, 0);
    QCOMPARE(WholeWordOnly, 0);
    QVERIFY(!SummaryStartDate.isValid());
}

QTEST_GUILESS_MAIN(TestFindRules)
#include "tst_findrules.moc"
