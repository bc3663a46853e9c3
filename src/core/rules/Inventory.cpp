#include "core/rules/Inventory.h"

#include "core/common/ActivityLog.h"
#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/common/Startup.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryStore.h"
#include "core/entries/SpreadsheetExport.h"
#include "core/rules/ScanCode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

// ---- The data set, as an inventory reaches it ----
//
// Everything an inventory needs of the open data set goes through these
// few functions: the folder, the person and workstation, the lock, the
// entries and the edit path.
namespace dataset
{

QString folder(const DataSet &ds)
{
    return DataPath(ds, QStringLiteral("Inventories"));
}

QString person(const DataSet &ds)
{
    return ds.session().CurrentUserName;
}

QString workstation(const DataSet &ds)
{
    return WorkstationName(ds);
}

QDateTime now()
{
    return desktop().now();
}

// Takes the lock without asking; on false the holder is in held.refusal().
bool lock(FolderLock &held)
{
    return held.acquire();
}

// Appends the line to "DataRecords.Log" under the lock already held.
bool log(const FolderLock &held, const QString &line)
{
    return AppendLogLine(held, DataRecordsLogName, line);
}

std::optional<FileStamp> dataFileStamp(const DataSet &ds)
{
    return desktop().fileStamp(DataPath(ds, DataFileName));
}

bool forEachRecord(const DataSet &ds, const std::function<void(int, const char *)> &visit)
{
    DataFile file(ds);
    if (!QFileInfo::exists(file.path()))
        return true;
    return file.open(DataFile::ForReading) && file.forEachRaw([&](int n, const char *record) {
        visit(n, record);
        return true;
    });
}

std::optional<EntryRecord> readEntry(const DataSet &ds, int n)
{
    DataFile file(ds);
    if (!file.open(DataFile::ForReading) || n < 1 || n > file.recordCount())
        return std::nullopt;
    const QByteArray raw = file.readRaw(n);
    if (raw.isEmpty())
        return std::nullopt;
    return EntryRecord::Unpack(raw);
}

StoreResult saveEdited(DataSet &ds, int n, const EntryIdentity &asRead, const EntryRecord &edited)
{
    return SaveEditedEntry(ds, n, asRead, edited);
}

} // namespace dataset

namespace
{

const QString Tab = QStringLiteral("\t");

QString field(const QString &text)
{
    return OneLine(text).trimmed();
}

QString timeText(const QDateTime &when)
{
    return when.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
}

QString scopeToken(InventoryScope scope)
{
    switch (scope) {
    case InventoryScope::Shelf:
        return QStringLiteral("shelf");
    case InventoryScope::Sample:
        return QStringLiteral("sample");
    case InventoryScope::WholeList:
        break;
    }
    return QStringLiteral("all");
}

QString eventFields(const InventoryEvent &e)
{
    return e.time + Tab + e.workstation + Tab + e.person;
}

InventoryEvent thisEvent(const DataSet &ds)
{
    return {timeText(dataset::now()), field(dataset::workstation(ds)), field(dataset::person(ds))};
}

QString lineOf(const QStringList &fields)
{
    return fields.join(Tab) + CrLf;
}

// Applies one line of the side file (without its CR LF).
void applyLine(Inventory &inv, const QString &line)
{
    const QStringList f = line.split(Tab);
    const QString &kind = f.at(0);
    auto at = [&f](int i) { return i < f.size() ? f.at(i) : QString(); };
    auto event = [&](int first) { return InventoryEvent{at(first), at(first + 1), at(first + 2)}; };
    if (kind == QLatin1String("start")) {
        inv.id = at(1);
        const QString scope = at(2);
        inv.scope = scope == QLatin1String("shelf")    ? InventoryScope::Shelf
                    : scope == QLatin1String("sample") ? InventoryScope::Sample
                                                       : InventoryScope::WholeList;
        inv.shelf = at(3);
        inv.size = at(4);
        inv.seed = at(5).toUInt();
        inv.started = event(6);
    } else if (kind == QLatin1String("expect")) {
        inv.expected.append(at(1));
        inv.expectedSet.insert(at(1));
    } else if (kind == QLatin1String("scan") && f.size() >= 10) {
        InventoryScan s{at(1), at(2), at(3), at(4), at(5), ScanClass::Found, at(7), at(8), at(9)};
        for (int c = 0; c < ScanClassCount; ++c)
            if (ScanClassToken(ScanClass(c)) == at(6))
                s.cls = ScanClass(c);
        inv.scannedCodes.insert(s.code);
        inv.scans.push_back(s);
    } else if (kind == QLatin1String("pause")) {
        inv.paused = true;
    } else if (kind == QLatin1String("resume")) {
        inv.paused = false;
    } else if (kind == QLatin1String("close")) {
        inv.closed = true;
        inv.paused = false;
        inv.closedBy = event(1);
    } else if (kind == QLatin1String("note")) {
        inv.notes.push_back({event(1), at(4), at(5)});
    } else if (kind == QLatin1String("accept")) {
        inv.accepted.push_back({event(1), at(4), at(5) + Tab + at(6)});
    } else if (kind == QLatin1String("missing")) {
        inv.missing.push_back({at(1), at(2), at(3), at(4)});
    }
}

// Reads the file from inv->readUpTo on and applies every whole line (one
// another workstation is writing right now is left for the next read).
bool readTail(const DataSet &ds, Inventory *inv, const QString &path)
{
    const int fd = OpenDataSetFile(path, O_RDONLY);
    if (fd < 0)
        return false;
    bool isFile = false;
    qint64 size = 0;
    bool ok = CurrentFileState(fd, &isFile, &size);
    QByteArray bytes;
    if (ok && size > inv->readUpTo) {
        bytes.resize(size - inv->readUpTo);
        const qint64 got = ReadAllAt(ds, fd, bytes.data(), bytes.size(), inv->readUpTo, path);
        ok = got >= 0;
        bytes.resize(qMax<qint64>(got, 0));
    }
    ::close(fd);
    if (!ok)
        return false;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0)
            break;
        applyLine(*inv, FromWindows1252(bytes.mid(start, end - start)));
        start = end + 2;
    }
    inv->readUpTo += start;
    return true;
}

// Appends bytes at the end the file has now; the caller holds the lock. A
// failed write leaves the file as it was. Half a line left by a workstation
// that stopped while writing is ended first, so it never runs into the
// new one.
bool appendAtEnd(const DataSet &ds, const QString &path, QByteArray bytes)
{
    const int fd = OpenDataSetFile(path, O_RDWR);
    if (fd < 0)
        return false;
    bool isFile = false;
    qint64 size = -1;
    bool ok = CurrentFileState(fd, &isFile, &size);
    char last[2] = {'\r', '\n'};
    if (ok && size > 0)
        ok = ReadAllAt(ds, fd, last + 2 - qMin<qint64>(size, 2), qMin<qint64>(size, 2),
                       size - qMin<qint64>(size, 2), path) >= 0;
    if (last[0] != '\r' || last[1] != '\n')
        bytes.prepend("\r\n");
    ok = ok && WriteAllAt(ds, fd, bytes.constData(), bytes.size(), size, path) &&
         SyncFile(ds, fd, path);
    if (!ok && size >= 0)
        (void)::ftruncate(fd, size);
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

InventoryOutcome refused(const QString &text)
{
    return {false, InventoryWindowTitle(), text};
}

// The folder stayed busy (or could not be written to): nothing was written.
InventoryOutcome busy(const FolderLock &held)
{
    return {false, QString(), QString(), held.refusal()};
}

QString fileFailedText(const QString &id)
{
    return QStringLiteral("The inventory file 'Inventories/") + id +
           QStringLiteral(".txt' can not be written: ") + QString::fromLocal8Bit(strerror(errno)) +
           QStringLiteral(".") + CrLf + CrLf + QStringLiteral("Nothing was recorded; try again.");
}

// Under the lock: reads what others added, refuses a closed (and, unless
// allowed, a paused) inventory, then appends line.
InventoryOutcome appendLine(DataSet &ds, Inventory *inv, const std::function<QString()> &makeLine,
                            bool whilePaused = false)
{
    FolderLock held(ds);
    if (!dataset::lock(held))
        return busy(held);
    const QString path = InventoryFilePath(ds, inv->id);
    if (!readTail(ds, inv, path))
        return refused(fileFailedText(inv->id));
    if (inv->closed)
        return refused(InventoryClosedText());
    if (inv->paused && !whilePaused)
        return refused(InventoryPausedText());
    const QString line = makeLine();
    if (line.isEmpty())
        return {true, QString(), QString()};
    if (!appendAtEnd(ds, path, ToWindows1252(line)) || !readTail(ds, inv, path))
        return refused(fileFailedText(inv->id));
    return {true, QString(), QString()};
}

QString logLine(const DataSet &ds, const QString &id, const QString &what)
{
    return LogStamp(dataset::now()) + QStringLiteral(" - Inventory ") + id + QStringLiteral(" ") +
           what + QStringLiteral(" by ") + OneLine(dataset::person(ds));
}

bool sameShelf(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

QString ScanClassToken(ScanClass c)
{
    static const char *const tokens[ScanClassCount] = {"found",    "moved",   "unknown", "twice",
                                                       "archived", "outside", "missing"};
    return QString::fromLatin1(tokens[int(c)]);
}

QString ScanClassName(ScanClass c)
{
    static const char *const names[ScanClassCount] = {
        "Found on its recorded shelf", "Found on another shelf", "Not on record", "Scanned twice",
        "Archived but present",        "Outside the sample",     "Not found"};
    return QString::fromLatin1(names[int(c)]);
}

ScanSound ScanClassSound(ScanClass c)
{
    switch (c) {
    case ScanClass::Found:
        return {int(Beep::Asterisk), 1, 0};
    case ScanClass::OtherShelf:
        return {int(Beep::Question), 2, 120};
    case ScanClass::NotOnRecord:
        return {int(Beep::Hand), 3, 120};
    case ScanClass::ScannedTwice:
        return {int(Beep::Exclamation), 2, 400};
    case ScanClass::ArchivedPresent:
        return {int(Beep::Default), 3, 400};
    case ScanClass::OutsideSample:
        return {int(Beep::Asterisk), 4, 120};
    case ScanClass::NotFound:
        break;
    }
    return {int(Beep::Default), 0, 0};
}

const InventoryEntry *InventoryEntries::find(const QString &control) const
{
    const auto it = byControl.constFind(control);
    return it == byControl.cend() ? nullptr : &list[size_t(*it)];
}

bool LoadInventoryEntries(const DataSet &ds, InventoryEntries *entries)
{
    entries->list.clear();
    entries->byControl.clear();
    // Taken first: a change made while the file is read shows next time.
    entries->stamp = dataset::dataFileStamp(ds);
    using namespace EntryLayout;
    QString caseNumber;
    const bool ok = dataset::forEachRecord(ds, [&](int n, const char *record) {
        ReadFixedText(record + CaseNumber, EntryTextWidth(CaseNumber), caseNumber);
        if (caseNumber == KilledMarker)
            return;
        InventoryEntry e;
        e.controlNumber = qFromLittleEndian<double>(record + ControlNumber);
        e.control = ControlNumberText(e.controlNumber);
        e.caseNumber = caseNumber;
        e.location = FromFixedText(record + Location, EntryTextWidth(Location));
        e.description = FromFixedText(record + Description, EntryTextWidth(Description));
        e.archived = static_cast<unsigned char>(record[Status]) == StatusArchived;
        e.recordNumber = n;
        entries->list.push_back(std::move(e));
    });
    // The first of a repeated number answers a scan.
    for (int i = int(entries->list.size()) - 1; i >= 0; --i)
        entries->byControl.insert(entries->list[size_t(i)].control, i);
    return ok;
}

bool RefreshInventoryEntries(const DataSet &ds, InventoryEntries *entries)
{
    if (dataset::dataFileStamp(ds) == entries->stamp)
        return true;
    InventoryEntries read;
    if (!LoadInventoryEntries(ds, &read))
        return false;
    *entries = std::move(read);
    return true;
}

std::vector<int> DrawSample(int population, int count, quint32 seed)
{
    count = qBound(0, count, qMax(population, 0));
    std::vector<int> order(size_t(qMax(population, 0)));
    for (int i = 0; i < population; ++i)
        order[size_t(i)] = i;
    std::mt19937 rng(seed);
    for (int i = 0; i < count; ++i) {
        // A number of 0..range-1 without bias: draws past the last whole
        // multiple of range are drawn again.
        const quint32 range = quint32(population - i);
        const quint32 limit = quint32((quint64(1) << 32) - ((quint64(1) << 32) % range));
        quint32 r = 0;
        do
            r = quint32(rng());
        while (limit != 0 && r >= limit);
        std::swap(order[size_t(i)], order[size_t(i) + r % range]);
    }
    order.resize(size_t(count));
    std::sort(order.begin(), order.end());
    return order;
}

int SampleCountForPercent(int population, int percent)
{
    percent = qBound(0, percent, 100);
    return int((qint64(population) * percent + 99) / 100);
}

QString Inventory::scopeText() const
{
    switch (scope) {
    case InventoryScope::Shelf:
        return QStringLiteral("Locations starting with \"") + shelf + QStringLiteral("\"");
    case InventoryScope::Sample:
        return QStringLiteral("A random sample of ") +
               (size.endsWith(QLatin1Char('%'))
                    ? size + QStringLiteral(" of the Active List (%1 entries)").arg(expected.size())
                    : QStringLiteral("%1 entries of the Active List").arg(expected.size()));
    case InventoryScope::WholeList:
        break;
    }
    return QStringLiteral("The whole Active List");
}

QString Inventory::statusText() const
{
    return closed   ? QStringLiteral("closed")
           : paused ? QStringLiteral("paused")
                    : QStringLiteral("open");
}

ScanClass ClassifyInventoryScan(const Inventory &inventory, const InventoryEntries &entries,
                                const QString &shelf, const QString &code)
{
    if (inventory.scannedCodes.contains(code))
        return ScanClass::ScannedTwice;
    const InventoryEntry *e = entries.find(code);
    if (!e)
        return ScanClass::NotOnRecord;
    if (e->archived)
        return ScanClass::ArchivedPresent;
    if (inventory.scope == InventoryScope::Sample && !inventory.expectedSet.contains(code))
        return ScanClass::OutsideSample;
    return sameShelf(e->location, shelf) ? ScanClass::Found : ScanClass::OtherShelf;
}

QString InventoriesFolder(const DataSet &ds)
{
    return dataset::folder(ds);
}

QString InventoryFilePath(const DataSet &ds, const QString &id)
{
    return QDir(InventoriesFolder(ds)).filePath(id + QStringLiteral(".txt"));
}

InventoryOutcome StartInventory(DataSet &ds, const InventoryRequest &request,
                                const InventoryEntries &entries, Inventory *inventory)
{
    // The scope: active entries, ordered by control number for the sample.
    std::vector<const InventoryEntry *> active;
    for (const InventoryEntry &e : entries.list)
        if (!e.archived)
            active.push_back(&e);
    QStringList expected;
    QString size;
    if (request.scope == InventoryScope::Sample) {
        std::sort(active.begin(), active.end(),
                  [](const InventoryEntry *a, const InventoryEntry *b) {
                      return a->control < b->control;
                  });
        const int population = int(active.size());
        const int count = request.count > 0 ? qMin(request.count, population)
                                            : SampleCountForPercent(population, request.percent);
        size = request.count > 0 ? QString::number(request.count)
                                 : QString::number(request.percent) + QLatin1Char('%');
        for (int i : DrawSample(population, count, request.seed))
            expected.append(active[size_t(i)]->control);
    } else {
        const QString shelf = field(request.shelf);
        for (const InventoryEntry *e : active)
            if (request.scope == InventoryScope::WholeList ||
                e->location.startsWith(shelf, Qt::CaseInsensitive))
                expected.append(e->control);
    }
    if (request.scope == InventoryScope::Shelf && field(request.shelf).isEmpty())
        return refused(QStringLiteral("Type the start of the shelf's location."));
    if (expected.isEmpty())
        return refused(QStringLiteral("No entry of the Active List is in this inventory's scope."));

    FolderLock held(ds);
    if (!dataset::lock(held))
        return busy(held);
    const InventoryEvent started = thisEvent(ds);
    const QString stamp = dataset::now().toString(QStringLiteral("yyyyMMddHHmmss"));
    if (!QDir().mkpath(InventoriesFolder(ds)))
        return refused(
            QStringLiteral("The folder 'Inventories' can not be made in the data folder."));
    QString id = stamp;
    int fd = -1;
    for (int n = 2; fd < 0 && n < 100; ++n) {
        fd = OpenDataSetFile(InventoryFilePath(ds, id), O_WRONLY | O_CREAT | O_EXCL);
        if (fd < 0 && errno != EEXIST)
            return refused(fileFailedText(id));
        if (fd < 0)
            id = stamp + QStringLiteral("-%1").arg(n);
    }
    if (fd < 0)
        return refused(fileFailedText(id));
    const quint32 seed = request.scope == InventoryScope::Sample ? request.seed : 0;
    QString text =
        lineOf({QStringLiteral("start"), id, scopeToken(request.scope), field(request.shelf), size,
                QString::number(seed), eventFields(started)});
    for (const QString &control : expected)
        text += QStringLiteral("expect\t") + control + CrLf;
    const QByteArray bytes = ToWindows1252(text);
    bool ok = WriteAllAt(ds, fd, bytes.constData(), bytes.size(), 0, InventoryFilePath(ds, id)) &&
              SyncFile(ds, fd, InventoryFilePath(ds, id));
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        const InventoryOutcome failed = refused(fileFailedText(id));
        RemoveFileRetrying(ds, InventoryFilePath(ds, id));
        return failed;
    }
    Inventory read;
    read.id = id;
    if (!readTail(ds, &read, InventoryFilePath(ds, id))) {
        RemoveFileRetrying(ds, InventoryFilePath(ds, id));
        return refused(fileFailedText(id));
    }
    if (!dataset::log(
            held, logLine(ds, id,
                          QStringLiteral("(") + read.scopeText() + QStringLiteral(") started")))) {
        RemoveFileRetrying(ds, InventoryFilePath(ds, id));
        return refused(LogFailedText(ds, DataRecordsLogName));
    }
    *inventory = read;
    return {true, QString(), QString()};
}

bool LoadInventory(const DataSet &ds, const QString &id, Inventory *inventory)
{
    Inventory read;
    if (!readTail(ds, &read, InventoryFilePath(ds, id)) || read.id.isEmpty())
        return false;
    *inventory = read;
    return true;
}

bool RefreshInventory(const DataSet &ds, Inventory *inventory)
{
    return readTail(ds, inventory, InventoryFilePath(ds, inventory->id));
}

std::vector<Inventory> ListInventories(const DataSet &ds)
{
    std::vector<Inventory> list;
    QStringList names =
        QDir(InventoriesFolder(ds)).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    std::reverse(names.begin(), names.end());
    for (const QString &name : names) {
        Inventory inv;
        if (LoadInventory(ds, name.chopped(4), &inv))
            list.push_back(inv);
    }
    return list;
}

InventoryOutcome RecordInventoryScan(DataSet &ds, Inventory *inventory,
                                     const InventoryEntries &entries, const QString &shelf,
                                     const QString &code, InventoryScan *scan)
{
    if (field(shelf).isEmpty())
        return refused(InventoryNeedsShelfText());
    const QString read = field(code);
    if (read.isEmpty())
        return {false, QString(), QString()};
    const InventoryOutcome outcome = appendLine(ds, inventory, [&]() {
        const ScanClass cls = ClassifyInventoryScan(*inventory, entries, shelf, read);
        const InventoryEntry *e = entries.find(read);
        const InventoryEvent now = thisEvent(ds);
        return lineOf({QStringLiteral("scan"), eventFields(now), read, field(shelf),
                       ScanClassToken(cls), e ? field(e->location) : QString(),
                       e ? field(e->caseNumber) : QString(),
                       e ? field(e->description) : QString()});
    });
    if (outcome.ok && scan)
        *scan = inventory->scans.back();
    return outcome;
}

InventoryOutcome PauseInventory(DataSet &ds, Inventory *inventory)
{
    return appendLine(ds, inventory, [&]() {
        return inventory->paused ? QString()
                                 : lineOf({QStringLiteral("pause"), eventFields(thisEvent(ds))});
    });
}

InventoryOutcome ResumeInventory(DataSet &ds, Inventory *inventory)
{
    return appendLine(
        ds, inventory,
        [&]() {
            return inventory->paused
                       ? lineOf({QStringLiteral("resume"), eventFields(thisEvent(ds))})
                       : QString();
        },
        true);
}

InventoryOutcome CloseInventory(DataSet &ds, Inventory *inventory, const InventoryEntries &entries)
{
    FolderLock held(ds);
    if (!dataset::lock(held))
        return busy(held);
    const QString path = InventoryFilePath(ds, inventory->id);
    if (!readTail(ds, inventory, path))
        return refused(fileFailedText(inventory->id));
    if (inventory->closed)
        return refused(InventoryClosedText());
    QString text;
    for (const QString &control : std::as_const(inventory->expected)) {
        if (inventory->scannedCodes.contains(control))
            continue;
        const InventoryEntry *e = entries.find(control);
        text += lineOf({QStringLiteral("missing"), control, e ? field(e->caseNumber) : QString(),
                        e ? field(e->location) : QString(), e ? field(e->description) : QString()});
    }
    text += lineOf({QStringLiteral("close"), eventFields(thisEvent(ds))});
    bool isFile = false;
    qint64 before = 0;
    {
        const int fd = OpenDataSetFile(path, O_RDONLY);
        if (fd < 0 || !CurrentFileState(fd, &isFile, &before)) {
            if (fd >= 0)
                ::close(fd);
            return refused(fileFailedText(inventory->id));
        }
        ::close(fd);
    }
    if (!appendAtEnd(ds, path, ToWindows1252(text)))
        return refused(fileFailedText(inventory->id));
    if (!dataset::log(held, logLine(ds, inventory->id, QStringLiteral("closed")))) {
        // The close and its line go together.
        const int fd = OpenDataSetFile(path, O_WRONLY);
        if (fd >= 0) {
            (void)::ftruncate(fd, before);
            ::close(fd);
        }
        return refused(LogFailedText(ds, DataRecordsLogName));
    }
    if (!readTail(ds, inventory, path))
        return refused(fileFailedText(inventory->id));
    return {true, QString(), QString()};
}

InventoryOutcome AddInventoryNote(DataSet &ds, Inventory *inventory, const QString &code,
                                  const QString &text)
{
    if (field(text).isEmpty())
        return {false, QString(), QString()};
    return appendLine(
        ds, inventory,
        [&]() {
            return lineOf(
                {QStringLiteral("note"), eventFields(thisEvent(ds)), field(code), field(text)});
        },
        true);
}

QString ShelfChangeCustodyLine(const QString &time, const QString &inventoryId,
                               const QString &oldShelf, const QString &newShelf,
                               const QString &person)
{
    return time + QStringLiteral(" - Shelf changed from '") + oldShelf + QStringLiteral("' to '") +
           newShelf + QStringLiteral("' by ") + person + QStringLiteral(" (inventory ") +
           inventoryId + QStringLiteral(")");
}

InventoryOutcome AcceptScannedShelf(DataSet &ds, Inventory *inventory, InventoryEntries *entries,
                                    const QString &code, const QString &newShelf)
{
    if (!RefreshInventory(ds, inventory))
        return refused(fileFailedText(inventory->id));
    if (inventory->closed)
        return refused(InventoryClosedText());
    const auto index = entries->byControl.constFind(code);
    if (index == entries->byControl.cend())
        return refused(NotOnRecordText(code));
    InventoryEntry &entry = entries->list[size_t(*index)];
    const QString shelf = field(newShelf).left(EntryTextWidth(EntryLayout::Location));
    const EntryIdentity asRead{entry.controlNumber, entry.caseNumber};
    std::optional<EntryRecord> record = dataset::readEntry(ds, entry.recordNumber);
    if (!record || !asRead.matches(*record))
        return {false, StoreResultTitle(StoreResult::Changed),
                StoreResultText(ds, StoreResult::Changed)};
    const QString oldShelf = record->Location.trimmed();
    const QString line = ShelfChangeCustodyLine(timeText(dataset::now()), inventory->id, oldShelf,
                                                shelf, field(dataset::person(ds)));
    QString chain = record->ChainOfCustody;
    while (chain.endsWith(QLatin1Char(' ')))
        chain.chop(1);
    chain = chain.isEmpty() ? line : chain + CrLf + line;
    if (chain.size() > EntryTextWidth(EntryLayout::ChainOfCustody))
        return refused(QStringLiteral("The chain of custody of entry ") + code +
                       QStringLiteral(" is full, so the shelf change can not be noted in it.") +
                       CrLf + CrLf + QStringLiteral("Change the location on the entry's card."));
    record->Location = shelf;
    record->ChainOfCustody = chain;
    const StoreResult result = dataset::saveEdited(ds, entry.recordNumber, asRead, *record);
    if (result == StoreResult::Busy || result == StoreResult::Unwritable)
        return {false, QString(), QString(), StoreResultMessage(ds, result)};
    if (result != StoreResult::Ok)
        return {false, StoreResultTitle(result), StoreResultText(ds, result)};
    entry.location = shelf;
    const InventoryOutcome noted = appendLine(
        ds, inventory,
        [&]() {
            return lineOf(
                {QStringLiteral("accept"), eventFields(thisEvent(ds)), code, oldShelf, shelf});
        },
        true);
    if (!noted.ok && !noted.text.isEmpty())
        return refused(QStringLiteral("The new location was saved, but the inventory could not "
                                      "note it:") +
                       CrLf + CrLf + noted.text);
    return {true, QString(), QString()};
}

InventoryReport BuildInventoryReport(const Inventory &inv)
{
    InventoryReport r;
    r.id = inv.id;
    r.scope = inv.scopeText();
    if (inv.scope == InventoryScope::Sample)
        r.seed = QString::number(inv.seed);
    auto when = [](const InventoryEvent &e) {
        return e.time + QStringLiteral(" by ") + e.person + QStringLiteral(" at ") + e.workstation;
    };
    r.started = when(inv.started);
    if (inv.closed)
        r.closed = when(inv.closedBy);
    QHash<QString, QStringList> notes;
    for (const InventoryNote &n : inv.notes)
        notes[n.code].append(n.text + QStringLiteral(" (") + n.by.person + QStringLiteral(")"));
    for (const InventoryNote &a : inv.accepted)
        notes[a.code].append(QStringLiteral("New shelf accepted by ") + a.by.person);
    for (const InventoryScan &s : inv.scans) {
        const QString who = s.person + QStringLiteral(" at ") + s.workstation;
        if (!r.scannedBy.contains(who))
            r.scannedBy.append(who);
        r.rows[int(s.cls)].push_back({s.code, s.caseNumber, s.description, s.recordedShelf, s.shelf,
                                      s.time + QStringLiteral(" ") + s.person,
                                      notes.value(s.code).join(QStringLiteral("; "))});
    }
    const int notFound = int(ScanClass::NotFound);
    if (inv.closed) {
        for (const InventoryMissing &m : inv.missing)
            r.rows[notFound].push_back({m.code, m.caseNumber, m.description, m.recordedShelf,
                                        QString(), QString(),
                                        notes.value(m.code).join(QStringLiteral("; "))});
    } else {
        // Not found so far.
        for (const QString &control : inv.expected)
            if (!inv.scannedCodes.contains(control))
                r.rows[notFound].push_back({control, {}, {}, {}, {}, {}, {}});
    }
    for (int c = 0; c < ScanClassCount; ++c)
        r.counts[c] = int(r.rows[c].size());
    return r;
}

QByteArray InventoryReportCsv(const InventoryReport &report)
{
    constexpr int Columns = 8;
    QByteArray out;
    auto line = [&out](const QStringList &values) {
        QByteArray l;
        for (int i = 0; i < Columns; ++i) {
            if (i)
                l += ',';
            const QByteArray bytes = ToWindows1252(i < values.size() ? values.at(i) : QString());
            AppendCsvText(l, bytes.constData(), bytes.size());
        }
        out += l + "\r\n";
    };
    line({QStringLiteral("Inventory"), report.id});
    line({QStringLiteral("Scope"), report.scope});
    line({QStringLiteral("Seed"), report.seed});
    line({QStringLiteral("Started"), report.started});
    line({QStringLiteral("Closed"), report.closed});
    line({QStringLiteral("Scanned by"), report.scannedBy.join(QStringLiteral("; "))});
    for (int c = 0; c < ScanClassCount; ++c)
        line({ScanClassName(ScanClass(c)), QString::number(report.counts[c])});
    line({QStringLiteral("Class"), QStringLiteral("Control #"), QStringLiteral("Case #"),
          QStringLiteral("Description"), QStringLiteral("Recorded shelf"),
          QStringLiteral("Scanned shelf"), QStringLiteral("Scanned"), QStringLiteral("Note")});
    for (int c = 0; c < ScanClassCount; ++c)
        for (const InventoryReportRow &row : report.rows[c])
            line({ScanClassName(ScanClass(c)), row.code, row.caseNumber, row.description,
                  row.recordedShelf, row.scannedShelf, row.scanned, row.note});
    return out;
}

QString InventoryWindowTitle()
{
    return QStringLiteral("Inventory");
}

QString InventoryClosedText()
{
    return QStringLiteral("This inventory is closed. Its report can be printed, but nothing more "
                          "can be scanned into it.");
}

QString InventoryPausedText()
{
    return QStringLiteral("This inventory is paused. Resume it to scan again.");
}

QString InventoryNeedsShelfText()
{
    return QStringLiteral("Scan the shelf's label (or type the shelf) before the items on it.");
}

int RunInventoryCommand(const StartOptions &options, QString *out, QString *err)
{
    out->clear();
    err->clear();
    if (options.listInventories == !options.inventoryReport.isEmpty() ||
        options.inventoryReport.isEmpty() != options.inventoryCsv.isEmpty()) {
        *err = QStringLiteral("use --inventories, or --inventory-report ID with --csv OUT.csv\n");
        return 1;
    }
    const QFileInfo folder(options.dataDir);
    if (!folder.isDir()) {
        *err = QStringLiteral("the data folder does not exist: %1\n").arg(options.dataDir);
        return 1;
    }
    DataSet ds(folder.absoluteFilePath());
    if (options.listInventories) {
        for (const Inventory &inv : ListInventories(ds))
            *out += QStringLiteral("%1\t%2\t%3 scans\t%4\n")
                        .arg(inv.id, inv.statusText())
                        .arg(inv.scans.size())
                        .arg(inv.scopeText());
        return 0;
    }
    Inventory inv;
    if (!LoadInventory(ds, options.inventoryReport, &inv)) {
        *err = QStringLiteral("there is no inventory '%1' (--inventories lists them)\n")
                   .arg(options.inventoryReport);
        return 1;
    }
    if (!inv.closed) {
        *err = QStringLiteral("inventory %1 is %2: only a closed inventory has a report\n")
                   .arg(inv.id, inv.statusText());
        return 1;
    }
    QSaveFile file(options.inventoryCsv);
    const QByteArray bytes = InventoryReportCsv(BuildInventoryReport(inv));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *err = QStringLiteral("%1 can not be written: %2\n")
                   .arg(options.inventoryCsv, file.errorString());
        return 1;
    }
    *out = QStringLiteral("Wrote the report of inventory %1 to %2\n")
               .arg(inv.id, options.inventoryCsv);
    return 0;
}
