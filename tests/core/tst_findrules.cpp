// The search window's rules: captions, the Find button, summary confirmations,
// the picker's bounds and the criteria handed over on closing.
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/rules/FindRules.h"

#include <QtTest>

class TestFindRules : public QObject
{
    Q_OBJECT
private slots:
    void captionsButtonAndPicker()
    {
        // The texts as they have always stood, the blank and the misspelling too.
        QCOMPARE(FindOptionCaption(4) + '|' + FindOptionCaption(10) + '|' + FindOptionCaption(18),
                 QStringLiteral("Search 'Location' only |Search 'Defendent' only|"));
        QVERIFY(OpeningFindOption(12) == 12 && OpeningFindOption(13) == 1);
        QVERIFY(!FindEnabledForPhrase("    ") && FindEnabledForPhrase(" a "));
        QCOMPARE(FindToolTipForSummary(13), QStringLiteral(" Daily Summary "));

        // The Find button's colours along one swing of the pulse.
        ButtonPulse p;
        p.tick();
        QCOMPARE(FindPulseBackColor(p), OleColor(0xF4F400)); // RGB(0, 244, 244)
        QCOMPARE(FindPulseForeColor(p), OleColor(0x040400));
        p = {4, 256, -4};
        QCOMPARE(FindPulseBackColor(p), OleColor(0xFFFF00)); // mirror 256 held to 255

        // The list's earliest and latest dates hold the picker's start.
        const PickerBounds b = ListDateBounds({QDate(2009, 5, 1), QDate(2001, 1, 3), QDate(),
                                               QDate(2012, 12, 31), QDate(2005, 7, 7)});
        QVERIFY(b.earliest == QDate(2001, 1, 3) && b.latest == QDate(2012, 12, 31));
        QVERIFY(!ListDateBounds({}).isValid() && !ListDateBounds({QDate()}).isValid());
        QCOMPARE(QList<QDate>({InitialPickerDate(b, QDate(2026, 3, 4)),
                               InitialPickerDate(b, QDate(2000, 3, 4)),
                               InitialPickerDate(b, QDate(2010, 3, 4)),
                               InitialPickerDate(PickerBounds(), QDate(2000, 3, 4))}),
                 QList<QDate>({{2012, 12, 31}, {2001, 1, 3}, {2010, 3, 4}, {2000, 3, 4}}));
    }

    void summaryConfirmations()
    {
        // Daily and weekly summaries may start on any day.
        // clang-format off
        const struct { int option; QDate start; const char *title, *tail; } cases[] = {
            {13, {2009, 12, 31}, "Daily Summary", "for Thursday December 31, 2009"},
            {14, {2008, 2, 29}, "Weekly Summary",
             "for a one-week period beginning\r\nFriday February 29, 2008"},
            {15, {2009, 12, 1}, "Monthly Summary",
             "for a one month period\r\nbeginning 12/01/2009"},
            {16, {2009, 2, 1}, "Quarterly Summary",
             "for a three month period\r\nbeginning 02/01/2009"},
            {17, {2000, 1, 1}, "Annual Summary",
             "for a twelve month period\r\nbeginning 01/01/2000"}};
        // clang-format on
        for (const auto &k : cases) {
            const SummaryConfirmation c = SummaryConfirmationFor(k.option, k.start);
            QVERIFY(c.acceptable);
            QCOMPARE(c.title, QString(k.title));
            QCOMPARE(c.text, QStringLiteral("This will summarize all entries\r\n") + k.tail);
            QCOMPARE(c.buttons, QStringList({"&Yes, continue", "&No, select some &other option"}));
        }
        // Longer summaries start on the first of a month only.
        for (int option : {15, 16, 17}) {
            const SummaryConfirmation c = SummaryConfirmationFor(option, QDate(2009, 1, 31));
            QVERIFY(!c.acceptable);
            QCOMPARE(c.title + '|' + c.text,
                     QStringLiteral("Invalid Beginning Date Chosen|Please select the first of a "
                                    "month"));
            QCOMPARE(c.buttons, QStringList({"Select &another date", "Select some &other option"}));
        }
    }

    void criteriaOnClosing()
    {
        TestEnvironment env;
        // go, option, phrase box, picked day -> phrase, summary start, summary name.
        // clang-format off
        const struct { bool go; int option; const char *phrase; QDate day; const char *wantPhrase;
                       QDateTime wantStart; const char *wantName; } cases[] = {
            // Cancel: no phrase, no date (the option and the boxes are kept).
            {false, 15, "  gold ", QDate(2009, 1, 1), "", QDateTime(), ""},
            // A text search: the trimmed phrase, one line.
            {true, 1, " gold\tring ", QDate(2009, 1, 1), "gold ring", QDateTime(), ""},
            // A summary: the day at midnight and the caption; the phrase dropped.
            {true, 13, "gold", QDate(2004, 1, 5), "", QDateTime(QDate(2004, 1, 5), QTime(0, 0)),
             "Daily Summary"}};
        // clang-format on
        for (const auto &k : cases) {
            const FindCriteria c = CriteriaOnClosing(k.go, k.option, k.phrase, k.day, 0, 1);
            QCOMPARE(c.searchPhrase, QString(k.wantPhrase));
            QCOMPARE(c.summaryStartDate, k.wantStart);
            QCOMPARE(c.summaryName, QString(k.wantName));
            QVERIFY(c.searchOption == k.option && c.ignoreCaps == 0 && c.wholeWordOnly == 1);
        }
        ApplyCriteria(CriteriaOnClosing(true, 16, "gold", QDate(2009, 4, 1), 1, 0));
        QCOMPARE(Search.SummaryStartDate, QDateTime(QDate(2009, 4, 1), QTime(0, 0)));
        QVERIFY(Search.SearchOption == 16 && Search.IgnoreCaps == 1 && Search.WholeWordOnly == 0);
    }
};

QTEST_GUILESS_MAIN(TestFindRules)
#include "tst_findrules.moc"
