// An inventory's lines: reading what every workstation added, and adding
// a line under the inventory's lock (the store's side files or rows).
#include "core/rules/Inventory.h"

#include "core/common/ActivityLog.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/rules/InventoryDataSet.h"
#include "core/rules/ScanCode.h"

#include <algorithm>

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

Store::InventoryLineVisitor applier(Inventory *inv)
{
    return [inv](const QString &line) { applyLine(*inv, line); };
}

InventoryOutcome refused(const QString &text)
{
    return {false, InventoryWindowTitle(), text, std::nullopt};
}

InventoryOutcome outcomeOf(const Store::InventoryWrite &written)
{
    if (written.ok)
        return {true, QString(), QString(), std::nullopt};
    if (written.busy)
        return {false, QString(), QString(), written.busy};
    return refused(written.text);
}

QString unreadableText(const QString &id)
{
    return QStringLiteral("The inventory ") + id + QStringLiteral(" can not be read.");
}

// In one scope under the inventory's lock: reads what others added,
// refuses a closed (and, unless allowed, a paused) inventory, then adds
// what makeLine gives (nothing when it is empty).
InventoryOutcome appendLine(Store &store, Inventory *inv, const std::function<QString()> &makeLine,
                            bool whilePaused = false)
{
    return outcomeOf(store.appendInventory(
        inv->id, &inv->readUpTo, applier(inv), [&]() -> Store::InventoryAddition {
            if (inv->closed)
                return {QString(), QString(), InventoryClosedText()};
            if (inv->paused && !whilePaused)
                return {QString(), QString(), InventoryPausedText()};
            return {makeLine(), QString(), QString()};
        }));
}

QString logLine(const DataSet &ds, const QString &id, const QString &what)
{
    return LogStamp(dataset::now()) + QStringLiteral(" - Inventory ") + id + QStringLiteral(" ") +
           what + QStringLiteral(" by ") + OneLine(dataset::person(ds));
}
} // namespace

InventoryOutcome StartInventory(Store &store, const InventoryRequest &request,
                                const InventoryEntries &entries, Inventory *inventory)
{
    DataSet &ds = store.dataSet();
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

    const quint32 seed = request.scope == InventoryScope::Sample ? request.seed : 0;
    const QString stamp = dataset::now().toString(QStringLiteral("yyyyMMddHHmmss"));
    QString id;
    const InventoryOutcome outcome = outcomeOf(store.startInventory(
        stamp,
        [&](const QString &made) {
            QString text = lineOf({QStringLiteral("start"), made, scopeToken(request.scope),
                                   field(request.shelf), size, QString::number(seed),
                                   eventFields(thisEvent(ds))});
            for (const QString &control : expected)
                text += QStringLiteral("expect\t") + control + CrLf;
            Inventory read;
            for (const QString &line : text.split(CrLf, Qt::SkipEmptyParts))
                applyLine(read, line);
            return Store::InventoryAddition{
                text,
                logLine(ds, made,
                        QStringLiteral("(") + read.scopeText() + QStringLiteral(") started")),
                QString()};
        },
        &id));
    if (!outcome.ok)
        return outcome;
    Inventory read;
    if (!LoadInventory(store, id, &read))
        return refused(unreadableText(id));
    *inventory = read;
    return outcome;
}

bool LoadInventory(Store &store, const QString &id, Inventory *inventory)
{
    Inventory read;
    if (!store.readInventory(id, &read.readUpTo, applier(&read)) || read.id.isEmpty())
        return false;
    *inventory = read;
    return true;
}

bool RefreshInventory(Store &store, Inventory *inventory)
{
    return store.readInventory(inventory->id, &inventory->readUpTo, applier(inventory));
}

std::vector<Inventory> ListInventories(Store &store)
{
    std::vector<Inventory> list;
    for (const QString &id : store.inventoryIds()) {
        Inventory inv;
        if (LoadInventory(store, id, &inv))
            list.push_back(inv);
    }
    return list;
}

InventoryOutcome RecordInventoryScan(Store &store, Inventory *inventory,
                                     const InventoryEntries &entries, const QString &shelf,
                                     const QString &code, InventoryScan *scan)
{
    DataSet &ds = store.dataSet();
    if (field(shelf).isEmpty())
        return refused(InventoryNeedsShelfText());
    const QString read = field(code);
    if (read.isEmpty())
        return {false, QString(), QString(), std::nullopt};
    const InventoryOutcome outcome = appendLine(store, inventory, [&]() {
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

InventoryOutcome PauseInventory(Store &store, Inventory *inventory)
{
    DataSet &ds = store.dataSet();
    return appendLine(store, inventory, [&]() {
        return inventory->paused ? QString()
                                 : lineOf({QStringLiteral("pause"), eventFields(thisEvent(ds))});
    });
}

InventoryOutcome ResumeInventory(Store &store, Inventory *inventory)
{
    DataSet &ds = store.dataSet();
    return appendLine(
        store, inventory,
        [&]() {
            return inventory->paused
                       ? lineOf({QStringLiteral("resume"), eventFields(thisEvent(ds))})
                       : QString();
        },
        true);
}

InventoryOutcome CloseInventory(Store &store, Inventory *inventory, const InventoryEntries &entries)
{
    DataSet &ds = store.dataSet();
    return outcomeOf(store.appendInventory(
        inventory->id, &inventory->readUpTo, applier(inventory), [&]() -> Store::InventoryAddition {
            if (inventory->closed)
                return {QString(), QString(), InventoryClosedText()};
            QString text;
            for (const QString &control : std::as_const(inventory->expected)) {
                if (inventory->scannedCodes.contains(control))
                    continue;
                const InventoryEntry *e = entries.find(control);
                text += lineOf(
                    {QStringLiteral("missing"), control, e ? field(e->caseNumber) : QString(),
                     e ? field(e->location) : QString(), e ? field(e->description) : QString()});
            }
            text += lineOf({QStringLiteral("close"), eventFields(thisEvent(ds))});
            return {text, logLine(ds, inventory->id, QStringLiteral("closed")), QString()};
        }));
}

InventoryOutcome AddInventoryNote(Store &store, Inventory *inventory, const QString &code,
                                  const QString &text)
{
    DataSet &ds = store.dataSet();
    if (field(text).isEmpty())
        return {false, QString(), QString(), std::nullopt};
    return appendLine(
        store, inventory,
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

InventoryOutcome AcceptScannedShelf(Store &store, Inventory *inventory, InventoryEntries *entries,
                                    const QString &code, const QString &newShelf)
{
    DataSet &ds = store.dataSet();
    // What others added first: a closed inventory takes no change.
    const InventoryOutcome open = appendLine(
        store, inventory, [] { return QString(); }, true);
    if (!open.ok)
        return open;
    const auto index = entries->byControl.constFind(code);
    if (index == entries->byControl.cend())
        return refused(NotOnRecordText(code));
    InventoryEntry &entry = entries->list[size_t(*index)];
    const QString shelf = field(newShelf).left(EntryTextWidth(EntryLayout::Location));
    const EntryIdentity asRead{entry.controlNumber, entry.caseNumber};
    std::optional<EntryRecord> record;
    store.forEachEntryRecord([&](int n, const char *bytes) {
        if (n == entry.recordNumber)
            record = EntryRecord::Unpack(bytes, EntryRecordLength);
        return n < entry.recordNumber;
    });
    if (!record || !asRead.matches(*record))
        return {false, StoreResultTitle(StoreResult::Changed),
                StoreResultText(ds, StoreResult::Changed), std::nullopt};
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
    const StoreResult result = store.saveEntry(entry.recordNumber, asRead, *record);
    if (result == StoreResult::Busy || result == StoreResult::Unwritable)
        return {false, QString(), QString(), StoreResultMessage(ds, result)};
    if (result != StoreResult::Ok)
        return {false, StoreResultTitle(result), StoreResultText(ds, result), std::nullopt};
    entry.location = shelf;
    const InventoryOutcome noted = appendLine(
        store, inventory,
        [&]() {
            return lineOf(
                {QStringLiteral("accept"), eventFields(thisEvent(ds)), code, oldShelf, shelf});
        },
        true);
    if (!noted.ok && !noted.text.isEmpty())
        return refused(QStringLiteral("The new location was saved, but the inventory could not "
                                      "note it:") +
                       CrLf + CrLf + noted.text);
    return {true, QString(), QString(), std::nullopt};
}
