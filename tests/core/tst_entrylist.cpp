// The entry list without widgets, its search filter, and the watch behind the
// Refresh button (when it looks, its faces, the sound, which changes count).
#include "EntryTexts.h"
#include "FakeDesktop.h"
#include "SampleData.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryList.h"
#include "core/entries/EntryStore.h"
#include "core/entries/OwnWrites.h"
#include "core/entries/SearchFilter.h"
#include "core/rules/GridTable.h"
#include "core/rules/NetworkWatch.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <limits>

namespace
{

// A record with the fields the list reads.
QByteArray record(double control, const QByteArray &caseNumber, const QByteArray &category,
                  const QByteArray &description, qint64 value, double received, quint8 status)
{
    return le16(72) + doubleBytes(control) + padded(caseNumber, 15) + padded("Bin 4", 50) +
           padded(category, 20) + padded("Acme", 20) + padded("M-1", 20) + padded("SN 77", 20) +
           padded(description, 60) + le64(value) + QByteArray(170, ' ') + doubleBytes(received) +
           QByteArray(70, ' ') + doubleBytes(0.0) + QByteArray(4520, ' ') + char(status);
}

constexpr double Jan5th2009 = 39818, Dec31st2008 = 39813;

// "record:date|case|category|description" per row, then counts, total and
// the first and last received day.
QString listed(const EntryListData &d)
{
    QStringList rows;
    for (const EntryListRow &r : d.rows)
        rows << QStringLiteral("%1:%2|%3|%4|%5")
                    .arg(r.recordNumber)
                    .arg(d.date(r), d.caseNumber(r), d.category(r), d.description(r));
    return rows.join(' ') +
           QStringLiteral(" (%1 active, %2 archived, %3, %4..%5)")
               .arg(d.activeCount)
               .arg(d.archivedCount)
               .arg(d.total)
               .arg(d.earliest.toString(Qt::ISODate), d.latest.toString(Qt::ISODate));
}

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

const QString SharedFile = QStringLiteral("/share/Custorin.Data");

FileStamp stamp(int second, qint64 size)
{
    return FileStamp{QDateTime(QDate(2026, 3, 9), QTime(14, 0, second)), size, QDateTime()};
}

QDateTime at(int minute, int second, int ms = 0)
{
    return QDateTime(QDate(2026, 3, 9), QTime(10, minute, second, ms));
}

// Per tick the face after it (n normal, y yellow, r red, g green), "L" when
// it looked at the file, "S" when it wanted the sound.
QString ticks(NetworkWatch &watch, const QList<QDateTime> &times, bool entries = true,
              bool soundOn = false, const QString &file = SharedFile)
{
    QStringList out;
    for (const QDateTime &now : times) {
        const WatchTick t = watch.tick(now, entries, soundOn, file);
        out << QStringLiteral("nyrg").at(int(watch.face())) + QString(t.examined ? "L" : "") +
                   (t.playSound ? "S" : "");
    }
    return out.join(' ');
}

// Ticks once a second from `from` for `count` seconds.
QString seconds(NetworkWatch &watch, const QDateTime &from, int count, bool entries = true,
                bool soundOn = false)
{
    QList<QDateTime> times;
    for (int i = 0; i < count; ++i)
        times << from.addSecs(i);
    return ticks(watch, times, entries, soundOn);
}

} // namespace

class TestEntryList : public QObject
{
    Q_OBJECT
private slots:
    void rowsCountsAndTexts()
    {
        QByteArray euro = record(40002, "EU", "Currency", "", 0, Dec31st2008, 1);
        euro[155] = char(0x80);
        euro[156] = char(0xE9);
        const QList<QByteArray> records = {
            record(39818.5, "  09-123  ", "Bicycle", "Red bike, 21 speed", 1234567,
                   Jan5th2009 + 0.75, 1),
            record(40000, "AR-1", "Firearm", "Pistol", 5000000, 0, 2),
            record(40001, "ODD", "Tools", "Drill", 10000, Dec31st2008, 9), // status 9: active
            euro};
        // A search lists what the filter passes; the counts cover every record.
        const EntryFilter filter = [](const char *record) {
            return QByteArray(record + 75, 2) == "Bi" || QByteArray(record + 75, 2) == "Fi";
        };
        auto collect = [&](bool inactive, ListMode mode, const EntryFilter &f) {
            EntryListData data;
            for (int n = 1; n <= records.size(); ++n)
                CollectEntryRow(data, n, records[n - 1].constData(), inactive, mode, f);
            return listed(data);
        };
        QCOMPARE(collect(false, ListMode::AllEntries, {}),
                 QString::fromUtf8("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                   "3:12/31/2008|ODD|Tools|Drill 4:12/31/2008|EU|Currency|€é "
                                   "(3 active, 1 archived, 1244567, 2008-12-31..2009-01-05)"));
        QCOMPARE(collect(true, ListMode::AllEntries, {}),
                 QStringLiteral("2:|AR-1|Firearm|Pistol (3 active, 1 archived, 5000000, ..)"));
        QCOMPARE(collect(false, ListMode::TextSearch, filter),
                 QStringLiteral("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                "(3 active, 1 archived, 1234567, 2009-01-05..2009-01-05)"));

        // Damaged values hold the total at its limit; the exact sum shows once it fits.
        const qint64 top = std::numeric_limits<qint64>::max();
        const qint64 bottom = std::numeric_limits<qint64>::min();
        const QList<QList<qint64>> values = {
            {top, 10000}, {top, 10000, -20000}, {bottom, -1, bottom}, {bottom, top, 5}};
        const QList<qint64> totals = {top, top - 10000, bottom, 4};
        for (int i = 0; i < values.size(); ++i) {
            EntryListData data;
            for (const qint64 value : values[i]) {
                const QByteArray r = record(40000, "X", "Tools", "", value, Dec31st2008, 1);
                CollectEntryRow(data, 1, r.constData(), false, ListMode::AllEntries, {});
            }
            QCOMPARE(data.total, totals[i]);
        }
        QCOMPARE(EntryListHeader(false, 2, top),
                 QStringLiteral(" All Current Entries (2)  Total Value: $922,337,203,685,477.58"));

        // From the file: none there gives an empty list and creates none; a
        // short last record reads its missing bytes as zeros (status 0).
        TestEnvironment env;
        const QString path = env.path(DataFileName);
        EntryListData data;
        data.activeCount = 5;
        QVERIFY(ReadEntryList(env.data, false, ListMode::AllEntries, {}, &data));
        QCOMPARE(listed(data), QStringLiteral(" (0 active, 0 archived, 0, ..)"));
        QVERIFY(!QFileInfo::exists(path));
        writeFile(path, records[0] + records[1] + records[2].left(3000));
        QVERIFY(ReadEntryList(env.data, false, ListMode::AllEntries, {}, &data));
        QCOMPARE(env.data.RecordCount, 3);
        QCOMPARE(listed(data), QStringLiteral("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                              "3:12/31/2008|ODD|Tools|Drill "
                                              "(2 active, 1 archived, 1244567, "
                                              "2008-12-31..2009-01-05)"));
        QCOMPARE(data.rows[0].controlNumber, 39818.5);
        QCOMPARE(QFileInfo(path).size(), qint64(13000)); // read only
        QVERIFY(!data.unavailable);
        // One that can not be opened: said so, nothing asked.
        env.data.options.DataFileOpenRetryMs = 50;
        QVERIFY(QFile::remove(path) && QDir(env.folder()).mkdir(DataFileName));
        QVERIFY(!ReadEntryList(env.data, false, ListMode::AllEntries, {}, &data));
        QVERIFY(data.unavailable && data.rows.empty());
        QCOMPARE(env.data.RecordCount, 0);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        const MsgBoxRequest ask = DataFileUnavailableMessage(env.data, true);
        QCOMPARE(ask.title + " | " + ask.buttons.join('/'),
                 "Data file not available | &Retry/&Cancel");
    }

    void sortKeyPositionAndSummary()
    {
        // By day (no date first), by case number or by category as text.
        QCOMPARE(
            QStringList({EntrySortKey(0, "01/05/2009", "9", "Tools"), EntrySortKey(0, "", "9", "x"),
                         EntrySortKey(1, "", "1A", "x"), EntrySortKey(2, "", "9", "Tools")}),
            QStringList({"200901050000", "", "1A", "Tools"}));
        // The row saved, held to the last: last, saved, top -> row, top row.
        // clang-format off
        const int positions[][5] = {{10, 0, 0, 10, 10}, {10, 4, 2, 4, 2}, {10, 4, 0, 4, 4},
                                    {3, 7, 9, 3, 3}, {0, 5, 5, 0, 0}};
        // clang-format on
        for (const auto &c : positions) {
            const ListPosition p = ChooseListPosition(c[0], c[1], c[2]);
            QCOMPARE(QList<int>({p.row, p.topRow}), QList<int>({c[3], c[4]}));
        }
        // Before 1990 a control number is a legacy sequence number.
        const double newYear1990 = ToOleDate(QDateTime(QDate(1990, 1, 1), QTime(0, 0)));
        QCOMPARE(SummaryControlNumber(newYear1990) + ' ' + SummaryControlNumber(newYear1990 - 1),
                 QStringLiteral("19900101000000 32873"));
        const QByteArray raw = record(123, " 09-1 ", "Bicycle", " Red bike ", 99990000, 0, 1);
        QCOMPARE(EntrySummaryTexts(EntryRecord::Unpack(raw)),
                 QStringList({"00123", "09-1", "Bin 4", "Bicycle", "Acme", "M-1", "SN 77",
                              "Red bike", "$9,999.00"}));
    }

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
            {14, {2008, 12, 28}, {2009, 1, 4}},
            // Calendar months: the same day, or the last day of a shorter month.
            {15, {2009, 1, 31}, {2009, 2, 28}}, {15, {2008, 12, 31}, {2009, 1, 31}},
            {16, {2007, 11, 30}, {2008, 2, 29}}, {17, {2008, 2, 29}, {2009, 2, 28}}};
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

    // The list sorted at its load is in the order the grid's sort of the
    // sort column gives: days out of range, case, shared categories and not.
    void sortedAtLoadAsTheGridSorts()
    {
        const double days[] = {oleDate(2009, 1, 5, 23, 59),
                               0,
                               oleDate(2009, 1, 5),
                               -657434.0,
                               -700000.0,
                               2958465.99999,
                               oleDate(1998, 12, 31),
                               0.4};
        const QStringList texts{"b-1", "B-1", "a-2", "\u00C4x", "", "a-10", "A-2", "\u00E4X", "z"};
        EntryListData data;
        for (int i = 0; i < 150; ++i) {
            EntryRecord e;
            e.ReceivedDate = days[size_t(i) % std::size(days)];
            e.CaseNumber = texts[i % texts.size()];
            e.Category = (i % 2 ? "cat" : "CAT") + QString::number(i % 67);
            CollectEntryRow(data, i + 1, e.Pack().constData(), false, ListMode::AllEntries, {});
        }
        for (int sort = 0; sort < 3; ++sort) {
            auto cells = std::make_shared<EntryGridCells>(data);
            cells->setSortIndex(sort);
            GridTable t;
            t.setFormatString(EntryGridFormat);
            t.setSourceRows(1, cells->rowCount(),
                            [cells](int r, int c) { return cells->text(r, c); });
            t.setCol(EntryGridSortCol);
            QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
            EntryListData sorted = data;
            SortEntryRows(sorted, sort);
            QStringList byGrid, atLoad;
            for (int r = 1; r < t.Rows(); ++r) {
                byGrid << t.TextMatrix(r, EntryGridRecordCol);
                atLoad << RecordNumberText(sorted.rows[size_t(r - 1)].recordNumber);
            }
            QCOMPARE(atLoad.join(','), byGrid.join(','));
        }
    }

    // Tested from its bytes, a record is listed exactly as when unpacked.
    void bytesGiveTheSameAnswer()
    {
        QVector<EntryRecord> entries = SampleData::MakeEntries(150, 77);
        EntryRecord odd = Sample();
        odd.Description = QString::fromUtf8("\tGUN\u00A0 ") + QChar(0) + QStringLiteral("x");
        odd.Owner = QString::fromUtf8("Ms. \u00C9lise M\u00FCller \u00B5-Ring \u20AC5 \u0178");
        odd.Narrative = QStringLiteral("Guns and a gun; shotgun gun0 RING ring.\r\nBob\u00A0");
        odd.Value = -5000;
        entries << odd << EntryRecord();
        for (double ole : {oleDate(2009, 1, 5, 23, 59), -1.25, 0.0}) {
            EntryRecord e = Sample();
            e.ControlNumber = e.ReceivedDate = ole;
            e.ReleasedDate = ole == 0 ? 0 : ole + 31;
            entries << e;
        }
        const QStringList phrases{"gun", "GUN", "\u00E9lise", "\u00B5", "\u039C", "0", "/05/",
                                  "\u00A0", "\t", "12/29/1899", "-$0.50",
                                  // Across fields and the shown values and dates.
                                  "Roe Bob", "smart found", "ga $1,234.50 Pat", "01/05/2009 jane",
                                  "RING ring.", "Shotgun, 12", "trunk. Lab"};
        QVector<QByteArray> bytes;
        QVector<EntryRecord> read;
        for (const EntryRecord &e : entries) {
            bytes << e.Pack();
            read << EntryRecord::Unpack(bytes.last());
        }
        auto compare = [&](const SearchFilter &f) {
            for (int i = 0; i < bytes.size(); ++i) {
                const bool expected = f.accepts(read[i]);
                if (f.acceptsRaw(bytes[i].constData()) != expected)
                    QFAIL(qPrintable(
                        QStringLiteral("%1 in '%2'").arg(expected).arg(SearchedText(read[i], 1))));
            }
        };
        for (const QString &phrase : phrases)
            for (int option = 0; option <= 13; ++option)
                for (int flags = 0; flags < 4; ++flags)
                    compare(SearchFilter::textSearch(phrase, option, flags & 1, flags >> 1));
        // Summaries from the bytes: the received day, a time of day included.
        for (int option = 12; option <= 17; ++option)
            for (const QDate &start : {QDate(2009, 1, 5), QDate(2008, 12, 31), QDate(2005, 6, 1)})
                compare(SearchFilter::dateSearch(option, start));
    }

    void looksEveryFifthSecondAndFlashes()
    {
        TestEnvironment env;
        env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
        NetworkWatch watch;
        watch.start(env.data, stamp(1, 10000));
        QCOMPARE(seconds(watch, at(0, 3), 8), QStringLiteral("n n nL n n n n nL"));
        QCOMPARE(env.desktop.stampedFiles, QStringList(2, SharedFile));
        env.desktop.setFileStamp(SharedFile, stamp(3, 10000)); // the time, not the length
        // Found at the next check second; red and green in turn, not looking.
        QCOMPARE(seconds(watch, at(0, 33), 8), QStringLiteral("n n yL r g r g r"));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));
        env.desktop.setFileStamp(SharedFile, stamp(8, 20000));
        QVERIFY(!seconds(watch, at(0, 41), 10).contains('L'));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));
        // The click: normal again; the next check finds the later change.
        watch.restore();
        QCOMPARE(seconds(watch, at(1, 1), 5), QStringLiteral("n n n n yL"));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(8, 20000)));
        // A file appearing: a change.
        NetworkWatch fresh;
        fresh.start(env.data, std::nullopt);
        QCOMPARE(seconds(fresh, at(1, 20), 1), QStringLiteral("yL"));

        // A busy machine: a tick late by a second still looks (and sounds), a
        // second tick in one second does not, after a pause only its own counts.
        NetworkWatch late;
        late.start(env.data, stamp(2, 15000));
        QCOMPARE(ticks(late,
                       {at(0, 35), at(0, 36), at(0, 39), at(0, 41, 10), at(0, 42), at(1, 1, 5),
                        at(1, 20, 1), at(1, 20, 999)},
                       true, true),
                 QStringLiteral("yL r g rS g r gS r"));
    }

    void replacedFileAndOwnWrites()
    {
        TestEnvironment env;
        env.session.CurrentUserName = QStringLiteral("Lee Carter");
        // A work file renamed over the data file with the old time: a change.
        const QString path = DataPath(env.data, DataFileName), temp = env.path("TempFile.$$$");
        QVERIFY(SampleData::WriteDataFile(path, 3, 7));
        NetworkWatch watch;
        watch.start(env.data, env.desktop.fileStamp(path));
        QVERIFY(SampleData::WriteDataFile(temp, 2, 7));
        QFile f(temp);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QFileInfo(path).lastModified(), QFileDevice::FileModificationTime));
        f.close();
        QVERIFY(QFile::remove(path) && QFile::rename(temp, path));
        QCOMPARE(ticks(watch, {at(0, 0)}, true, false, path), QStringLiteral("yL"));
        QCOMPARE(watch.dataFileStamp()->size, qint64(10000));
        watch.restore();

        // Our own add, then several in a row: taken in silently.
        EntryRecord e;
        e.CaseNumber = QStringLiteral("26-0001");
        int n = 0;
        QCOMPARE(AppendEntry(env.data, e, &n), StoreResult::Ok);
        QVERIFY(watch.tick(at(0, 5), true, false, path).ownChange);
        QCOMPARE(watch.dataFileStamp(), env.desktop.fileStamp(path));
        QVERIFY(PendingOwnWrites(env.data).isEmpty());
        const EntryIdentity id = EntryIdentity::of(ReadAllEntries(env.data).at(n - 1));
        QCOMPARE(ArchiveEntry(env.data, n, id), StoreResult::Ok);
        QCOMPARE(DeleteEntry(env.data, n, id), StoreResult::Ok);
        QCOMPARE(PendingOwnWrites(env.data).size(), 2);
        QCOMPARE(ticks(watch, {at(0, 10)}, true, false, path), QStringLiteral("nL"));
        // Another workstation's before ours in one check: a change.
        QFile other(path);
        QVERIFY(other.open(QIODevice::Append));
        QCOMPARE(other.write(EntryRecord().Pack()), qint64(5000));
        other.close();
        const EntryIdentity mine = EntryIdentity::of(ReadAllEntries(env.data).at(n - 1));
        QCOMPARE(ArchiveEntry(env.data, n, mine), StoreResult::Ok);
        QCOMPARE(ticks(watch, {at(0, 20)}, true, false, path), QStringLiteral("yL"));
    }
};

QTEST_GUILESS_MAIN(TestEntryList)
#include "tst_entrylist.moc"
