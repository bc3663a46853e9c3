// The inventory side files "Inventories/<id>.txt": reading what every
// workstation appended, and appending a line under the folder lock.
#include "core/rules/Inventory.h"

#include "core/common/ActivityLog.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/rules/InventoryDataSet.h"
#include "core/rules/ScanCode.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

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
} // namespace

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
