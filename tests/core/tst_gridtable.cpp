// The table behind the list grids: cells, heading row, selection, colours
// and sorting.
#include "core/rules/GridTable.h"

#include <QTest>

namespace
{

const QString MainFormat =
    QStringLiteral("<Date Rec'd|<Case #|<Category|<Description|<Rec# (hidden)|<SortCol (hidden)");
const QString UserFormat = QStringLiteral("<User List|<Access Level|^Date Created|NameSort|RecNum");

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

} // namespace

class TestGridTable : public QObject
{
    Q_OBJECT
private slots:
    void formatStringSetsHeadingsAndAlignment()
    {
        GridTable t;
        QCOMPARE(t.Rows(), 1);
        QCOMPARE(t.FixedRows(), 1);
        t.setFormatString(UserFormat);
        QCOMPARE(t.Cols(), 5);
        QCOMPARE(t.TextMatrix(0, 2), QStringLiteral("Date Created"));
        QCOMPARE(t.ColAlignment(1), int(GridTable::AlignLeftCenter));
        QCOMPARE(t.ColAlignment(2), int(GridTable::AlignCenterCenter));
        QCOMPARE(t.ColAlignment(3), int(GridTable::AlignGeneral));

        // A second format string with fewer columns keeps no stale heading.
        t.setFormatString(QStringLiteral(">Amount|Name"));
        QCOMPARE(t.Cols(), 2);
        QCOMPARE(t.TextMatrix(0, 0), QStringLiteral("Amount"));
        QCOMPARE(t.ColAlignment(0), int(GridTable::AlignRightCenter));
        QCOMPARE(t.TextMatrix(0, 4), QString());
        t.setColAlignment(1, 42); // not an alignment: ignored
        QCOMPARE(t.ColAlignment(1), int(GridTable::AlignGeneral));

        QVERIFY(GridTable::looksNumeric(QStringLiteral(" 12 ")));
        QVERIFY(GridTable::looksNumeric(QStringLiteral("$1,234.50")));
        QVERIFY(GridTable::looksNumeric(QStringLiteral("-0.5")));
        QVERIFY(!GridTable::looksNumeric(QStringLiteral("12A")));
        QVERIFY(!GridTable::looksNumeric(QStringLiteral("$")));
        QVERIFY(!GridTable::looksNumeric(QString()));
    }

    void addItemRemoveItemAndRows()
    {
        GridTable t =
            tableWith({QStringLiteral("01/05/2004\t04-1234\tBicycle\tRed bike\t7"),
                       QStringLiteral("only\ttwo"), QStringLiteral("a\tb\tc\td\te\tf\tg\th")});
        QCOMPARE(t.Rows(), 4);
        QCOMPARE(t.TextMatrix(1, 0), QStringLiteral("01/05/2004"));
        QCOMPARE(t.TextMatrix(1, 3), QStringLiteral("Red bike"));
        QCOMPARE(t.TextMatrix(1, 4), QStringLiteral("7"));
        QCOMPARE(t.TextMatrix(1, 5), QString());
        QCOMPARE(t.TextMatrix(2, 1), QStringLiteral("two"));
        QCOMPARE(t.TextMatrix(2, 2), QString());
        QCOMPARE(t.TextMatrix(3, 5), QStringLiteral("f")); // g and h dropped
        // Empty cells between tabs stay empty; blanks are kept.
        QVERIFY(t.AddItem(QStringLiteral("\t x \t"), 2));
        QCOMPARE(t.TextMatrix(2, 0), QString());
        QCOMPARE(t.TextMatrix(2, 1), QStringLiteral(" x "));
        QCOMPARE(t.TextMatrix(3, 1), QStringLiteral("two"));
        QVERIFY(!t.AddItem(QStringLiteral("x"), 9));
        QVERIFY(!t.AddItem(QStringLiteral("x"), -2));
        QCOMPARE(t.Rows(), 5);

        // Outside the table: empty reads, refused writes.
        QCOMPARE(t.TextMatrix(5, 0), QString());
        QCOMPARE(t.TextMatrix(-1, 0), QString());
        QCOMPARE(t.TextMatrix(1, 6), QString());
        QVERIFY(!t.setTextMatrix(5, 0, QStringLiteral("x")));
        QVERIFY(t.setTextMatrix(4, 5, QStringLiteral("key")));
        QCOMPARE(t.TextMatrix(4, 5), QStringLiteral("key"));

        // The heading row cannot be removed; the last data row can.
        t.setRow(4);
        QVERIFY(!t.RemoveItem(0));
        QVERIFY(t.RemoveItem(2));
        QCOMPARE(t.Row(), 3); // still on the same text
        QCOMPARE(t.TextMatrix(t.Row(), 5), QStringLiteral("key"));
        QCOMPARE(t.TextMatrix(2, 1), QStringLiteral("two"));
        QVERIFY(t.RemoveItem(3));
        QCOMPARE(t.Row(), 2);
        QVERIFY(t.RemoveItem(1));
        QVERIFY(t.RemoveItem(1));
        QCOMPARE(t.Rows(), 1);
        QCOMPARE(t.Row(), 0);
        QCOMPARE(t.TextMatrix(0, 1), QStringLiteral("Case #"));
        QVERIFY(!t.RemoveItem(1));

        // Rows := 1 leaves the heading; growing again gives empty rows.
        t.AddItem(QStringLiteral("x\ty"));
        t.AddItem(QStringLiteral("z"));
        t.setRow(2);
        t.setRows(1);
        QCOMPARE(t.Rows(), 1);
        QCOMPARE(t.Row(), 0);
        QCOMPARE(t.TextMatrix(0, 0), QStringLiteral("Date Rec'd"));
        t.setRows(3);
        QCOMPARE(t.TextMatrix(1, 0), QString());
        t.setRows(0); // never below the heading row
        QCOMPARE(t.Rows(), 1);

        // Columns change without losing the texts that remain.
        t.AddItem(QStringLiteral("a\tb\tc"));
        t.setCols(2);
        QCOMPARE(t.TextMatrix(1, 1), QStringLiteral("b"));
        t.setCols(4);
        QCOMPARE(t.TextMatrix(1, 1), QStringLiteral("b"));
        QCOMPARE(t.TextMatrix(1, 2), QString());
        QCOMPARE(t.TextMatrix(0, 0), QStringLiteral("Date Rec'd"));

        // Clear empties every cell, the heading too; the shape stays.
        t.setRow(1);
        t.setCellBackColor(0x123456);
        t.Clear();
        QCOMPARE(t.Rows(), 2);
        QCOMPARE(t.TextMatrix(0, 0), QString());
        QCOMPARE(t.TextMatrix(1, 1), QString());
        QCOMPARE(t.cellBackColor(1, 0), GridTable::NoColor);
    }

    void currentCellAndSelection()
    {
        GridTable t = tableWith({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        QCOMPARE(t.Row(), 0);
        t.setRow(2);
        t.setColSel(3);
        QCOMPARE(t.RowSel(), 2);
        QCOMPARE(t.Col(), 0);
        QCOMPARE(t.ColSel(), 3);
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
        t.AddItem(QStringLiteral("new"), 1);
        QCOMPARE(t.Row(), 3);
        QCOMPARE(t.TextMatrix(t.Row(), 0), QStringLiteral("b"));
    }

    void cellColoursOfTheSelection()
    {
        GridTable t = tableWith(
            {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
        QCOMPARE(t.CellBackColor(), GridTable::NoColor);
        t.setRow(2);
        t.setCol(0);
        t.setColSel(3);
        t.setCellBackColor(0xF0F0F0);
        t.setCellForeColor(0xC00000);
        for (int c = 0; c < 6; ++c) {
            QCOMPARE(t.cellBackColor(2, c), c <= 3 ? 0xF0F0F0u : GridTable::NoColor);
            QCOMPARE(t.cellForeColor(2, c), c <= 3 ? 0xC00000u : GridTable::NoColor);
            QCOMPARE(t.cellBackColor(1, c), GridTable::NoColor);
            QCOMPARE(t.cellBackColor(3, c), GridTable::NoColor);
        }
        QCOMPARE(t.CellBackColor(), 0xF0F0F0u);
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
        QCOMPARE(t.cellBackColor(2, 1), 0xF0F0F0u);
        QCOMPARE(t.cellBackColor(99, 1), GridTable::NoColor);
        // Colours follow their rows when rows are inserted or removed.
        t.AddItem(QStringLiteral("top"), 1);
        QCOMPARE(t.cellBackColor(3, 0), 0xF0F0F0u);
        QCOMPARE(t.cellBackColor(2, 0), GridTable::NoColor);
        t.RemoveItem(1);
        QCOMPARE(t.cellBackColor(2, 0), 0xF0F0F0u);
    }

    void sortIgnoresCaseAndKeepsHeading()
    {
        // Case numbers sort as text: 10 before 9; case does not count.
        GridTable t =
            tableWith({QStringLiteral("d1\t9\tx\t\t1"), QStringLiteral("d2\tb-7\tx\t\t2"),
                       QStringLiteral("d3\t10\tx\t\t3"), QStringLiteral("d4\tA-2\tx\t\t4"),
                       QStringLiteral("d5\ta-10\tx\t\t5"), QStringLiteral("d6\tB-1\tx\t\t6")});
        t.setRow(3);
        t.setCol(1);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 1), QStringList({"10", "9", "a-10", "A-2", "B-1", "b-7"}));
        QCOMPARE(column(t, 4), QStringList({"3", "1", "5", "4", "6", "2"}));
        QCOMPARE(t.TextMatrix(0, 1), QStringLiteral("Case #"));
        QCOMPARE(t.TextMatrix(0, 4), QStringLiteral("Rec# (hidden)"));
        // The current cell stays where it was.
        QCOMPARE(t.Row(), 3);
        QCOMPARE(t.Col(), 1);

        QVERIFY(t.Sort(GridTable::SortStringNoCaseDescending));
        QCOMPARE(column(t, 1), QStringList({"b-7", "B-1", "A-2", "a-10", "9", "10"}));
        QVERIFY(t.Sort(GridTable::SortStringAscending)); // upper case first
        QCOMPARE(column(t, 1), QStringList({"10", "9", "A-2", "B-1", "a-10", "b-7"}));

        QVERIFY(!t.Sort(0));
        QVERIFY(!t.Sort(9));
        QCOMPARE(column(t, 1), QStringList({"10", "9", "A-2", "B-1", "a-10", "b-7"}));
    }

    void sortIsStableForEqualKeys()
    {
        // Keys equal apart from case count as equal and keep their order,
        // which is the load order (record numbers ascending).
        GridTable t =
            tableWith({QStringLiteral("\t\tJewelry\t\t1"), QStringLiteral("\t\tbicycle\t\t2"),
                       QStringLiteral("\t\tJEWELRY\t\t3"), QStringLiteral("\t\tBicycle\t\t4"),
                       QStringLiteral("\t\tjewelry\t\t5"), QStringLiteral("\t\tBICYCLE\t\t6")});
        t.setCol(2);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 4), QStringList({"2", "4", "6", "1", "3", "5"}));
        // Sorting again changes nothing; descending keeps equal keys in order too.
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 4), QStringList({"2", "4", "6", "1", "3", "5"}));
        QVERIFY(t.Sort(GridTable::SortStringNoCaseDescending));
        QCOMPARE(column(t, 4), QStringList({"1", "3", "5", "2", "4", "6"}));

        // Large enough that an unstable sort would show: 3000 rows, three
        // keys in mixed case; within each key the record numbers ascend.
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
            if (key != group) {
                QVERIFY2(group.isEmpty() || key > group, qPrintable(key));
                group = key;
            } else {
                QVERIFY2(record > previous, qPrintable(QString::number(r)));
            }
            previous = record;
        }
        QCOMPARE(group, QStringLiteral("gun"));
    }

    void sortByHiddenKeyColumnWithColours()
    {
        // The main list's date sort: a yyyymmdd key in column 5, shading
        // applied before the sort moves with the rows.
        GridTable t = tableWith({QStringLiteral("12/31/2003\tC\t\t\t1\t200312310000"),
                                 QStringLiteral("01/05/2004\tA\t\t\t2\t200401050000"),
                                 QStringLiteral("06/15/1999\tB\t\t\t3\t199906150000")});
        t.setRow(2);
        t.setCol(0);
        t.setColSel(3);
        t.setCellBackColor(0xF0F0F0);
        t.setCol(5);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 0), QStringList({"06/15/1999", "12/31/2003", "01/05/2004"}));
        QCOMPARE(t.cellBackColor(3, 0), 0xF0F0F0u);
        QCOMPARE(t.cellBackColor(2, 0), GridTable::NoColor);
    }

    void sortKeysOverSeveralColumnsAndRowRange()
    {
        GridTable t = tableWith({QStringLiteral("b\t2\t1"), QStringLiteral("a\t2\t2"),
                                 QStringLiteral("b\t1\t3"), QStringLiteral("a\t10\t4"),
                                 QStringLiteral("a\t\t5")});
        // Columns 0..1 compared left to right; an empty cell sorts first.
        t.setCol(0);
        t.setColSel(1);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(column(t, 2), QStringList({"5", "4", "2", "3", "1"}));
        // Only rows 2..4 when Row and RowSel differ.
        t.setRow(2);
        t.setRowSel(4);
        t.setCol(2);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseDescending));
        QCOMPARE(column(t, 2), QStringList({"5", "4", "3", "2", "1"}));
    }

    void numericAndGenericSorts()
    {
        GridTable t = tableWith({QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("x"),
                                 QStringLiteral("$1,000.00"), QStringLiteral("-2")});
        t.setCol(0);
        QVERIFY(t.Sort(GridTable::SortNumericAscending)); // "x" counts as 0
        QCOMPARE(column(t, 0), QStringList({"-2", "x", "9", "10", "$1,000.00"}));
        QVERIFY(t.Sort(GridTable::SortGenericAscending)); // numbers, then text
        QCOMPARE(column(t, 0), QStringList({"-2", "9", "10", "$1,000.00", "x"}));
        QVERIFY(t.Sort(GridTable::SortGenericDescending));
        QCOMPARE(column(t, 0), QStringList({"x", "$1,000.00", "10", "9", "-2"}));
    }

    void wholeRowsAndShadingInOneCall()
    {
        GridTable t = tableWith({QStringLiteral("old\tx"), QStringLiteral("older")});
        t.setRow(2);
        t.setCol(0);
        t.setColSel(5);
        t.setCellBackColor(0x0000FF);
        t.setCellForeColor(0x00FF00);
        t.setRow(0);
        t.setCellBackColor(0x123456); // the heading row keeps its colour
        t.setRow(2);
        std::vector<QString> cells;
        for (int i = 0; i < 14; ++i) // two rows of six and two cells of a third
            cells.push_back(QString::number(i));
        QVERIFY(t.setRowTexts(1, std::move(cells)));
        QCOMPARE(t.Rows(), 4);
        QCOMPARE(column(t, 0), (QStringList{"0", "6", "12"}));
        QCOMPARE(column(t, 1), (QStringList{"1", "7", "13"}));
        QCOMPARE(column(t, 5), (QStringList{"5", "11", ""}));
        QCOMPARE(t.TextMatrix(0, 1), QStringLiteral("Case #"));
        QCOMPARE(t.cellBackColor(0, 0), 0x123456u);
        for (int r = 1; r < 4; ++r) {
            QCOMPARE(t.cellBackColor(r, 0), GridTable::NoColor);
            QCOMPARE(t.cellForeColor(r, 3), GridTable::NoColor);
        }
        QCOMPARE(t.Row(), 2);
        // Fewer rows than before: the current row is held inside.
        QVERIFY(t.setRowTexts(1, {QStringLiteral("only")}));
        QCOMPARE(t.Rows(), 2);
        QCOMPARE(t.Row(), 1);
        QCOMPARE(column(t, 0), (QStringList{"only"}));
        QVERIFY(t.setRowTexts(1, {}));
        QCOMPARE(t.Rows(), 1);
        QCOMPARE(t.TextMatrix(0, 0), QStringLiteral("Date Rec'd"));
        // Rows kept before firstRow; the heading row itself is refused.
        t = tableWith({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        QVERIFY(t.setRowTexts(3, {QStringLiteral("C"), QString(), QString(), QString(), QString(),
                                  QString(), QStringLiteral("D")}));
        QCOMPARE(column(t, 0), (QStringList{"a", "b", "C", "D"}));
        QVERIFY(!t.setRowTexts(0, {QStringLiteral("x")}));
        QVERIFY(!t.setRowTexts(6, {QStringLiteral("x")}));
        QCOMPARE(column(t, 0), (QStringList{"a", "b", "C", "D"}));

        // Shading: even rows grey, odd rows white, columns 0..3 only.
        t.setRow(3);
        t.setCol(1);
        t.setRowsBackColor(1, 4, 0, 3, 0xF0F0F0, 0xFFFFFF);
        for (int r = 0; r <= 4; ++r) {
            for (int c = 0; c < 6; ++c) {
                const quint32 expected = r == 0 || c > 3 ? GridTable::NoColor
                                         : r % 2 == 0    ? 0xF0F0F0u
                                                         : 0xFFFFFFu;
                QCOMPARE(t.cellBackColor(r, c), expected);
                QCOMPARE(t.cellForeColor(r, c), GridTable::NoColor);
            }
        }
        QCOMPARE(t.Row(), 3);
        QCOMPARE(t.Col(), 1);
        // An empty range colours nothing, a range beyond the table is cut.
        t.setRowsBackColor(1, 0, 0, 3, 0x111111, 0x111111);
        t.setRowsBackColor(2, 2, 3, 2, 0x111111, 0x111111);
        QCOMPARE(t.cellBackColor(0, 0), GridTable::NoColor);
        QCOMPARE(t.cellBackColor(2, 2), 0xF0F0F0u);
        t.setRowsBackColor(3, 99, 4, 99, 0x222222, 0x333333);
        QCOMPARE(t.cellBackColor(3, 5), 0x333333u);
        QCOMPARE(t.cellBackColor(4, 4), 0x222222u);
        QCOMPARE(t.cellBackColor(2, 4), GridTable::NoColor);
        // Colours move with their rows in a sort.
        t.setCol(0);
        t.Sort(GridTable::SortStringDescending);
        QCOMPARE(column(t, 0), (QStringList{"b", "a", "D", "C"}));
        QCOMPARE(t.cellBackColor(1, 0), 0xF0F0F0u);
        QCOMPARE(t.cellBackColor(4, 5), 0x333333u);
    }

    void textSortsWithSharedAndRepeatedKeys()
    {
        // Keys shared by several rows, equal keys held apart, capitals that
        // differ: equal keys keep their order in every direction.
        const QString shared = QStringLiteral("m");
        GridTable t;
        t.setFormatString(QStringLiteral("Key|Row"));
        const QStringList keys{"m", "B", "m", "a", "b", "M", "", "m", "A"};
        for (int i = 0; i < keys.size(); ++i) {
            t.AddItem(QString());
            t.setTextMatrix(i + 1, 0, keys[i] == QLatin1String("m") ? shared : keys[i]);
            t.setTextMatrix(i + 1, 1, QString::number(i + 1));
        }
        auto order = [&](int sort) {
            GridTable g = t;
            g.setCol(0);
            g.Sort(sort);
            return column(g, 1).join(',');
        };
        QCOMPARE(order(GridTable::SortStringNoCaseAscending), QStringLiteral("7,4,9,2,5,1,3,6,8"));
        QCOMPARE(order(GridTable::SortStringNoCaseDescending), QStringLiteral("1,3,6,8,2,5,4,9,7"));
        QCOMPARE(order(GridTable::SortStringAscending), QStringLiteral("7,9,2,6,4,5,1,3,8"));
        QCOMPARE(order(GridTable::SortStringDescending), QStringLiteral("1,3,8,5,4,6,2,9,7"));
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
        struct Row {
            QString a, b;
            int n;
        };
        std::vector<Row> rows;
        for (int i = 0; i < 60; ++i) {
            Row r{pieces[(i * 7) % pieces.size()], pieces[(i * 3 + i / 10) % pieces.size()], i};
            rows.push_back(r);
            t.AddItem(r.a + '\t' + r.b + '\t' + QString::number(i));
        }
        for (const bool twoColumns : {false, true}) {
            for (const bool descending : {false, true}) {
                GridTable g = t;
                g.setCol(0);
                g.setColSel(twoColumns ? 1 : 0);
                g.Sort(descending ? GridTable::SortStringDescending
                                  : GridTable::SortStringAscending);
                std::vector<Row> expected = rows;
                std::stable_sort(expected.begin(), expected.end(), [&](const Row &x, const Row &y) {
                    auto key = [&](const Row &r) {
                        return std::make_pair(r.a, twoColumns ? r.b : QString());
                    };
                    return descending ? key(y) < key(x) : key(x) < key(y);
                });
                QStringList want;
                for (const Row &r : expected)
                    want << QString::number(r.n);
                QCOMPARE(column(g, 2), want);
            }
        }
    }

    void fixedRowsZero()
    {
        GridTable t;
        t.setFixedRows(0);
        t.setRows(0);
        QCOMPARE(t.Rows(), 0);
        QCOMPARE(t.Row(), 0);
        t.AddItem(QStringLiteral("b"));
        t.AddItem(QStringLiteral("A"));
        t.AddItem(QStringLiteral("c"));
        t.setCol(0);
        QVERIFY(t.Sort(GridTable::SortStringNoCaseAscending));
        QCOMPARE(t.TextMatrix(0, 0), QStringLiteral("A"));
        QCOMPARE(t.TextMatrix(2, 0), QStringLiteral("c"));
        t.setFixedRows(5); // one heading row at most
        QCOMPARE(t.FixedRows(), 1);
        QVERIFY(!t.RemoveItem(0));
    }
};

QTEST_APPLESS_MAIN(TestGridTable)
#include "tst_gridtable.moc"
