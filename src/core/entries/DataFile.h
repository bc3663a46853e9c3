// The data file: fixed 5000-byte entry records, no header, record n
// (counting from 1) at byte (n - 1) * 5000. No workstation keeps it open
// between user actions: open, read or write, close.
#pragma once

#include "core/entries/EntryRecord.h"

#include <QFile>
#include <QString>
#include <QVector>
#include <functional>

// Counts kept for the windows. RecordCount is set by every open; the two
// status counts by the list load, the recount and compaction.
inline int RecordCount = 0;
inline int ActiveCount = 0;
inline int ArchivedCount = 0;

// How long a failed open is retried before giving up (milliseconds).
inline int DataFileOpenRetryMs = 3000;

// Records in a file of this length: the length divided by 5000, rounded to
// the nearest whole number, a half to the even neighbour (12,499 and 12,500
// bytes give 2, 17,500 give 4). A short last record reads as blanks and
// zeros past the end of the file.
int RecordCountForLength(qint64 bytes);

// One open of a data file (the shared one unless another path is given).
class DataFile
{
public:
    enum Mode { ForReading, ForWriting };

    explicit DataFile(const QString &path = QString());
    ~DataFile();
    DataFile(const DataFile &) = delete;
    DataFile &operator=(const DataFile &) = delete;

    // Opens the file, creating it empty when missing; a failed open is
    // retried for DataFileOpenRetryMs. Sets recordCount() (and nothing
    // else). For reading the file is opened read-only.
    bool open(Mode mode);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    int recordCount() const { return m_count; }
    QString path() const { return m_file.fileName(); }
    QString errorString() const { return m_file.errorString(); }

    // The 5000 bytes of record n; bytes past the end of the file are zeros.
    QByteArray readRaw(int n);
    EntryRecord read(int n) { return EntryRecord::Unpack(readRaw(n)); }
    // Writes the 5000 bytes of record n (n = recordCount() + 1 appends and
    // raises the count). False when not all bytes were written.
    bool writeRaw(int n, const QByteArray &record);
    bool write(int n, const EntryRecord &entry) { return writeRaw(n, entry.Pack()); }
    // Writes part of record n in place (len bytes at offset within it).
    bool writeField(int n, int offset, const QByteArray &bytes);
    bool flush();
    qint64 size() const { return m_file.size(); }
    // Puts the file back to an earlier length (undoing a failed append).
    bool truncate(qint64 bytes);
    // Flushes and asks the system to put the bytes on the disk.
    bool sync();

    // Every record in file order, read in large blocks; the visitor gets
    // the record number and its 5000 bytes and returns false to stop.
    // False when a read failed.
    bool forEachRaw(const std::function<bool(int, const char *)> &visit);
    bool forEach(const std::function<bool(int, const EntryRecord &)> &visit);

private:
    QFile m_file;
    int m_count = 0;
};

// The shared reader's open of the data file, for the windows: list load,
// entry card, export. OpenDataFile retries, then tells the person (who may
// retry or cancel); false when the file is not open. Readers take no lock.
bool OpenDataFile();
void CloseDataFile();
bool DataFileIsOpen();
// Entry n of the open data file, by value (blank when the file is closed or
// n is out of range).
EntryRecord ReadEntry(int n);
// Every entry in file order, in one pass; opens and closes the file when it
// is not open already. Sets RecordCount. False when the file could not be
// read.
bool ForEachEntry(const std::function<bool(int, const EntryRecord &)> &visit);
QVector<EntryRecord> ReadAllEntries();

// The texts of the open failure (title, text).
QString DataFileUnavailableTitle();
QString DataFileUnavailableText();
