// Inventories: a full count of the Active List, a count of the shelves
// whose location starts with a text, or a random sample; scanned shelf by
// shelf, reconciled, and reported.
//
// Each inventory is one side file "Inventories/<start stamp>.txt" in the
// data folder (Windows-1252 lines ended by CR LF), or the same lines as
// rows of a database's inventory_lines table: fields separated by tabs
// (a tab or line break inside a value becomes a blank). Every line is
// appended under the inventory's lock (the folder lock, or an advisory
// lock in the line's transaction) after the lines there then, so several
// workstations may scan into one inventory at once; each appender first
// reads what the others added since its last look, which is how a second
// scan of one code is flagged once, whoever scanned it first.
//
//   start   stamp  scope  shelf  size  seed  time  workstation  person
//   expect  control number                      (one per entry in scope)
//   scan    time  workstation  person  code  shelf  class
//           recorded shelf  case number  description
//   pause | resume | close   time  workstation  person
//   note    time  workstation  person  code  text
//   accept  time  workstation  person  code  old shelf  new shelf
//   missing control number  case number  recorded shelf  description
//
// The entries in scope are fixed at the start ("expect" lines), so the
// sample can be drawn again from its seed and the count measured against
// the list as it stood. "missing" lines are written with "close": a closed
// inventory is complete in its file and can be reported at any time. An
// inventory never changes the data file by itself; accepting a new shelf
// goes through the entry store's edit.
#pragma once

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/store/FolderInventory.h"
#include "core/store/Store.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>
#include <vector>

enum class InventoryScope { WholeList, Shelf, Sample };

// The classes of a scan, and of an entry in scope never scanned.
enum class ScanClass {
    Found,           // on its recorded shelf
    OtherShelf,      // on another shelf than the one recorded
    NotOnRecord,     // no entry has this code
    ScannedTwice,    // this code was scanned before in this inventory
    ArchivedPresent, // an archived entry, still on a shelf
    OutsideSample,   // an active entry the sample did not draw
    NotFound,        // in scope, never scanned (known at the close)
};
constexpr int ScanClassCount = 7;

// The class's word in the side file and its name in the window and report.
QString ScanClassToken(ScanClass c);
QString ScanClassName(ScanClass c);

// A beep pattern per class, told apart by its number of beeps and their
// pace (desktop beeps may all sound alike): kind, count, pause between.
struct ScanSound {
    int beep = 0; // a Beep value
    int count = 1;
    int gapMs = 0;
};
ScanSound ScanClassSound(ScanClass c);

// What an inventory needs of an entry, read once through the store.
struct InventoryEntry {
    QString control; // as the program shows it: 14 digits, or 5 for a legacy one
    double controlNumber = 0;
    QString caseNumber;
    QString location;
    QString description;
    bool archived = false;
    int recordNumber = 0;
};

struct InventoryEntries {
    std::vector<InventoryEntry> list; // in file order
    QHash<QString, int> byControl;    // control text -> index in list
    std::optional<FileStamp> stamp;   // the store's entries' when they were read

    const InventoryEntry *find(const QString &control) const;
};

// Reads every entry of the store (entries being deleted left out); a
// missing data file holds none. False when they can not be read.
bool LoadInventoryEntries(Store &store, InventoryEntries *entries);
// Reads them again when they changed since (another workstation added,
// archived or moved an entry; a store without a stamp is read every
// time): a scan is classified against the entries as they are. False when
// they can not be read.
bool RefreshInventoryEntries(Store &store, InventoryEntries *entries);

// The sample: `count` different numbers of 0..population-1, ascending,
// drawn by a 32-bit Mersenne Twister seeded with seed (a partial
// Fisher-Yates shuffle that never depends on the standard library's
// distributions), so the same seed and population always give the same
// sample.
std::vector<int> DrawSample(int population, int count, quint32 seed);
// The number of entries P percent of population gives (rounded up, at
// least one when there is any entry).
int SampleCountForPercent(int population, int percent);

// One scan as the side file keeps it.
struct InventoryScan {
    QString time; // "mm/dd/yyyy hh:nn:ss"
    QString workstation;
    QString person;
    QString code;
    QString shelf;
    ScanClass cls = ScanClass::Found;
    QString recordedShelf;
    QString caseNumber;
    QString description;
};

struct InventoryEvent {
    QString time;
    QString workstation;
    QString person;
};

struct InventoryNote {
    InventoryEvent by;
    QString code;
    QString text;
};

struct InventoryMissing {
    QString code;
    QString caseNumber;
    QString recordedShelf;
    QString description;
};

// What the person chose at the start.
struct InventoryRequest {
    InventoryScope scope = InventoryScope::WholeList;
    QString shelf;    // Shelf: the start of the location
    int count = 0;    // Sample: a number of entries, or
    int percent = 0;  // Sample: a percentage (when count is 0)
    quint32 seed = 0; // Sample
};

// An inventory as read from its side file.
struct Inventory {
    QString id; // the start stamp "yyyymmddhhnnss" (and "-N" after a clash)
    InventoryScope scope = InventoryScope::WholeList;
    QString shelf;
    QString size; // Sample: "25" or "10%"
    quint32 seed = 0;
    InventoryEvent started;
    QStringList expected; // control numbers in scope, in file order
    QSet<QString> expectedSet;
    std::vector<InventoryScan> scans;
    QSet<QString> scannedCodes;
    std::vector<InventoryNote> notes;
    std::vector<InventoryNote> accepted; // code, text = "old\tnew"
    bool paused = false;
    bool closed = false;
    InventoryEvent closedBy;
    std::vector<InventoryMissing> missing;
    qint64 readUpTo = 0; // how far its lines were read (Store::readInventory)

    // What an empty-handed reader needs: the scope as words.
    QString scopeText() const;
    QString statusText() const; // "open", "paused", "closed"
};

// The classification of a scan of code (a control number as the program
// shows it, or whatever text was read) on shelf, against the entries and
// what the inventory holds so far. Reads nothing.
ScanClass ClassifyInventoryScan(const Inventory &inventory, const InventoryEntries &entries,
                                const QString &shelf, const QString &code);

// The outcome of a change of an inventory: ok, or the text to show.
// When the folder stayed busy (or could not be written to) nothing was
// written and busy holds the "Data folder busy" question for the window;
// Retry runs the change again.
struct InventoryOutcome {
    bool ok = false;
    QString title;
    QString text;
    std::optional<MsgBoxRequest> busy;
};

// Starts an inventory: writes its side file (start and expect lines) and
// logs the start in "DataRecords.Log", both under one hold of the lock
// (when the log line can not be written the inventory is not started).
InventoryOutcome StartInventory(Store &store, const InventoryRequest &request,
                                const InventoryEntries &entries, Inventory *inventory);

// Reads the side file of id, or what others added to it since the last
// read (inventory->readUpTo). False when it can not be read.
bool LoadInventory(Store &store, const QString &id, Inventory *inventory);
bool RefreshInventory(Store &store, Inventory *inventory);

// Every inventory of the data folder, newest first (unreadable ones left
// out).
std::vector<Inventory> ListInventories(Store &store);

// Records a scan: reads what others added, classifies it, appends its
// line, all under the lock. A shelf scan ("L:...") is not a scan of an
// entry: the caller takes it as the current shelf. *scan gets the line.
InventoryOutcome RecordInventoryScan(Store &store, Inventory *inventory,
                                     const InventoryEntries &entries, const QString &shelf,
                                     const QString &code, InventoryScan *scan);

InventoryOutcome PauseInventory(Store &store, Inventory *inventory);
InventoryOutcome ResumeInventory(Store &store, Inventory *inventory);
// Closes it: the entries in scope never scanned are written as "missing"
// lines with what the entries held then, together with the close line, and
// the close is logged.
InventoryOutcome CloseInventory(Store &store, Inventory *inventory,
                                const InventoryEntries &entries);
// A note on a discrepancy; it is listed with its code in the report.
InventoryOutcome AddInventoryNote(Store &store, Inventory *inventory, const QString &code,
                                  const QString &text);

// Makes the scanned shelf the entry's location through the entry store's
// edit (the identity check and its "edited" line), with a line in its
// chain of custody naming the old shelf, and notes the change in the side
// file.
InventoryOutcome AcceptScannedShelf(Store &store, Inventory *inventory, InventoryEntries *entries,
                                    const QString &code, const QString &newShelf);
// The chain-of-custody line for that change.
QString ShelfChangeCustodyLine(const QString &time, const QString &inventoryId,
                               const QString &oldShelf, const QString &newShelf,
                               const QString &person);

// The report: scope and seed, who scanned, start and close, the counts
// per class, and each class listed.
struct InventoryReportRow {
    QString code;
    QString caseNumber;
    QString description;
    QString recordedShelf;
    QString scannedShelf;
    QString scanned; // time and person
    QString note;
};
struct InventoryReport {
    QString id;
    QString scope;
    QString seed; // empty but for a sample
    QString started;
    QString closed;
    QStringList scannedBy;
    int counts[ScanClassCount] = {};
    std::vector<InventoryReportRow> rows[ScanClassCount];
};
InventoryReport BuildInventoryReport(const Inventory &inventory);

// The report as comma-separated values (RFC 4180: CR LF, every value in
// double quotes, nine values a line), Windows-1252.
QByteArray InventoryReportCsv(const InventoryReport &report);

// Texts the window shows.
QString InventoryWindowTitle(); // "Inventory"
QString InventoryClosedText();  // the inventory is closed: read-only
QString InventoryPausedText();
QString InventoryNeedsShelfText();

struct StartOptions;
// Runs --inventories or --inventory-report: *out gets what goes to
// standard output, *err what went wrong. 0 when done, 1 otherwise.
int RunInventoryCommand(const StartOptions &options, QString *out, QString *err);
