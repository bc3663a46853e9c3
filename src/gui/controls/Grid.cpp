#include "gui/controls/Grid.h"

#include "core/common/Desktop.h"

#include <QCursor>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>

namespace
{
constexpr double DefaultColWidth = 960;  // twips
constexpr double DefaultRowHeight = 240; // twips, at least the font's height
constexpr int HeadingMargin = 14;        // pixels around a heading's text
} // namespace

Grid::Grid(QWidget *parent) : QTableView(parent), m_model(new GridModel(this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);

    QHeaderView *rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(defaultRowPixels());
    QHeaderView *heading = horizontalHeader();
    heading->setMinimumSectionSize(0);
    heading->setSectionResizeMode(QHeaderView::Fixed);
    heading->setSectionsClickable(false);
    heading->setHighlightSections(false);
    heading->setStretchLastSection(false);

    viewport()->setMouseTracking(true);
    heading->viewport()->setMouseTracking(true);
    heading->viewport()->installEventFilter(this);

    m_foreColor = ColorToBgr(palette().color(QPalette::Text));
    m_backColor = ColorToBgr(palette().color(QPalette::Base));

    connect(m_model, &QAbstractItemModel::modelReset, this, &Grid::onModelReset);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &) { onCurrentChanged(current); });
    applyLayout();
}

// ---- table ----

template <typename F> void Grid::changeCurrent(F change)
{
    const int row = Row(), col = Col();
    change();
    syncView();
    if (Row() != row || Col() != col)
        emit RowColChange();
}

void Grid::setRows(int rows)
{
    changeCurrent([&] { m_model->reshape([&](GridTable &t) { t.setRows(rows); }); });
    for (auto it = m_rowHeight.begin(); it != m_rowHeight.end();)
        it = it.key() >= Rows() ? m_rowHeight.erase(it) : std::next(it);
}

void Grid::setCols(int cols)
{
    changeCurrent([&] { m_model->reshape([&](GridTable &t) { t.setCols(cols); }); });
    applyLayout();
}

void Grid::setFixedRows(int fixedRows)
{
    changeCurrent([&] { m_model->reshape([&](GridTable &t) { t.setFixedRows(fixedRows); }); });
}

void Grid::setFormatString(const QString &format)
{
    changeCurrent([&] { m_model->reshape([&](GridTable &t) { t.setFormatString(format); }); });
    const QFontMetrics metrics = horizontalHeader()->fontMetrics();
    m_colWidth.resize(size_t(Cols()), DefaultColWidth);
    m_colHidden.resize(size_t(Cols()), false);
    for (int c = 0; c < Cols(); ++c) {
        const QString heading = FixedRows() > 0 ? TextMatrix(0, c) : QString();
        m_colWidth[size_t(c)] = PixelsToTwips(metrics.horizontalAdvance(heading) + HeadingMargin);
    }
    applyLayout();
}

void Grid::setTextMatrix(int row, int col, const QString &text)
{
    m_model->setText(row, col, text);
}

bool Grid::setRowTexts(int firstRow, std::vector<QString> cells)
{
    bool ok = false;
    changeCurrent([&] {
        m_model->reshape([&](GridTable &t) { ok = t.setRowTexts(firstRow, std::move(cells)); });
    });
    for (auto it = m_rowHeight.begin(); it != m_rowHeight.end();)
        it = it.key() >= Rows() ? m_rowHeight.erase(it) : std::next(it);
    return ok;
}

bool Grid::setSourceRows(int firstRow, int count, GridTable::CellSource source)
{
    bool ok = false;
    changeCurrent([&] {
        m_model->reshape(
            [&](GridTable &t) { ok = t.setSourceRows(firstRow, count, std::move(source)); });
    });
    for (auto it = m_rowHeight.begin(); it != m_rowHeight.end();)
        it = it.key() >= Rows() ? m_rowHeight.erase(it) : std::next(it);
    return ok;
}

bool Grid::AddItem(const QString &text, int index)
{
    bool ok = false;
    changeCurrent([&] { ok = m_model->addItem(text, index); });
    return ok;
}

bool Grid::RemoveItem(int index)
{
    bool ok = false;
    changeCurrent([&] { ok = m_model->removeItem(index); });
    return ok;
}

void Grid::Clear()
{
    m_model->reshape([](GridTable &t) { t.Clear(); });
}

void Grid::setSort(int order)
{
    m_model->reshape([&](GridTable &t) { t.Sort(order); });
}

// ---- current cell and selection ----

void Grid::setRow(int row)
{
    changeCurrent([&] { m_model->selectionState().setRow(row); });
}

void Grid::setCol(int col)
{
    changeCurrent([&] { m_model->selectionState().setCol(col); });
}

void Grid::setRowSel(int row)
{
    changeCurrent([&] { m_model->selectionState().setRowSel(row); });
}

void Grid::setColSel(int col)
{
    changeCurrent([&] { m_model->selectionState().setColSel(col); });
}

int Grid::TopRow() const
{
    if (m_pendingTopRow >= 0)
        return m_pendingTopRow;
    const int fixed = m_model->shownFixedRows();
    const int row = m_model->rowCount() > 0 ? rowAt(0) : -1;
    return row < 0 ? FixedRows() : row + fixed;
}

void Grid::setTopRow(int row)
{
    if (Rows() <= FixedRows())
        return;
    m_pendingTopRow = qBound(FixedRows(), row, Rows() - 1);
    syncView();
}

// Brings the view's current index, selection and scroll position in step
// with the grid's state. While the grid is hidden or frozen this waits for
// the next showing or thaw, so bulk work on a hidden grid costs no view work.
void Grid::syncView(bool force)
{
    if (m_model->frozen() || (!isVisible() && !force)) {
        m_viewStale = true;
        return;
    }
    m_viewStale = false;
    m_syncing = true;
    selectRange(table());
    if (m_pendingTopRow >= 0) {
        const int top = m_pendingTopRow - m_model->shownFixedRows();
        m_pendingTopRow = -1;
        updateGeometries();
        if (top >= 0 && top < m_model->rowCount())
            verticalScrollBar()->setValue(top);
    }
    m_syncing = false;
}

void Grid::selectRange(const GridTable &t)
{
    QItemSelectionModel *selection = selectionModel();
    const int fixed = m_model->shownFixedRows();
    const int rows = m_model->rowCount(), cols = m_model->columnCount();
    if (t.Row() < fixed || t.Row() - fixed >= rows || t.Col() >= cols) {
        selection->clear();
        return;
    }
    selection->setCurrentIndex(m_model->index(t.Row() - fixed, t.Col()),
                               QItemSelectionModel::NoUpdate);
    const int top = qMax(t.selTop(), fixed) - fixed;
    const int bottom = qMin(t.selBottom() - fixed, rows - 1);
    const int right = qMin(t.selRight(), cols - 1);
    selection->select(
        QItemSelection(m_model->index(top, t.selLeft()), m_model->index(bottom, right)),
        QItemSelectionModel::ClearAndSelect);
}

// A person moved the current cell (click, keys, focus): the highlighted row
// follows and its cells are selected.
void Grid::onCurrentChanged(const QModelIndex &current)
{
    if (m_syncing || !current.isValid())
        return;
    const int row = Row(), col = Col();
    GridTable &t = m_model->selectionState();
    t.setRow(current.row() + m_model->shownFixedRows());
    t.setCol(0);
    t.setColSel(t.Cols() - 1);
    if (!selectionModel()->isRowSelected(current.row(), QModelIndex())) {
        m_syncing = true;
        selectionModel()->select(current,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_syncing = false;
    }
    if (Row() != row || Col() != col)
        emit RowColChange();
}

void Grid::onModelReset()
{
    applyLayout();
    syncView();
}

// ---- layout ----

int Grid::defaultRowPixels() const
{
    return qMax(TwipsToPixels(DefaultRowHeight), fontMetrics().height() + 4);
}

int Grid::columnPixels(int col) const
{
    if (m_colHidden[size_t(col)])
        return 0;
    const int own = TwipsToPixels(m_colWidth[size_t(col)]);
    if (col != m_fillCol)
        return own;
    int others = 0;
    for (int c = 0; c < int(m_colWidth.size()); ++c)
        if (c != col && !m_colHidden[size_t(c)])
            others += TwipsToPixels(m_colWidth[size_t(c)]);
    return qMax(own, viewport()->width() - others);
}

// Puts widths, hidden columns and heights on the view. The fill column's
// width depends on the viewport's, which a scroll bar coming or going
// changes; the nested call that causes is let through a few times.
void Grid::applyLayout()
{
    m_colWidth.resize(size_t(Cols()), DefaultColWidth);
    m_colHidden.resize(size_t(Cols()), false);
    if (m_model->frozen() || m_layoutDepth > 2)
        return;
    ++m_layoutDepth;
    QHeaderView *heading = horizontalHeader();
    const int rowPixels = defaultRowPixels();
    heading->setVisible(m_model->shownFixedRows() > 0);
    heading->setFixedHeight(m_headingHeight >= 0 ? TwipsToPixels(m_headingHeight) : rowPixels);
    if (verticalHeader()->defaultSectionSize() != rowPixels)
        verticalHeader()->setDefaultSectionSize(rowPixels);
    const int cols = qMin(Cols(), heading->count());
    for (int c = 0; c < cols; ++c)
        setColumnHidden(c, m_colHidden[size_t(c)]);
    for (int c = 0; c < cols; ++c)
        if (!m_colHidden[size_t(c)])
            heading->resizeSection(c, columnPixels(c));
    const int fixed = m_model->shownFixedRows();
    for (auto it = m_rowHeight.cbegin(); it != m_rowHeight.cend(); ++it)
        if (it.key() - fixed < m_model->rowCount())
            verticalHeader()->resizeSection(it.key() - fixed, TwipsToPixels(it.value()));
    --m_layoutDepth;
}

double Grid::ColWidth(int col) const
{
    return col >= 0 && col < int(m_colWidth.size()) ? m_colWidth[size_t(col)] : 0;
}

void Grid::setColWidth(int col, double twips)
{
    if (col < 0 || col >= Cols())
        return;
    m_colWidth[size_t(col)] = qMax(0.0, twips);
    applyLayout();
}

double Grid::RowHeight(int row) const
{
    const double normal = PixelsToTwips(defaultRowPixels());
    if (row < FixedRows())
        return m_headingHeight >= 0 ? m_headingHeight : normal;
    return m_rowHeight.value(row, normal);
}

void Grid::setRowHeight(int row, double twips)
{
    if (row < 0 || row >= Rows())
        return;
    if (row < FixedRows())
        m_headingHeight = qMax(0.0, twips);
    else
        m_rowHeight.insert(row, qMax(0.0, twips));
    applyLayout();
}

bool Grid::ColIsVisible(int col) const
{
    if (col < 0 || col >= Cols() || m_colHidden[size_t(col)])
        return false;
    if (m_viewStale)
        const_cast<Grid *>(this)->syncView(true);
    if (col >= horizontalHeader()->count())
        return false;
    const int x = columnViewportPosition(col), w = columnWidth(col);
    return w > 0 && x + w > 0 && x < viewport()->width();
}

bool Grid::RowIsVisible(int row) const
{
    if (row < 0 || row >= Rows())
        return false;
    const int fixed = m_model->shownFixedRows();
    if (row < fixed)
        return true;
    if (m_viewStale || m_pendingTopRow >= 0)
        const_cast<Grid *>(this)->syncView(true);
    if (row - fixed >= m_model->rowCount())
        return false;
    const int y = rowViewportPosition(row - fixed), h = rowHeight(row - fixed);
    return h > 0 && y + h > 0 && y < viewport()->height();
}

void Grid::setColAlignment(int col, int alignment)
{
    m_model->setColAlignment(col, alignment);
}

bool Grid::ColHidden(int col) const
{
    return col >= 0 && col < int(m_colHidden.size()) && m_colHidden[size_t(col)];
}

void Grid::setColHidden(int col, bool hidden)
{
    if (col < 0 || col >= Cols())
        return;
    m_colHidden[size_t(col)] = hidden;
    applyLayout();
}

void Grid::setFillCol(int col)
{
    m_fillCol = col >= 0 && col < Cols() ? col : -1;
    applyLayout();
}

double Grid::Height() const
{
    return PixelsToTwips(height());
}

void Grid::setHeight(double twips)
{
    resize(width(), TwipsToPixels(twips));
}

// ---- colours ----

quint32 Grid::CellBackColor() const
{
    const quint32 c = table().CellBackColor();
    return c == GridTable::NoColor ? m_backColor : c;
}

void Grid::setCellBackColor(quint32 bgr)
{
    m_model->setBackColor(bgr);
}

void Grid::setRowsBackColor(int firstRow, int lastRow, int firstCol, int lastCol, quint32 evenBgr,
                            quint32 oddBgr)
{
    m_model->setRowsBackColor(firstRow, lastRow, firstCol, lastCol, evenBgr, oddBgr);
}

quint32 Grid::CellForeColor() const
{
    const quint32 c = table().CellForeColor();
    return c == GridTable::NoColor ? m_foreColor : c;
}

void Grid::setCellForeColor(quint32 bgr)
{
    m_model->setForeColor(bgr);
}

void Grid::setForeColor(quint32 bgr)
{
    m_foreColor = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Text, BgrToColor(bgr));
    setPalette(p);
}

void Grid::setBackColor(quint32 bgr)
{
    m_backColor = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Base, BgrToColor(bgr));
    setPalette(p);
}

// ---- painting ----

void Grid::setRedraw(bool redraw)
{
    if (redraw == m_redraw)
        return;
    m_redraw = redraw;
    if (!redraw) {
        m_model->setFrozen(true);
        setUpdatesEnabled(false);
        return;
    }
    setUpdatesEnabled(true);
    m_model->setFrozen(false); // one reset when anything changed
    applyLayout();
    syncView();
    viewport()->update();
}

// ---- events ----

void Grid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    applyLayout();
}

void Grid::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    applyLayout();
    if (m_viewStale || m_pendingTopRow >= 0)
        syncView();
}

// Taking the focus makes no row current by itself (the view would pick the
// first one); the arrow keys then start from the top.
void Grid::focusInEvent(QFocusEvent *event)
{
    m_syncing = true;
    QTableView::focusInEvent(event);
    m_syncing = false;
    syncView();
}

void Grid::mouseAt(int row, int col, QMouseEvent *event, QWidget *from)
{
    m_mouseRow = row;
    m_mouseCol = col;
    emit MouseMove(event->buttons(), event->modifiers(),
                   from->mapTo(this, event->position().toPoint()));
}

void Grid::mouseMoveEvent(QMouseEvent *event)
{
    QTableView::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    const int row = rowAt(pos.y());
    mouseAt(row < 0 ? -1 : row + m_model->shownFixedRows(), columnAt(pos.x()), event, viewport());
}

void Grid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton &&
        viewport()->rect().contains(event->position().toPoint()))
        emit Click();
}

void Grid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

bool Grid::eventFilter(QObject *watched, QEvent *event)
{
    QHeaderView *heading = horizontalHeader();
    if (watched == heading->viewport()) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        switch (event->type()) {
        case QEvent::MouseMove:
            mouseAt(0, heading->logicalIndexAt(mouse->position().toPoint()), mouse,
                    heading->viewport());
            break;
        case QEvent::MouseButtonRelease:
            if (mouse->button() == Qt::LeftButton)
                emit Click();
            break;
        case QEvent::MouseButtonDblClick:
            if (mouse->button() == Qt::LeftButton)
                emit DblClick();
            break;
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void Grid::setToolTipText(const QString &text)
{
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    m_model->setToolTip(text);
    setToolTip(text);
    setAccessibleDescription(text);
    // A tip already showing follows the pointer's new cell at once.
    if (QToolTip::isVisible() && underMouse()) {
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(QCursor::pos(), text, this);
    }
}
