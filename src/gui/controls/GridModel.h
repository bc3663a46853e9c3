// The item model that shows a GridTable in a QTableView: the heading row
// becomes the horizontal header, the data rows the model's rows. Every
// change to the table goes through this model so the view hears of it;
// while the model is frozen (painting suspended) changes are only noted and
// one reset tells the view when it thaws.
#pragma once

#include "core/rules/GridTable.h"

#include <QAbstractTableModel>
#include <QColor>

// Colours are numbers 0xBBGGRR (red in the low byte) in the program.
inline QColor BgrToColor(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
inline quint32 ColorToBgr(const QColor &color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    const GridTable &table() const { return m_table; }
    // The current cell and selection live in the table; changing them
    // needs no model signal (the grid keeps its selection in step).
    GridTable &selectionState() { return m_table; }

    // Changes that the view must hear of.
    void setText(int row, int col, const QString &text);
    bool addItem(const QString &text, int index);
    bool removeItem(int index);
    void setBackColor(quint32 bgr); // every cell of the selection
    void setForeColor(quint32 bgr);
    void setRowsBackColor(int firstRow, int lastRow, int firstCol, int lastCol, quint32 evenBgr,
                          quint32 oddBgr);
    void setColAlignment(int col, int alignment);
    // Any other change (shape, format string, clear, sort): the view is
    // reset once around it.
    template <typename F> void reshape(F change)
    {
        if (m_frozen) {
            change(m_table);
            m_dirty = true;
            return;
        }
        beginResetModel();
        change(m_table);
        snapshot();
        endResetModel();
    }

    // While frozen the view keeps the shape it last knew and gets no
    // signals; thawing resets it once if anything changed.
    bool frozen() const { return m_frozen; }
    void setFrozen(bool frozen);

    // The tool tip every cell and heading shows.
    void setToolTip(const QString &text) { m_toolTip = text; }

    // Model row of a table row and back (the heading row is not a model row).
    int shownFixedRows() const { return m_shownFixed; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void snapshot();
    void selectionChanged();
    QVariant cellData(int row, int col, int role) const;

    GridTable m_table;
    bool m_frozen = false;
    bool m_dirty = false;
    // What the view was last told.
    int m_shownRows = 0;
    int m_shownCols = 0;
    int m_shownFixed = 1;
    QString m_toolTip;
};
