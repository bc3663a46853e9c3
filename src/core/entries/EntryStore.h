// Changes to the data file: add, edit, archive, restore and delete. Each
// runs as one operation under the folder lock, together with its line in
// "DataRecords.Log": when the line can not be written the change is not
// made. Record numbers move when another workstation deletes, so every
// change of an existing entry first re-reads it under the lock and goes on
// only if it is still the entry the person was looking at.
#pragma once

#include "core/common/InputChecks.h"
#include "core/entries/DataFile.h"

enum class StoreResult {
    Ok,
    Changed,      // the record at that number is another entry now
    Missing,      // there is no record at that number any more
    Cancelled,    // the person cancelled while the folder was busy
    NotAvailable, // the data file could not be opened
    LogFailed,    // the log line could not be written; nothing changed
    IoError,      // a read or write failed; nothing changed
    Full,         // the file holds the most entries it can
    Reserved,     // the case number is the deletion marker; nothing changed
    Busy,         // another workstation held the folder lock; nothing changed
    Unwritable,   // the folder lock could not be made; nothing changed
};

// What identifies the entry a person is looking at.
struct EntryIdentity {
    double ControlNumber = 0;
    QString CaseNumber;

    static EntryIdentity of(const EntryRecord &entry)
    {
        return {entry.ControlNumber, entry.CaseNumber.trimmed()};
    }
    bool matches(const EntryRecord &entry) const
    {
        // The control number's stored bytes: one that is not a number still
        // names its own entry.
        return SameStoredDouble(entry.ControlNumber, ControlNumber) &&
               entry.CaseNumber.trimmed() == CaseNumber;
    }
};

// Saves a new entry after the last record (refused with Reserved when its
// case number is the deletion marker, which compaction would drop): stamps VersionStamp, the
// ControlNumber (now) and Status 1 into entry, logs "added". The record
// number it got goes to *recordNumber.
StoreResult AppendEntry(DataSet &ds, EntryRecord &entry, int *recordNumber = nullptr);

// Writes an edited entry back as record n and logs "edited" (refused with
// Reserved, as AppendEntry). The entry's
// version stamp, control number and status stay as they are in the file
// (they are not the card's to change; another workstation may have
// archived the entry meanwhile), and so do the reserved fields.
StoreResult SaveEditedEntry(DataSet &ds, int n, const EntryIdentity &asRead,
                            const EntryRecord &edited);

// Status 2 ("archived") or 1 ("restored") for record n, with its log line.
StoreResult ArchiveEntry(DataSet &ds, int n, const EntryIdentity &asRead);
StoreResult RestoreEntry(DataSet &ds, int n, const EntryIdentity &asRead);

// Removes record n for good: logs "deleted", marks the record, copies every
// unmarked record into "TempFile.$$$", flushes it to disk and renames it
// over the data file in one step (the data file is never missing or half
// written). Records marked by an earlier, interrupted deletion are dropped
// too. When no record is left the data file is removed. Sets RecordCount,
// ActiveCount and ArchivedCount.
StoreResult DeleteEntry(DataSet &ds, int n, const EntryIdentity &asRead);

// Counts active and archived entries of the whole file into ActiveCount and
// ArchivedCount (and RecordCount). False when the file could not be read.
bool RecountEntries(DataSet &ds);

// These changes never ask: while the folder stays busy they end with Busy
// (or Unwritable) and the window asks "Data folder busy"; Retry runs the
// change again. They wait for the lock, so a window runs them off its
// thread.

// The message for a result: title and text (empty for Ok and Cancelled,
// where there is nothing to tell).
QString StoreResultTitle(StoreResult result);
QString StoreResultText(const DataSet &ds, StoreResult result);
// The whole message box for a result; an empty title for Ok and Cancelled.
// Busy and Unwritable give the "Data folder busy" question (Retry,
// Cancel), naming the lock's holder as it is seen now.
MsgBoxRequest StoreResultMessage(const DataSet &ds, StoreResult result);
