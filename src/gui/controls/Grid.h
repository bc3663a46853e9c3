// The list grid: a table of text cells with a heading row, shown in a
// QTableView over GridModel. The entry list of the main window and the user
// list of the administrative window use it through the operations below.
//
// Rows and columns are numbered from 0; row 0 is the heading row, data rows
// start at 1. Widths and heights are in twips, colours are numbers 0xBBGGRR.
// Row/Col/RowSel/ColSel are the grid's own state: they hold while the grid
// is hidden or its painting is suspended, and the view follows them.
//
// Columns that only carry data for the program (record numbers, sort keys)
// are hidden with setColHidden; the column named by setFillCol then grows so
// the visible columns fill the grid's width.
#pragma once

#include "gui/controls/GridModel.h"

#include <QHash>
#include <QTableView>
#include <vector>

class Grid : public QTableView
{
    Q_OBJECT
public:
    explicit Grid(QWidget *parent = nullptr);

    // ---- table ----
    int Rows() const { return m_model->table().Rows(); }
    void setRows(int rows); // Rows := 1 leaves only the heading row
    int Cols() const { return m_model->table().Cols(); }
    void setCols(int cols);
    int FixedRows() const { return m_model->table().FixedRows(); }
    void setFixedRows(int fixedRows); // 0 or 1
    QString FormatString() const { return m_model->table().FormatString(); }
    // Sets the columns, their headings and alignments ("<" left, "^" centre,
    // ">" right); each column becomes wide enough for its heading.
    void setFormatString(const QString &format);
    QString TextMatrix(int row, int col) const { return m_model->table().TextMatrix(row, col); }
    void setTextMatrix(int row, int col, const QString &text);
    // Replaces the rows from firstRow on with cells, row after row, Cols
    // cells a row (see GridTable::setRowTexts): a whole list in one step.
    bool setRowTexts(int firstRow, std::vector<QString> cells);
    // The same with count rows whose texts the grid asks of source when it
    // shows or sorts them (see GridTable::setSourceRows).
    bool setSourceRows(int firstRow, int count, GridTable::CellSource source);
    // Appends a row (or inserts it at index); cells separated by TAB.
    bool AddItem(const QString &text, int index = -1);
    bool RemoveItem(int index);
    void Clear();
    // Sorts the data rows by the columns Col..ColSel (see GridTable::Sort);
    // 5 is text, ascending, ignoring case. Rows with equal keys keep their
    // order.
    void setSort(int order);

    // ---- current cell and selection ----
    // Row is the highlighted row, 0 when none. Setting Row (Col) also sets
    // RowSel (ColSel). Every change of Row or Col raises RowColChange.
    int Row() const { return m_model->table().Row(); }
    void setRow(int row);
    int Col() const { return m_model->table().Col(); }
    void setCol(int col);
    int RowSel() const { return m_model->table().RowSel(); }
    void setRowSel(int row);
    int ColSel() const { return m_model->table().ColSel(); }
    void setColSel(int col);
    // First data row scrolled into view.
    int TopRow() const;
    void setTopRow(int row);

    // ---- layout ----
    double ColWidth(int col) const;
    void setColWidth(int col, double twips);
    double RowHeight(int row) const;
    void setRowHeight(int row, double twips);
    // Whether any part of the column (row) lies in the visible area; a
    // hidden column never does.
    bool ColIsVisible(int col) const;
    bool RowIsVisible(int row) const;
    int ColAlignment(int col) const { return m_model->table().ColAlignment(col); }
    void setColAlignment(int col, int alignment);
    bool ColHidden(int col) const;
    void setColHidden(int col, bool hidden);
    // The column that takes up the width the visible columns leave free
    // (never narrower than its ColWidth); -1 for none.
    int FillCol() const { return m_fillCol; }
    void setFillCol(int col);
    // The control's height in twips.
    double Height() const;
    void setHeight(double twips);

    // ---- colours (0xBBGGRR) ----
    // Reading gives the current cell's colour (the grid's colour when the
    // cell has none of its own); writing colours the selected cells.
    quint32 CellBackColor() const;
    void setCellBackColor(quint32 bgr);
    // Colours the columns firstCol..lastCol of the rows firstRow..lastRow
    // in one step: evenBgr on even rows, oddBgr on odd ones (the grey and
    // white shading of a sorted list). The current cell stays.
    void setRowsBackColor(int firstRow, int lastRow, int firstCol, int lastCol, quint32 evenBgr,
                          quint32 oddBgr);
    quint32 CellForeColor() const;
    void setCellForeColor(quint32 bgr);
    // The grid's own text and background colours.
    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 bgr);
    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 bgr);

    // ---- painting ----
    // False suspends painting and the view's updates while rows are added
    // or sorted; true shows the result at once.
    bool Redraw() const { return m_redraw; }
    void setRedraw(bool redraw);

    // ---- mouse and tool tip ----
    // The cell under the mouse pointer at its last move over the grid: row
    // 0 over the heading, -1 (row or column) where there is no cell.
    int MouseRow() const { return m_mouseRow; }
    int MouseCol() const { return m_mouseCol; }
    // The tool tip of the whole grid; also its accessible description.
    QString ToolTipText() const { return m_toolTip; }
    void setToolTipText(const QString &text);

    const GridTable &table() const { return m_model->table(); }

signals:
    // A left button press and release over the grid (cells or heading).
    void Click();
    void DblClick();
    // The current cell (Row or Col) changed, by the program or the person.
    void RowColChange();
    // The mouse moved over the grid; pos in the grid's own coordinates.
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint pos);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    template <typename F> void changeCurrent(F change);
    void syncView(bool force = false);
    void applyLayout();
    void onModelReset();
    void onCurrentChanged(const QModelIndex &current);
    void selectRange(const GridTable &t);
    int columnPixels(int col) const;
    int defaultRowPixels() const;
    void mouseAt(int row, int col, QMouseEvent *event, QWidget *from);

    GridModel *m_model;
    std::vector<double> m_colWidth; // twips, per column
    std::vector<bool> m_colHidden;
    QHash<int, double> m_rowHeight; // twips, data rows given their own height
    double m_headingHeight = -1;    // twips; -1 is the default
    int m_fillCol = -1;
    quint32 m_foreColor = 0x000000;
    quint32 m_backColor = 0xFFFFFF;
    bool m_redraw = true;
    bool m_syncing = false;
    bool m_viewStale = false;
    int m_layoutDepth = 0;
    int m_pendingTopRow = -1;
    int m_mouseRow = -1, m_mouseCol = -1;
    QString m_toolTip;
};
