// The entry list without widgets: which records are listed and counted,
// the texts of the shown columns, the header line, sort keys and order,
// shading, the position after a reload, the grid's tool tip and the
// summary texts. Records are built here byte by byte from their offsets.
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryList.h"
#include "core/rules/GridTable.h"

#include <QFile>
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

// 01/05/2009 and 12/31/2008 as OLE dates.
constexpr double Jan5th2009 = 39818;
constexpr double Dec31st2008 = 39813;

} // namespace

class TestEntryList : public QObject
{
    Q_OBJECT
private slots:
    void rowsCountsAndTexts()
    {
        const QByteArray active = record(39818.5, "  09-123  ", "Bicycle", "Red bike, 21 speed",
                                         1234567, Jan5th2009 + 0.75, 1);
        const QByteArray archived = record(40000, "AR-1", "Firearm", "Pistol", 5000000, 0, 2);
        // Status values other than 2 count as active.
        const QByteArray odd = record(40001, "ODD", "Tools", "Drill", 10000, Dec31st2008, 9);
        QByteArray euro = record(40002, "EU", "Currency", "", 0, Dec31st2008, 1);
        euro[155] = char(0x80);
        euro[156] = char(0xE9);

        EntryListData data;
        int n = 0;
        for (const QByteArray &rec : {active, archived, odd, euro})
            CollectEntryRow(data, ++n, rec.constData(), false, ListMode::AllEntries, {});
        QCOMPARE(data.activeCount, 3);
        QCOMPARE(data.archivedCount, 1);
        QCOMPARE(int(data.rows.size()), 3);
        const EntryListRow &r = data.rows[0];
        QCOMPARE(r.date, QStringLiteral("01/05/2009"));
        QCOMPARE(r.caseNumber, QStringLiteral("09-123"));
        QCOMPARE(r.category, QStringLiteral("Bicycle"));
        QCOMPARE(r.description, QStringLiteral("Red bike, 21 speed"));
        QCOMPARE(r.recordNumber, 1);
        QCOMPARE(r.controlNumber, 39818.5);
        QCOMPARE(data.rows[1].recordNumber, 3);
        QCOMPARE(data.rows[2].description, QString::fromUtf8("\u20AC\u00E9"));
        QCOMPARE(data.total, qint64(1234567 + 10000));

        EntryListData inactive;
        n = 0;
        for (const QByteArray &rec : {active, archived, odd, euro})
            CollectEntryRow(inactive, ++n, rec.constData(), true, ListMode::AllEntries, {});
        QCOMPARE(inactive.activeCount, 3);
        QCOMPARE(inactive.archivedCount, 1);
        QCOMPARE(int(inactive.rows.size()), 1);
        QCOMPARE(inactive.rows[0].recordNumber, 2);
        QCOMPARE(inactive.rows[0].date, QString()); // no received date
        QCOMPARE(inactive.total, qint64(5000000));

        // A search lists only what the filter passes, and only from the
        // displayed list; the counts still cover every record.
        EntryListData found;
        n = 0;
        const EntryFilter filter = [](const char *record) {
            const EntryRecord e = EntryRecord::Unpack(record, EntryRecordLength);
            return e.Category.startsWith(QLatin1String("Bi")) ||
                   e.Category.startsWith(QLatin1String("Fi"));
        };
        for (const QByteArray &rec : {active, archived, odd, euro})
            CollectEntryRow(found, ++n, rec.constData(), false, ListMode::TextSearch, filter);
        QCOMPARE(int(found.rows.size()), 1);
        QCOMPARE(found.rows[0].caseNumber, QStringLiteral("09-123"));
        QCOMPARE(found.rows[0].date, QStringLiteral("01/05/2009"));
        QCOMPARE(found.total, qint64(1234567));
        QCOMPARE(found.activeCount + found.archivedCount, 4);
        EntryListData none;
        CollectEntryRow(none, 1, active.constData(), false, ListMode::DateSearch, {});
        QVERIFY(none.rows.empty());
    }

    void readingTheFile()
    {
        TestEnvironment env;
        InitProgramTables();
        const QString path = env.path(DataFileName);

        // No data file: an empty list, and none is created.
        EntryListData data;
        data.activeCount = 5;
        QVERIFY(ReadEntryList(false, ListMode::AllEntries, {}, &data));
        QVERIFY(data.rows.empty());
        QCOMPARE(data.activeCount, 0);
        QVERIFY(!QFileInfo::exists(path));

        // A short last record: its missing bytes read as zeros, status 0
        // counts as active; nothing breaks.
        QByteArray bytes = record(40000, "A-1", "Bicycle", "One", 100, Jan5th2009, 1) +
                           record(40001, "A-2", "Firearm", "Two", 200, Jan5th2009, 2) +
                           record(40002, "A-3", "Tools", "Three", 300, Dec31st2008, 1).left(3000);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QVERIFY(ReadEntryList(false, ListMode::AllEntries, {}, &data));
        QCOMPARE(RecordCount, 3);
        QCOMPARE(data.activeCount, 2);
        QCOMPARE(data.archivedCount, 1);
        QCOMPARE(int(data.rows.size()), 2);
        QCOMPARE(data.rows[1].recordNumber, 3);
        QCOMPARE(data.rows[1].caseNumber, QStringLiteral("A-3"));
        QCOMPARE(data.rows[1].date, QStringLiteral("12/31/2008"));
        QCOMPARE(data.total, qint64(400));
        QCOMPARE(QFileInfo(path).size(), qint64(13000)); // read only
    }

    void headerLine()
    {
        QCOMPARE(EntryListHeader(false, 2, 12345000),
                 QStringLiteral(" All Current Entries (2)  Total Value: $1,234.50"));
        QCOMPARE(EntryListHeader(true, 0, 0),
                 QStringLiteral(" All Archived Entries (0)  Total Value: $0.00"));
        QCOMPARE(EntryListHeader(false, 32767, 12345678901234),
                 QStringLiteral(" All Current Entries (32767)  Total Value: $1,234,567,890.12"));
    }

    void sortKeysAndOrder()
    {
        for (int n : {1, 9, 10, 99, 100, 4711, 32766, 32767, 0, -3, 32768})
            QCOMPARE(RecordNumberText(n), QString::number(n));
        QCOMPARE(EntrySortKey(0, "01/05/2009", "9", "Tools"), QStringLiteral("200901050000"));
        QCOMPARE(EntrySortKey(0, "", "9", "Tools"), QString());
        QCOMPARE(EntrySortKey(1, "01/05/2009", "9", "Tools"), QStringLiteral("9"));
        QCOMPARE(EntrySortKey(2, "01/05/2009", "9", "Tools"), QStringLiteral("Tools"));

        // Sorted as the grid sorts them: text, ascending, capitals ignored.
        GridTable t;
        t.setFormatString(EntryGridFormat);
        const QStringList rows{"01/05/2009\t9\ttools\tA\t1", "12/31/2008\t10\tBicycle\tB\t2",
                               "02/01/1999\t1A\tAmmunition\tC\t3", "\t2\tbicycle\tD\t4"};
        auto sortedBy = [&](int option) {
            GridTable g = t;
            for (const QString &r : rows)
                g.AddItem(r);
            for (int r = 1; r < g.Rows(); ++r)
                g.setTextMatrix(r, 5,
                                EntrySortKey(option, g.TextMatrix(r, 0), g.TextMatrix(r, 1),
                                             g.TextMatrix(r, 2)));
            g.setCol(5);
            g.Sort(GridTable::SortStringNoCaseAscending);
            QStringList order;
            for (int r = 1; r < g.Rows(); ++r)
                order << g.TextMatrix(r, 4);
            return order.join(',');
        };
        // No date first, then by year, month, day.
        QCOMPARE(sortedBy(0), QStringLiteral("4,3,2,1"));
        // Case numbers are text: "10" before "1A" before "2" before "9".
        QCOMPARE(sortedBy(1), QStringLiteral("2,3,4,1"));
        QCOMPARE(sortedBy(2), QStringLiteral("3,2,4,1"));

        QCOMPARE(EntryRowShade(1), quint32(0xFFFFFF));
        QCOMPARE(EntryRowShade(2), quint32(0xF0F0F0));
        QCOMPARE(EntryRowShade(3), quint32(0xFFFFFF));
        QVERIFY(!SortFrameShown(0));
        QVERIFY(!SortFrameShown(1));
        QVERIFY(SortFrameShown(2));
    }

    void positionAfterReload()
    {
        auto pos = [](int last, int saved, int top) {
            const ListPosition p = ChooseListPosition(last, saved, top);
            return QPair<int, int>(p.row, p.topRow);
        };
        QCOMPARE(pos(10, 0, 0), qMakePair(10, 10));
        QCOMPARE(pos(10, 4, 2), qMakePair(4, 2));
        QCOMPARE(pos(10, 4, 0), qMakePair(4, 4));
        QCOMPARE(pos(3, 7, 9), qMakePair(3, 3)); // held to the last row
        QCOMPARE(pos(0, 5, 5), qMakePair(0, 0));
        QCOMPARE(pos(0, 0, 0), qMakePair(0, 0));
    }

    void gridToolTip()
    {
        const QString hint =
            QStringLiteral(" Double click to see the entire Entry Card in a separate window ");
        QVERIFY(!EntryGridToolTip(0, 2, 0, "01/05/2009").has_value());
        QCOMPARE(*EntryGridToolTip(3, 0, 0, ""), QString());
        QCOMPARE(*EntryGridToolTip(3, 1, 0, "01/05/2009"), QString());
        QCOMPARE(*EntryGridToolTip(3, 1, 2, "01/05/2009"), QString());
        QCOMPARE(*EntryGridToolTip(3, 2, 0, "01/05/2009"), QStringLiteral(" Monday "));
        QCOMPARE(*EntryGridToolTip(3, 3, 0, "12/31/2008"), QStringLiteral(" Wednesday "));
        QCOMPARE(*EntryGridToolTip(3, 2, 1, "01/05/2009"), hint);
        QCOMPARE(*EntryGridToolTip(3, 2, 3, "01/05/2009"), hint);
        QCOMPARE(*EntryGridToolTip(3, 2, 0, ""), QString()); // no date
    }

    void summaryTexts()
    {
        const double newYear1990 = ToOleDate(QDateTime(QDate(1990, 1, 1), QTime(0, 0)));
        QCOMPARE(SummaryControlNumber(newYear1990), QStringLiteral("19900101000000"));
        QCOMPARE(SummaryControlNumber(ToOleDate(QDateTime(QDate(2009, 1, 5), QTime(14, 5, 9)))),
                 QStringLiteral("20090105140509"));
        // Before 1990 the number is a legacy sequence number.
        QCOMPARE(SummaryControlNumber(123), QStringLiteral("00123"));
        QCOMPARE(SummaryControlNumber(0), QStringLiteral("00000"));
        QCOMPARE(SummaryControlNumber(newYear1990 - 1), QStringLiteral("32873"));

        const QByteArray raw = record(123, " 09-1 ", "Bicycle", " Red bike ", 99990000, 0, 1);
        const QStringList texts = EntrySummaryTexts(EntryRecord::Unpack(raw));
        QCOMPARE(texts, (QStringList{"00123", "09-1", "Bin 4", "Bicycle", "Acme", "M-1", "SN 77",
                                     "Red bike", "$9,999.00"}));
    }
};

QTEST_GUILESS_MAIN(TestEntryList)
#include "tst_entrylist.moc"
