// The entry list of the main window without its widgets: which entries the
// list holds and the four texts it shows of each, the counts and total of
// the header line, sort keys, row shading, the highlighted row after a
// reload, the grid's tool tip and the summary texts of one entry.
#pragma once

#include "core/common/Desktop.h"
#include "core/entries/EntryRecord.h"

#include "core/common/DataSet.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

// What the list shows: every entry of the displayed list, or the ones a
// text search or a date summary found.
enum class ListMode { AllEntries, TextSearch, DateSearch };

// In a search mode an entry is listed only when the filter passes its
// record (the 5000 bytes as they stand in the data file).
using EntryFilter = std::function<bool(const char *record)>;

// The grid's columns: four shown, the record number and the sort key
// carried in hidden ones.
inline const QString EntryGridFormat =
    QStringLiteral("<Date Rec'd|<Case #|<Category|<Description|<Rec# (hidden)|<SortCol (hidden)");
constexpr int EntryGridRecordCol = 4;
constexpr int EntryGridSortCol = 5;
constexpr int EntryGridLastShownCol = 3;
// Widths of the four shown columns, in twips.
constexpr double EntryGridColWidths[4] = {1050, 1600, 1850, 5750};

// Grid text colour marking the list: dark blue for the "Active List", dark
// red for the "Inactive List" (0xBBGGRR).
constexpr quint32 ActiveListColor = 0xC00000;   // RGB(0, 0, 192)
constexpr quint32 InactiveListColor = 0x000080; // RGB(128, 0, 0)
// Background of the rows when the list is sorted: light grey and white.
constexpr quint32 ShadeGrey = 0xF0F0F0; // RGB(240, 240, 240)
constexpr quint32 ShadeWhite = 0xFFFFFF;

// One listed entry: where it sits in the data file, what identifies it
// (its control number and its case number, the text of the second column),
// its value and received date, and where its texts lie in the list's text
// bytes (EntryListData::texts, Windows-1252, trimmed).
struct EntryListRow {
    int recordNumber = 0;
    double controlNumber = 0;
    qint64 value = 0;
    double receivedDate = 0; // OLE date; 0 for none
    quint32 textAt = 0;      // case number, then category (when not shared), then description
    quint8 caseLength = 0;
    quint8 categoryLength = 0;
    quint8 descriptionLength = 0;
    qint8 sharedCategory = -1; // index into EntryListData::categoryTexts, -1 for none
};

// The listed entries as one column store made in one pass over the file:
// the shown texts stay as the file's bytes until a cell is shown or sorted.
struct EntryListData {
    std::vector<EntryListRow> rows; // in file order until sorted
    QByteArray texts;               // the rows' text bytes, one after another
    int activeCount = 0;
    int archivedCount = 0;
    // Sum of Value over the listed rows, held at the limits of qint64 when
    // damaged records carry values beyond them (exact whenever it fits).
    qint64 total = 0;
    __int128 exactTotal = 0;
    // The first and last received day of the listed rows (invalid when
    // none has a date): the bounds of the Search window's date picker.
    QDate earliest;
    QDate latest;
    // The data file could not be opened (retried for a while already).
    bool unavailable = false;
    // The sort option the rows are in already (SortEntryRows), -1 for none.
    int sortedBy = -1;

    // Categories met before, shared by the rows that repeat them (a list
    // holds a few dozen); received dates share theirs through DayTexts.
    std::vector<std::pair<QByteArray, QString>> categoryTexts;

    // The texts the list shows of a row: the received date "mm/dd/yyyy"
    // (empty for none), the case number, category and description.
    QString date(const EntryListRow &row) const;
    QString caseNumber(const EntryListRow &row) const;
    QString category(const EntryListRow &row) const;
    QString description(const EntryListRow &row) const;
};

// Looks at record n (5000 bytes): counts it as archived (Status 2) or
// active (anything else), and lists it when it belongs to the displayed
// list and, in a search mode, passes the filter. Only the fields the list
// shows are decoded.
void CollectEntryRow(EntryListData &data, int n, const char *record, bool inactiveList,
                     ListMode mode, const EntryFilter &filter);

// Reads the data file in one pass into data (which is emptied first). A
// missing data file is an empty list and is not created. False when the
// file could not be read; when it could not even be opened,
// data->unavailable is set and the window asks
// (DataFileUnavailableMessage with Retry: Retry reads it again). Asks nothing.
bool ReadEntryList(DataSet &ds, bool inactiveList, ListMode mode, const EntryFilter &filter,
                   EntryListData *data);

// The full list of current entries read ahead on a thread of its own, while
// the title and sign-in windows stand on screen (a person reads and types
// for seconds), and put in the date order the list opens in. The next
// ReadEntryList of the full current list takes it instead of reading the
// file again when the file is still the one read then: the same file, size,
// modification and status-change times; otherwise it reads the file anew.
// One read ahead per data set; a data set with a fault hook (tests) reads
// only through its hooks and is not read ahead. A read ahead still waiting
// for a file just written to settle is dropped at the load, not waited for.
void StartEntryListAhead(DataSet &ds);
// Waits for the read ahead of ds to end; true when it read the file (the
// benchmark waits as a person types).
bool WaitForEntryListAhead(const DataSet &ds);
// Forgets the read ahead (the list came from elsewhere); its thread ends
// on its own.
void DropEntryListAhead(DataSet &ds);

// Puts the rows in the order of sort option sortIndex (see EntrySortKey;
// any other leaves them): the order the list grid's case-insensitive sort
// of the sort column gives, rows with equal keys keeping their order. The
// list comes sorted from its load without a text made for every row; rows
// in that order already (sortedBy) stay as they are.
void SortEntryRows(EntryListData &data, int sortIndex);

// The decimal text of a record number (1..MaxEntryCount come from one
// table built once, so a list of them costs no allocations).
QString RecordNumberText(int recordNumber);

// The header line of the full list: " All Current Entries (12)  Total
// Value: $1,234.00" (count = the entries of the displayed list).
QString EntryListHeader(bool inactiveList, int count, qint64 total);

// Sort keys by sort option: 0 "Date" gives "yyyymmdd0000" from the date
// column's "mm/dd/yyyy" (empty for no date), 1 "Case#" the case number,
// 2 "Category" the category.
QString EntrySortKey(int sortIndex, const QString &date, const QString &caseNumber,
                     const QString &category);

// The texts of the list grid's cells from a loaded list: column 0..3 the
// shown texts, EntryGridRecordCol the record number and EntryGridSortCol
// the key of the sort option set last (none: empty). Rows share the list;
// the grid asks for the cells it shows or sorts.
class EntryGridCells
{
public:
    explicit EntryGridCells(EntryListData data) : m_data(std::move(data)) {}
    const EntryListData &data() const { return m_data; }
    int rowCount() const { return int(m_data.rows.size()); }
    QString text(int row, int col) const;
    void setSortIndex(int sortIndex) { m_sortIndex = sortIndex; }

private:
    EntryListData m_data;
    int m_sortIndex = -1;
};
// The background of row r (1 is the first entry) of a sorted list.
inline quint32 EntryRowShade(int row)
{
    return row % 2 == 0 ? ShadeGrey : ShadeWhite;
}
// The sort frame is offered only for two entries or more.
inline bool SortFrameShown(int entriesListed)
{
    return entriesListed >= 2;
}

// The highlighted row and the first row shown after a reload of the full
// list: a saved position (0 = none) held to the last row, else the last row.
struct ListPosition {
    int row = 0;
    int topRow = 0;
};
ListPosition ChooseListPosition(int lastRow, int savedRow, int savedTopRow);

// The grid's tool tip for the pointer over (mouseRow, mouseCol): the
// weekday " dddd " of the row's date over column 0, the double-click hint
// over the others, empty over the heading and the first entry row. Nothing
// (leave the tool tip as it is) when no entry is listed.
std::optional<QString> EntryGridToolTip(int entriesListed, int mouseRow, int mouseCol,
                                        const QString &dateText);

// The summary's control number: fourteen digits "yyyymmddhhnnss" for a
// date in 1990 or later, otherwise the five-digit legacy form "00000".
QString SummaryControlNumber(double controlNumber);
// The nine texts of the summary panel, box 0 to 8.
QStringList EntrySummaryTexts(const EntryRecord &entry);
