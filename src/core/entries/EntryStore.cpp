#include "core/entries/EntryStore.h"

#include "core/common/SafeReplace.h"

#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/OwnWrites.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{

using namespace EntryLayout;

constexpr int kCaseWidth = 15;

StoreResult toStoreResult(RecordResult r)
{
    switch (r) {
    case RecordResult::Ok:
        return StoreResult::Ok;
    case RecordResult::Changed:
        return StoreResult::Changed;
    case RecordResult::Missing:
        return StoreResult::Missing;
    case RecordResult::Cancelled:
        return StoreResult::Cancelled;
    case RecordResult::NotAvailable:
        return StoreResult::NotAvailable;
    case RecordResult::Busy:
        return StoreResult::Busy;
    case RecordResult::Unwritable:
        return StoreResult::Unwritable;
    case RecordResult::IoError:
        break;
    }
    return StoreResult::IoError;
}

// The lock and the data file, open for writing, for one operation. The
// file's stamps before and after are noted as this workstation's own write
// while the lock is still held.
struct LockedFile : LockedRecords {
    bool held = false;
    std::optional<FileStamp> before;

    explicit LockedFile(DataSet &ds)
        : LockedRecords(ds, DataPath(ds, DataFileName), EntryRecordLength,
                        ds.options.DataFileOpenRetryMs)
    {
        whenLocked = [this] {
            held = true;
            before = desktop().fileStamp(file.path());
        };
    }

    StoreResult open()
    {
        const StoreResult r = toStoreResult(LockedRecords::open());
        if (r == StoreResult::Ok)
            lock.dataSet().RecordCount = file.recordCount();
        return r;
    }

    ~LockedFile()
    {
        if (!held)
            return;
        const QString path = file.path();
        file.close();
        NoteOwnWrite(lock.dataSet(), before, desktop().fileStamp(path));
    }

    // Re-reads record n and checks it is still the entry the person saw.
    StoreResult check(int n, const EntryIdentity &asRead, QByteArray *raw)
    {
        return toStoreResult(LockedRecords::check(
            n, [&](const QByteArray &bytes) { return asRead.matches(EntryRecord::Unpack(bytes)); },
            raw));
    }

    // Opens, then re-reads record n as check() does.
    StoreResult openAt(int n, const EntryIdentity &asRead, QByteArray *raw)
    {
        const StoreResult r = open();
        return r == StoreResult::Ok ? check(n, asRead, raw) : r;
    }
};

bool logLine(const FolderLock &held, int code, double controlNumber, qint64 *sizeBefore)
{
    return AppendLogLine(
        held, DataRecordsLogName,
        DataRecordLine(held.dataSet().session(), desktop().now(), code, controlNumber), sizeBefore);
}

bool isKilled(const char *record)
{
    // Trimmed of its blanks, the case number is exactly the marker.
    int begin = CaseNumber;
    int end = CaseNumber + kCaseWidth;
    while (end > begin && (record[end - 1] == ' ' || record[end - 1] == '\0'))
        --end;
    while (begin < end && (record[begin] == ' ' || record[begin] == '\0'))
        ++begin;
    static const QByteArray marker = KilledMarker.toLatin1();
    return end - begin == marker.size() &&
           std::memcmp(record + begin, marker.constData(), size_t(marker.size())) == 0;
}

bool isArchivedRaw(const char *record)
{
    return static_cast<unsigned char>(record[Status]) == StatusArchived;
}

// Rewrites record n with newBytes, its log line first; the old bytes go
// back (and the line is taken back) when the write fails.
StoreResult rewrite(LockedFile &locked, int n, const QByteArray &oldBytes,
                    const QByteArray &newBytes, int code, double controlNumber)
{
    qint64 logSize = 0;
    if (!logLine(locked.lock, code, controlNumber, &logSize))
        return StoreResult::LogFailed;
    // Unbuffered writes: each goes to the file (or the server) before the
    // lock is let go.
    if (locked.file.writeRecord(n, newBytes))
        return StoreResult::Ok;
    // Under a lock taken over meanwhile nothing more is written: the
    // record numbers may have moved.
    if (!locked.lock.stillHeld())
        return StoreResult::IoError;
    locked.file.writeRecord(n, oldBytes);
    UndoLogAppend(locked.lock, DataRecordsLogName, logSize);
    return StoreResult::IoError;
}

StoreResult setStatus(DataSet &ds, int n, const EntryIdentity &asRead, quint8 status, int code)
{
    LockedFile locked(ds);
    QByteArray raw;
    if (const StoreResult r = locked.openAt(n, asRead, &raw); r != StoreResult::Ok)
        return r;
    QByteArray changed = raw; // every other byte as it is in the file
    changed[Status] = char(status);
    const double cn = EntryRecord::Unpack(raw).ControlNumber;
    return rewrite(locked, n, raw, changed, code, cn);
}

QString okayButton()
{
    return QStringLiteral("&Okay");
}

} // namespace

static bool isReservedCase(const EntryRecord &entry)
{
    return entry.CaseNumber.trimmed() == KilledMarker;
}

StoreResult AppendEntry(DataSet &ds, EntryRecord &entry, int *recordNumber)
{
    if (isReservedCase(entry))
        return StoreResult::Reserved;
    LockedFile locked(ds);
    StoreResult r = locked.open();
    if (r != StoreResult::Ok)
        return r;
    const int n = locked.file.recordCount() + 1;
    if (n > MaxEntryCount)
        return StoreResult::Full;

    entry.VersionStamp = CurrentVersionStamp();
    entry.ControlNumber = ToOleDate(desktop().now());
    entry.Status = StatusActive;

    qint64 logSize = 0;
    if (!logLine(locked.lock, LogAdded, entry.ControlNumber, &logSize))
        return StoreResult::LogFailed;
    const qint64 sizeBefore = locked.file.size();
    if (!locked.file.writeRecord(n, entry.Pack())) {
        if (!locked.lock.stillHeld()) // the file may hold the new holder's records by now
            return StoreResult::IoError;
        locked.file.truncate(sizeBefore);
        UndoLogAppend(locked.lock, DataRecordsLogName, logSize);
        return StoreResult::IoError;
    }
    ds.RecordCount = n;
    if (recordNumber)
        *recordNumber = n;
    return StoreResult::Ok;
}

StoreResult SaveEditedEntry(DataSet &ds, int n, const EntryIdentity &asRead,
                            const EntryRecord &edited)
{
    if (isReservedCase(edited))
        return StoreResult::Reserved;
    LockedFile locked(ds);
    QByteArray raw;
    if (const StoreResult r = locked.openAt(n, asRead, &raw); r != StoreResult::Ok)
        return r;
    QByteArray changed = edited.Pack();
    // Not the card's to change: stamp, control number, reserved, status.
    std::memcpy(changed.data() + VersionStamp, raw.constData() + VersionStamp, CaseNumber);
    std::memcpy(changed.data() + Reserved1, raw.constData() + Reserved1, Narrative - Reserved1);
    changed[Status] = raw[Status];
    const double cn = EntryRecord::Unpack(raw).ControlNumber;
    return rewrite(locked, n, raw, changed, LogEdited, cn);
}

StoreResult ArchiveEntry(DataSet &ds, int n, const EntryIdentity &asRead)
{
    return setStatus(ds, n, asRead, StatusArchived, LogArchived);
}

StoreResult RestoreEntry(DataSet &ds, int n, const EntryIdentity &asRead)
{
    return setStatus(ds, n, asRead, StatusActive, LogRestored);
}

StoreResult DeleteEntry(DataSet &ds, int n, const EntryIdentity &asRead)
{
    LockedFile locked(ds);
    QByteArray raw;
    if (const StoreResult r = locked.openAt(n, asRead, &raw); r != StoreResult::Ok)
        return r;

    // The log line, then the mark: a deletion cut short leaves the marked
    // record, which the next compaction drops.
    qint64 logSize = 0;
    if (!logLine(locked.lock, LogDeleted, EntryRecord::Unpack(raw).ControlNumber, &logSize))
        return StoreResult::LogFailed;
    const QByteArray oldCase = raw.mid(CaseNumber, kCaseWidth);
    auto undo = [&]() {
        // Under a lock taken over meanwhile nothing more is written: the
        // record numbers may have moved.
        if (!locked.lock.stillHeld())
            return StoreResult::IoError;
        if (!locked.file.isOpen())
            locked.file.open(RecordFile::ForWriting);
        locked.file.writeField(n, CaseNumber, oldCase);
        locked.file.sync();
        UndoLogAppend(locked.lock, DataRecordsLogName, logSize);
        return StoreResult::IoError;
    };
    if (!locked.file.writeField(n, CaseNumber, ToFixedText(KilledMarker, kCaseWidth)) ||
        !locked.file.sync())
        return undo();

    int kept = 0, active = 0, archived = 0;
    const RecordResult compacted = locked.compact(
        [&](int, const char *record) {
            if (isKilled(record))
                return false;
            ++(isArchivedRaw(record) ? archived : active);
            return true;
        },
        &kept);
    if (compacted != RecordResult::Ok) {
        // Taken over after the mark and its line were written and synced:
        // both stand and the next compaction drops the record, so the
        // deletion is done; telling the person otherwise would be untrue.
        if (!locked.lock.stillHeld()) {
            RecountEntries(ds);
            return StoreResult::Ok;
        }
        return undo();
    }
    ds.RecordCount = kept;
    ds.ActiveCount = active;
    ds.ArchivedCount = archived;
    return StoreResult::Ok;
}

bool RecountEntries(DataSet &ds)
{
    DataFile file(ds);
    if (!file.open(DataFile::ForReading))
        return false;
    int active = 0, archived = 0;
    const bool ok = file.forEachRaw([&](int, const char *record) {
        if (isArchivedRaw(record))
            ++archived;
        else
            ++active;
        return true;
    });
    if (!ok)
        return false;
    ds.RecordCount = file.recordCount();
    ds.ActiveCount = active;
    ds.ArchivedCount = archived;
    return true;
}

QString StoreResultTitle(StoreResult result)
{
    switch (result) {
    case StoreResult::Changed:
    case StoreResult::Missing:
        return QStringLiteral("Entry changed at another workstation");
    case StoreResult::NotAvailable:
        return DataFileUnavailableTitle();
    case StoreResult::LogFailed:
        return QStringLiteral("Activity log not available");
    case StoreResult::IoError:
        return QStringLiteral("Data file not saved");
    case StoreResult::Full:
        return QStringLiteral("Data file full");
    case StoreResult::Reserved:
        return QStringLiteral("Case number reserved");
    case StoreResult::Ok:
    case StoreResult::Cancelled:
    case StoreResult::Busy:
    case StoreResult::Unwritable:
        break;
    }
    return QString();
}

namespace
{
// A database store's failure is told by its operation, not by the files.
bool toldAsDatabase(const DataSet &ds, StoreResult result)
{
    return ds.databaseFailure.isSet() &&
           (result == StoreResult::NotAvailable || result == StoreResult::LogFailed ||
            result == StoreResult::IoError);
}
} // namespace

QString StoreResultText(const DataSet &ds, StoreResult result)
{
    if (toldAsDatabase(ds, result))
        return DatabaseFailureText(ds.databaseFailure);
    const QString nothing = QStringLiteral("Nothing has been changed.");
    switch (result) {
    case StoreResult::Changed:
    case StoreResult::Missing:
        return QStringLiteral("This entry has been changed or removed at another") + CrLf +
               QStringLiteral("workstation since the list was loaded.") + CrLf + CrLf + nothing +
               CrLf + QStringLiteral("Please look at the refreshed list and try again.");
    case StoreResult::NotAvailable:
        return DataFileUnavailableText(ds) + CrLf + CrLf + nothing;
    case StoreResult::LogFailed:
        return LogFailedText(ds, DataRecordsLogName);
    case StoreResult::IoError:
        return QStringLiteral("The data file '") + DataFileName +
               QStringLiteral("' could not be written") + CrLf +
               QStringLiteral("(the disk may be full or the folder read-only).") + CrLf + CrLf +
               nothing;
    case StoreResult::Full:
        return QStringLiteral("The data file holds 32,767 entries,") + CrLf +
               QStringLiteral("the most it can hold.") + CrLf + CrLf +
               QStringLiteral("The new entry has not been saved. Deleting entries") + CrLf +
               QStringLiteral("that are no longer needed makes room for new ones.");
    case StoreResult::Reserved:
        return QStringLiteral("'") + KilledMarker +
               QStringLiteral("' can not be used as a case number:") + CrLf +
               QStringLiteral("it marks an entry while it is being deleted.") + CrLf + CrLf +
               nothing;
    case StoreResult::Ok:
    case StoreResult::Cancelled:
    case StoreResult::Busy:
    case StoreResult::Unwritable:
        break;
    }
    return QString();
}

MsgBoxRequest StoreResultMessage(const DataSet &ds, StoreResult result)
{
    if (result == StoreResult::Busy)
        return DataFolderBusyMessage(LockHolderNow(ds));
    if (result == StoreResult::Unwritable)
        return DataFolderUnwritableMessage(ds);
    const QString text = StoreResultText(ds, result);
    if (text.isEmpty())
        return {};
    const QString title = toldAsDatabase(ds, result) ? DatabaseFailureTitle(ds.databaseFailure)
                                                     : StoreResultTitle(result);
    return {title, MsgIcon::Warning, text, MsgButton::First, false, {okayButton()}};
}
