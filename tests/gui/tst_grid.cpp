// The list grid control: what the view shows of its table, selection,
// suspended painting, scrolling, the mouse and the keys. The table's own
// rules are checked in the table's test.
#include "gui/controls/Grid.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace
{

const QString MainFormat =
    QStringLiteral("<Date Rec'd|<Case #|<Category|<Description|<Rec# (hidden)|<SortCol (hidden)");

// A shown grid laid out like the main window's list, with n entries whose
// case numbers count down so a sort reverses them.
struct ListGrid {
    Grid grid;
    explicit ListGrid(int entries)
    {
        grid.resize(700, 300);
        grid.setFormatString(MainFormat);
        grid.setRedraw(false);
        for (int i = 1; i <= entries; ++i)
            grid.AddItem(QStringLiteral("01/%1/2004\tC-%2\tBicycle\tItem %3\t%3")
                             .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                             .arg(entries - i + 1, 5, 10, QLatin1Char('0'))
                             .arg(i));
        grid.setRedraw(true);
        const double widths[] = {1050, 1600, 1850, 5750};
        for (int c = 0; c < 4; ++c)
            grid.setColWidth(c, widths[c]);
        grid.setColHidden(4, true);
        grid.setColHidden(5, true);
        grid.setFillCol(3);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }
    QVariant data(int row, int col, int role = Qt::DisplayRole)
    {
        return grid.model()->data(grid.model()->index(row - 1, col), role);
    }
    QRect cellRect(int row, int col) { return grid.visualRect(grid.model()->index(row - 1, col)); }
};

} // namespace

class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void viewShowsTheTable()
    {
        ListGrid list(5);
        Grid &g = list.grid;
        QCOMPARE(g.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Case #"));
        QCOMPARE(list.data(1, 1).toString(), QStringLiteral("C-00005"));
        QVERIFY(!g.verticalHeader()->isVisible() && !g.ColIsVisible(4));
        // Shading; a sort shows the new order and keeps the current row.
        g.setRowsBackColor(1, g.Rows() - 1, 0, 3, 0xF0F0F0, 0x0000FF);
        QCOMPARE(list.data(2, 0, Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(240, 240, 240));
        g.setRow(2);
        g.setCol(1);
        g.setSort(5);
        QCOMPARE(list.data(1, 1).toString(), QStringLiteral("C-00001"));
        QVERIFY(g.Row() == 2 && g.selectionModel()->isSelected(g.model()->index(1, 1)));
        g.setRow(3);
        // A new list in one move: the current row held inside, colours gone.
        QSignalSpy moved(&g, &Grid::RowColChange);
        std::vector<QString> cells(size_t(3 * g.Cols()));
        cells[size_t(2 * g.Cols())] = QStringLiteral("row 3");
        QVERIFY(g.setRowTexts(1, std::move(cells)));
        QCOMPARE(list.data(3, 0).toString(), QStringLiteral("row 3"));
        QVERIFY(!list.data(2, 0, Qt::BackgroundRole).isValid());
        QVERIFY(g.Row() == 3 && moved.isEmpty());
    }

    void modelKeepsItsContract()
    {
        // Every change goes through the model as the view must hear of it:
        // a list from a cell source, a sort, rows added and removed, a cell
        // changed, a bulk fill while painting is off, and a reset.
        ListGrid list(4);
        Grid &g = list.grid;
        QAbstractItemModelTester tester(g.model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(g.model(), &QAbstractItemModel::dataChanged);
        QVERIFY(g.setSourceRows(1, 30, [](int row, int col) {
            return col == 1 ? QStringLiteral("K-%1").arg(30 - row, 2, 10, QLatin1Char('0'))
                            : QStringLiteral("r%1c%2").arg(row).arg(col);
        }));
        QCOMPARE(g.model()->rowCount(), 30);
        QCOMPARE(list.data(2, 1).toString(), QStringLiteral("K-29"));
        g.setCol(1);
        g.setSort(5);
        QCOMPARE(list.data(1, 1).toString() + list.data(1, 3).toString(),
                 QStringLiteral("K-01r29c3"));
        QVERIFY(g.AddItem(QStringLiteral("d\tK-00"), 1) && g.RemoveItem(31));
        QCOMPARE(list.data(1, 1).toString() + list.data(30, 1).toString(),
                 QStringLiteral("K-00K-29"));
        g.setTextMatrix(2, 3, QStringLiteral("changed"));
        QCOMPARE(list.data(2, 3).toString(), QStringLiteral("changed"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), g.model()->index(1, 3));
        g.setRedraw(false);
        for (int i = 0; i < 5; ++i)
            g.AddItem(QStringLiteral("late"));
        g.RemoveItem(1);
        g.setRedraw(true);
        QCOMPARE(g.model()->rowCount(), 34);
        g.Clear();
        QCOMPARE(list.data(3, 3).toString(), QString());
        g.setRows(1);
        QCOMPARE(g.model()->rowCount(), 0);
    }

    void deferredPainting()
    {
        ListGrid list(3);
        Grid &g = list.grid;
        // While painting is off the table changes, the view does not; on
        // again, one reset shows it all, hidden columns and widths kept.
        QSignalSpy resets(g.model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(g.model(), &QAbstractItemModel::rowsInserted);
        g.setRedraw(false);
        g.setRows(1);
        for (int i = 0; i < 50; ++i)
            g.AddItem(QStringLiteral("d\tc%1").arg(i));
        g.setRow(10);
        QVERIFY(g.model()->rowCount() == 3 && resets.isEmpty() && inserts.isEmpty());
        g.setRedraw(true);
        QVERIFY(g.updatesEnabled() && resets.size() == 1 && g.model()->rowCount() == 50);
        QCOMPARE(g.currentIndex(), g.model()->index(9, 0));
        QVERIFY(g.isColumnHidden(4) && g.columnWidth(0) == 70);
        // Outside a bulk fill a new row is one insertion, not a reset.
        g.AddItem(QStringLiteral("x"));
        QVERIFY(inserts.size() == 1 && resets.size() == 1);
    }

    void topRow()
    {
        ListGrid list(200);
        Grid &g = list.grid;
        g.setTopRow(120);
        QCOMPARE(g.TopRow(), 120);
        QVERIFY(g.RowIsVisible(120) && !g.RowIsVisible(119));
        // Set while hidden, applied when shown; the last row too.
        for (int top : {60, 200}) {
            g.hide();
            g.setTopRow(top);
            QCOMPARE(g.TopRow(), top);
            g.show();
            QVERIFY(QTest::qWaitForWindowExposed(&g));
            QVERIFY(g.RowIsVisible(top));
        }
        QCOMPARE(g.verticalScrollBar()->value(), g.verticalScrollBar()->maximum());
        g.setTopRow(60);
        QVERIFY(g.verticalScrollBar()->value() == 59 && !g.RowIsVisible(59));
    }

    void mouseAndKeys()
    {
        ListGrid list(6);
        Grid &g = list.grid;
        QSignalSpy changes(&g, &Grid::RowColChange), clicks(&g, &Grid::Click),
            doubles(&g, &Grid::DblClick);
        QTest::mouseMove(g.viewport(), list.cellRect(3, 1).center());
        QVERIFY(g.MouseRow() == 3 && g.MouseCol() == 1);
        // Below the last row: no row.
        QTest::mouseMove(g.viewport(), QPoint(10, list.cellRect(6, 0).bottom() + 20));
        QCOMPARE(g.MouseRow(), -1);
        // A click makes that row current (the whole row) and raises
        // RowColChange and Click; the same row again only Click.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(4, 2).center());
        QVERIFY(g.Row() == 4 && g.Col() == 0 && g.ColSel() == 5);
        QVERIFY(changes.count() == 1 && clicks.count() == 1);
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(4, 0).center());
        QVERIFY(changes.count() == 1 && clicks.count() == 2 && doubles.isEmpty());
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(2, 3).center());
        QVERIFY(doubles.count() == 1 && g.Row() == 2 && changes.count() == 2);
        // Keys move the current row.
        g.setFocus();
        QTest::keyClick(&g, Qt::Key_Down);
        QVERIFY(g.Row() == 3 && changes.count() == 3);
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
