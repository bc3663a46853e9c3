// The data file: fixed 5000-byte entry records, no header, record n
// (counting from 1) at byte (n - 1) * 5000. No workstation keeps it open
// between user actions: open, read or write, close.
#pragma once

#include "core/common/DataSet.h"
#include "core/common/RecordFile.h"
#include "core/entries/EntryRecord.h"

#include <QString>
#include <QVector>
#include <functional>

// Records in a file of this length: the length divided by 5000, rounded to
// the nearest whole number, a half to the even neighbour (12,499 and 12,500
// bytes give 2, 17,500 give 4). A short last record reads as blanks and
// zeros past the end of the file.
int RecordCountForLength(qint64 bytes);

// One open of a data file (the data set's own unless another path is
// given): a record file of 5000-byte records whose failed open is retried
// for the data set's DataFileOpenRetryMs.
class DataFile : public RecordFile
{
public:
    explicit DataFile(const DataSet &ds, const QString &path = QString());

    // The 5000 bytes of record n; empty when the read failed or came up
    // short (bytes of a short last record past the end of the file are
    // zeros).
    QByteArray readRaw(int n);
    EntryRecord read(int n) { return EntryRecord::Unpack(readRaw(n)); }
    bool writeRaw(int n, const QByteArray &record) { return writeRecord(n, record); }
    bool write(int n, const EntryRecord &entry) { return writeRecord(n, entry.Pack()); }

    // Every record in file order, read in large blocks; the visitor gets
    // the record number and its 5000 bytes and returns false to stop.
    // False when a read failed or came up short.
    bool forEachRaw(const std::function<bool(int, const char *)> &visit);
    bool forEach(const std::function<bool(int, const EntryRecord &)> &visit);
};

// The data set's shared reader's open of its data file, for the windows:
// list load, entry card, export. OpenDataFile retries for the data set's
// DataFileOpenRetryMs; false when the file is not open (the window then
// asks DataFileUnavailableMessage with Retry). Readers take no lock. Sets
// the data set's RecordCount (0 when not open).
bool OpenDataFile(DataSet &ds);
void CloseDataFile(DataSet &ds);
bool DataFileIsOpen(const DataSet &ds);
// Entry n of the open data file, by value (blank when the file is closed or
// n is out of range).
EntryRecord ReadEntry(DataSet &ds, int n);
// Every entry in file order, in one pass; opens and closes the file when it
// is not open already. Sets RecordCount. False when the file could not be
// read.
bool ForEachEntry(DataSet &ds, const std::function<bool(int, const EntryRecord &)> &visit);
QVector<EntryRecord> ReadAllEntries(DataSet &ds);

// The texts of the open failure (title, text).
QString DataFileUnavailableTitle();
QString DataFileUnavailableText(const DataSet &ds);
// The box that says so: Retry and Cancel when the caller may try again,
// else Okay alone.
MsgBoxRequest DataFileUnavailableMessage(const DataSet &ds, bool offerRetry);
