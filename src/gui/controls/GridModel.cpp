#include "gui/controls/GridModel.h"

#include <QBrush>

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent)
{
    snapshot();
}

void GridModel::snapshot()
{
    m_shownFixed = m_table.FixedRows();
    m_shownRows = m_table.Rows() - m_shownFixed;
    m_shownCols = m_table.Cols();
}

void GridModel::setFrozen(bool frozen)
{
    if (frozen == m_frozen)
        return;
    m_frozen = frozen;
    if (!frozen && m_dirty) {
        m_dirty = false;
        beginResetModel();
        snapshot();
        endResetModel();
    }
}

void GridModel::setText(int row, int col, const QString &text)
{
    if (!m_table.setTextMatrix(row, col, text))
        return;
    if (m_frozen) {
        m_dirty = true;
    } else if (row < m_shownFixed) {
        emit headerDataChanged(Qt::Horizontal, col, col);
    } else {
        const QModelIndex i = index(row - m_shownFixed, col);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::TextAlignmentRole});
    }
}

bool GridModel::addItem(const QString &text, int at)
{
    if (m_frozen) {
        const bool ok = m_table.AddItem(text, at);
        m_dirty = m_dirty || ok;
        return ok;
    }
    const int where = at == -1 ? m_table.Rows() : at;
    if (where < 0 || where > m_table.Rows())
        return false;
    if (where < m_shownFixed) { // a row before the heading: the heading moves
        beginResetModel();
        m_table.AddItem(text, at);
        snapshot();
        endResetModel();
        return true;
    }
    beginInsertRows(QModelIndex(), where - m_shownFixed, where - m_shownFixed);
    m_table.AddItem(text, at);
    snapshot();
    endInsertRows();
    return true;
}

bool GridModel::removeItem(int at)
{
    if (at < m_table.FixedRows() || at >= m_table.Rows())
        return false;
    if (m_frozen) {
        m_dirty = true;
        return m_table.RemoveItem(at);
    }
    beginRemoveRows(QModelIndex(), at - m_shownFixed, at - m_shownFixed);
    m_table.RemoveItem(at);
    snapshot();
    endRemoveRows();
    return true;
}

void GridModel::selectionChanged()
{
    if (m_frozen) {
        m_dirty = true;
        return;
    }
    const int left = m_table.selLeft(), right = m_table.selRight();
    const int top = m_table.selTop(), bottom = m_table.selBottom();
    if (top < m_shownFixed)
        emit headerDataChanged(Qt::Horizontal, left, right);
    const int first = qMax(top, m_shownFixed) - m_shownFixed;
    const int last = bottom - m_shownFixed;
    if (last >= first)
        emit dataChanged(index(first, left), index(last, right),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

void GridModel::setBackColor(quint32 bgr)
{
    m_table.setCellBackColor(bgr);
    selectionChanged();
}

void GridModel::setRowsBackColor(int firstRow, int lastRow, int firstCol, int lastCol,
                                 quint32 evenBgr, quint32 oddBgr)
{
    m_table.setRowsBackColor(firstRow, lastRow, firstCol, lastCol, evenBgr, oddBgr);
    if (m_frozen) {
        m_dirty = true;
        return;
    }
    const int left = qMax(firstCol, 0), right = qMin(lastCol, m_shownCols - 1);
    if (firstRow < m_shownFixed && left <= right)
        emit headerDataChanged(Qt::Horizontal, left, right);
    const int first = qMax(firstRow, m_shownFixed) - m_shownFixed;
    const int last = qMin(lastRow - m_shownFixed, m_shownRows - 1);
    if (last >= first && left <= right)
        emit dataChanged(index(first, left), index(last, right), {Qt::BackgroundRole});
}

void GridModel::setForeColor(quint32 bgr)
{
    m_table.setCellForeColor(bgr);
    selectionChanged();
}

void GridModel::setColAlignment(int col, int alignment)
{
    m_table.setColAlignment(col, alignment);
    if (m_frozen) {
        m_dirty = true;
    } else if (col >= 0 && col < m_shownCols) {
        emit headerDataChanged(Qt::Horizontal, col, col);
        if (m_shownRows > 0)
            emit dataChanged(index(0, col), index(m_shownRows - 1, col), {Qt::TextAlignmentRole});
    }
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownCols;
}

namespace
{

Qt::Alignment toQt(const GridTable &table, int row, int col)
{
    const int alignment = table.ColAlignment(col);
    if (alignment == GridTable::AlignGeneral)
        return (GridTable::looksNumeric(table.cellText(row, col)) ? Qt::AlignRight
                                                                  : Qt::AlignLeft) |
               Qt::AlignVCenter;
    static const Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static const Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return horizontal[alignment / 3] | vertical[alignment % 3];
}

} // namespace

QVariant GridModel::cellData(int row, int col, int role) const
{
    // While frozen the view may ask for a cell the table no longer has.
    if (row < 0 || row >= m_table.Rows() || col < 0 || col >= m_table.Cols())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_table.cellText(row, col);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(toQt(m_table, row, col));
    case Qt::BackgroundRole: {
        const quint32 c = m_table.cellBackColor(row, col);
        return c == GridTable::NoColor ? QVariant() : QVariant(QBrush(BgrToColor(c)));
    }
    case Qt::ForegroundRole: {
        const quint32 c = m_table.cellForeColor(row, col);
        return c == GridTable::NoColor ? QVariant() : QVariant(QBrush(BgrToColor(c)));
    }
    case Qt::ToolTipRole:
        return m_toolTip.isEmpty() ? QVariant() : QVariant(m_toolTip);
    default:
        return QVariant();
    }
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    return cellData(index.row() + m_shownFixed, index.column(), role);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || m_shownFixed == 0)
        return QVariant();
    return cellData(0, section, role);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
