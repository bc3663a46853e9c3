#include "core/rules/GridTable.h"

#include <QHash>
#include <QLocale>
#include <QStringView>
#include <algorithm>
#include <iterator>
#include <numeric>
#include <type_traits>

GridTable::GridTable()
{
    m_cells.resize(size_t(m_rows) * size_t(m_cols));
    m_alignment.assign(size_t(m_cols), AlignGeneral);
}

// ---- shape ----

void GridTable::reshape(int rows, int cols)
{
    if (cols == m_cols) {
        const size_t n = size_t(rows) * size_t(cols);
        cutStripes(rows);
        m_cells.resize(n);
        if (!m_back.empty())
            m_back.resize(n, NoColor);
        if (!m_fore.empty())
            m_fore.resize(n, NoColor);
    } else {
        materialize();
        paintStripes();
        auto move = [&](auto &from, auto fill) {
            using V = std::decay_t<decltype(from)>;
            V to(size_t(rows) * size_t(cols), fill);
            const int keepRows = qMin(rows, m_rows), keepCols = qMin(cols, m_cols);
            for (int r = 0; r < keepRows; ++r)
                for (int c = 0; c < keepCols; ++c)
                    to[size_t(r) * size_t(cols) + size_t(c)] = std::move(from[index(r, c)]);
            from.swap(to);
        };
        move(m_cells, QString());
        if (!m_back.empty())
            move(m_back, NoColor);
        if (!m_fore.empty())
            move(m_fore, NoColor);
        m_alignment.resize(size_t(cols), AlignGeneral);
    }
    dropSourceRows(rows);
    if (!m_sourceRow.empty())
        m_sourceRow.resize(size_t(rows), -1);
    m_rows = rows;
    m_cols = cols;
    clampCurrent();
}

void GridTable::setRows(int rows)
{
    reshape(qMax(rows, m_fixedRows), m_cols);
}

void GridTable::setCols(int cols)
{
    reshape(m_rows, qMax(cols, 1));
}

void GridTable::setFixedRows(int fixedRows)
{
    m_fixedRows = qBound(0, fixedRows, 1);
    if (m_rows < m_fixedRows)
        setRows(m_fixedRows);
}

void GridTable::setFormatString(const QString &format)
{
    m_formatString = format;
    const QStringList headings = format.split(QLatin1Char('|'));
    setCols(int(headings.size()));
    for (int c = 0; c < int(headings.size()); ++c) {
        QString text = headings[c];
        int alignment = AlignGeneral;
        if (text.startsWith(QLatin1Char('<')))
            alignment = AlignLeftCenter;
        else if (text.startsWith(QLatin1Char('^')))
            alignment = AlignCenterCenter;
        else if (text.startsWith(QLatin1Char('>')))
            alignment = AlignRightCenter;
        if (alignment != AlignGeneral)
            text.remove(0, 1);
        m_alignment[size_t(c)] = alignment;
        if (m_fixedRows > 0)
            m_cells[index(0, c)] = text;
    }
}

// ---- cells ----

QString GridTable::TextMatrix(int row, int col) const
{
    return inside(row, col) ? cellText(row, col) : QString();
}

QString GridTable::cellText(int row, int col) const
{
    const size_t i = index(row, col);
    const bool sourced = !m_sourceRow.empty() && m_sourceRow[size_t(row)] >= 0;
    if (i < m_cells.size() && (!m_cells[i].isNull() || !sourced))
        return m_cells[i];
    return sourced ? m_source(m_sourceRow[size_t(row)], col) : QString();
}

void GridTable::materialize()
{
    if (m_cells.size() < cellCount())
        m_cells.resize(cellCount());
}

bool GridTable::setTextMatrix(int row, int col, const QString &text)
{
    if (!inside(row, col))
        return false;
    materialize();
    // An empty text written over a source's text stays the cell's own.
    const bool sourced = !m_sourceRow.empty() && m_sourceRow[size_t(row)] >= 0;
    m_cells[index(row, col)] = text.isNull() && sourced ? QStringLiteral("") : text;
    return true;
}

// Rows from fromRow on are about to be replaced: their source rows go, and
// the source itself when no row is left that shows it.
void GridTable::dropSourceRows(int fromRow)
{
    if (m_sourceRow.empty())
        return;
    m_sourceRow.resize(qMin(m_sourceRow.size(), size_t(fromRow)));
    if (std::all_of(m_sourceRow.begin(), m_sourceRow.end(), [](int r) { return r < 0; })) {
        m_sourceRow.clear();
        m_source = nullptr;
    }
}

bool GridTable::setSourceRows(int firstRow, int count, CellSource source)
{
    if (firstRow < m_fixedRows || firstRow > m_rows || count < 0 || !source)
        return false;
    dropSourceRows(firstRow);
    // The new rows have no cells of their own until a text is written into
    // one (their texts are the source's): a long list costs no string per
    // cell.
    const size_t kept = size_t(firstRow) * size_t(m_cols);
    cutStripes(firstRow);
    m_cells.resize(kept);
    m_rows = firstRow + count;
    for (std::vector<quint32> *colors : {&m_back, &m_fore}) {
        if (!colors->empty()) {
            colors->resize(kept);
            colors->resize(cellCount(), NoColor);
        }
    }
    m_sourceRow.resize(size_t(firstRow), -1);
    m_sourceRow.reserve(size_t(m_rows));
    for (int i = 0; i < count; ++i)
        m_sourceRow.push_back(i);
    m_source = std::move(source);
    clampCurrent();
    return true;
}

bool GridTable::setRowTexts(int firstRow, std::vector<QString> cells)
{
    if (firstRow < m_fixedRows || firstRow > m_rows)
        return false;
    dropSourceRows(firstRow);
    const size_t cols = size_t(m_cols);
    const size_t newRows = (cells.size() + cols - 1) / cols;
    const size_t kept = size_t(firstRow) * cols;
    cutStripes(firstRow);
    cells.resize(newRows * cols);
    if (kept == 0) {
        m_cells.swap(cells);
    } else {
        m_cells.resize(kept);
        m_cells.reserve(kept + cells.size());
        std::move(cells.begin(), cells.end(), std::back_inserter(m_cells));
    }
    m_rows = firstRow + int(newRows);
    if (!m_sourceRow.empty())
        m_sourceRow.resize(size_t(m_rows), -1);
    for (std::vector<quint32> *colors : {&m_back, &m_fore}) {
        if (!colors->empty()) {
            colors->resize(kept);
            colors->resize(m_cells.size(), NoColor);
        }
    }
    clampCurrent();
    return true;
}

bool GridTable::AddItem(const QString &text, int at)
{
    if (at == -1)
        at = m_rows;
    if (at < 0 || at > m_rows)
        return false;
    materialize();
    paintStripes();
    const size_t pos = size_t(at) * size_t(m_cols);
    m_cells.insert(m_cells.begin() + std::ptrdiff_t(pos), size_t(m_cols), QString());
    if (!m_back.empty())
        m_back.insert(m_back.begin() + std::ptrdiff_t(pos), size_t(m_cols), NoColor);
    if (!m_fore.empty())
        m_fore.insert(m_fore.begin() + std::ptrdiff_t(pos), size_t(m_cols), NoColor);
    if (!m_sourceRow.empty())
        m_sourceRow.insert(m_sourceRow.begin() + at, -1);
    int c = 0;
    for (QStringView cell : QStringView(text).split(QLatin1Char('\t'))) {
        if (c >= m_cols)
            break;
        m_cells[pos + size_t(c++)] = cell.toString();
    }
    ++m_rows;
    // The current cell stays on the same row of text.
    if (at <= m_row && m_row >= m_fixedRows && at >= m_fixedRows) {
        ++m_row;
        ++m_rowSel;
    }
    clampCurrent();
    return true;
}

bool GridTable::RemoveItem(int at)
{
    if (at < m_fixedRows || at >= m_rows)
        return false;
    materialize();
    paintStripes();
    const auto first = std::ptrdiff_t(size_t(at) * size_t(m_cols));
    const auto last = first + m_cols;
    m_cells.erase(m_cells.begin() + first, m_cells.begin() + last);
    if (!m_back.empty())
        m_back.erase(m_back.begin() + first, m_back.begin() + last);
    if (!m_fore.empty())
        m_fore.erase(m_fore.begin() + first, m_fore.begin() + last);
    if (!m_sourceRow.empty())
        m_sourceRow.erase(m_sourceRow.begin() + at);
    --m_rows;
    if (m_row > at)
        --m_row;
    if (m_rowSel > at)
        --m_rowSel;
    clampCurrent();
    return true;
}

void GridTable::Clear()
{
    materialize();
    for (QString &cell : m_cells)
        cell.clear();
    m_sourceRow.clear();
    m_source = nullptr;
    m_stripes.reset();
    m_back.clear();
    m_fore.clear();
}

// ---- current cell and selection ----

namespace
{
// value held to 0..count-1 (0 when count is 0)
int within(int value, int count)
{
    return qMax(0, qMin(value, count - 1));
}
} // namespace

void GridTable::clampCurrent()
{
    m_row = within(m_row, m_rows);
    m_rowSel = within(m_rowSel, m_rows);
    m_col = within(m_col, m_cols);
    m_colSel = within(m_colSel, m_cols);
}

void GridTable::setRow(int row)
{
    m_row = m_rowSel = within(row, m_rows);
}

void GridTable::setCol(int col)
{
    m_col = m_colSel = within(col, m_cols);
}

void GridTable::setRowSel(int row)
{
    m_rowSel = within(row, m_rows);
}

void GridTable::setColSel(int col)
{
    m_colSel = within(col, m_cols);
}

// ---- colours ----

void GridTable::setSelectionColor(std::vector<quint32> &colors, quint32 bgr)
{
    if (&colors == &m_back)
        paintStripes();
    if (colors.empty()) {
        if (bgr == NoColor)
            return;
        colors.assign(cellCount(), NoColor);
    }
    for (int r = selTop(); r <= selBottom(); ++r)
        for (int c = selLeft(); c <= selRight(); ++c)
            colors[index(r, c)] = bgr;
}

void GridTable::setCellBackColor(quint32 bgr)
{
    setSelectionColor(m_back, bgr);
}

void GridTable::setCellForeColor(quint32 bgr)
{
    setSelectionColor(m_fore, bgr);
}

void GridTable::setRowsBackColor(int firstRow, int lastRow, int firstCol, int lastCol,
                                 quint32 evenBgr, quint32 oddBgr)
{
    firstRow = qMax(firstRow, 0);
    lastRow = qMin(lastRow, m_rows - 1);
    firstCol = qMax(firstCol, 0);
    lastCol = qMin(lastCol, m_cols - 1);
    if (lastRow < firstRow || lastCol < firstCol)
        return;
    if (m_back.empty() && !m_stripes) {
        if (evenBgr != NoColor || oddBgr != NoColor)
            m_stripes = Stripes{firstRow, lastRow, firstCol, lastCol, evenBgr, oddBgr};
        return;
    }
    paintStripes();
    for (int r = firstRow; r <= lastRow; ++r) {
        const quint32 bgr = r % 2 == 0 ? evenBgr : oddBgr;
        std::fill(m_back.begin() + std::ptrdiff_t(index(r, firstCol)),
                  m_back.begin() + std::ptrdiff_t(index(r, lastCol)) + 1, bgr);
    }
}

void GridTable::paintStripes()
{
    if (!m_stripes)
        return;
    const Stripes s = *m_stripes;
    m_stripes.reset();
    m_back.assign(cellCount(), NoColor);
    for (int r = s.firstRow; r <= s.lastRow; ++r) {
        std::fill(m_back.begin() + std::ptrdiff_t(index(r, s.firstCol)),
                  m_back.begin() + std::ptrdiff_t(index(r, s.lastCol)) + 1,
                  r % 2 == 0 ? s.even : s.odd);
    }
}

void GridTable::cutStripes(int rows)
{
    if (m_stripes &&
        (m_stripes->lastRow = qMin(m_stripes->lastRow, rows - 1)) < m_stripes->firstRow)
        m_stripes.reset();
}

quint32 GridTable::cellBackColor(int row, int col) const
{
    if (m_stripes) {
        const Stripes &s = *m_stripes;
        if (row < s.firstRow || row > s.lastRow || col < s.firstCol || col > s.lastCol)
            return NoColor;
        return row % 2 == 0 ? s.even : s.odd;
    }
    return m_back.empty() || !inside(row, col) ? NoColor : m_back[index(row, col)];
}

quint32 GridTable::cellForeColor(int row, int col) const
{
    return m_fore.empty() || !inside(row, col) ? NoColor : m_fore[index(row, col)];
}

// ---- alignment ----

int GridTable::ColAlignment(int col) const
{
    return col >= 0 && col < m_cols ? m_alignment[size_t(col)] : AlignGeneral;
}

void GridTable::setColAlignment(int col, int alignment)
{
    if (col >= 0 && col < m_cols && alignment >= AlignLeftTop && alignment <= AlignGeneral)
        m_alignment[size_t(col)] = alignment;
}

namespace
{

// The value of text that reads as a number: an optional sign, an optional
// "$", digits with optional thousands commas and decimals, an optional
// exponent; blanks around it are allowed.
bool parseNumber(const QString &text, double *value)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    QString sign;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        sign = t.left(1);
        t.remove(0, 1);
    }
    if (t.startsWith(QLatin1Char('$')))
        t.remove(0, 1);
    t.remove(QLatin1Char(','));
    if (t.isEmpty() || !(t[0].isDigit() || t[0] == QLatin1Char('.')))
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(sign + t, &ok);
    if (ok && value)
        *value = v;
    return ok;
}

} // namespace

bool GridTable::looksNumeric(const QString &text)
{
    return parseNumber(text, nullptr);
}

// ---- sorting ----

namespace
{

// The group of each of texts: texts holding the very same string, not
// merely equal ones, are one group. Groups are numbered in the order they
// are met; newGroup(i) is called when texts[i] opens one.
template <typename F>
std::vector<int> groupsBySharedText(const std::vector<QString> &texts, F newGroup)
{
    QHash<std::pair<const QChar *, qsizetype>, int> groupOf;
    groupOf.reserve(qsizetype(texts.size()));
    std::vector<int> group(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const auto at = groupOf.constFind({texts[i].constData(), texts[i].size()});
        if (at != groupOf.constEnd()) {
            group[i] = *at;
        } else {
            group[i] = int(groupOf.size());
            groupOf.insert({texts[i].constData(), texts[i].size()}, group[i]);
            newGroup(int(i));
        }
    }
    return group;
}

// The key text of row: the texts of the columns left..right joined by NUL,
// which sorts below every other character, so joined keys compare column by
// column; case-folded for the case-insensitive orders.
QString joinedKey(const GridTable &t, int row, int left, int right, bool noCase)
{
    QString text;
    if (left == right) {
        text = t.cellText(row, left);
    } else {
        for (int c = left; c <= right; ++c) {
            if (c > left)
                text += QChar(0);
            text += t.cellText(row, c);
        }
    }
    return noCase ? std::move(text).toCaseFolded() : text;
}

// The order of the rows first.. (count of them) for the numeric and generic
// sorts: numbers compare by the first key column's value, the rest as text.
std::vector<int> numberOrder(const GridTable &t, int first, int count, int left, int right,
                             bool numeric, bool descending)
{
    struct Key {
        QString text;
        double number = 0;
        bool isNumber = false;
    };
    std::vector<Key> keys(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Key &key = keys[size_t(i)];
        key.isNumber = parseNumber(t.cellText(first + i, left), &key.number);
        key.text = joinedKey(t, first + i, left, right, false);
    }
    auto less = [&](const Key &a, const Key &b) {
        if (numeric)
            return a.number < b.number;
        if (a.isNumber != b.isNumber)
            return a.isNumber; // numbers before other text
        if (a.isNumber && a.number != b.number)
            return a.number < b.number;
        return a.text < b.text;
    };
    std::vector<int> perm(static_cast<size_t>(count));
    std::iota(perm.begin(), perm.end(), 0);
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        return descending ? less(keys[size_t(b)], keys[size_t(a)])
                          : less(keys[size_t(a)], keys[size_t(b)]);
    });
    return perm;
}

// The order of rows whose keys are keys[group[i]]: the keys are ordered
// once each and the rows placed by the rank of their key, keeping their
// order among equal keys. The first eight characters of each key are packed
// into two numbers that compare as those characters do (a key shorter than
// eight is padded with NUL, which never puts it after a longer key it
// begins); the texts are compared only when the numbers are equal.
std::vector<int> orderByKeyRank(const std::vector<QString> &keys, const std::vector<int> &group,
                                bool descending)
{
    const size_t groups = keys.size();
    std::vector<std::pair<quint64, quint64>> prefix(groups);
    for (size_t g = 0; g < groups; ++g) {
        quint64 part[2] = {0, 0};
        for (int i = 0; i < 8; ++i) {
            const quint64 unit = i < keys[g].size() ? keys[g][i].unicode() : 0;
            part[i / 4] |= unit << (16 * (3 - i % 4));
        }
        prefix[g] = {part[0], part[1]};
    }
    auto less = [&](int a, int b) {
        const auto &pa = prefix[size_t(a)], &pb = prefix[size_t(b)];
        return pa != pb ? pa < pb : keys[size_t(a)] < keys[size_t(b)];
    };
    auto before = [&](int a, int b) { return descending ? less(b, a) : less(a, b); };
    std::vector<int> byOrder(groups);
    std::iota(byOrder.begin(), byOrder.end(), 0);
    std::sort(byOrder.begin(), byOrder.end(), before);
    std::vector<int> rank(groups);
    int ranks = 0;
    for (size_t k = 0; k < groups; ++k) {
        if (k == 0 || before(byOrder[k - 1], byOrder[k]))
            ++ranks;
        rank[size_t(byOrder[k])] = ranks - 1;
    }
    std::vector<int> start(size_t(ranks) + 1, 0);
    for (const int g : group)
        ++start[size_t(rank[size_t(g)]) + 1];
    for (int r = 0; r < ranks; ++r)
        start[size_t(r) + 1] += start[size_t(r)];
    std::vector<int> perm(group.size());
    for (size_t i = 0; i < group.size(); ++i)
        perm[size_t(start[size_t(rank[size_t(group[i])])]++)] = int(i);
    return perm;
}

// The order of the rows first.. (count of them) for the text sorts. Rows
// often share one key string (a day, a category): with one key column the
// rows are grouped by the string they share and each group's key is made
// once.
std::vector<int> textOrder(const GridTable &t, int first, int count, int left, int right,
                           bool noCase, bool descending)
{
    std::vector<int> group(static_cast<size_t>(count));
    std::vector<QString> keys;
    if (left == right) {
        // Held while grouping: a source's texts live as long as their copies.
        std::vector<QString> texts(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            texts[size_t(i)] = t.cellText(first + i, left);
        group = groupsBySharedText(texts, [&](int i) {
            keys.push_back(noCase ? texts[size_t(i)].toCaseFolded() : texts[size_t(i)]);
        });
    } else {
        keys.reserve(size_t(count));
        for (int i = 0; i < count; ++i) {
            group[size_t(i)] = i;
            keys.push_back(joinedKey(t, first + i, left, right, noCase));
        }
    }
    return orderByKeyRank(keys, group, descending);
}

// Moves the rows of cells (width cells each) from row first on in place,
// cycle by cycle: row first + i takes the row first + perm[i].
template <typename Cell>
void moveRows(std::vector<Cell> &cells, size_t width, int first, const std::vector<int> &perm)
{
    const int count = int(perm.size());
    auto rowAt = [&](int i) {
        return cells.begin() + std::ptrdiff_t((size_t(first) + size_t(i)) * width);
    };
    std::vector<Cell> held(width);
    std::vector<bool> placed(perm.size(), false);
    for (int start = 0; start < count; ++start) {
        if (placed[size_t(start)] || perm[size_t(start)] == start)
            continue;
        std::move(rowAt(start), rowAt(start) + std::ptrdiff_t(width), held.begin());
        int to = start;
        for (int from = perm[size_t(to)]; from != start; from = perm[size_t(to)]) {
            std::move(rowAt(from), rowAt(from) + std::ptrdiff_t(width), rowAt(to));
            placed[size_t(to)] = true;
            to = from;
        }
        std::move(held.begin(), held.end(), rowAt(to));
        placed[size_t(to)] = true;
    }
}

} // namespace

bool GridTable::Sort(int order)
{
    if (order < SortGenericAscending || order > SortStringDescending)
        return false;
    int first = m_fixedRows, last = m_rows - 1;
    if (m_row != m_rowSel) {
        first = qMax(selTop(), m_fixedRows);
        last = selBottom();
    }
    const int count = last - first + 1;
    if (count < 2)
        return true;
    const bool descending = order % 2 == 0;
    const std::vector<int> perm = order <= SortNumericDescending
                                      ? numberOrder(*this, first, count, selLeft(), selRight(),
                                                    order >= SortNumericAscending, descending)
                                      : textOrder(*this, first, count, selLeft(), selRight(),
                                                  order <= SortStringNoCaseDescending, descending);

    // Cells move with their rows, except where a row has nothing of its
    // own: no colours, or a source's texts and none of its own.
    const auto from = std::ptrdiff_t(index(first, 0)), to = from + std::ptrdiff_t(count) * m_cols;
    const auto held = std::ptrdiff_t(m_cells.size());
    const bool ownTexts =
        m_sourceRow.empty() ||
        std::any_of(m_cells.begin() + qMin(from, held), m_cells.begin() + qMin(to, held),
                    [](const QString &c) { return !c.isNull(); });
    if (ownTexts) {
        materialize();
        moveRows(m_cells, size_t(m_cols), first, perm);
    }
    paintStripes();
    for (std::vector<quint32> *colors : {&m_back, &m_fore}) {
        if (!colors->empty() && std::any_of(colors->begin() + from, colors->begin() + to,
                                            [](quint32 c) { return c != NoColor; }))
            moveRows(*colors, size_t(m_cols), first, perm);
    }
    if (!m_sourceRow.empty())
        moveRows(m_sourceRow, 1, first, perm);
    return true;
}
