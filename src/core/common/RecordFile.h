// A file of fixed-length records without a header (the data file and the
// user file): record n (counting from 1) at byte (n - 1) * length. No
// workstation keeps it open between user actions: open, read or write,
// close. A change runs under the folder lock (LockedRecords below).
#pragma once

#include "core/common/FolderLock.h"
#include "core/common/SafeReplace.h"

#include <QByteArray>
#include <QString>
#include <functional>

class DataSet;

class RecordFile
{
public:
    enum Mode { ForReading, ForWriting };

    // openRetryMs is read at each open (a data set's option tests may
    // shorten); the file calls fail and retry as ds's options say.
    RecordFile(const DataSet &ds, const QString &path, int recordLength, const int &openRetryMs);
    virtual ~RecordFile();
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    // Opens the file, creating it empty when missing (without emptying one
    // another workstation has just put in place); a failed open is retried
    // for openRetryMs. For reading an existing file is opened read-only.
    // Sets recordCount() from the length (see RecordsForLength).
    bool open(Mode mode);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int recordCount() const { return m_count; }
    int recordLength() const { return m_length; }
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }
    // The file's length as this open knows it (at the open, then after each
    // write or truncation).
    qint64 size() const { return m_size; }

    // The bytes of record n into *record. Bytes of a short last record
    // past the end of the file read as zeros; a read that brings fewer bytes
    // than the file held is an error (the file changed underneath), never
    // filled in.
    bool readRecord(int n, QByteArray *record);
    // Writes record n whole (n = recordCount() + 1 appends).
    bool writeRecord(int n, const QByteArray &record);
    // Writes part of record n in place.
    bool writeField(int n, int offset, const QByteArray &bytes);
    // Puts the file back to an earlier length (undoing a failed append).
    bool truncate(qint64 bytes);
    // Asks the system to put the bytes on the disk (and the server).
    bool sync();

    // Every record in file order, read blockRecords at a time; the visitor
    // gets the record number and its bytes and returns false to stop.
    // False when a read failed or came up short.
    bool forEachRecord(int blockRecords, const std::function<bool(int, const char *)> &visit);

private:
    bool fail();
    const DataSet &m_ds;
    QString m_path;
    int m_length;
    const int &m_openRetryMs;
    int m_fd = -1;
    int m_count = 0;
    qint64 m_size = 0;
    QString m_error;
};

// Why a record file could not be opened, for the message box: `what` is
// "data file" or "user file".
QString RecordFileUnavailableText(const DataSet &ds, const QString &what, const QString &fileName);

// What one locked change of a record file came to.
enum class RecordResult {
    Ok,
    Changed,      // the record at that number is another one now
    Missing,      // there is no record at that number any more
    Cancelled,    // the person (or nobody there to ask) did not agree
    NotAvailable, // the file could not be opened
    IoError,      // a read or write failed; nothing changed
    Busy,         // another workstation held the lock; nothing changed
    Unwritable,   // the lock could not be made; nothing changed
};

// The folder lock and one record file open for writing, for one change.
class LockedRecords
{
public:
    LockedRecords(DataSet &ds, const QString &path, int recordLength, const int &openRetryMs);

    FolderLock lock;
    RecordFile file;
    // Called by open() once the lock is held, before the file is opened.
    std::function<void()> whenLocked;

    // Takes the lock and opens the file. Never asks about the lock: while
    // the folder stays busy it ends with Busy or Unwritable and the window
    // asks (and runs the change again on Retry: nothing was written before
    // the lock was taken). A file of a damaged length is changed only once
    // the person agrees to keep its tail (the data set's question function).
    RecordResult open();
    // Re-reads record n into *raw and checks with matches that it is still
    // the record the person was looking at. A short read is tried once more
    // on a fresh open before it counts as an error.
    RecordResult check(int n, const std::function<bool(const QByteArray &)> &matches,
                       QByteArray *raw);
    // Copies every record keep() accepts into the work file "TempFile.$$$",
    // puts it on the disk and renames it over the file in one step; when no
    // record is kept the file is removed. The file is closed afterwards.
    // *kept gets the count. On failure the file is as it was.
    RecordResult compact(const std::function<bool(int, const char *)> &keep, int *kept);

private:
    RecordResult lockUp();
};
