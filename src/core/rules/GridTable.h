// The text table behind the list grids: cells, the heading row, the current
// cell and selection, per-cell colours, and sorting. It holds no widget; the
// grid control (controls/Grid) shows it and keeps its view in step.
//
// Rows are numbered from 0; rows below FixedRows (0 or 1) are headings and
// are never moved by a sort. Cells are kept row after row in one contiguous
// vector, so a list of tens of thousands of entries costs one string per
// cell and nothing else. Colours are numbers 0xBBGGRR (red in the low byte);
// NoColor means "the grid's own colour".
//
// A long list need not be copied in: rows taken from a cell source hold no
// texts of their own, and the table asks the source for a cell's text when
// it is shown, printed or sorted. A text written into such a cell is then
// the cell's own.
#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

class GridTable
{
public:
    static constexpr quint32 NoColor = 0xFFFFFFFFu;

    // The text of column col of the source's row sourceRow.
    using CellSource = std::function<QString(int sourceRow, int col)>;

    // Column alignments; the numbers are the ones the windows pass.
    enum Alignment {
        AlignLeftTop = 0,
        AlignLeftCenter = 1,
        AlignLeftBottom = 2,
        AlignCenterTop = 3,
        AlignCenterCenter = 4,
        AlignCenterBottom = 5,
        AlignRightTop = 6,
        AlignRightCenter = 7,
        AlignRightBottom = 8,
        AlignGeneral = 9 // numbers right, other text left
    };

    // Sort orders; the numbers are the ones the windows pass.
    enum SortOrder {
        SortNone = 0,
        SortGenericAscending = 1, // numbers by value before other text
        SortGenericDescending = 2,
        SortNumericAscending = 3, // text that is no number counts as 0
        SortNumericDescending = 4,
        SortStringNoCaseAscending = 5,
        SortStringNoCaseDescending = 6,
        SortStringAscending = 7,
        SortStringDescending = 8
    };

    GridTable();

    // ---- shape ----
    int Rows() const { return m_rows; }
    // At least FixedRows; new rows are empty, cut rows are gone.
    void setRows(int rows);
    int Cols() const { return m_cols; }
    // At least 1; texts and colours of the remaining columns stay.
    void setCols(int cols);
    int FixedRows() const { return m_fixedRows; }
    // 0 or 1 (a larger value counts as 1); rows are added to hold it.
    void setFixedRows(int fixedRows);

    // Headings separated by "|"; a heading starting with "<" is aligned
    // left, "^" centred, ">" right, otherwise general. Sets Cols to the
    // number of headings and, with a heading row, row 0's texts.
    QString FormatString() const { return m_formatString; }
    void setFormatString(const QString &format);

    // ---- cells ----
    // Outside the table: reads give "" and writes are ignored (false).
    QString TextMatrix(int row, int col) const;
    bool setTextMatrix(int row, int col, const QString &text);
    // The same for a cell inside the table.
    QString cellText(int row, int col) const;

    // Replaces the rows from firstRow (FixedRows..Rows) on with the texts of
    // cells, row after row, Cols cells a row; a short last row is filled
    // with empty cells. The new rows have no colours of their own, the
    // current cell is held inside the table. One move fills a whole list.
    // False (nothing changes) for another firstRow.
    bool setRowTexts(int firstRow, std::vector<QString> cells);
    // The same with count rows whose texts come from source: row firstRow
    // + i shows the source's row i. The table keeps the source (one for the
    // whole table) until the rows are replaced or Clear.
    bool setSourceRows(int firstRow, int count, CellSource source);

    // Inserts one row at index (appends when index is -1); text holds the
    // cells in column order separated by TAB; missing cells stay empty and
    // cells beyond Cols are dropped. False (nothing added) when index lies
    // outside 0..Rows.
    bool AddItem(const QString &text, int index = -1);
    // Removes one data row (a heading row is refused, false). The last data
    // row may go: the heading row then stands alone.
    bool RemoveItem(int index);
    // Empties every cell, the headings included, and drops every cell
    // colour; the shape and the current cell stay.
    void Clear();

    // ---- current cell and selection ----
    // Setting Row (Col) also sets RowSel (ColSel) to it. Values are held
    // inside the table (0..Rows-1, 0..Cols-1). Row 0 with a heading row
    // means no data row is highlighted.
    int Row() const { return m_row; }
    void setRow(int row);
    int Col() const { return m_col; }
    void setCol(int col);
    int RowSel() const { return m_rowSel; }
    void setRowSel(int row);
    int ColSel() const { return m_colSel; }
    void setColSel(int col);
    // The selection as an ordered rectangle.
    int selTop() const { return qMin(m_row, m_rowSel); }
    int selBottom() const { return qMax(m_row, m_rowSel); }
    int selLeft() const { return qMin(m_col, m_colSel); }
    int selRight() const { return qMax(m_col, m_colSel); }

    // ---- colours ----
    // Reading gives the current cell's colour (NoColor when it has none);
    // writing colours every cell of the selection.
    quint32 CellBackColor() const { return cellBackColor(m_row, m_col); }
    void setCellBackColor(quint32 bgr);
    quint32 CellForeColor() const { return cellForeColor(m_row, m_col); }
    void setCellForeColor(quint32 bgr);
    quint32 cellBackColor(int row, int col) const;
    // Colours the cells firstCol..lastCol of the rows firstRow..lastRow
    // (both held inside the table): evenBgr on even rows, oddBgr on odd
    // ones. The current cell and selection stay.
    void setRowsBackColor(int firstRow, int lastRow, int firstCol, int lastCol, quint32 evenBgr,
                          quint32 oddBgr);
    quint32 cellForeColor(int row, int col) const;

    // ---- alignment ----
    int ColAlignment(int col) const;
    void setColAlignment(int col, int alignment);
    // Whether text counts as a number for general alignment and sorting.
    static bool looksNumeric(const QString &text);

    // ---- sorting ----
    // Sorts whole rows by the texts of the columns Col..ColSel, compared
    // from left to right. The rows sorted are Row..RowSel when they differ,
    // otherwise every data row; heading rows never move. Rows whose keys
    // are equal keep their order (the sort is stable). Cell colours move
    // with their rows; the current cell and selection stay where they are.
    // False when order is not a sort this table knows (nothing changes).
    bool Sort(int order);

private:
    size_t index(int row, int col) const { return size_t(row) * size_t(m_cols) + size_t(col); }
    size_t cellCount() const { return size_t(m_rows) * size_t(m_cols); }
    // Gives every cell of a source row its place in m_cells (before a
    // text is written or rows are moved one by one).
    void materialize();
    bool inside(int row, int col) const
    {
        return row >= 0 && row < m_rows && col >= 0 && col < m_cols;
    }
    void clampCurrent();
    void setSelectionColor(std::vector<quint32> &colors, quint32 bgr);
    void reshape(int rows, int cols);
    void dropSourceRows(int fromRow);

    int m_rows = 1;
    int m_cols = 2;
    int m_fixedRows = 1;
    int m_row = 0, m_col = 0, m_rowSel = 0, m_colSel = 0;
    QString m_formatString;
    // m_rows * m_cols, row after row; the rows from a source on may have
    // none yet (cells past the end have no text of their own).
    std::vector<QString> m_cells;
    std::vector<quint32> m_back; // empty until a colour is set
    // Rows coloured in turns while m_back is empty: the shading of a long
    // list costs no colour per cell until a row moves or a cell is coloured
    // on its own (paintStripes then writes them into m_back).
    struct Stripes {
        int firstRow, lastRow, firstCol, lastCol;
        quint32 even, odd;
    };
    std::optional<Stripes> m_stripes;
    void paintStripes();
    // Rows from `rows` on lose their colours.
    void cutStripes(int rows);
    std::vector<quint32> m_fore;  // empty until a colour is set
    std::vector<int> m_alignment; // per column
    // The source row of each row (-1: the row holds its own texts); empty
    // without a source. A null cell of a source row shows the source's text.
    CellSource m_source;
    std::vector<int> m_sourceRow;
};
