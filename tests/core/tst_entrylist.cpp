// The entry list without widgets: which records are listed and counted,
// the texts of the shown columns, the header line, sort keys and order,
// the position after a reload and the summary texts. Records are built
// here byte by byte from their offsets.
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryList.h"
#include "core/rules/GridTable.h"

#include <QFileInfo>
#include <QtTest>

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

// The rows of a list as "record:date|case|category|description", then the
// counts and total.
QString listed(const EntryListData &d)
{
    QStringList rows;
    for (const EntryListRow &r : d.rows)
        rows << QStringLiteral("%1:%2|%3|%4|%5")
                    .arg(r.recordNumber)
                    .arg(r.date, r.caseNumber, r.category, r.description);
    return rows.join(' ') + QStringLiteral(" (%1 active, %2 archived, %3)")
                                .arg(d.activeCount)
                                .arg(d.archivedCount)
                                .arg(d.total);
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
        // A search lists only what the filter passes, from the displayed
        // list; the counts still cover every record.
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
                                   "(3 active, 1 archived, 1244567)"));
        QCOMPARE(collect(true, ListMode::AllEntries, {}),
                 QStringLiteral("2:|AR-1|Firearm|Pistol (3 active, 1 archived, 5000000)"));
        QCOMPARE(collect(false, ListMode::TextSearch, filter),
                 QStringLiteral("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                "(3 active, 1 archived, 1234567)"));
        QVERIFY(collect(false, ListMode::DateSearch, {}).startsWith(" ("));

        // From the file: none there gives an empty list and creates none; a
        // short last record reads its missing bytes as zeros (status 0).
        TestEnvironment env;
        InitProgramTables();
        const QString path = env.path(DataFileName);
        EntryListData data;
        data.activeCount = 5;
        QVERIFY(ReadEntryList(false, ListMode::AllEntries, {}, &data));
        QCOMPARE(listed(data), QStringLiteral(" (0 active, 0 archived, 0)"));
        QVERIFY(!QFileInfo::exists(path));
        writeFile(path, records[0] + records[1] + records[2].left(3000));
        QVERIFY(ReadEntryList(false, ListMode::AllEntries, {}, &data));
        QCOMPARE(RecordCount, 3);
        QCOMPARE(listed(data), QStringLiteral("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                              "3:12/31/2008|ODD|Tools|Drill "
                                              "(2 active, 1 archived, 1244567)"));
        QCOMPARE(data.rows[0].controlNumber, 39818.5);
        QCOMPARE(QFileInfo(path).size(), qint64(13000)); // read only
        QCOMPARE(EntryListHeader(false, 32767, 12345678901234),
                 QStringLiteral(" All Current Entries (32767)  Total Value: $1,234,567,890.12"));
        QCOMPARE(EntryListHeader(true, 0, 0),
                 QStringLiteral(" All Archived Entries (0)  Total Value: $0.00"));
    }

    void sortKeysAndOrder()
    {
        QCOMPARE(EntrySortKey(0, "01/05/2009", "9", "Tools") + '|' + EntrySortKey(0, "", "9", "x"),
                 QStringLiteral("200901050000|"));
        // Sorted as the grid sorts them: text, ascending, capitals ignored.
        auto sortedBy = [](int option) {
            GridTable g;
            g.setFormatString(EntryGridFormat);
            for (const char *r : {"01/05/2009\t9\ttools\tA\t1", "12/31/2008\t10\tBicycle\tB\t2",
                                  "02/01/1999\t1A\tAmmunition\tC\t3", "\t2\tbicycle\tD\t4"})
                g.AddItem(r);
            for (int r = 1; r < g.Rows(); ++r)
                g.setTextMatrix(r, 5,
                                EntrySortKey(option, g.TextMatrix(r, 0), g.TextMatrix(r, 1),
                                             g.TextMatrix(r, 2)));
            g.setCol(5);
            g.Sort(GridTable::SortStringNoCaseAscending);
            QString order;
            for (int r = 1; r < g.Rows(); ++r)
                order += g.TextMatrix(r, 4);
            return order;
        };
        QCOMPARE(sortedBy(0), QStringLiteral("4321")); // no date first, then by day
        QCOMPARE(sortedBy(1), QStringLiteral("2341")); // "10" < "1A" < "2" < "9"
        QCOMPARE(sortedBy(2), QStringLiteral("3241"));
    }

    void positionAndSummary()
    {
        // The row after a reload: the one saved, held to the last row.
        for (const auto &[last, saved, top, row, topRow] :
             QList<std::tuple<int, int, int, int, int>>{{10, 0, 0, 10, 10},
                                                        {10, 4, 2, 4, 2},
                                                        {10, 4, 0, 4, 4},
                                                        {3, 7, 9, 3, 3},
                                                        {0, 5, 5, 0, 0}}) {
            const ListPosition p = ChooseListPosition(last, saved, top);
            QCOMPARE(qMakePair(p.row, p.topRow), qMakePair(row, topRow));
        }
        // Before 1990 a control number is a legacy sequence number.
        const double newYear1990 = ToOleDate(QDateTime(QDate(1990, 1, 1), QTime(0, 0)));
        QCOMPARE(SummaryControlNumber(newYear1990), QStringLiteral("19900101000000"));
        QCOMPARE(SummaryControlNumber(newYear1990 - 1), QStringLiteral("32873"));
        QCOMPARE(SummaryControlNumber(0), QStringLiteral("00000"));
        const QByteArray raw = record(123, " 09-1 ", "Bicycle", " Red bike ", 99990000, 0, 1);
        QCOMPARE(EntrySummaryTexts(EntryRecord::Unpack(raw)),
                 QStringList({"00123", "09-1", "Bin 4", "Bicycle", "Acme", "M-1", "SN 77",
                              "Red bike", "$9,999.00"}));
    }
};

QTEST_GUILESS_MAIN(TestEntryList)
#include "tst_entrylist.moc"
