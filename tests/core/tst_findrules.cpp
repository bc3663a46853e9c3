// The search window's rules: captions, when Find may be pressed, the
// summary confirmations and refusals, the pulse, the picker's bounds and the
// criteria handed over on closing.
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/rules/FindRules.h"

#include <QtTest>

class TestFindRules : public QObject
{
    Q_OBJECT
private slots:
    void captionsAndFindButton();
    void summaryConfirmations();
    void pulse();
    void pickerBounds();
    void criteriaOnClosing();
};

void TestFindRules::captionsAndFindButton()
{
    // The texts as they have always stood, the blank and the misspelling too.
    QCOMPARE(FindOptionCaption(4), QStringLiteral("Search 'Location' only "));
    QCOMPARE(FindOptionCaption(10), QStringLiteral("Search 'Defendent' only"));
    QCOMPARE(FindOptionCaption(17), QStringLiteral("Annual Summary"));
    QCOMPARE(FindOptionCaption(0), QString());
    QCOMPARE(FindOptionCaption(18), QString());

    for (int i = 1; i <= 12; ++i)
        QCOMPARE(OpeningFindOption(i), i);
    for (int i : {13, 17, 18, 0, -3})
        QCOMPARE(OpeningFindOption(i), 1);

    QVERIFY(!FindEnabledForPhrase("    "));
    QVERIFY(FindEnabledForPhrase(" a "));
    QCOMPARE(FindToolTipForPhrase("   "), QString());
    QCOMPARE(FindToolTipForPhrase("  gold ring "),
             QStringLiteral(" Start searching for 'gold ring' "));
    QCOMPARE(FindToolTipForSummary(15), QStringLiteral(" Monthly Summary "));
}

void TestFindRules::summaryConfirmations()
{
    const QStringList yesNo{"&Yes, continue", "&No, select some &other option"};
    struct Case {
        int option;
        int y, m, d;
        const char *title, *tail;
    };
    // Daily and weekly summaries may start on any day.
    for (const Case &k : {
             Case{13, 2004, 1, 5, "Daily Summary", "for Monday January 5, 2004"},
             Case{13, 2009, 12, 31, "Daily Summary", "for Thursday December 31, 2009"},
             Case{14, 2008, 2, 29, "Weekly Summary",
                  "for a one-week period beginning\r\nFriday February 29, 2008"},
             Case{15, 2009, 12, 1, "Monthly Summary",
                  "for a one month period\r\nbeginning 12/01/2009"},
             Case{16, 2009, 2, 1, "Quarterly Summary",
                  "for a three month period\r\nbeginning 02/01/2009"},
             Case{17, 2000, 1, 1, "Annual Summary",
                  "for a twelve month period\r\nbeginning 01/01/2000"},
         }) {
        const SummaryConfirmation c = SummaryConfirmationFor(k.option, QDate(k.y, k.m, k.d));
        QVERIFY(c.acceptable);
        QCOMPARE(c.title, QString(k.title));
        QCOMPARE(c.text, QStringLiteral("This will summarize all entries\r\n") + k.tail);
        QCOMPARE(c.buttons, yesNo);
    }

    // Longer summaries start on the first of a month only.
    for (int option : {15, 16, 17})
        for (const QDate &d : {QDate(2009, 1, 2), QDate(2009, 1, 31), QDate(2008, 2, 29)}) {
            const SummaryConfirmation c = SummaryConfirmationFor(option, d);
            QVERIFY(!c.acceptable);
            QCOMPARE(c.title, QStringLiteral("Invalid Beginning Date Chosen"));
            QCOMPARE(c.text, QStringLiteral("Please select the first of a month"));
            QCOMPARE(c.buttons, (QStringList{"Select &another date", "Select some &other option"}));
        }
}

void TestFindRules::pulse()
{
    // The Find button's colours along one swing of the pulse.
    ButtonPulse p;
    p.tick();
    QCOMPARE(FindPulseBackColor(p), OleColor(0xF4F400)); // RGB(0, 244, 244)
    QCOMPARE(FindPulseForeColor(p), OleColor(0x040400));
    p = {252, 0, 4};
    QCOMPARE(FindPulseBackColor(p), OleColor(0x000000));
    QCOMPARE(FindPulseForeColor(p), OleColor(0xFCFC00));
    p = {4, 256, -4};
    QCOMPARE(FindPulseBackColor(p), OleColor(0xFFFF00)); // mirror 256 held to 255
}

void TestFindRules::pickerBounds()
{
    // Any order of the list: the earliest and the latest date.
    const PickerBounds b = ListDateBounds(
        {QDate(2009, 5, 1), QDate(2001, 1, 3), QDate(), QDate(2012, 12, 31), QDate(2005, 7, 7)});
    QCOMPARE(b.earliest, QDate(2001, 1, 3));
    QCOMPARE(b.latest, QDate(2012, 12, 31));
    QVERIFY(!ListDateBounds({}).isValid());
    QVERIFY(!ListDateBounds({QDate()}).isValid());

    QCOMPARE(InitialPickerDate(b, QDate(2026, 3, 4)), QDate(2012, 12, 31));
    QCOMPARE(InitialPickerDate(b, QDate(2000, 3, 4)), QDate(2001, 1, 3));
    QCOMPARE(InitialPickerDate(b, QDate(2010, 3, 4)), QDate(2010, 3, 4));
    QCOMPARE(InitialPickerDate(PickerBounds(), QDate(2010, 3, 4)), QDate(2010, 3, 4));
}

void TestFindRules::criteriaOnClosing()
{
    TestEnvironment env;
    // go, option, phrase box, picked day -> phrase, summary start, summary name.
    const struct {
        bool go;
        int option;
        const char *phrase;
        QDate day;
        const char *wantPhrase;
        QDateTime wantStart;
        const char *wantName;
    } cases[] = {
        // Cancel: no phrase, no date (the option and the boxes are kept).
        {false, 15, "  gold ", QDate(2009, 1, 1), "", QDateTime(), ""},
        // A text search: the trimmed phrase, one line.
        {true, 3, "  09-123  ", QDate(2009, 1, 1), "09-123", QDateTime(), ""},
        {true, 1, "gold\tring", QDate(), "gold ring", QDateTime(), ""},
        // A summary: the day at midnight and the caption; the phrase dropped.
        {true, 16, "gold", QDate(2009, 4, 1), "", QDateTime(QDate(2009, 4, 1), QTime(0, 0)),
         "Quarterly Summary"},
        {true, 13, "", QDate(2004, 1, 5), "", QDateTime(QDate(2004, 1, 5), QTime(0, 0)),
         "Daily Summary"},
    };
    for (const auto &k : cases) {
        const FindCriteria c = CriteriaOnClosing(k.go, k.option, k.phrase, k.day, 0, 1);
        QCOMPARE(c.searchPhrase, QString(k.wantPhrase));
        QCOMPARE(c.summaryStartDate, k.wantStart);
        QCOMPARE(c.summaryName, QString(k.wantName));
        QCOMPARE(c.searchOption, k.option);
        QVERIFY(c.ignoreCaps == 0 && c.wholeWordOnly == 1);
    }
    ApplyCriteria(CriteriaOnClosing(true, 16, "gold", QDate(2009, 4, 1), 1, 0));
    QCOMPARE(Search.SearchOption, 16);
    QCOMPARE(Search.SummaryStartDate, QDateTime(QDate(2009, 4, 1), QTime(0, 0)));
    QVERIFY(Search.IgnoreCaps == 1 && Search.WholeWordOnly == 0);
}

QTEST_GUILESS_MAIN(TestFindRules)
#include "tst_findrules.moc"
