// The main list's search filter: phrase matching, the text of each option,
// the summaries' date ranges, and the same answers from a record's bytes.
#include "EntryTexts.h"
#include "SampleData.h"
#include "TestBytes.h"
#include "core/common/Formats.h"
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
            {"0gun0", "gun", 1, 1, true}, {"gun9", "gun", 1, 1, false}, {"1gun", "gun", 1, 1, false},
            {"XGUN", "gun", 1, 1, false}, {"shotgun", "gun", 1, 2, true}, // 2: partial words
            // Accented letters, punctuation and underscores are no word characters.
            {"éguné", "gun", 1, 1, true}, {"(gun)", "gun", 1, 1, true}, {"_gun_", "gun", 1, 1, true},
            // A phrase of several words is tested at its two ends only.
            {"red gun case", "gun ca", 1, 0, true}, {"red gun case", "gun ca", 1, 1, false},
            // Capitals; only the first occurrence counts.
            {"ring", "RING", 1, 0, true}, {"ring", "RING", 0, 0, false}, {"ring", "RING", 2, 0, false},
            {"shotgun, a gun", "gun", 1, 1, false}, {"Guns and a gun", "gun", 1, 1, false},
            {"Guns and a gun", "gun", 0, 1, true},
            // Empty texts and phrases.
            {"", "", 1, 0, false}, {"gun", "", 1, 0, true}, {"gun", "gun case", 1, 0, false}};
        // clang-format on
        for (const auto &r : rows)
            QVERIFY2(MatchSearchText(QString::fromUtf8(r.text), r.phrase, r.caps, r.whole) ==
                         r.match,
                     qPrintable(QStringLiteral("'%1' in '%2'").arg(r.phrase, r.text)));
        QVERIFY(IsSearchWordChar('Z') && IsSearchWordChar('9') && !IsSearchWordChar('0'));
    }

    void textOfEachOption()
    {
        const EntryRecord e = Sample();
        // The fields trimmed and joined, one more blank, the released date.
        QCOMPARE(SearchedText(e, 1),
                 QStringLiteral("20090105143000 09-123 Shelf A Firearm Remington 870 RS0042 "
                                "Shotgun, 12 ga $1,234.50 Pat Doe Ofc. Smith 01/05/2009 Jane Roe "
                                "Bob Smart Found in trunk. Lab 1/6/2009 "));
        EntryRecord released = e;
        released.ReleasedDate = oleDate(2010, 12, 31, 9, 15);
        QVERIFY(SearchedText(released, 1).endsWith("Lab 1/6/2009 12/31/2010"));
        QStringList texts;
        for (int option : {0, 13, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})
            texts << SearchedText(e, option);
        QCOMPARE(texts.join('|'), QStringLiteral("||20090105143000|09-123|Shelf A|Firearm|"
                                                 "Shotgun, 12 ga|Pat Doe|Ofc. Smith|Jane Roe|Bob "
                                                 "Smart|Found in trunk.|Lab 1/6/2009"));
        // clang-format off
        const struct { const char *phrase; int option, caps, whole; bool listed; } rows[] = {
            // Brand, model and serial number are searched by "all text" only.
            {"remington", 1, 1, 0, true}, {"remington", 6, 1, 0, false}, {"gun", 6, 1, 1, false},
            {"SMART", 10, 0, 1, false}, {"$1,234.50", 1, 1, 1, true},
            {"1899", 1, 1, 0, false}, // no 12/30/1899 for "not released"
            {"09", 3, 1, 1, true}, {"gun", 13, 1, 0, false}};
        // clang-format on
        for (const auto &r : rows)
            QVERIFY2(SearchFilter::textSearch(r.phrase, r.option, r.caps, r.whole).accepts(e) ==
                         r.listed,
                     qPrintable(QStringLiteral("'%1' option %2").arg(r.phrase).arg(r.option)));
        QVERIFY(SearchFilter().accepts(e) && SearchFilter().mode() == SearchFilter::Mode::None);
    }

    void summaryRanges()
    {
        // clang-format off
        const struct { int option; QDate start, last; } cases[] = {
            {13, {2009, 1, 5}, {2009, 1, 5}},
            // A week is eight days, both ends included.
            {14, {2008, 12, 28}, {2009, 1, 4}}, {14, {2008, 2, 25}, {2008, 3, 3}},
            // Calendar months: the same day, or the last day of a shorter month.
            {15, {2009, 1, 31}, {2009, 2, 28}}, {15, {2008, 1, 31}, {2008, 2, 29}},
            {15, {2009, 3, 31}, {2009, 4, 30}}, {15, {2008, 12, 31}, {2009, 1, 31}},
            {16, {2008, 11, 30}, {2009, 2, 28}}, {16, {2007, 11, 30}, {2008, 2, 29}},
            {17, {2008, 2, 29}, {2009, 2, 28}}, {17, {2007, 2, 28}, {2008, 2, 28}}};
        // clang-format on
        for (const auto &c : cases) {
            const SummaryRange r = SummaryRangeFor(c.option, c.start);
            QCOMPARE(r.first, c.start);
            QCOMPARE(r.last, c.last);
            QVERIFY(!r.contains(c.start.addDays(-1)) && !r.contains(c.last.addDays(1)));
        }
        QVERIFY(!SummaryRangeFor(12, {2009, 1, 5}).isValid() &&
                !SummaryRangeFor(18, {2009, 1, 5}).isValid() && !SummaryRangeFor(15, {}).isValid());

        // A time of day counts on its own day, so do days before the OLE
        // epoch; a date search with a text option lists nothing.
        auto listed = [](int option, QDate start, double received) {
            EntryRecord e;
            e.ReceivedDate = received;
            return SearchFilter::dateSearch(option, start).accepts(e) ? 'y' : 'n';
        };
        QString week;
        for (double day : {oleDate(2009, 1, 4, 23, 59), oleDate(2009, 1, 5),
                           oleDate(2009, 1, 12, 15, 30), oleDate(2009, 1, 13), 0.0})
            week += listed(14, {2009, 1, 5}, day);
        week += listed(13, {1899, 12, 29}, -1);
        week += listed(1, {2009, 1, 5}, oleDate(2009, 1, 5));
        QCOMPARE(week, QStringLiteral("nyynnyn"));
        QCOMPARE(SearchFilter::dateSearch(14, {2009, 1, 5}).mode(), SearchFilter::Mode::Date);
    }

    // The list load tests records from their bytes: it must list exactly
    // what the unpacked test lists, whatever the previous record was.
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
        const QStringList phrases{"gun",    "GUN",        "ring",  "\u00E9lise", "\u00B5",
                                  "\u039C", "0",          "/05/",  "12 ga",      "\u00A0",
                                  "\t",     "12/29/1899", "-$0.50"};
        QVector<QByteArray> bytes;
        QVector<EntryRecord> read;
        for (const EntryRecord &e : entries) {
            bytes << e.Pack();
            read << EntryRecord::Unpack(bytes.last());
        }
        int listed = 0, tried = 0;
        auto compare = [&](const SearchFilter &f) {
            for (int i = 0; i < bytes.size(); ++i, ++tried) {
                const bool expected = f.accepts(read[i]);
                listed += expected;
                if (f.acceptsRaw(bytes[i].constData()) != expected)
                    QFAIL(qPrintable(
                        QStringLiteral("%1 in '%2'").arg(expected).arg(SearchedText(read[i], 1))));
            }
        };
        for (const QString &phrase : phrases)
            for (int option = 0; option <= 13; ++option)
                for (int flags = 0; flags < 4; ++flags)
                    compare(SearchFilter::textSearch(phrase, option, flags & 1, flags >> 1));
        // The comparison saw both answers plenty of times.
        QVERIFY(listed > 1000 && tried - listed > 1000);
        // Summaries from the bytes: the received day, a time of day included.
        for (int option = 12; option <= 17; ++option)
            for (const QDate &start : {QDate(2009, 1, 5), QDate(2008, 12, 31), QDate(2005, 6, 1)})
                compare(SearchFilter::dateSearch(option, start));
    }
};

QTEST_GUILESS_MAIN(TestSearchFilter)
#include "tst_searchfilter.moc"
