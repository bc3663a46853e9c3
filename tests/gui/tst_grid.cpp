// The list grid control: what the view shows, selection and colours, hidden
// columns, suspended painting, the mouse and the events.
#include "gui/controls/Grid.h"

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
    }
    QAbstractItemModel *model() { return grid.model(); }
    QRect cellRect(int row, int col) { return grid.visualRect(model()->index(row - 1, col)); }
};

} // namespace

class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void viewShowsExactTexts()
    {
        ListGrid list(3);
        QVERIFY(QTest::qWaitForWindowExposed(&list.grid));
        QAbstractItemModel *m = list.model();
        QCOMPARE(m->rowCount(), 3);
        QCOMPARE(m->columnCount(), 6);
        QCOMPARE(m->headerData(5, Qt::Horizontal).toString(), QStringLiteral("SortCol (hidden)"));
        QCOMPARE(m->data(m->index(0, 0)).toString(), QStringLiteral("01/02/2004"));
        QCOMPARE(m->data(m->index(0, 1)).toString(), QStringLiteral("C-00003"));
        QCOMPARE(m->data(m->index(2, 3)).toString(), QStringLiteral("Item 3"));
        QCOMPARE(list.grid.TextMatrix(3, 4), QStringLiteral("3"));
        QVERIFY(list.grid.horizontalHeader()->isVisible());
        QVERIFY(!list.grid.verticalHeader()->isVisible());

        // A cell written later shows at once; the heading is row 0.
        list.grid.setTextMatrix(2, 3, QStringLiteral("Red bike"));
        list.grid.setTextMatrix(0, 3, QStringLiteral("Description"));
        QCOMPARE(m->data(m->index(1, 3)).toString(), QStringLiteral("Red bike"));
        // Alignments: "<" left, "^" centred, general right for numbers.
        Grid users;
        users.setFormatString(
            QStringLiteral("<User List|<Access Level|^Date Created|NameSort|RecNum"));
        users.AddItem(QStringLiteral("Smith, Al\tFull Access\t03/04/2009\tSMITHAL\t12"));
        QAbstractItemModel *u = users.model();
        auto align = [&](int col) {
            return Qt::Alignment(u->data(u->index(0, col), Qt::TextAlignmentRole).toInt());
        };
        QCOMPARE(align(0), Qt::AlignLeft | Qt::AlignVCenter);
        QCOMPARE(align(2), Qt::AlignHCenter | Qt::AlignVCenter);
        QCOMPARE(align(4), Qt::AlignRight | Qt::AlignVCenter);
    }

    void onlyHeadingRowMeansNoRow()
    {
        ListGrid list(4);
        QVERIFY(QTest::qWaitForWindowExposed(&list.grid));
        list.grid.setRow(3);
        list.grid.setColSel(3);
        QVERIFY(list.grid.selectionModel()->hasSelection());
        QSignalSpy changes(&list.grid, &Grid::RowColChange);
        list.grid.setRows(1);
        QCOMPARE(list.grid.Row(), 0);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(list.model()->rowCount(), 0);
        QVERIFY(!list.grid.selectionModel()->hasSelection());
        QCOMPARE(list.grid.TextMatrix(0, 1), QStringLiteral("Case #"));
        list.grid.setTopRow(5); // nothing to scroll: ignored
        QCOMPARE(list.grid.TopRow(), 1);
    }

    void sortKeepsHeadingAndShowsNewOrder()
    {
        ListGrid list(5);
        QVERIFY(QTest::qWaitForWindowExposed(&list.grid));
        list.grid.setRow(2);
        list.grid.setCol(1);
        list.grid.setSort(5);
        QAbstractItemModel *m = list.model();
        QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Case #"));
        for (int r = 1; r <= 5; ++r)
            QCOMPARE(m->data(m->index(r - 1, 1)).toString(), QStringLiteral("C-0000%1").arg(r));
        QCOMPARE(list.grid.Row(), 2);
        // The current row is still highlighted after the sort.
        QVERIFY(list.grid.selectionModel()->isSelected(m->index(1, 1)));
    }

    void wholeListAndShadingInOneStep()
    {
        ListGrid list(2);
        QVERIFY(QTest::qWaitForWindowExposed(&list.grid));
        Grid &g = list.grid;
        QAbstractItemModel *m = list.model();
        QSignalSpy changed(m, &QAbstractItemModel::dataChanged);
        g.setRowsBackColor(1, g.Rows() - 1, 0, 3, 0xF0F0F0, 0xFFFFFF);
        QCOMPARE(changed.size(), 1); // the view hears of it once
        auto back = [&](int row, int col) {
            return m->data(m->index(row - 1, col), Qt::BackgroundRole).value<QBrush>().color();
        };
        QCOMPARE(back(2, 0), QColor(240, 240, 240));

        // A new list in one move: the view shows its rows, the current row
        // is held inside, the row's own colours are gone.
        const int cols = g.Cols();
        std::vector<QString> cells(size_t(3 * cols));
        for (int r = 0; r < 3; ++r)
            cells[size_t(r * cols)] = QStringLiteral("row %1").arg(r + 1);
        g.setRow(2);
        QSignalSpy moved(&g, &Grid::RowColChange);
        QVERIFY(g.setRowTexts(1, std::move(cells)));
        QCOMPARE(m->rowCount(), 3);
        QCOMPARE(m->data(m->index(2, 0)).toString(), QStringLiteral("row 3"));
        QCOMPARE(g.TextMatrix(0, 0), QStringLiteral("Date Rec'd"));
        QVERIFY(!m->data(m->index(1, 0), Qt::BackgroundRole).isValid());
        QCOMPARE(g.Row(), 2);
        QCOMPARE(moved.size(), 0);
        QVERIFY(g.setRowTexts(1, {QStringLiteral("only")}));
        QCOMPARE(g.Row(), 1);
        QCOMPARE(moved.size(), 1);
    }

    void selectionAndCellColours()
    {
        ListGrid list(4);
        QVERIFY(QTest::qWaitForWindowExposed(&list.grid));
        Grid &g = list.grid;
        QAbstractItemModel *m = list.model();
        auto back = [&](int row, int col) {
            return m->data(m->index(row - 1, col), Qt::BackgroundRole).value<QBrush>().color();
        };
        // 0xBBGGRR: red is the low byte.
        g.setRow(1);
        g.setCol(1);
        g.setColSel(2);
        g.setCellForeColor(0xC00000);
        g.setCellBackColor(0x0000FF);
        QCOMPARE(m->data(m->index(0, 1), Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(0, 0, 192));
        QCOMPARE(back(1, 2), QColor(255, 0, 0));
        QVERIFY(!m->data(m->index(0, 0), Qt::BackgroundRole).isValid());
        g.setCol(0);
        QCOMPARE(g.CellForeColor(), g.ForeColor()); // no colour of its own
        g.setForeColor(0x000080);
        QCOMPARE(g.palette().color(QPalette::Text), QColor(128, 0, 0));
        QCOMPARE(g.CellForeColor(), 0x000080u);

        // The view highlights exactly Col..ColSel of the current row.
        g.setRow(3);
        g.setCol(0);
        g.setColSel(3);
        QModelIndexList selected = g.selectionModel()->selectedIndexes();
        std::sort(selected.begin(), selected.end());
        QCOMPARE(selected.size(), 4);
        for (int c = 0; c < 4; ++c)
            QCOMPARE(selected[c], m->index(2, c));
        QCOMPARE(g.currentIndex(), m->index(2, 0));
    }

    void hiddenColumnsAndFill()
    {
        ListGrid list(3);
        QVERIFY(QTest::qWaitForWindowExposed(&list.grid));
        Grid &g = list.grid;
        QVERIFY(!g.ColIsVisible(4));
        QVERIFY(g.ColIsVisible(3));
        // Widths are twips at 96 dots an inch (15 twips a pixel).
        QCOMPARE(g.columnWidth(0), 70);
        QCOMPARE(g.columnWidth(1), 107); // 106.7 rounded
        QCOMPARE(g.ColWidth(3), 5750.0);
        // The description column fills what the others leave.
        const int fill = g.viewport()->width() - 70 - 107 - 123;
        QVERIFY(fill > 5750 / 15);
        QCOMPARE(g.columnWidth(3), fill);
        QCOMPARE(g.horizontalScrollBar()->maximum(), 0);
        // Growing the grid grows the fill column; it never shrinks below its width.
        g.resize(900, 300);
        QCOMPARE(g.columnWidth(3), g.viewport()->width() - 300);
        g.resize(200, 300);
        QCOMPARE(g.columnWidth(3), qRound(5750 / 15.0));
        // Without hiding, widening pushes a column beyond the right edge.
        g.resize(700, 300);
        g.setColHidden(4, false);
        g.setFillCol(-1);
        g.setColWidth(3, 1000);
        QVERIFY(g.ColIsVisible(4));
        int steps = 0;
        while (g.ColIsVisible(4) && steps < 1000) {
            g.setColWidth(3, g.ColWidth(3) + 15);
            ++steps;
        }
        QVERIFY(steps > 0 && steps < 1000);
        QVERIFY(!g.ColIsVisible(4));
        QVERIFY(g.ColIsVisible(3));
    }

    void redrawFalseDefersTheView()
    {
        ListGrid list(2);
        QVERIFY(QTest::qWaitForWindowExposed(&list.grid));
        Grid &g = list.grid;
        QSignalSpy resets(g.model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(g.model(), &QAbstractItemModel::rowsInserted);
        g.setRedraw(false);
        QVERIFY(!g.Redraw());
        QVERIFY(!g.updatesEnabled());
        g.setRows(1);
        for (int i = 0; i < 50; ++i)
            g.AddItem(QStringLiteral("d\tc%1").arg(i));
        g.setRow(10);
        g.setCol(0);
        g.setColSel(3);
        g.setCellBackColor(0xF0F0F0);
        // The table is up to date, the view still has its old rows.
        QCOMPARE(g.Rows(), 51);
        QCOMPARE(g.TextMatrix(50, 1), QStringLiteral("c49"));
        QCOMPARE(g.model()->rowCount(), 2);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserts.count(), 0);
        g.setRedraw(true);
        QVERIFY(g.updatesEnabled());
        QCOMPARE(resets.count(), 1);
        QCOMPARE(g.model()->rowCount(), 50);
        QCOMPARE(g.model()->data(g.model()->index(49, 1)).toString(), QStringLiteral("c49"));
        QCOMPARE(g.currentIndex(), g.model()->index(9, 0));
        QCOMPARE(g.selectionModel()->selectedIndexes().size(), 4);
        // Hidden columns and widths survive the reset.
        QVERIFY(g.isColumnHidden(4));
        QCOMPARE(g.columnWidth(0), 70);
        // Outside a bulk fill a new row is one insertion, not a reset.
        g.AddItem(QStringLiteral("x"));
        QCOMPARE(inserts.count(), 1);
        QCOMPARE(resets.count(), 1);
    }

    void topRowAndRowVisibility()
    {
        ListGrid list(200);
        QVERIFY(QTest::qWaitForWindowExposed(&list.grid));
        Grid &g = list.grid;
        g.setRow(120);
        g.setTopRow(120);
        QCOMPARE(g.TopRow(), 120);
        QVERIFY(g.RowIsVisible(120));
        QVERIFY(g.RowIsVisible(0));
        QVERIFY(!g.RowIsVisible(1));
        QVERIFY(!g.RowIsVisible(119));
        QVERIFY(!g.RowIsVisible(200 + 1));
        g.setTopRow(1);
        QCOMPARE(g.TopRow(), 1);
        QVERIFY(g.RowIsVisible(1));
        QVERIFY(!g.RowIsVisible(120));
        // Set while hidden, applied when shown.
        g.hide();
        g.setTopRow(60);
        QCOMPARE(g.TopRow(), 60);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QCOMPARE(g.TopRow(), 60);
        QCOMPARE(g.verticalScrollBar()->value(), 59);
        // The last row may become the top row while hidden too.
        g.hide();
        g.setTopRow(g.Rows() - 1);
        QCOMPARE(g.TopRow(), 200);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QVERIFY(g.RowIsVisible(200));
        // Heights in twips; the heading row is as high as a data row.
        QCOMPARE(g.RowHeight(0), g.RowHeight(1));
        g.setRowHeight(0, 450);
        QCOMPARE(g.horizontalHeader()->height(), 30);
        g.setRowHeight(3, 600);
        QCOMPARE(g.rowHeight(2), 40);
        QCOMPARE(g.RowHeight(3), 600.0);
        g.setHeight(12 * 300);
        QCOMPARE(g.height(), 240);
        QCOMPARE(g.Height(), 3600.0);
    }

    void mouseRowAndColAndEvents()
    {
        ListGrid list(6);
        Grid &g = list.grid;
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QCOMPARE(g.MouseRow(), -1);
        QSignalSpy moves(&g, &Grid::MouseMove);
        QSignalSpy changes(&g, &Grid::RowColChange);
        QSignalSpy clicks(&g, &Grid::Click);
        QSignalSpy doubles(&g, &Grid::DblClick);

        QTest::mouseMove(g.viewport(), list.cellRect(3, 1).center());
        QCOMPARE(g.MouseRow(), 3);
        QCOMPARE(g.MouseCol(), 1);
        QVERIFY(moves.count() >= 1);
        const QPoint expected = g.viewport()->mapTo(&g, list.cellRect(3, 1).center());
        QCOMPARE(moves.last().at(2).toPoint(), expected);
        QTest::mouseMove(g.viewport(), list.cellRect(6, 0).center());
        QCOMPARE(g.MouseRow(), 6);
        QCOMPARE(g.MouseCol(), 0);
        // Over the heading: row 0.
        QHeaderView *heading = g.horizontalHeader();
        QTest::mouseMove(heading->viewport(),
                         QPoint(heading->sectionViewportPosition(2) + 5, heading->height() / 2));
        QCOMPARE(g.MouseRow(), 0);
        QCOMPARE(g.MouseCol(), 2);
        // Below the last row: no row.
        QTest::mouseMove(g.viewport(), QPoint(10, list.cellRect(6, 0).bottom() + 20));
        QCOMPARE(g.MouseRow(), -1);

        // A click makes that row current and raises RowColChange and Click.
        QCOMPARE(g.Row(), 0);
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(4, 2).center());
        QCOMPARE(g.Row(), 4);
        QCOMPARE(g.Col(), 0);
        QCOMPARE(g.ColSel(), 5);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(clicks.count(), 1);
        QVERIFY(g.selectionModel()->isRowSelected(3, QModelIndex()));
        // Clicking the same row again changes nothing.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(4, 0).center());
        QCOMPARE(changes.count(), 1);
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(doubles.count(), 0);
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, list.cellRect(2, 3).center());
        QCOMPARE(doubles.count(), 1);
        QCOMPARE(g.Row(), 2);
        QCOMPARE(changes.count(), 2);
        // Keys move the current row too.
        g.setFocus();
        QTest::keyClick(&g, Qt::Key_Down);
        QCOMPARE(g.Row(), 3);
        QCOMPARE(changes.count(), 3);
        // The program's own changes raise RowColChange as well, once each.
        g.setRow(5);
        g.setRow(5);
        QCOMPARE(changes.count(), 4);
    }

    void holdsAFullList()
    {
        // 32,767 entries, filled as the main window fills them and sorted
        // by a hidden key column.
        const int entries = 32767;
        Grid g;
        g.resize(800, 400);
        g.setFormatString(MainFormat);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        g.hide();
        g.setRedraw(false);
        g.setRows(1);
        for (int i = 1; i <= entries; ++i)
            g.AddItem(QStringLiteral("01/01/2004\tCase %1\tcat\tdesc\t%2")
                          .arg((i * 7919) % entries, 5, 10, QLatin1Char('0'))
                          .arg(i));
        g.setCol(1);
        g.setSort(5);
        g.setColHidden(4, true);
        g.setColHidden(5, true);
        g.setFillCol(3);
        g.show();
        g.setRedraw(true);
        g.setRow(entries);
        g.setTopRow(entries);
        QCOMPARE(g.Rows(), entries + 1);
        QCOMPARE(g.model()->rowCount(), entries);
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("Case 00000"));
        QCOMPARE(g.TextMatrix(entries, 1), QStringLiteral("Case 32766"));
        // 7919 is prime to 32767, so every key appears once, in order.
        for (int r = 1; r <= entries; r += 997)
            QCOMPARE(g.TextMatrix(r, 1),
                     QStringLiteral("Case %1").arg(r - 1, 5, 10, QLatin1Char('0')));
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("Case #"));
        QVERIFY(g.RowIsVisible(entries));
        QVERIFY(!g.RowIsVisible(1));
        QCOMPARE(g.currentIndex().row(), entries - 1);
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
