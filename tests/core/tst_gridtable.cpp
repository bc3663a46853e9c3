// The table behind the list grids: cells, heading row, selection, colours
// and sorting.
#include "core/rules/GridTable.h"

#include <QTest>

namespace
{

const QString MainFormat = QStringLiteral("<Date Rec'd|<Case #|<Category|<Description|<Rec# "
                                          "(hidden)|<SortCol (hidden)");

// The texts of one column from row 1 down.
QStringList column(const GridTable &t, int col)
{
    QStringList out;
    for (int r = 1; r < t.Rows(); ++r)
        out << t.TextMatrix(r, col);
    return out;
}

GridTable tableWith(const QStringList &rows, const QString &format = MainFormat)
{
    GridTable t;
    t.setFormatString(format);
    for (const QString &row : rows)
        t.AddItem(row);
    return t;
}

// Column `key` of t sorted by that column in `order`, as column `show`.
QString sorted(GridTable t, int order, int key = 0, int show = 1)
{
    t.setCol(key);
    t.Sort(order);
    return column(t, show).join(',');
}

} // namespace

class TestGridTable : public QObject
{
    Q_OBJECT
private slots:
    void formatStringSetsHeadingsAndAlignment()
    {
        GridTable t;
        QCOMPARE(t.Rows(), 1);
        t.setFormatString(QStringLiteral("<User List|<Access Level|^Date Created|NameSort|RecNum"));
        QCOMPARE(t.Cols(), 5);
        QCOMPARE(t.TextMatrix(0, 2), QStringLiteral("Date Created"));
        QCOMPARE(t.ColAlignment(1), int(GridTable::AlignLeftCenter));
        QCOMPARE(t.ColAlignment(2), int(GridTable::AlignCenterCenter));
        QCOMPARE(t.ColAlignment(3), int(GridTable::AlignGeneral));
        // A second format string with fewer columns keeps no stale heading.
        t.setFormatString(QStringLiteral(">Amount|Name"));
        QCOMPARE(t.Cols(), 2);
        QCOMPARE(t.ColAlignment(0), int(GridTable::AlignRightCenter));
        QCOMPARE(t.TextMatrix(0, 4), QString());
        t.setColAlignment(1, 42); // not an alignment: ignored
        QCOMPARE(t.ColAlignment(1), int(GridTable::AlignGeneral));
        for (const char *number : {" 12 ", "$1,234.50", "-0.5"})
            QVERIFY(GridTable::looksNumeric(number));
        for (const char *text : {"12A", "$", ""})
            QVERIFY(!GridTable::looksNumeric(text));
    }

    void addItemRemoveItemAndRows()
    {
        GridTable t = tableWith(
            {"01/05/2004\t04-1234\tBicycle\tRed bike\t7", "only\ttwo", "a\tb\tc\td\te\tf\tg\th"});
        QCOMPARE(t.Rows(), 4);
        QCOMPARE(column(t, 1), QStringList({"04-1234", "two", "b"}));
        QCOMPARE(column(t, 4), QStringList({"7", "", "e"}));
        QCOMPARE(column(t, 5), QStringList({"", "", "f"})); // g and h dropped
        // Empty cells between tabs stay empty; blanks are kept.
        QVERIFY(t.AddItem("\t x \t", 2));
        QCOMPARE(column(t, 1), QStringList({"04-1234", " x ", "two", "b"}));
        QVERIFY(!t.AddItem("x", 9));
        QVERIFY(!t.AddItem("x", -2));
        // Outside the table: empty reads, refused writes.
        QVERIFY(t.TextMatrix(5, 0).isEmpty() && t.TextMatrix(-1, 0).isEmpty());
        QVERIFY(t.TextMatrix(1, 6).isEmpty());
        QVERIFY(!t.setTextMatrix(5, 0, "x"));
        QVERIFY(t.setTextMatrix(4, 5, "key"));

        // The heading row cannot be removed; the current row follows its text.
        t.setRow(4);
        QVERIFY(!t.RemoveItem(0));
        QVERIFY(t.RemoveItem(2));
        QCOMPARE(t.Row(), 3);
        QCOMPARE(t.TextMatrix(t.Row(), 5), QStringLiteral("key"));
        QVERIFY(t.RemoveItem(3));
        QCOMPARE(t.Row(), 2);
        QVERIFY(t.RemoveItem(1) && t.RemoveItem(1));
        QCOMPARE(t.Rows(), 1);
        QCOMPARE(t.Row(), 0);
        QCOMPARE(t.TextMatrix(0, 1), QStringLiteral("Case #"));
        QVERIFY(!t.RemoveItem(1));

        // Rows := 1 leaves the heading; never fewer; growing gives empty rows.
        t.AddItem("x\ty");
        t.setRow(1);
        t.setRows(0);
        QCOMPARE(t.Rows(), 1);
        QCOMPARE(t.Row(), 0);
        QCOMPARE(t.TextMatrix(0, 0), QStringLiteral("Date Rec'd"));
        t.setRows(3);
        QCOMPARE(column(t, 0), QStringList({"", ""}));
        // Columns change without losing the texts that remain.
        t.AddItem("a\tb\tc");
        t.setCols(2);
        t.setCols(4);
        QCOMPARE(t.TextMatrix(3, 1), QStringLiteral("b"));
        QCOMPARE(t.TextMatrix(3, 2), QString());
        // Clear empties every cell, the heading too; the shape stays.
        t.setRow(1);
        t.setCellBackColor(0x123456);
        t.Clear();
        QCOMPARE(t.Rows(), 4);
        QCOMPARE(t.TextMatrix(0, 0), QString());
        QCOMPARE(t.cellBackColor(1, 0), GridTable::NoColor);
    }

    void currentCellAndSelection()
    {
        GridTable t = tableWith({"a", "b", "c"});
        QCOMPARE(t.Row(), 0);
        t.setRow(2);
        t.setColSel(3);
        QCOMPARE(t.RowSel(), 2);
        QCOMPARE(t.Col(), 0);
        // Setting Row (Col) resets RowSel (ColSel).
        t.setRowSel(3);
        t.setRow(1);
        QCOMPARE(t.RowSel(), 1);
        t.setCol(2);
        QCOMPARE(t.ColSel(), 2);
        // Held inside the table.
        t.setRow(99);
        QCOMPARE(t.Row(), 3);
        t.setRow(-4);
        QCOMPARE(t.Row(), 0);
        t.setCol(6);
        QCOMPARE(t.Col(), 5);
        t.setColSel(-1);
        QCOMPARE(t.ColSel(), 0);
        QCOMPARE(t.selLeft(), 0);
        QCOMPARE(t.selRight(), 5);
        // Adding a row above the current one keeps the same text current.
        t.setRow(2);
        t.AddItem("new", 1);
        QCOMPARE(t.TextMatrix(t.Row(), 0), QStringLiteral("b"));
    }

    void cellColoursOfTheSelection()
    {
        GridTable t = tableWith({"a", "b", "c", "d"});
        QCOMPARE(t.CellBackColor(), GridTable::NoColor);
        t.setRow(2);
        t.setColSel(3);
        t.setCellBackColor(0xF0F0F0);
        t.setCellForeColor(0xC00000);
        for (int c = 0; c < 6; ++c) {
            QCOMPARE(t.cellBackColor(2, c), c <= 3 ? 0xF0F0F0u : GridTable::NoColor);
            QCOMPARE(t.cellForeColor(2, c), c <= 3 ? 0xC00000u : GridTable::NoColor);
            QCOMPARE(t.cellBackColor(1, c), GridTable::NoColor);
            QCOMPARE(t.cellBackColor(3, c), GridTable::NoColor);
        }
        // A rectangle of rows 3..4 (selected upwards from 4), columns 1..2.
        t.setRow(4);
        t.setRowSel(3);
        t.setCol(2);
        t.setColSel(1);
        t.setCellBackColor(0xD0D0D0);
        QCOMPARE(t.cellBackColor(3, 1), 0xD0D0D0u);
        QCOMPARE(t.cellBackColor(4, 2), 0xD0D0D0u);
        QCOMPARE(t.cellBackColor(3, 0), GridTable::NoColor);
        QCOMPARE(t.cellBackColor(4, 3), GridTable::NoColor);
        QCOMPARE(t.cellBackColor(99, 1), GridTable::NoColor);
        // Colours follow their rows when rows are inserted or removed.
        t.AddItem("top", 1);
        QCOMPARE(t.cellBackColor(3, 0), 0xF0F0F0u);
        QCOMPARE(t.cellBackColor(2, 0), GridTable::NoColor);
        t.RemoveItem(1);
        QCOMPARE(t.cellBackColor(2, 0), 0xF0F0F0u);
    }

    void sortOrders()
    {
        // Case numbers sort as text (10 before 9); the heading and the
        // current cell stay; equal keys keep their order in every direction.
        GridTable t = tableWith({"d1\t9\t\t\t1", "d2\tb-7\t\t\t2", "d3\t10\t\t\t3",
                                 "d4\tA-2\t\t\t4", "d5\ta-10\t\t\t5", "d6\tB-1\t\t\t6"});
        t.setRow(3);
        t.setCol(1);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 1), QStringList({"10", "9", "a-10", "A-2", "B-1", "b-7"}));
        QCOMPARE(t.TextMatrix(0, 4), QStringLiteral("Rec# (hidden)"));
        QVERIFY(t.Row() == 3 && t.Col() == 1);
        QVERIFY(!t.Sort(0) && !t.Sort(9));

        GridTable k;
        k.setFormatString(QStringLiteral("Key|Row"));
        const QStringList keys{"m", "B", "m", "a", "b", "M", "", "m", "A"};
        for (int i = 0; i < keys.size(); ++i)
            k.AddItem(keys[i] + '\t' + QString::number(i + 1));
        QCOMPARE(sorted(k, GridTable::SortStringNoCaseAscending), "7,4,9,2,5,1,3,6,8");
        QCOMPARE(sorted(k, GridTable::SortStringNoCaseDescending), "1,3,6,8,2,5,4,9,7");
        QCOMPARE(sorted(k, GridTable::SortStringAscending),
                 "7,9,2,6,4,5,1,3,8"); // capitals first
        QCOMPARE(sorted(k, GridTable::SortStringDescending), "1,3,8,5,4,6,2,9,7");

        // Numeric: text counts as 0; generic: numbers, then text.
        GridTable n = tableWith({"10", "9", "x", "$1,000.00", "-2"});
        QCOMPARE(sorted(n, GridTable::SortNumericAscending, 0, 0), "-2,x,9,10,$1,000.00");
        QCOMPARE(sorted(n, GridTable::SortGenericAscending, 0, 0), "-2,9,10,$1,000.00,x");
        QCOMPARE(sorted(n, GridTable::SortGenericDescending, 0, 0), "x,$1,000.00,10,9,-2");
        // Equal numbers keep their order, in a list long enough to show it.
        GridTable many = tableWith({});
        QStringList want;
        for (int i = 1; i <= 60; ++i)
            many.AddItem(QStringLiteral("%1\t%2").arg(i % 3).arg(i));
        for (int k : {3, 1, 2}) // the record numbers of the keys 0, 1, 2
            for (int i = k; i <= 60; i += 3)
                want << QString::number(i);
        QCOMPARE(sorted(many, GridTable::SortNumericAscending), want.join(','));

        // Columns 0..1 compared left to right, an empty cell first; only
        // rows Row..RowSel when they differ.
        GridTable c = tableWith({"b\t2\t1", "a\t2\t2", "b\t1\t3", "a\t10\t4", "a\t\t5"});
        c.setCol(0);
        c.setColSel(1);
        QVERIFY(c.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(c, 2), QStringList({"5", "4", "2", "3", "1"}));
        c.setRow(2);
        c.setRowSel(4);
        c.setCol(2);
        QVERIFY(c.Sort(GridTable::SortStringNoCaseDescending));
        QCOMPARE(column(c, 2), QStringList({"5", "4", "3", "2", "1"}));
    }

    void sortIsStableOnALargeList()
    {
        // 3000 rows, three keys in mixed case: within each key the record
        // numbers (the load order) ascend.
        const QStringList keys{"Gun", "gun", "Camera", "CAMERA", "bike", "BIKE"};
        GridTable big;
        big.setFormatString(MainFormat);
        for (int i = 1; i <= 3000; ++i)
            big.AddItem(QStringLiteral("\t\t%1\t\t%2").arg(keys[(i * 7) % 6]).arg(i));
        big.setCol(2);
        QVERIFY(big.Sort(GridTable::SortStringNoCaseAscending));
        int previous = 0;
        QString group;
        for (int r = 1; r < big.Rows(); ++r) {
            const QString key = big.TextMatrix(r, 2).toLower();
            const int record = big.TextMatrix(r, 4).toInt();
            QVERIFY2(key > group || (key == group && record > previous),
                     qPrintable(QString::number(r)));
            group = key;
            previous = record;
        }
        QCOMPARE(group, QStringLiteral("gun"));
    }

    void longKeysSortLikeTheirTextsColumnByColumn()
    {
        // Keys that agree in their first eight characters or more, that
        // begin one another, that hold characters above 0x7F, over one and
        // two key columns, against a plain stable sort of the same texts.
        const QStringList pieces{
            "2026-000123", "2026-000124",   "2026-00012", "2026-0001", "20260517",
            "2026051",     "\u00E9t\u00E9", "Zz",         "",          "2026-000123\u00E9"};
        GridTable t;
        t.setFormatString(QStringLiteral("A|B|Row"));
        QVector<QStringList> rows;
        for (int i = 0; i < 60; ++i) {
            rows.push_back({pieces[(i * 7) % pieces.size()],
                            pieces[(i * 3 + i / 10) % pieces.size()], QString::number(i)});
            t.AddItem(rows.back().join('\t'));
        }
        for (const bool twoColumns : {false, true}) {
            for (const bool descending : {false, true}) {
                GridTable g = t;
                g.setCol(0);
                g.setColSel(twoColumns ? 1 : 0);
                g.Sort(descending ? GridTable::SortStringDescending
                                  : GridTable::SortStringAscending);
                QVector<QStringList> expected = rows;
                auto key = [&](const QStringList &r) {
                    return std::make_pair(r[0], twoColumns ? r[1] : QString());
                };
                std::stable_sort(expected.begin(), expected.end(), [&](auto &x, auto &y) {
                    return descending ? key(y) < key(x) : key(x) < key(y);
                });
                QStringList want;
                for (const QStringList &r : expected)
                    want << r[2];
                QCOMPARE(column(g, 2), want);
            }
        }
    }

    void wholeRowsAndShadingInOneCall()
    {
        GridTable t = tableWith({"old\tx", "older"});
        t.setRow(2);
        t.setColSel(5);
        t.setCellBackColor(0x0000FF);
        t.setRow(0);
        t.setCellBackColor(0x123456); // the heading row keeps its colour
        t.setRow(2);
        std::vector<QString> cells;
        for (int i = 0; i < 14; ++i) // two rows of six and two cells of a third
            cells.push_back(QString::number(i));
        QVERIFY(t.setRowTexts(1, std::move(cells)));
        QCOMPARE(column(t, 0), (QStringList{"0", "6", "12"}));
        QCOMPARE(column(t, 5), (QStringList{"5", "11", ""}));
        QCOMPARE(t.TextMatrix(0, 1), QStringLiteral("Case #"));
        QCOMPARE(t.cellBackColor(0, 0), 0x123456u);
        QCOMPARE(t.cellBackColor(2, 0), GridTable::NoColor);
        QCOMPARE(t.Row(), 2);
        // Fewer rows than before: the current row is held inside.
        QVERIFY(t.setRowTexts(1, {"only"}));
        QCOMPARE(t.Rows(), 2);
        QCOMPARE(t.Row(), 1);
        // Rows kept before firstRow; the heading row itself is refused.
        t = tableWith({"a", "b", "c"});
        QVERIFY(t.setRowTexts(3, {"C", "", "", "", "", "", "D"}));
        QCOMPARE(column(t, 0), (QStringList{"a", "b", "C", "D"}));
        QVERIFY(!t.setRowTexts(0, {"x"}) && !t.setRowTexts(6, {"x"}));

        // Shading: even rows grey, odd rows white, columns 0..3 only; the
        // current cell stays.
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
        // An empty range colours nothing, a range beyond the table is cut.
        t.setRowsBackColor(2, 2, 3, 2, 0x111111, 0x111111);
        QCOMPARE(t.cellBackColor(2, 2), 0xF0F0F0u);
        t.setRowsBackColor(3, 99, 4, 99, 0x222222, 0x333333);
        QCOMPARE(t.cellBackColor(3, 5), 0x333333u);
        QCOMPARE(t.cellBackColor(4, 4), 0x222222u);
        // Colours move with their rows in a sort.
        t.setCol(0);
        t.Sort(GridTable::SortStringDescending);
        QCOMPARE(column(t, 0), (QStringList{"b", "a", "D", "C"}));
        QCOMPARE(t.cellBackColor(1, 0), 0xF0F0F0u);
        QCOMPARE(t.cellBackColor(4, 5), 0x333333u);
    }

    void fixedRowsZero()
    {
        GridTable t;
        t.setFixedRows(0);
        t.setRows(0);
        QCOMPARE(t.Rows(), 0);
        for (const char *s : {"b", "A", "c"})
            t.AddItem(s);
        t.setCol(0);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(t.TextMatrix(0, 0), QStringLiteral("A"));
        t.setFixedRows(5); // one heading row at most
        QCOMPARE(t.FixedRows(), 1);
    }
};

QTEST_APPLESS_MAIN(TestGridTable)
#include "tst_gridtable.moc"
