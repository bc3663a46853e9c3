#include "core/entries/EntryList.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/DayTexts.h"
#include "core/entries/SearchFilter.h"

#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

namespace
{

using namespace EntryLayout;

// The trimmed bytes of a padded text field go to the end of texts; their
// length comes back.
quint8 keepText(QByteArray &texts, const char *record, int offset)
{
    const auto [begin, end] = TrimmedSpan(record + offset, EntryTextWidth(offset));
    texts.append(record + offset + begin, end - begin);
    return quint8(end - begin);
}

// The category's place among the categories met before (a list holds a few
// dozen), -1 when the table is full and the category is new.
qint8 sharedCategory(EntryListData &data, const char *record)
{
    const int width = EntryTextWidth(Category);
    for (size_t i = 0; i < data.categoryTexts.size(); ++i) {
        if (std::memcmp(data.categoryTexts[i].first.constData(), record + Category,
                        size_t(width)) == 0)
            return qint8(i);
    }
    if (data.categoryTexts.size() >= 64)
        return -1;
    data.categoryTexts.emplace_back(QByteArray(record + Category, width),
                                    FromFixedText(record + Category, width));
    return qint8(data.categoryTexts.size() - 1);
}

} // namespace

void CollectEntryRow(EntryListData &data, int n, const char *record, bool inactiveList,
                     ListMode mode, const EntryFilter &filter)
{
    const bool archived = static_cast<unsigned char>(record[Status]) == StatusArchived;
    if (archived)
        ++data.archivedCount;
    else
        ++data.activeCount;
    if (archived != inactiveList)
        return;

    if (mode != ListMode::AllEntries && (!filter || !filter(record)))
        return;
    EntryListRow row;
    row.receivedDate = qFromLittleEndian<double>(record + ReceivedDate);
    row.controlNumber = qFromLittleEndian<double>(record + ControlNumber);
    row.value = qFromLittleEndian<qint64>(record + Value);
    row.recordNumber = n;
    row.textAt = quint32(data.texts.size());
    row.caseLength = keepText(data.texts, record, CaseNumber);
    row.sharedCategory = sharedCategory(data, record);
    if (row.sharedCategory < 0)
        row.categoryLength = keepText(data.texts, record, Category);
    row.descriptionLength = keepText(data.texts, record, Description);
    data.exactTotal += row.value;
    data.total = qint64(qBound<__int128>(std::numeric_limits<qint64>::min(), data.exactTotal,
                                         std::numeric_limits<qint64>::max()));
    const QDate day = ReceivedDay(row.receivedDate);
    if (day.isValid()) {
        if (!data.earliest.isValid() || day < data.earliest)
            data.earliest = day;
        if (!data.latest.isValid() || day > data.latest)
            data.latest = day;
    }
    data.rows.push_back(row);
}

QString EntryListData::date(const EntryListRow &row) const
{
    return DayTexts::forThisThread().text(row.receivedDate);
}

QString EntryListData::caseNumber(const EntryListRow &row) const
{
    return FromFixedText(texts.constData() + row.textAt, row.caseLength);
}

QString EntryListData::category(const EntryListRow &row) const
{
    if (row.sharedCategory >= 0)
        return categoryTexts[size_t(row.sharedCategory)].second;
    return FromFixedText(texts.constData() + row.textAt + row.caseLength, row.categoryLength);
}

QString EntryListData::description(const EntryListRow &row) const
{
    return FromFixedText(texts.constData() + row.textAt + row.caseLength + row.categoryLength,
                         row.descriptionLength);
}

bool ReadEntryList(DataSet &ds, bool inactiveList, ListMode mode, const EntryFilter &filter,
                   EntryListData *data)
{
    *data = EntryListData();
    // A reader does not create the data file: after the last entry was
    // deleted the folder holds none until the next entry is added.
    if (!QFileInfo::exists(DataPath(ds, DataFileName))) {
        ds.RecordCount = 0;
        return true;
    }
    DataFile file(ds);
    if (!file.open(DataFile::ForReading)) {
        ds.RecordCount = 0;
        data->unavailable = true;
        return false;
    }
    ds.RecordCount = file.recordCount();
    data->rows.reserve(size_t(ds.RecordCount));
    // Room for the longest texts; pages never written are never touched.
    data->texts.reserve(
        qsizetype(ds.RecordCount) *
        (EntryTextWidth(CaseNumber) + EntryTextWidth(Category) + EntryTextWidth(Description)));
    const bool ok = file.forEachRaw([&](int n, const char *record) {
        CollectEntryRow(*data, n, record, inactiveList, mode, filter);
        return true;
    });
    file.close();
    return ok;
}

void SortEntryRows(EntryListData &data, int sortIndex)
{
    const size_t n = data.rows.size();
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t(0));
    if (sortIndex == 0) {
        // "yyyymmdd0000" orders as the days do; a row without a date, or
        // with one outside years 1..9999, has an empty key, before them.
        std::vector<qint64> day(n);
        for (size_t i = 0; i < n; ++i) {
            const QDate d = ReceivedDay(data.rows[i].receivedDate);
            day[i] = d.isValid() && d.year() >= 1 && d.year() <= 9999
                         ? d.toJulianDay()
                         : std::numeric_limits<qint64>::min();
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return day[a] < day[b]; });
    } else if (sortIndex == 1 || sortIndex == 2) {
        std::vector<QString> key(n);
        std::vector<QString> sharedKey(data.categoryTexts.size());
        for (size_t i = 0; i < sharedKey.size(); ++i)
            sharedKey[i] = data.categoryTexts[i].second.toCaseFolded();
        for (size_t i = 0; i < n; ++i) {
            const EntryListRow &r = data.rows[i];
            if (sortIndex == 1)
                key[i] = data.caseNumber(r).toCaseFolded();
            else
                key[i] = r.sharedCategory >= 0 ? sharedKey[size_t(r.sharedCategory)]
                                               : data.category(r).toCaseFolded();
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return key[a] < key[b]; });
    } else {
        return;
    }
    std::vector<EntryListRow> sorted;
    sorted.reserve(n);
    for (const size_t i : order)
        sorted.push_back(data.rows[i]);
    data.rows.swap(sorted);
}

QString RecordNumberText(int recordNumber)
{
    struct Table {
        std::vector<char16_t> digits;
        std::vector<int> start; // by record number, one more at the end
    };
    static const Table table = [] {
        Table t;
        t.start.reserve(size_t(MaxEntryCount) + 2);
        for (int n = 0; n <= MaxEntryCount; ++n) {
            t.start.push_back(int(t.digits.size()));
            for (const QChar c : QString::number(n))
                t.digits.push_back(c.unicode());
        }
        t.start.push_back(int(t.digits.size()));
        return t;
    }();
    if (recordNumber < 1 || recordNumber > MaxEntryCount)
        return QString::number(recordNumber);
    const int from = table.start[size_t(recordNumber)];
    return QString::fromRawData(reinterpret_cast<const QChar *>(table.digits.data()) + from,
                                table.start[size_t(recordNumber) + 1] - from);
}

QString EntryListHeader(bool inactiveList, int count, qint64 total)
{
    return QStringLiteral(" All ") +
           (inactiveList ? QStringLiteral("Archived") : QStringLiteral("Current")) +
           QStringLiteral(" Entries (") + QString::number(count) +
           QStringLiteral(")  Total Value: ") + FormatMoney(total);
}

QString EntrySortKey(int sortIndex, const QString &date, const QString &caseNumber,
                     const QString &category)
{
    switch (sortIndex) {
    case 0:
        return DateSortKey(date);
    case 1:
        return caseNumber;
    case 2:
        return category;
    default:
        return QString();
    }
}

QString EntryGridCells::text(int row, int col) const
{
    if (row < 0 || row >= rowCount())
        return QString();
    const EntryListRow &r = m_data.rows[size_t(row)];
    switch (col) {
    case 0:
        return m_data.date(r);
    case 1:
        return m_data.caseNumber(r);
    case 2:
        return m_data.category(r);
    case 3:
        return m_data.description(r);
    case EntryGridRecordCol:
        return RecordNumberText(r.recordNumber);
    case EntryGridSortCol:
        switch (m_sortIndex) {
        case 0:
            return DayTexts::forThisThread().sortKey(r.receivedDate);
        case 1:
            return m_data.caseNumber(r);
        case 2:
            return m_data.category(r);
        default:
            return QString();
        }
    default:
        return QString();
    }
}

ListPosition ChooseListPosition(int lastRow, int savedRow, int savedTopRow)
{
    ListPosition p;
    p.row = savedRow > 0 ? qMin(savedRow, lastRow) : lastRow;
    p.topRow = savedTopRow > 0 ? qMin(savedTopRow, lastRow) : p.row;
    return p;
}

std::optional<QString> EntryGridToolTip(int entriesListed, int mouseRow, int mouseCol,
                                        const QString &dateText)
{
    if (entriesListed < 1)
        return std::nullopt;
    if (mouseRow < 2)
        return QString();
    if (mouseCol == 0) {
        const std::optional<QDateTime> date = ParseDate(dateText);
        return date ? QLatin1Char(' ') + WeekdayText(*date) + QLatin1Char(' ') : QString();
    }
    return QStringLiteral(" Double click to see the entire Entry Card in a separate window ");
}

QString SummaryControlNumber(double controlNumber)
{
    const QDateTime when = FromOleDate(controlNumber);
    if (when.isValid() && when.date().year() >= 1990)
        return StampText(when);
    return LegacyNumberText(controlNumber);
}

QStringList EntrySummaryTexts(const EntryRecord &entry)
{
    return {SummaryControlNumber(entry.ControlNumber),
            entry.CaseNumber.trimmed(),
            entry.Location.trimmed(),
            entry.Category.trimmed(),
            entry.BrandName.trimmed(),
            entry.ModelNumber.trimmed(),
            entry.SerialNumber.trimmed(),
            entry.Description.trimmed(),
            FormatMoney(entry.Value)};
}
