// The table behind the list grids: cells, selection, colours and sorting.
#include "core/rules/GridTable.h"

#include <QTest>

namespace
{

const QString MainFormat = QStringLiteral("<Date Rec'd|<Case #|<Category|<Description|<Rec# "
                                          "(hidden)|<SortCol (hidden)");

// The texts of one column from row 1 down, joined by commas.
QString column(const GridTable &t, int col)
{
    QStringList out;
    for (int r = 1; r < t.Rows(); ++r)
        out << t.TextMatrix(r, col);
    return out.join(',');
}

GridTable tableWith(const QStringList &rows, const QString &format = MainFormat)
{
    GridTable t;
    t.setFormatString(format);
    for (const QString &row : rows)
        t.AddItem(row);
    return t;
}

// Column `show` after sorting by column `key` in `order`.
QString sorted(GridTable t, int order, int key = 0, int show = 1)
{
    t.setCol(key);
    t.Sort(order);
    return column(t, show);
}

} // namespace

class TestGridTable : public QObject
{
    Q_OBJECT
private slots:
    void formatStringAndCells()
    {
        // A second format string with fewer columns keeps no stale heading.
        GridTable t = tableWith({}, QStringLiteral("<User List|^Date Created|NameSort|RecNum"));
        t.setFormatString(QStringLiteral(">Amount|Name"));
        QVERIFY(t.Cols() == 2 && t.TextMatrix(0, 3).isEmpty());
        QCOMPARE(t.ColAlignment(0), int(GridTable::AlignRightCenter));
        t.setColAlignment(1, 42); // not an alignment: ignored
        QCOMPARE(t.ColAlignment(1), int(GridTable::AlignGeneral));
        QVERIFY(GridTable::looksNumeric(" $1,234.50 ") && !GridTable::looksNumeric("12A"));

        // Missing cells stay empty, cells beyond the columns are dropped.
        t = tableWith({"01/05/2004\t04-1234\t\t\t7", "only\ttwo", "a\tb\tc\td\te\tf\tg"});
        QCOMPARE(column(t, 1) + '|' + column(t, 4) + '|' + column(t, 5), "04-1234,two,b|7,,e|,,f");
        QVERIFY(t.AddItem("\t x \t", 2) && !t.AddItem("x", 9) && !t.AddItem("x", -2));
        QCOMPARE(column(t, 1), "04-1234, x ,two,b");
        QVERIFY(t.TextMatrix(5, 0).isEmpty() && t.TextMatrix(-1, 0).isEmpty());
        QVERIFY(!t.setTextMatrix(5, 0, "x") && t.setTextMatrix(4, 5, "key"));
        // The heading row cannot be removed; the current row follows its text.
        t.setRow(4);
        QVERIFY(!t.RemoveItem(0) && t.RemoveItem(2));
        QCOMPARE(t.TextMatrix(t.Row(), 5), QStringLiteral("key"));
        QVERIFY(t.RemoveItem(1) && t.RemoveItem(1) && t.RemoveItem(1) && !t.RemoveItem(1));
        QVERIFY(t.Rows() == 1 && t.Row() == 0);
        // Rows := 0 leaves the heading; columns change keeping remaining texts.
        t.AddItem("x\ty");
        t.setRow(1);
        t.setRows(0);
        QVERIFY(t.Rows() == 1 && t.Row() == 0 && t.TextMatrix(0, 0) == "Date Rec'd");
        t.setRows(3);
        t.AddItem("a\tb\tc");
        t.setCols(2);
        t.setCols(4);
        QCOMPARE(column(t, 0) + '|' + column(t, 1) + '|' + column(t, 2), ",,a|,,b|,,");
    }

    void selectionAndColours()
    {
        GridTable t = tableWith({"a", "b", "c", "d"});
        // Setting Row (Col) resets RowSel (ColSel); both held inside the table.
        t.setRowSel(3);
        t.setRow(99);
        t.setColSel(6);
        t.setCol(-4);
        QCOMPARE(QList<int>({t.Row(), t.RowSel(), t.Col(), t.ColSel()}), QList<int>({4, 4, 0, 0}));

        // A rectangle of rows 3..4 (selected upwards from 4), columns 1..2.
        t.setRow(4);
        t.setRowSel(3);
        t.setCol(2);
        t.setColSel(1);
        t.setCellBackColor(0xD0D0D0);
        t.setCellForeColor(0xC00000);
        QString painted; // rows 2..4, columns 0..3: "b" coloured, "." not
        for (int r = 2; r <= 4; ++r) {
            for (int c = 0; c <= 3; ++c)
                painted += t.cellBackColor(r, c) == 0xD0D0D0u ? 'b' : '.';
            painted += ' ';
        }
        QCOMPARE(painted, QStringLiteral(".... .bb. .bb. "));
        QCOMPARE(t.cellForeColor(4, 1), 0xC00000u);
        // Colours and the current row follow their rows on an insert.
        t.AddItem("top", 1);
        QVERIFY(t.cellBackColor(3, 1) == GridTable::NoColor && t.cellBackColor(5, 1) == 0xD0D0D0u);
        QCOMPARE(t.TextMatrix(t.Row(), 0), QStringLiteral("d"));
    }

    void sortOrders()
    {
        // As text (10 before 9); the heading and the current cell stay.
        GridTable t = tableWith({"d1\t9", "d2\tb-7", "d3\t10", "d4\tA-2", "d5\ta-10", "d6\tB-1"});
        t.setRow(3);
        t.setCol(1);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 1), "10,9,a-10,A-2,B-1,b-7");
        QCOMPARE(t.TextMatrix(0, 4), QStringLiteral("Rec# (hidden)"));
        QVERIFY(t.Row() == 3 && t.Col() == 1);
        QVERIFY(!t.Sort(0) && !t.Sort(9));

        // Equal keys keep their order in every direction.
        GridTable k;
        k.setFormatString(QStringLiteral("Key|Row"));
        const QStringList keys{"m", "B", "m", "a", "b", "M", "", "m", "A"};
        for (int i = 0; i < keys.size(); ++i)
            k.AddItem(keys[i] + '\t' + QString::number(i + 1));
        QCOMPARE(sorted(k, GridTable::SortStringNoCaseAscending), "7,4,9,2,5,1,3,6,8");
        QCOMPARE(sorted(k, GridTable::SortStringNoCaseDescending), "1,3,6,8,2,5,4,9,7");
        QCOMPARE(sorted(k, GridTable::SortStringAscending), "7,9,2,6,4,5,1,3,8"); // capitals first
        QCOMPARE(sorted(k, GridTable::SortStringDescending), "1,3,8,5,4,6,2,9,7");
        // Keys alike in eight characters or more, or beginning one another.
        GridTable l = tableWith({}, QStringLiteral("Key|Row"));
        const QStringList longKeys{"2026-000124", "2026-00012", "2026-000123\u00E9", "20260517",
                                   "2026-000123", "2026-0001",  "2026051",           "",
                                   "2026-000123", "Zz"};
        for (int i = 0; i < longKeys.size(); ++i)
            l.AddItem(longKeys[i] + '\t' + QString::number(i + 1));
        QCOMPARE(sorted(l, GridTable::SortStringAscending), "8,6,2,5,9,3,1,7,4,10");
        QCOMPARE(sorted(l, GridTable::SortStringDescending), "10,4,7,1,3,5,9,2,6,8");

        // Numeric: text counts as 0; generic: numbers, then text.
        GridTable n = tableWith({"10", "9", "x", "$1,000.00", "-2"});
        QCOMPARE(sorted(n, GridTable::SortNumericAscending, 0, 0), "-2,x,9,10,$1,000.00");
        QCOMPARE(sorted(n, GridTable::SortGenericAscending, 0, 0), "-2,9,10,$1,000.00,x");
        QCOMPARE(sorted(n, GridTable::SortGenericDescending, 0, 0), "x,$1,000.00,10,9,-2");
        // Twenty equal numbers each: more than a small sort keeps by chance.
        GridTable many = tableWith({});
        QStringList want;
        for (int i = 1; i <= 60; ++i)
            many.AddItem(QStringLiteral("%1\t%2").arg(i % 3).arg(i));
        for (int k : {3, 1, 2}) // the record numbers of the keys 0, 1, 2
            for (int i = k; i <= 60; i += 3)
                want << QString::number(i);
        QCOMPARE(sorted(many, GridTable::SortNumericAscending), want.join(','));

        // Columns 0..1 left to right; only rows Row..RowSel when they differ.
        GridTable c = tableWith({"b\t2\t1", "a\t2\t2", "b\t1\t3", "a\t10\t4", "a\t\t5"});
        c.setColSel(1);
        QVERIFY(c.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(c, 2), "5,4,2,3,1");
        c.setRow(2);
        c.setRowSel(4);
        c.setCol(2);
        QVERIFY(c.Sort(GridTable::SortStringNoCaseDescending));
        QCOMPARE(column(c, 2), "5,4,3,2,1");
    }

    void wholeRowsAndShading()
    {
        GridTable t = tableWith({"old\tx", "older"});
        t.setCellBackColor(0x123456); // on the heading row, which keeps it
        std::vector<QString> cells;
        for (int i = 0; i < 14; ++i) // two rows of six and two cells of a third
            cells.push_back(QString::number(i));
        QVERIFY(t.setRowTexts(1, std::move(cells)));
        QCOMPARE(column(t, 0) + '|' + column(t, 5), "0,6,12|5,11,");
        QVERIFY(t.TextMatrix(0, 1) == "Case #" && t.CellBackColor() == 0x123456u);
        // Rows kept before firstRow; the heading row itself is refused.
        t = tableWith({"a", "b", "c"});
        QVERIFY(t.setRowTexts(3, {"C", "", "", "", "", "", "D"}));
        QCOMPARE(column(t, 0), "a,b,C,D");
        QVERIFY(!t.setRowTexts(0, {"x"}) && !t.setRowTexts(6, {"x"}));

        // Even rows grey, odd rows white, columns 0..3; the current cell stays.
        t.setRow(3);
        t.setCol(1);
        t.setRowsBackColor(1, 4, 0, 3, 0xF0F0F0, 0xFFFFFF);
        for (int r = 0; r <= 4; ++r) {
            for (int c = 0; c < 6; ++c) {
                const quint32 expected = r == 0 || c > 3 ? GridTable::NoColor
                                         : r % 2 == 0    ? 0xF0F0F0u
                                                         : 0xFFFFFFu;
                QCOMPARE(t.cellBackColor(r, c), expected);
            }
        }
        QVERIFY(t.Row() == 3 && t.Col() == 1);
        // A range beyond the table is cut; colours move with a sort.
        t.setRowsBackColor(3, 99, 4, 99, 0x222222, 0x333333);
        t.setCol(0);
        t.Sort(GridTable::SortStringDescending);
        QCOMPARE(column(t, 0), "b,a,D,C");
        QVERIFY(t.cellBackColor(1, 0) == 0xF0F0F0u && t.cellBackColor(4, 5) == 0x333333u);
    }
};

QTEST_APPLESS_MAIN(TestGridTable)
#include "tst_gridtable.moc"
