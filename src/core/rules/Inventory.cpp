// What an inventory counts: the entries it compares against, its scope and
// sample, how a scan is classed, and its report.
#include "core/rules/Inventory.h"

#include "core/common/Desktop.h"
#include "core/common/Formats.h"
#include "core/common/Startup.h"
#include "core/entries/EntryRecord.h"
#include "core/entries/SpreadsheetExport.h"
#include "core/rules/InventoryDataSet.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <random>

namespace
{

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

bool LoadInventoryEntries(Store &store, InventoryEntries *entries)
{
    entries->list.clear();
    entries->byControl.clear();
    // Taken first: a change made while the file is read shows next time.
    entries->stamp = store.entriesStamp();
    using namespace EntryLayout;
    QString caseNumber;
    const bool ok = store.forEachEntryRecord([&](int n, const char *record) {
        ReadFixedText(record + CaseNumber, EntryTextWidth(CaseNumber), caseNumber);
        if (caseNumber == KilledMarker)
            return true;
        InventoryEntry e;
        e.controlNumber = qFromLittleEndian<double>(record + ControlNumber);
        e.control = ControlNumberText(e.controlNumber);
        e.caseNumber = caseNumber;
        e.location = FromFixedText(record + Location, EntryTextWidth(Location));
        e.description = FromFixedText(record + Description, EntryTextWidth(Description));
        e.archived = static_cast<unsigned char>(record[Status]) == StatusArchived;
        e.recordNumber = n;
        entries->list.push_back(std::move(e));
        return true;
    });
    // The first of a repeated number answers a scan.
    for (int i = int(entries->list.size()) - 1; i >= 0; --i)
        entries->byControl.insert(entries->list[size_t(i)].control, i);
    return ok;
}

bool RefreshInventoryEntries(Store &store, InventoryEntries *entries)
{
    if (entries->stamp && store.entriesStamp() == entries->stamp)
        return true;
    InventoryEntries read;
    if (!LoadInventoryEntries(store, &read))
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
    FolderStore store(ds);
    if (options.listInventories) {
        for (const Inventory &inv : ListInventories(store))
            *out += QStringLiteral("%1\t%2\t%3 scans\t%4\n")
                        .arg(inv.id, inv.statusText())
                        .arg(inv.scans.size())
                        .arg(inv.scopeText());
        return 0;
    }
    Inventory inv;
    if (!LoadInventory(store, options.inventoryReport, &inv)) {
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
