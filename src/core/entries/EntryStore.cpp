#include "core/entries/EntryStore.h"

#include "core/common/SafeReplace.h"

#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"

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

// The lock and the data file, open for writing, for one operation.
struct LockedFile {
    FolderLock lock;
    DataFile file;

    StoreResult open()
    {
        if (!lock.acquire())
            return StoreResult::Cancelled;
        if (!file.open(DataFile::ForWriting))
            return StoreResult::NotAvailable;
        RecordCount = file.recordCount();
        return StoreResult::Ok;
    }

    // Re-reads record n and checks it is still the entry the person saw.
    StoreResult check(int n, const EntryIdentity &asRead, QByteArray *raw)
    {
        if (n < 1 || n > file.recordCount())
            return StoreResult::Missing;
        *raw = file.readRaw(n);
        if (!asRead.matches(EntryRecord::Unpack(*raw)))
            return StoreResult::Changed;
        return StoreResult::Ok;
    }
};

bool logLine(const FolderLock &held, int code, double controlNumber, qint64 *sizeBefore)
{
    return AppendLogLine(held, DataRecordsLogName,
                         DataRecordLine(desktop().now(), code, controlNumber), sizeBefore);
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
    if (locked.file.writeRaw(n, newBytes) && locked.file.flush())
        return StoreResult::Ok;
    locked.file.writeRaw(n, oldBytes);
    locked.file.flush();
    UndoLogAppend(locked.lock, DataRecordsLogName, logSize);
    return StoreResult::IoError;
}

StoreResult setStatus(int n, const EntryIdentity &asRead, quint8 status, int code)
{
    LockedFile locked;
    StoreResult r = locked.open();
    if (r != StoreResult::Ok)
        return r;
    QByteArray raw;
    if ((r = locked.check(n, asRead, &raw)) != StoreResult::Ok)
        return r;
    QByteArray changed = raw; // every other byte as it is in the file
    changed[Status] = char(status);
    const double cn = EntryRecord::Unpack(raw).ControlNumber;
    return rewrite(locked, n, raw, changed, code, cn);
}

struct CompactResult {
    bool ok = false;
    int kept = 0, active = 0, archived = 0;
};

// Copies every unmarked record of file into the work file, which ends up
// complete and on the disk, or removed.
CompactResult writeCompacted(DataFile &file, const QString &tempPath)
{
    CompactResult result;
    QFile::remove(tempPath);
    QFile temp(tempPath);
    if (!temp.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return result;
    QByteArray buffer;
    constexpr int kFlushAt = 200 * EntryRecordLength;
    buffer.reserve(kFlushAt + EntryRecordLength);
    bool ok = true;
    const bool read = file.forEachRaw([&](int, const char *record) {
        if (isKilled(record))
            return true;
        ++result.kept;
        if (isArchivedRaw(record))
            ++result.archived;
        else
            ++result.active;
        buffer.append(record, EntryRecordLength);
        if (buffer.size() >= kFlushAt) {
            ok = temp.write(buffer) == buffer.size();
            buffer.clear();
        }
        return ok;
    });
    if (ok && !buffer.isEmpty())
        ok = temp.write(buffer) == buffer.size();
    ok = ok && read && temp.flush() && ::fsync(temp.handle()) == 0;
    temp.close();
    ok = ok && temp.error() == QFileDevice::NoError;
    if (!ok) {
        QFile::remove(tempPath);
        return CompactResult();
    }
    result.ok = true;
    return result;
}

QString okayButton()
{
    return QStringLiteral("&Okay");
}

} // namespace

StoreResult AppendEntry(EntryRecord &entry, int *recordNumber)
{
    LockedFile locked;
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
    if (!locked.file.write(n, entry) || !locked.file.flush()) {
        locked.file.truncate(sizeBefore);
        UndoLogAppend(locked.lock, DataRecordsLogName, logSize);
        return StoreResult::IoError;
    }
    RecordCount = n;
    if (recordNumber)
        *recordNumber = n;
    return StoreResult::Ok;
}

StoreResult SaveEditedEntry(int n, const EntryIdentity &asRead, const EntryRecord &edited)
{
    LockedFile locked;
    StoreResult r = locked.open();
    if (r != StoreResult::Ok)
        return r;
    QByteArray raw;
    if ((r = locked.check(n, asRead, &raw)) != StoreResult::Ok)
        return r;
    QByteArray changed = edited.Pack();
    // Not the card's to change: stamp, control number, reserved, status.
    std::memcpy(changed.data() + VersionStamp, raw.constData() + VersionStamp, CaseNumber);
    std::memcpy(changed.data() + Reserved1, raw.constData() + Reserved1, Narrative - Reserved1);
    changed[Status] = raw[Status];
    const double cn = EntryRecord::Unpack(raw).ControlNumber;
    return rewrite(locked, n, raw, changed, LogEdited, cn);
}

StoreResult ArchiveEntry(int n, const EntryIdentity &asRead)
{
    return setStatus(n, asRead, StatusArchived, LogArchived);
}

StoreResult RestoreEntry(int n, const EntryIdentity &asRead)
{
    return setStatus(n, asRead, StatusActive, LogRestored);
}

StoreResult DeleteEntry(int n, const EntryIdentity &asRead)
{
    LockedFile locked;
    StoreResult r = locked.open();
    if (r != StoreResult::Ok)
        return r;
    QByteArray raw;
    if ((r = locked.check(n, asRead, &raw)) != StoreResult::Ok)
        return r;

    // The log line, then the mark: a deletion cut short leaves the marked
    // record, which the next compaction drops.
    qint64 logSize = 0;
    if (!logLine(locked.lock, LogDeleted, EntryRecord::Unpack(raw).ControlNumber, &logSize))
        return StoreResult::LogFailed;
    const QByteArray oldCase = raw.mid(CaseNumber, kCaseWidth);
    auto undo = [&]() {
        if (!locked.file.isOpen())
            locked.file.open(DataFile::ForWriting);
        locked.file.writeField(n, CaseNumber, oldCase);
        locked.file.flush();
        UndoLogAppend(locked.lock, DataRecordsLogName, logSize);
        return StoreResult::IoError;
    };
    if (!locked.file.writeField(n, CaseNumber, ToFixedText(KilledMarker, kCaseWidth)) ||
        !locked.file.flush())
        return undo();

    const QString dataPath = locked.file.path();
    const QString tempPath = DataPath(TempFileName);
    const CompactResult compacted = writeCompacted(locked.file, tempPath);
    if (!compacted.ok)
        return undo();
    locked.file.close();

    if (compacted.kept > 0) {
        // One step: the data file is the old one or the new one, never
        // missing.
        if (!ReplaceWith(tempPath, dataPath))
            return undo();
    } else {
        QFile::remove(tempPath);
        if (!QFile::remove(dataPath) && QFileInfo::exists(dataPath))
            return undo();
    }
    RecordCount = compacted.kept;
    ActiveCount = compacted.active;
    ArchivedCount = compacted.archived;
    return StoreResult::Ok;
}

bool RecountEntries()
{
    DataFile file;
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
    RecordCount = file.recordCount();
    ActiveCount = active;
    ArchivedCount = archived;
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
    case StoreResult::Ok:
    case StoreResult::Cancelled:
        break;
    }
    return QString();
}

QString StoreResultText(StoreResult result)
{
    const QString nothing = QStringLiteral("Nothing has been changed.");
    switch (result) {
    case StoreResult::Changed:
    case StoreResult::Missing:
        return QStringLiteral("This entry has been changed or removed at another") + CrLf +
               QStringLiteral("workstation since the list was loaded.") + CrLf + CrLf + nothing +
               CrLf + QStringLiteral("Please look at the refreshed list and try again.");
    case StoreResult::NotAvailable:
        return DataFileUnavailableText() + CrLf + CrLf + nothing;
    case StoreResult::LogFailed:
        return LogFailedText(DataRecordsLogName);
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
    case StoreResult::Ok:
    case StoreResult::Cancelled:
        break;
    }
    return QString();
}

void ShowStoreResult(StoreResult result)
{
    const QString text = StoreResultText(result);
    if (text.isEmpty())
        return;
    ShowMsgBox(StoreResultTitle(result), 4, text, 1, false, {okayButton()});
}
