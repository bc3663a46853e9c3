#include "core/entries/EntryList.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/entries/DataFile.h"
#include "core/entries/DayTexts.h"
#include "core/entries/SearchFilter.h"

#include <QFileInfo>
#include <QtEndian>
#include <cstring>
#include <limits>

namespace
{

using namespace EntryLayout;

// A padded text field, trimmed.
QString fieldText(const char *record, int offset)
{
    return FromFixedText(record + offset, EntryTextWidth(offset));
}

QString cachedCategory(EntryListData &data, const char *record)
{
    const int width = EntryTextWidth(Category);
    for (const auto &known : data.categoryTexts) {
        if (std::memcmp(known.first.constData(), record + Category, size_t(width)) == 0)
            return known.second;
    }
    QString text = fieldText(record, Category);
    if (data.categoryTexts.size() < 64)
        data.categoryTexts.emplace_back(QByteArray(record + Category, width), text);
    return text;
}

} // namespace

namespace
{

// Lists record n when it belongs to the list; the date text is left to the
// caller when withDate is false.
void collectRow(EntryListData &data, int n, const char *record, bool inactiveList, ListMode mode,
                const EntryFilter &filter, bool withDate)
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
    if (withDate)
        row.date = DayTexts::forThisThread().text(row.receivedDate);
    row.caseNumber = fieldText(record, CaseNumber);
    row.category = cachedCategory(data, record);
    row.description = fieldText(record, Description);
    row.controlNumber = qFromLittleEndian<double>(record + ControlNumber);
    row.value = qFromLittleEndian<qint64>(record + Value);
    row.recordNumber = n;
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
    data.rows.push_back(std::move(row));
}

} // namespace

void CollectEntryRow(EntryListData &data, int n, const char *record, bool inactiveList,
                     ListMode mode, const EntryFilter &filter)
{
    collectRow(data, n, record, inactiveList, mode, filter, true);
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
    while (!file.open(DataFile::ForReading)) {
        // Retried for a while already; the person may try again or give up.
        if (ShowMsgBox(DataFileUnavailableTitle(), 4, DataFileUnavailableText(ds), 1, false,
                       {QStringLiteral("&Retry"), QStringLiteral("&Cancel")})
                .choice != 1) {
            ds.RecordCount = 0;
            return false;
        }
    }
    ds.RecordCount = file.recordCount();
    data->rows.reserve(size_t(ds.RecordCount));
    const bool ok = file.forEachRaw([&](int n, const char *record) {
        collectRow(*data, n, record, inactiveList, mode, filter, false);
        return true;
    });
    file.close();
    // The date texts after the pass: while the file streams through the
    // caches, every shared text would be fetched from memory again.
    DayTexts &days = DayTexts::forThisThread();
    for (EntryListRow &row : data->rows)
        row.date = days.text(row.receivedDate);
    return ok;
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
        return date ? FormatDate(*date, QStringLiteral(" dddd ")) : QString();
    }
    return QStringLiteral(" Double click to see the entire Entry Card in a separate window ");
}

QString SummaryControlNumber(double controlNumber)
{
    const QDateTime when = FromOleDate(controlNumber);
    if (when.isValid() && when.date().year() >= 1990)
        return FormatDate(when, QStringLiteral("yyyymmddhhnnss"));
    return FormatNumber(controlNumber, QStringLiteral("00000"));
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
