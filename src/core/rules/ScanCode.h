// What a scan (or a control number typed by hand) in the main window's scan
// box means: an entry's control number, a shelf, or nothing on record; and
// where that entry is in the data file.
#pragma once

#include "core/entries/EntryStore.h"
#include "core/store/Store.h"

#include <QString>
#include <optional>

// What a scan of a shelf label gives: this prefix, then the location as
// printed.
inline const QString ShelfCodePrefix = QStringLiteral("L:");

enum class ScanKind {
    Empty,   // nothing but blanks
    Entry,   // a control number: the label's Code 128 or QR code, or typed
    Shelf,   // a shelf label: "L:" and the location
    Unknown, // anything else
};

struct ScanCode {
    ScanKind kind = ScanKind::Empty;
    // The control number as the program shows it ("yyyymmddhhnnss", or
    // "00000" for a legacy one), the shelf's location, or the text read.
    QString text;
};

// Reads what the scanner typed (without its Enter). Fourteen digits are a
// control number, and so are one to five digits (a legacy one, which
// becomes "00000"); the QR code's text (the control number, a blank and
// the case number) counts by its control number. "L:" (or "l:") and a
// location is a shelf. Blanks around the text do not count.
ScanCode ClassifyScan(const QString &typed);

// The entry whose control number reads controlText.
struct ScannedEntry {
    int recordNumber = 0;
    bool archived = false;
    EntryIdentity identity;
};

// Looks for it in one pass over the data file, reading only the control
// number, the case number and the status of each record (entries being
// deleted do not count). Nothing when no entry has it, or when the file
// can not be read: then *unreadable (when given) is set.
std::optional<ScannedEntry> FindScannedEntry(Store &store, const QString &controlText,
                                             bool *unreadable = nullptr);

// What the main window says about a scan.
QString NotOnRecordText(const QString &code);   // "<code> is not on record."
QString CurrentShelfText(const QString &shelf); // "Current shelf: <shelf>"
QString ScanUnreadableText();                   // "The data file could not be read: scan again."
QString ArchivedScanTitle();                    // "Archived Entry"
QString ArchivedScanText(const QString &controlText, const QString &caseNumber);
QStringList ArchivedScanButtons(); // "&Show it on the Inactive List", "&Not now"
