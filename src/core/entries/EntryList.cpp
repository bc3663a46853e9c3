#include "core/entries/EntryList.h"

#include "core/common/FileOps.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/DayTexts.h"
#include "core/entries/SearchFilter.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <numeric>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

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

namespace
{

// What tells one state of the data file from another: the file itself, its
// size, and the times every write moves.
struct FileState {
    quint64 device = 0, inode = 0, size = 0;
    qint64 modified[2] = {}, changed[2] = {};
    bool operator==(const FileState &o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               std::equal(modified, modified + 2, o.modified) &&
               std::equal(changed, changed + 2, o.changed);
    }
};

// The state as the file server has it now; false when it is no plain file.
bool fileState(int dirFd, const char *path, int flags, FileState *state)
{
    struct statx sx;
    if (::statx(dirFd, path, flags | AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &sx) != 0 ||
        !S_ISREG(sx.stx_mode))
        return false;
    state->device = (quint64(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    state->inode = sx.stx_ino;
    state->size = sx.stx_size;
    state->modified[0] = sx.stx_mtime.tv_sec;
    state->modified[1] = sx.stx_mtime.tv_nsec;
    state->changed[0] = sx.stx_ctime.tv_sec;
    state->changed[1] = sx.stx_ctime.tv_nsec;
    return true;
}

struct AheadRead {
    bool ok = false;
    FileState state;
    int recordCount = 0;
    EntryListData data;
};

} // namespace

// A read ahead, shared by the data set and the thread that reads: the data
// set may drop it (and be gone) while the thread still settles or reads.
struct EntryListAhead {
    QString path;
    std::atomic<bool> dropped{false};
    std::atomic<bool> reading{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    AheadRead result;
};

namespace
{

// The whole file of the read ahead read as ReadEntryList reads it, in date
// order; not ok when it could not be read through, changed meanwhile or
// was dropped.
AheadRead readAhead(EntryListAhead &ahead)
{
    AheadRead r;
    const int fd = OpenDataSetFile(ahead.path, O_RDONLY);
    if (fd < 0)
        return r;
    // Two writes within one tick of the file system's clock leave the same
    // times: a file written within the last second or two is looked at
    // again each second, and not read ahead while it is still being
    // written to. Dropped meanwhile, it is not read at all.
    FileState before;
    bool settled = false;
    for (int look = 0; look < 4 && !settled && !ahead.dropped; ++look) {
        for (int wait = 0; look > 0 && wait < 20 && !ahead.dropped; ++wait)
            QThread::msleep(50);
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        settled = fileState(fd, "", AT_EMPTY_PATH, &before) && before.modified[0] < now - 1;
    }
    ahead.reading = settled && !ahead.dropped;
    if (ahead.reading && before.size % EntryRecordLength == 0) {
        const int count = RecordCountForLength(qint64(before.size));
        constexpr int BlockRecords = 50;
        std::vector<char> block(size_t(BlockRecords) * EntryRecordLength);
        r.data.rows.reserve(size_t(count));
        r.data.texts.reserve(qsizetype(count) * (EntryTextWidth(EntryLayout::CaseNumber) +
                                                 EntryTextWidth(EntryLayout::Category) +
                                                 EntryTextWidth(EntryLayout::Description)));
        bool ok = true;
        for (int n = 1; ok && n <= count; n += BlockRecords) {
            const int records = qMin(BlockRecords, count - n + 1);
            const size_t want = size_t(records) * EntryRecordLength;
            size_t got = 0;
            while (got < want) {
                const ssize_t k = ::pread(fd, block.data() + got, want - got,
                                          off_t(qint64(n - 1) * EntryRecordLength + qint64(got)));
                if (k < 0 && errno == EINTR)
                    continue;
                if (k <= 0)
                    break;
                got += size_t(k);
            }
            ok = got == want && !ahead.dropped;
            for (int i = 0; ok && i < records; ++i)
                CollectEntryRow(r.data, n + i, block.data() + size_t(i) * EntryRecordLength, false,
                                ListMode::AllEntries, {});
        }
        FileState after;
        r.ok = ok && fileState(fd, "", AT_EMPTY_PATH, &after) && after == before;
        if (r.ok) {
            r.state = before;
            r.recordCount = count;
            SortEntryRows(r.data, 0);
            RecordNumberText(1); // the grid's record number texts, made once
        }
    }
    ::close(fd);
    return r;
}

// The read ahead of ds, forgotten. One that is still reading is waited
// for; one still waiting for the file to settle is dropped, and the list
// is read as without one.
AheadRead takeAhead(DataSet &ds)
{
    const std::shared_ptr<EntryListAhead> ahead = std::exchange(ds.listAhead, nullptr);
    if (!ahead || ahead->path != DataPath(ds, DataFileName))
        return AheadRead();
    std::unique_lock<std::mutex> hold(ahead->mutex);
    if (!ahead->done && !ahead->reading) {
        ahead->dropped = true;
        return AheadRead();
    }
    ahead->ended.wait(hold, [&] { return ahead->done; });
    return std::move(ahead->result);
}

} // namespace

void StartEntryListAhead(DataSet &ds)
{
    DropEntryListAhead(ds);
    if (ds.options.FaultHook)
        return;
    auto ahead = std::make_shared<EntryListAhead>();
    ahead->path = DataPath(ds, DataFileName);
    ds.listAhead = ahead;
    std::thread([ahead] {
        AheadRead read = readAhead(*ahead);
        const std::lock_guard<std::mutex> hold(ahead->mutex);
        ahead->result = std::move(read);
        ahead->done = true;
        ahead->ended.notify_all();
    }).detach();
}

bool WaitForEntryListAhead(const DataSet &ds)
{
    const std::shared_ptr<EntryListAhead> ahead = ds.listAhead;
    if (!ahead)
        return false;
    std::unique_lock<std::mutex> hold(ahead->mutex);
    ahead->ended.wait(hold, [&] { return ahead->done; });
    return ahead->result.ok;
}

void DropEntryListAhead(DataSet &ds)
{
    if (const std::shared_ptr<EntryListAhead> ahead = std::exchange(ds.listAhead, nullptr))
        ahead->dropped = true;
}

bool ReadEntryList(DataSet &ds, bool inactiveList, ListMode mode, const EntryFilter &filter,
                   EntryListData *data)
{
    *data = EntryListData();
    if (!inactiveList && mode == ListMode::AllEntries) {
        const QString path = DataPath(ds, DataFileName);
        AheadRead read = takeAhead(ds);
        FileState now;
        if (read.ok && fileState(AT_FDCWD, QFile::encodeName(path).constData(), 0, &now) &&
            now == read.state) {
            *data = std::move(read.data);
            ds.RecordCount = read.recordCount;
            return true;
        }
    }
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
    if (data.sortedBy == sortIndex)
        return;
    if (data.sortedBy >= 0) {
        // Back to the file's order first: rows with equal keys keep theirs.
        std::sort(data.rows.begin(), data.rows.end(),
                  [](const EntryListRow &a, const EntryListRow &b) {
                      return a.recordNumber < b.recordNumber;
                  });
        data.sortedBy = -1;
    }
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
    data.sortedBy = sortIndex;
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
        t.digits.reserve(size_t(MaxEntryCount) * 6);
        char text[16];
        for (int n = 0; n <= MaxEntryCount; ++n) {
            t.start.push_back(int(t.digits.size()));
            const char *end = std::to_chars(text, text + sizeof text, n).ptr;
            for (const char *c = text; c < end; ++c)
                t.digits.push_back(char16_t(*c));
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
