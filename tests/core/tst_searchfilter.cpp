// The search filter of the main list: phrase matching, the text each option
// searches, the date range of each summary, and the same answers from a
// record's bytes.
#include "EntryTexts.h"
#include "SampleData.h"
#include "TestBytes.h"
#include "core/common/Formats.h"
#include "core/entries/DayTexts.h"
#include "core/entries/EntryList.h"
#include "core/entries/SearchFilter.h"

#include <QtTest>

namespace
{

EntryRecord Sample()
{
    EntryRecord e = EntryWithTexts("  09-123 |Shelf A|Firearm|Remington|870|RS0042|Shotgun, 12 "
                                   "ga|Pat Doe|Ofc. Smith|Jane Roe|Bob Smart|Found in trunk.|Lab "
                                   "1/6/2009 ");
    e.ControlNumber = oleDate(2009, 1, 5, 14, 30);
    e.Value = 12345000; // $1,234.50
    e.ReceivedDate = oleDate(2009, 1, 5);
    e.Status = 1;
    return e;
}

EntryRecord Received(double ole)
{
    EntryRecord e;
    e.ReceivedDate = ole;
    return e;
}

// Entries as the list load sees them (bytes) and as they unpack.
struct Packed {
    QByteArray bytes;
    EntryRecord read;
};

// Every filter answers from the bytes as it does from the unpacked entry.
void compareRawAnswers(const SearchFilter &f, const QVector<Packed> &entries, int *listed)
{
    for (const Packed &e : entries) {
        const bool expected = f.accepts(e.read);
        *listed += expected;
        if (f.acceptsRaw(e.bytes.constData()) != expected)
            QFAIL(qPrintable(
                QStringLiteral("expected %1 in '%2'").arg(expected).arg(SearchedText(e.read, 1))));
    }
}

} // namespace

class TestSearchFilter : public QObject
{
    Q_OBJECT
private slots:
    void matchRules()
    {
        // clang-format off
        const struct { const char *text, *phrase; int caps, whole; bool match; } rows[] = {
            // Letters and 1..9 before or after break the word; "0" does not.
            {"Shotgun, 12 ga", "gun", 1, 1, false}, {"Shotgun, 12 ga", "gun", 1, 0, true},
            {"gun case", "gun", 1, 1, true}, {"gun0", "gun", 1, 1, true}, {"0gun0", "gun", 1, 1, true},
            {"gun9", "gun", 1, 1, false}, {"1gun", "gun", 1, 1, false}, {"a gun", "gun", 1, 1, true},
            {"gun", "gun", 1, 1, true}, {"XGUN", "gun", 1, 1, false}, {"GUNS", "gun", 1, 1, false},
            // Accented letters, punctuation and underscores are no word characters.
            {"éguné", "gun", 1, 1, true}, {"(gun)", "gun", 1, 1, true}, {"_gun_", "gun", 1, 1, true},
            {"gun-shop", "gun", 1, 1, true}, {"shotgun", "gun", 1, 2, true}, // 2: partial words
            // A phrase of several words is tested at its two ends only.
            {"red gun case", "gun ca", 1, 0, true}, {"red gun case", "gun ca", 1, 1, false},
            {"red gun case.", "gun case", 1, 1, true},
            // Capitals; only the first occurrence counts.
            {"ring", "RING", 1, 0, true}, {"ring", "RING", 0, 0, false}, {"ring", "RING", 2, 0, false},
            {"gold RING", "RING", 0, 1, true}, {"guns and a gun", "gun", 1, 1, false},
            {"shotgun, a gun", "gun", 1, 1, false}, {"Guns and a gun", "gun", 1, 1, false},
            {"Guns and a gun", "gun", 0, 1, true},
            // Empty texts and phrases.
            {"", "gun", 1, 0, false}, {"", "", 1, 0, false}, {"gun", "", 1, 0, true},
            {"gun", "gun case", 1, 0, false}};
        // clang-format on
        for (const auto &r : rows)
            QVERIFY2(MatchSearchText(QString::fromUtf8(r.text), r.phrase, r.caps, r.whole) ==
                         r.match,
                     qPrintable(QStringLiteral("'%1' in '%2'").arg(r.phrase, r.text)));
        QVERIFY(IsSearchWordChar('a') && IsSearchWordChar('Z') && IsSearchWordChar('1') &&
                IsSearchWordChar('9'));
        QVERIFY(!IsSearchWordChar('0') && !IsSearchWordChar(' ') && !IsSearchWordChar('_') &&
                !IsSearchWordChar(QChar(0x00E9)) && !IsSearchWordChar(QChar(0x00DF)));
    }

    void textOfEachOption()
    {
        const EntryRecord e = Sample();
        // The fields trimmed and joined with blanks, then one more blank and
        // the released date (none here).
        QCOMPARE(SearchedText(e, 1),
                 QStringLiteral("20090105143000 09-123 Shelf A Firearm Remington 870 RS0042 "
                                "Shotgun, 12 ga $1,234.50 Pat Doe Ofc. Smith 01/05/2009 Jane Roe "
                                "Bob Smart Found in trunk. Lab 1/6/2009 "));
        EntryRecord released = e;
        released.ReleasedDate = oleDate(2010, 12, 31, 9, 15);
        released.Value = 0;
        QVERIFY(SearchedText(released, 1)
                    .endsWith(" $0.00 Pat Doe Ofc. Smith 01/05/2009 Jane Roe "
                              "Bob Smart Found in trunk. Lab 1/6/2009 "
                              "12/31/2010"));
        QStringList texts;
        for (int option : {0, -1, 13, 14, 17, 18, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})
            texts << SearchedText(e, option);
        QCOMPARE(texts.join('|'), QStringLiteral("||||||20090105143000|09-123|Shelf A|Firearm|"
                                                 "Shotgun, 12 ga|Pat Doe|Ofc. Smith|Jane Roe|Bob "
                                                 "Smart|Found in trunk.|Lab 1/6/2009"));
        // A legacy control number still searches as fourteen digits.
        EntryRecord legacy = e;
        legacy.ControlNumber = 17;
        QCOMPARE(SearchedText(legacy, 2), QStringLiteral("19000116000000"));
    }

    void textFilter()
    {
        const EntryRecord e = Sample();
        // clang-format off
        const struct { const char *phrase; int option, caps, whole; bool listed; } rows[] = {
            // Brand, model and serial number are searched by "all text" only.
            {"remington", 1, 1, 0, true}, {"remington", 6, 1, 0, false}, {"Remington", 5, 1, 0, false},
            {"gun", 6, 1, 0, true}, {"gun", 6, 1, 1, false}, {"SMART", 10, 1, 1, true},
            {"SMART", 10, 0, 1, false},
            // The value and dates in their shown forms; no 12/30/1899 for "not released".
            {"$1,234.50", 1, 1, 1, true}, {"01/05/2009", 1, 1, 0, true}, {"1899", 1, 1, 0, false},
            {"200901051430", 2, 1, 0, true}, {"09", 3, 1, 1, true}, // the trimmed case number
            // Options outside 1..12 search an empty text.
            {"gun", 13, 1, 0, false}, {"gun", 0, 1, 0, false}};
        // clang-format on
        for (const auto &r : rows)
            QVERIFY2(SearchFilter::textSearch(r.phrase, r.option, r.caps, r.whole).accepts(e) ==
                         r.listed,
                     qPrintable(QStringLiteral("'%1' option %2").arg(r.phrase).arg(r.option)));
        QVERIFY(SearchFilter().accepts(e));
        QCOMPARE(SearchFilter().mode(), SearchFilter::Mode::None);
    }

    void summaryRanges()
    {
        // clang-format off
        const struct { int option; QDate start, last; } cases[] = {
            {13, {2009, 1, 5}, {2009, 1, 5}},
            // A week is eight days, both ends included.
            {14, {2009, 1, 5}, {2009, 1, 12}}, {14, {2008, 12, 28}, {2009, 1, 4}},
            {14, {2008, 2, 25}, {2008, 3, 3}}, {14, {2009, 2, 25}, {2009, 3, 4}},
            // Calendar months: the same day, or the last day of a shorter month.
            {15, {2009, 1, 31}, {2009, 2, 28}}, {15, {2008, 1, 31}, {2008, 2, 29}},
            {15, {2009, 3, 31}, {2009, 4, 30}}, {15, {2008, 12, 31}, {2009, 1, 31}},
            {15, {2009, 2, 1}, {2009, 3, 1}}, {16, {2008, 12, 1}, {2009, 3, 1}},
            {16, {2008, 11, 30}, {2009, 2, 28}}, {16, {2007, 11, 30}, {2008, 2, 29}},
            {17, {2009, 1, 1}, {2010, 1, 1}}, {17, {2008, 2, 29}, {2009, 2, 28}},
            {17, {2007, 2, 28}, {2008, 2, 28}}};
        // clang-format on
        for (const auto &c : cases) {
            const SummaryRange r = SummaryRangeFor(c.option, c.start);
            QCOMPARE(r.first, c.start);
            QCOMPARE(r.last, c.last);
            QVERIFY(r.contains(c.start) && r.contains(c.last));
            QVERIFY(!r.contains(c.start.addDays(-1)) && !r.contains(c.last.addDays(1)));
        }
        QVERIFY(!SummaryRangeFor(12, {2009, 1, 5}).isValid() &&
                !SummaryRangeFor(18, {2009, 1, 5}).isValid() &&
                !SummaryRangeFor(15, QDate()).isValid() && !SummaryRange().contains({2009, 1, 5}));

        // A received date with a time of day counts on its own day; days
        // before the OLE epoch (negative values) are days too.
        QString week;
        for (double day : {oleDate(2009, 1, 4, 23, 59), oleDate(2009, 1, 5),
                           oleDate(2009, 1, 12, 15, 30), oleDate(2009, 1, 13), 0.0})
            week += SearchFilter::dateSearch(14, {2009, 1, 5}).accepts(Received(day)) ? 'y' : 'n';
        QCOMPARE(week, QStringLiteral("nyynn"));
        QCOMPARE(SearchFilter::dateSearch(14, {2009, 1, 5}).mode(), SearchFilter::Mode::Date);
        QVERIFY(SearchFilter::dateSearch(13, QDate(1899, 12, 29)).accepts(Received(-1)));
        // A date search with a text option lists nothing.
        QVERIFY(!SearchFilter::dateSearch(1, {2009, 1, 5}).accepts(Received(oleDate(2009, 1, 5))));
    }

    // The list load tests each record from its bytes, running one filter
    // over every record: it must list exactly the entries the unpacked test
    // lists, whatever it learnt about the entry before.
    void bytesGiveTheSameAnswer()
    {
        QVector<EntryRecord> entries = SampleData::MakeEntries(150, 77);
        EntryRecord odd = Sample();
        odd.Description = QString::fromUtf8("\tGUN\u00A0 ") + QChar(0) + QStringLiteral("x");
        odd.Owner = QString::fromUtf8("Ms. \u00C9lise M\u00FCller \u00B5-Ring \u20AC5 \u0178");
        odd.Narrative = QStringLiteral("Guns and a gun; shotgun gun0 RING ring.\r\nBob\u00A0");
        odd.Value = -5000;
        entries << odd << EntryRecord();
        for (double ole : {oleDate(2009, 1, 5, 23, 59), oleDate(2009, 1, 5) + 0.9999999, -1.25, 0.0,
                           123.0, oleDate(2250, 1, 5)}) {
            EntryRecord e = Sample();
            e.ControlNumber = e.ReceivedDate = ole;
            e.ReleasedDate = ole == 0 ? 0 : ole + 31;
            entries << e;
        }
        QStringList phrases{"gun",    "GUN",    "Gun",       "ring",  "\u00E9lise",
                            "\u00B5", "\u039C", "\u20AC5",   "0",     "2009",
                            "$1",     "-$0.50", "/05/",      "12 ga", "trunk. Lab",
                            "\u00A0", "\t",     "Bob\u00A0", "1/0",   "12/29/1899"};
        // Pieces of the entries' own texts at random places and lengths,
        // some with their capitals changed.
        quint32 seed = 5;
        auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8 & 0xFFFF; };
        QVector<Packed> packed;
        for (const EntryRecord &e : entries) {
            packed.push_back({e.Pack(), EntryRecord::Unpack(e.Pack())});
            const QString all = AllFieldsText(packed.last().read);
            const QString piece = all.mid(int(next() % all.size()), 1 + int(next() % 8)).trimmed();
            if (packed.size() % 3 == 0 && !piece.isEmpty())
                phrases << (next() % 2 ? piece.toUpper() : piece);
        }
        int listed = 0, tried = 0;
        for (const QString &phrase : phrases) {
            for (int option = 0; option <= 13; ++option) {
                for (int flags = 0; flags < 4; ++flags, tried += int(packed.size()))
                    compareRawAnswers(
                        SearchFilter::textSearch(phrase, option, flags & 1, flags >> 1), packed,
                        &listed);
            }
        }
        // The comparison saw both answers plenty of times.
        QVERIFY(listed > 1000 && tried - listed > 1000);
        // Summaries from the bytes: the received day, a time of day included.
        for (int option = 12; option <= 17; ++option) {
            for (const QDate &start : {QDate(2009, 1, 5), QDate(2008, 12, 31), QDate(2005, 6, 1)})
                compareRawAnswers(SearchFilter::dateSearch(option, start), packed, &listed);
        }
        QCOMPARE(QList<QDate>({ReceivedDay(oleDate(2009, 1, 5, 23, 59)),
                               ReceivedDay(oleDate(2009, 1, 5) + 0.9999999), ReceivedDay(-1.25),
                               ReceivedDay(0)}),
                 QList<QDate>({{2009, 1, 5}, {2009, 1, 6}, {1899, 12, 29}, {}}));
        // The list's day texts: formatted once, then remembered.
        DayTexts texts;
        for (double ole : {oleDate(2009, 1, 5, 13, 30), -1.25, 0.0, 2958465.5, 1e12, -1.25}) {
            QCOMPARE(texts.text(ole), FormatOleDate(ole, QStringLiteral("mm/dd/yyyy")));
            QCOMPARE(texts.sortKey(ole), EntrySortKey(0, texts.text(ole), {}, {}));
        }
    }
};

QTEST_GUILESS_MAIN(TestSearchFilter)
#include "tst_searchfilter.moc"
