// The search filter of the main list: phrase matching, the text each option
// searches, the date range of each summary, and the texts that describe a
// result.
#include "FakeDesktop.h"
#include "SampleData.h"
#include "TestBytes.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/EntryList.h"
#include "core/entries/SearchFilter.h"

#include <QtTest>

namespace
{

EntryRecord Sample()
{
    EntryRecord e;
    e.ControlNumber = oleDate(2009, 1, 5, 14, 30);
    e.CaseNumber = "  09-123 ";
    e.Location = "Shelf A";
    e.Category = "Firearm";
    e.BrandName = "Remington";
    e.ModelNumber = "870";
    e.SerialNumber = "RS0042";
    e.Description = "Shotgun, 12 ga";
    e.Value = 12345000; // $1,234.50
    e.Owner = "Pat Doe";
    e.ReceivedFrom = "Ofc. Smith";
    e.ReceivedDate = oleDate(2009, 1, 5);
    e.ReleasedTo = "Jane Roe";
    e.ReleasedDate = 0;
    e.Defendant = "Bob Smart";
    e.Narrative = "Found in trunk.";
    e.ChainOfCustody = "Lab 1/6/2009 ";
    e.Status = 1;
    return e;
}

EntryRecord Received(double ole)
{
    EntryRecord e;
    e.ReceivedDate = ole;
    return e;
}

} // namespace

class TestSearchFilter : public QObject
{
    Q_OBJECT
private slots:
    void wholeWordRules();
    void capitalsAndFirstOccurrence();
    void emptyTextAndPhrase();
    void textOfEachOption();
    void textFilter();
    void summaryRanges();
    void dateFilter();
    void headersAndNotices();
    void criteriaFromProgramValues();
    void bytesGiveTheSameAnswer();
    void oneFilterOverManyEntries();
    void dayTextsAsFormatted();
};

void TestSearchFilter::wholeWordRules()
{
    // Letters before or after break the word; "0" does not.
    QVERIFY(!MatchSearchText("Shotgun, 12 ga", "gun", 1, 1));
    QVERIFY(MatchSearchText("Shotgun, 12 ga", "gun", 1, 0));
    QVERIFY(MatchSearchText("gun case", "gun", 1, 1));
    QVERIFY(MatchSearchText("gun0", "gun", 1, 1));
    QVERIFY(MatchSearchText("0gun0", "gun", 1, 1));
    QVERIFY(!MatchSearchText("gun9", "gun", 1, 1));
    QVERIFY(!MatchSearchText("1gun", "gun", 1, 1));
    QVERIFY(MatchSearchText("a gun", "gun", 1, 1));
    QVERIFY(MatchSearchText("gun", "gun", 1, 1));
    // Upper-case neighbours count as letters after lower-casing.
    QVERIFY(!MatchSearchText("XGUN", "gun", 1, 1));
    QVERIFY(!MatchSearchText("GUNS", "gun", 1, 1));
    // Accented letters, punctuation, blanks, underscores are no word
    // characters.
    QVERIFY(MatchSearchText(QString::fromUtf8("éguné"), "gun", 1, 1));
    QVERIFY(MatchSearchText("(gun)", "gun", 1, 1));
    QVERIFY(MatchSearchText("_gun_", "gun", 1, 1));
    QVERIFY(MatchSearchText("gun-shop", "gun", 1, 1));
    // Any whole-word flag other than 1 means partial words.
    QVERIFY(MatchSearchText("shotgun", "gun", 1, 2));
    // A phrase of several words is tested at its two ends only.
    QVERIFY(MatchSearchText("red gun case", "gun ca", 1, 0));
    QVERIFY(!MatchSearchText("red gun case", "gun ca", 1, 1));
    QVERIFY(MatchSearchText("red gun case.", "gun case", 1, 1));

    QVERIFY(IsSearchWordChar('a') && IsSearchWordChar('Z') && IsSearchWordChar('1') &&
            IsSearchWordChar('9'));
    QVERIFY(!IsSearchWordChar('0') && !IsSearchWordChar(' ') && !IsSearchWordChar('_') &&
            !IsSearchWordChar(QChar(0x00E9)) && !IsSearchWordChar(QChar(0x00DF)));
}

void TestSearchFilter::capitalsAndFirstOccurrence()
{
    QVERIFY(MatchSearchText("ring", "RING", 1, 0));
    QVERIFY(!MatchSearchText("ring", "RING", 0, 0));
    QVERIFY(MatchSearchText("gold RING", "RING", 0, 1));
    // Only the first occurrence counts, even when a later one would pass.
    QVERIFY(!MatchSearchText("guns and a gun", "gun", 1, 1));
    QVERIFY(!MatchSearchText("shotgun, a gun", "gun", 1, 1));
    // With exact comparison the first occurrence is another one.
    QVERIFY(!MatchSearchText("Guns and a gun", "gun", 1, 1));
    QVERIFY(MatchSearchText("Guns and a gun", "gun", 0, 1));
    // Any comparison mode other than 1 is exact.
    QVERIFY(!MatchSearchText("ring", "RING", 2, 0));
}

void TestSearchFilter::emptyTextAndPhrase()
{
    QVERIFY(!MatchSearchText("", "gun", 1, 0));
    QVERIFY(!MatchSearchText("", "", 1, 0));
    QVERIFY(MatchSearchText("gun", "", 1, 0));
    QVERIFY(!MatchSearchText("gun", "gun case", 1, 0));
}

void TestSearchFilter::textOfEachOption()
{
    const EntryRecord e = Sample();
    // The all-fields text: the fields trimmed and joined with blanks, then
    // one more blank and the released date (none here).
    QCOMPARE(SearchedText(e, 1),
             QStringLiteral("20090105143000 09-123 Shelf A Firearm Remington 870 RS0042 "
                            "Shotgun, 12 ga $1,234.50 Pat Doe Ofc. Smith 01/05/2009 Jane Roe "
                            "Bob Smart Found in trunk. Lab 1/6/2009 "));
    EntryRecord released = e;
    released.ReleasedDate = oleDate(2010, 12, 31, 9, 15);
    released.Value = 0;
    QVERIFY(SearchedText(released, 1).endsWith(QStringLiteral("Lab 1/6/2009 12/31/2010")));
    QVERIFY(SearchedText(released, 1).contains(QStringLiteral(" Shotgun, 12 ga $0.00 Pat Doe")));

    const QStringList expected{"",
                               "",
                               "20090105143000",
                               "09-123",
                               "Shelf A",
                               "Firearm",
                               "Shotgun, 12 ga",
                               "Pat Doe",
                               "Ofc. Smith",
                               "Jane Roe",
                               "Bob Smart",
                               "Found in trunk.",
                               "Lab 1/6/2009"};
    for (int option = 2; option <= 12; ++option)
        QCOMPARE(SearchedText(e, option), expected.at(option));
    for (int option : {0, -1, 13, 14, 17, 18})
        QCOMPARE(SearchedText(e, option), QString());

    // A legacy control number still searches as fourteen digits.
    EntryRecord legacy = e;
    legacy.ControlNumber = 17;
    QCOMPARE(SearchedText(legacy, 2), QStringLiteral("19000116000000"));
}

void TestSearchFilter::textFilter()
{
    const EntryRecord e = Sample();
    // Brand, model and serial number are searched by "all text" only.
    QVERIFY(SearchFilter::textSearch("remington", 1, 1, 0).accepts(e));
    QVERIFY(!SearchFilter::textSearch("remington", 6, 1, 0).accepts(e));
    QVERIFY(!SearchFilter::textSearch("Remington", 5, 1, 0).accepts(e));
    QVERIFY(SearchFilter::textSearch("gun", 6, 1, 0).accepts(e));
    QVERIFY(!SearchFilter::textSearch("gun", 6, 1, 1).accepts(e));
    QVERIFY(SearchFilter::textSearch("SMART", 10, 1, 1).accepts(e));
    QVERIFY(!SearchFilter::textSearch("SMART", 10, 0, 1).accepts(e));
    // The value and the dates are searched in their shown forms.
    QVERIFY(SearchFilter::textSearch("$1,234.50", 1, 1, 1).accepts(e));
    QVERIFY(SearchFilter::textSearch("01/05/2009", 1, 1, 0).accepts(e));
    // No date 0 as 12/30/1899 in the text of an entry never released.
    QVERIFY(!SearchFilter::textSearch("1899", 1, 1, 0).accepts(e));
    QVERIFY(SearchFilter::textSearch("200901051430", 2, 1, 0).accepts(e));
    // The trimmed case number starts the field: a whole word.
    QVERIFY(SearchFilter::textSearch("09", 3, 1, 1).accepts(e));
    // Options outside 1..12 search an empty text: nothing is listed.
    QVERIFY(!SearchFilter::textSearch("gun", 13, 1, 0).accepts(e));
    QVERIFY(!SearchFilter::textSearch("gun", 0, 1, 0).accepts(e));
    // No filter lists everything.
    QVERIFY(SearchFilter().accepts(e));
    QCOMPARE(SearchFilter().mode(), SearchFilter::Mode::None);
}

void TestSearchFilter::summaryRanges()
{
    struct Case {
        int option;
        QDate start, last;
    };
    const QVector<Case> cases{
        {13, {2009, 1, 5}, {2009, 1, 5}},
        // A week is eight days, both ends included.
        {14, {2009, 1, 5}, {2009, 1, 12}},
        {14, {2008, 12, 28}, {2009, 1, 4}},
        {14, {2008, 2, 25}, {2008, 3, 3}},
        {14, {2009, 2, 25}, {2009, 3, 4}},
        // Calendar months: the same day, or the last day of a shorter month.
        {15, {2009, 1, 31}, {2009, 2, 28}},
        {15, {2008, 1, 31}, {2008, 2, 29}},
        {15, {2009, 3, 31}, {2009, 4, 30}},
        {15, {2008, 12, 31}, {2009, 1, 31}},
        {15, {2009, 2, 1}, {2009, 3, 1}},
        {16, {2008, 12, 1}, {2009, 3, 1}},
        {16, {2008, 11, 30}, {2009, 2, 28}},
        {16, {2007, 11, 30}, {2008, 2, 29}},
        {17, {2009, 1, 1}, {2010, 1, 1}},
        {17, {2008, 2, 29}, {2009, 2, 28}},
        {17, {2007, 2, 28}, {2008, 2, 28}},
    };
    for (const Case &c : cases) {
        const SummaryRange r = SummaryRangeFor(c.option, c.start);
        QVERIFY2(r.isValid(), qPrintable(c.start.toString()));
        QCOMPARE(r.first, c.start);
        QCOMPARE(r.last, c.last);
        QVERIFY(r.contains(c.start) && r.contains(c.last));
        QVERIFY(!r.contains(c.start.addDays(-1)));
        QVERIFY(!r.contains(c.last.addDays(1)));
    }
    QVERIFY(!SummaryRangeFor(12, {2009, 1, 5}).isValid());
    QVERIFY(!SummaryRangeFor(18, {2009, 1, 5}).isValid());
    QVERIFY(!SummaryRangeFor(15, QDate()).isValid());
    QVERIFY(!SummaryRange().contains({2009, 1, 5}));
}

void TestSearchFilter::dateFilter()
{
    const QDate start(2009, 1, 5);
    const SearchFilter weekly = SearchFilter::dateSearch(14, start);
    QCOMPARE(weekly.mode(), SearchFilter::Mode::Date);
    QVERIFY(!weekly.accepts(Received(oleDate(2009, 1, 4, 23, 59))));
    QVERIFY(weekly.accepts(Received(oleDate(2009, 1, 5))));
    QVERIFY(weekly.accepts(Received(oleDate(2009, 1, 12))));
    // A received date with a time of day counts on its own day.
    QVERIFY(weekly.accepts(Received(oleDate(2009, 1, 12, 15, 30))));
    QVERIFY(!weekly.accepts(Received(oleDate(2009, 1, 13))));
    QVERIFY(!weekly.accepts(Received(0)));

    const SearchFilter daily = SearchFilter::dateSearch(13, start);
    QVERIFY(daily.accepts(Received(oleDate(2009, 1, 5))));
    QVERIFY(daily.accepts(Received(oleDate(2009, 1, 5, 8, 0))));
    QVERIFY(!daily.accepts(Received(oleDate(2009, 1, 6))));

    const SearchFilter monthly = SearchFilter::dateSearch(15, QDate(2009, 1, 31));
    QVERIFY(monthly.accepts(Received(oleDate(2009, 2, 28))));
    QVERIFY(!monthly.accepts(Received(oleDate(2009, 3, 1))));

    // Dates before the OLE epoch (negative values) are days too.
    const SearchFilter old = SearchFilter::dateSearch(13, QDate(1899, 12, 29));
    QVERIFY(old.accepts(Received(-1)));

    // A date search with a text option lists nothing.
    QVERIFY(!SearchFilter::dateSearch(1, start).accepts(Received(oleDate(2009, 1, 5))));
}

void TestSearchFilter::headersAndNotices()
{
    QCOMPARE(MatchCountText(0), QStringLiteral("0 matches"));
    QCOMPARE(MatchCountText(1), QStringLiteral("1 match"));
    QCOMPARE(MatchCountText(2), QStringLiteral("2 matches"));

    QCOMPARE(TextSearchHeader("gun", 1, 12345000),
             QStringLiteral(" Sub-list of entries containing 'gun' (1 match) Total Value: "
                            "$1,234.50"));
    QCOMPARE(TextSearchHeader("Gold Ring", 12, 123456789012LL),
             QStringLiteral(" Sub-list of entries containing 'Gold Ring' (12 matches) Total "
                            "Value: $12,345,678.90"));
    QCOMPARE(SummaryHeader("Daily Summary", 13, {2009, 1, 5}, 3, 0),
             QStringLiteral("Daily Summary of entries for 01/05/2009 (3 matches) Total Value: "
                            "$0.00"));
    QCOMPARE(SummaryHeader("Monthly Summary", 15, {2009, 2, 1}, 1, 5000),
             QStringLiteral("Monthly Summary of entries with a beginning date of 02/01/2009 (1 "
                            "match) Total Value: $0.50"));

    QCOMPARE(NoMatchesTitle(), QStringLiteral("No Matches"));
    QCOMPARE(NoMatchesTextForText("gold ring"),
             QStringLiteral("There were no matches\r\nsearching for\r\n\r\ngold ring"));
    QCOMPARE(NoMatchesTextForSummary("Weekly Summary", 14, {2004, 1, 5}),
             QStringLiteral("There were no matches\r\nfor a Weekly Summary of entries \r\nwith a "
                            "beginning date of 01/05/2004"));
    QCOMPARE(NoMatchesTextForSummary("Daily Summary", 13, {2004, 12, 31}),
             QStringLiteral("There were no matches\r\nfor a Daily Summary of entries \r\nfor "
                            "12/31/2004"));
    QCOMPARE(NoMatchesButtons(), (QStringList{"&Okay", "&Try another search"}));

    QCOMPARE(TextSearchLogText("gold ring"), QStringLiteral("'gold ring'"));
    QCOMPARE(SummaryLogText("Annual Summary", {2008, 1, 1}),
             QStringLiteral("Annual Summary starting 01/01/2008"));
}

void TestSearchFilter::criteriaFromProgramValues()
{
    TestEnvironment env;
    const EntryRecord e = Sample();
    Search.SearchPhrase = "SMART";
    Search.SearchOption = 10;
    Search.IgnoreCaps = 0;
    Search.WholeWordOnly = 1;
    QVERIFY(!SearchFilter::fromGlobals(SearchFilter::Mode::Text).accepts(e));
    Search.IgnoreCaps = 1;
    QVERIFY(SearchFilter::fromGlobals(SearchFilter::Mode::Text).accepts(e));
    Search.SearchOption = 13;
    Search.SummaryStartDate = QDateTime(QDate(2009, 1, 5), QTime(0, 0));
    QVERIFY(SearchFilter::fromGlobals(SearchFilter::Mode::Date).accepts(e));
    Search.SummaryStartDate = QDateTime(QDate(2009, 1, 6), QTime(0, 0));
    QVERIFY(!SearchFilter::fromGlobals(SearchFilter::Mode::Date).accepts(e));
    QVERIFY(SearchFilter::fromGlobals(SearchFilter::Mode::None).accepts(e));
}

void TestSearchFilter::bytesGiveTheSameAnswer()
{
    // The list load tests each record from its bytes; that must list
    // exactly the entries the unpacked test lists.
    QVector<EntryRecord> entries = SampleData::MakeEntries(150, 77);
    EntryRecord odd = Sample();
    odd.Description = QString::fromUtf8("\tGUN\u00A0 ") + QChar(0) + QStringLiteral("x");
    odd.Owner = QString::fromUtf8("Ms. \u00C9lise M\u00FCller \u00B5-Ring \u20AC5 \u0178");
    odd.Narrative = QStringLiteral("Guns and a gun; shotgun gun0 RING ring.\r\nSecond line");
    odd.Category = QStringLiteral("Gun\t");
    odd.Defendant = QStringLiteral("Bob\u00A0");
    odd.ReleasedDate = oleDate(2011, 7, 4);
    odd.Value = -5000;
    entries << odd << EntryRecord() << Sample();
    EntryRecord legacy = Sample();
    legacy.ControlNumber = 123;
    entries << legacy;

    QStringList phrases{
        "gun",    "GUN",     "Gun",    "ring",      "\u00E9lise", "\u00C9",      "\u039C",
        "\u00B5", "\u20AC5", "\u00FF", "0",         "2009",       "$1,234.50",   "01/05/2009",
        "-$0.50", "07/04",   "12 ga",  "A Firearm", "trunk. Lab", "Smith 01/05", "gun0",
        "x",      "\u0394",  "line",   "\u00A0",    "\t",         "Bob\u00A0"};
    quint32 seed = 5;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    // Pieces of each entry's own text, at random places and lengths, some
    // with their capitals changed; tried on that entry and the next one.
    QVector<QStringList> pieces;
    for (const EntryRecord &e : entries) {
        const QString all = AllFieldsText(EntryRecord::Unpack(e.Pack()));
        QStringList own;
        for (int i = 0; i < 8 && all.size() > 2; ++i) {
            const int at = int(next() % all.size());
            QString piece = all.mid(at, 1 + int(next() % 8)).trimmed();
            if (piece.isEmpty())
                continue;
            if (next() % 2)
                piece = piece.toUpper();
            own << piece;
        }
        pieces << own;
    }
    int listed = 0, tried = 0;
    for (int n = 0; n < entries.size(); ++n) {
        const QByteArray bytes = entries[n].Pack();
        const EntryRecord read = EntryRecord::Unpack(bytes);
        const QStringList tryThese = phrases + pieces[n] + pieces[(n + 1) % int(entries.size())];
        for (const QString &phrase : tryThese) {
            for (int option = 0; option <= 13; ++option) {
                for (int caps = 0; caps <= 1; ++caps) {
                    for (int whole = 0; whole <= 1; ++whole) {
                        const SearchFilter f =
                            SearchFilter::textSearch(phrase, option, caps, whole);
                        const bool expected = f.accepts(read);
                        ++tried;
                        listed += expected;
                        if (f.acceptsRaw(bytes.constData()) != expected)
                            QFAIL(qPrintable(QStringLiteral("phrase '%1' option %2 caps %3 whole "
                                                            "%4 in '%5': expected %6")
                                                 .arg(phrase)
                                                 .arg(option)
                                                 .arg(caps)
                                                 .arg(whole)
                                                 .arg(SearchedText(read, 1))
                                                 .arg(expected)));
                    }
                }
            }
        }
    }
    // The comparison saw both answers plenty of times.
    QVERIFY(listed > 1000);
    QVERIFY(tried - listed > 1000);

    // Summaries from the bytes: the received day, a time of day included.
    for (const EntryRecord &e : entries) {
        const QByteArray bytes = e.Pack();
        const QDate day = ReceivedDay(e.ReceivedDate);
        for (int option = 12; option <= 17; ++option) {
            for (const QDate &start :
                 {day, day.addDays(-7), day.addMonths(-1), QDate(2009, 1, 5)}) {
                const SearchFilter f = SearchFilter::dateSearch(option, start);
                QCOMPARE(f.acceptsRaw(bytes.constData()), f.accepts(EntryRecord::Unpack(bytes)));
            }
        }
    }
    QCOMPARE(ReceivedDay(oleDate(2009, 1, 5, 23, 59)), QDate(2009, 1, 5));
    QCOMPARE(ReceivedDay(oleDate(2009, 1, 5) + 0.9999999), QDate(2009, 1, 6)); // rounds to midnight
    QCOMPARE(ReceivedDay(-1.25), QDate(1899, 12, 29));
    QCOMPARE(ReceivedDay(0), QDate());
}

void TestSearchFilter::oneFilterOverManyEntries()
{
    // The list load runs one filter over every record: what it learnt about
    // one entry's dates and values must not change the answer for the next.
    QVector<EntryRecord> entries = SampleData::MakeEntries(300, 31);
    for (double ole : {oleDate(2009, 1, 5), oleDate(2009, 1, 5, 23, 59),
                       oleDate(2009, 1, 5) + 0.9999999, oleDate(2009, 1, 6, 0, 1),
                       oleDate(2010, 1, 5), -1.25, 0.0, oleDate(1850, 3, 1), oleDate(2250, 1, 5)}) {
        EntryRecord e = Sample();
        e.ReceivedDate = ole;
        e.ReleasedDate = ole == 0 ? 0 : ole + 31;
        e.Narrative = QStringLiteral("seen 01/05/20091 and 2/01/05/2009");
        entries << e;
    }
    const QStringList phrases{"01/05/2009", "01/06/2009", "01/05/2", "/05/", "2009",  "1/0",
                              "12/29/1899", "01/05/2250", "$1",      "5.00", "-$0.5", "00"};
    int listed = 0;
    for (const QString &phrase : phrases) {
        for (int whole = 0; whole <= 1; ++whole) {
            const SearchFilter f = SearchFilter::textSearch(phrase, 1, 1, whole);
            for (const EntryRecord &e : entries) {
                const QByteArray bytes = e.Pack();
                const bool expected = f.accepts(EntryRecord::Unpack(bytes));
                listed += expected;
                if (f.acceptsRaw(bytes.constData()) != expected)
                    QFAIL(qPrintable(QStringLiteral("'%1' whole %2 in '%3': expected %4")
                                         .arg(phrase)
                                         .arg(whole)
                                         .arg(SearchedText(e, 1))
                                         .arg(expected)));
            }
        }
    }
    QVERIFY(listed > 50);
}

void TestSearchFilter::dayTextsAsFormatted()
{
    DayTexts texts;
    const QString pattern = QStringLiteral("mm/dd/yyyy");
    for (double ole :
         {oleDate(2009, 1, 5, 13, 30), oleDate(2009, 1, 5), oleDate(2009, 1, 5) + 0.9999999,
          oleDate(2009, 1, 5) + 0.99999, -1.25, -0.5, 0.5, 0.0, 1.0, oleDate(1700, 2, 3, 4, 5),
          oleDate(2199, 12, 31, 23, 59), oleDate(2200, 1, 1), 2958465.5, 1e12}) {
        // Asked twice: formatted the first time, remembered the second.
        QCOMPARE(texts.text(ole), FormatOleDate(ole, pattern));
        QCOMPARE(texts.text(ole), FormatOleDate(ole, pattern));
        QCOMPARE(texts.sortKey(ole), EntrySortKey(0, texts.text(ole), {}, {}));
    }
    QCOMPARE(texts.sortKey(oleDate(2009, 1, 5, 13, 30)), QStringLiteral("200901050000"));
    QCOMPARE(texts.sortKey(oleDate(2199, 12, 31, 23, 59)), QStringLiteral("219912310000"));
    QCOMPARE(texts.sortKey(0), QString());
    QCOMPARE(texts.text(oleDate(2009, 1, 5, 23, 59)), QStringLiteral("01/05/2009"));
    QCOMPARE(texts.text(oleDate(2009, 1, 5) + 0.9999999), QStringLiteral("01/06/2009"));
    QCOMPARE(texts.text(0), QString());
}

QTEST_GUILESS_MAIN(TestSearchFilter)
#include "tst_searchfilter.moc"
