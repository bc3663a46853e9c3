// The entry list without widgets: rows, counts, texts, header, sort keys, the
// position after a reload, summary texts; records built from their offsets.
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryList.h"

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

// "record:date|case|category|description" per row, then counts and total.
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
                                   "(3 active, 1 archived, 1244567)"));
        QCOMPARE(collect(true, ListMode::AllEntries, {}),
                 QStringLiteral("2:|AR-1|Firearm|Pistol (3 active, 1 archived, 5000000)"));
        QCOMPARE(collect(false, ListMode::TextSearch, filter),
                 QStringLiteral("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                "(3 active, 1 archived, 1234567)"));

        // From the file: none there gives an empty list and creates none; a
        // short last record reads its missing bytes as zeros (status 0).
        TestEnvironment env;
        InitProgramTables();
        const QString path = env.path(DataFileName);
        EntryListData data;
        data.activeCount = 5;
        QVERIFY(ReadEntryList(false, ListMode::AllEntries, {}, &data));
        QVERIFY(listed(data) == " (0 active, 0 archived, 0)" && !QFileInfo::exists(path));
        writeFile(path, records[0] + records[1] + records[2].left(3000));
        QVERIFY(ReadEntryList(false, ListMode::AllEntries, {}, &data));
        QCOMPARE(RecordCount, 3);
        QCOMPARE(listed(data), QStringLiteral("1:01/05/2009|09-123|Bicycle|Red bike, 21 speed "
                                              "3:12/31/2008|ODD|Tools|Drill "
                                              "(2 active, 1 archived, 1244567)"));
        QCOMPARE(data.rows[0].controlNumber, 39818.5);
        QCOMPARE(QFileInfo(path).size(), qint64(13000)); // read only
        QCOMPARE(EntryListHeader(false, 32767, 12345678901234) + EntryListHeader(true, 0, 0),
                 QStringLiteral(" All Current Entries (32767)  Total Value: $1,234,567,890.12"
                                " All Archived Entries (0)  Total Value: $0.00"));
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
};

QTEST_GUILESS_MAIN(TestEntryList)
#include "tst_entrylist.moc"
