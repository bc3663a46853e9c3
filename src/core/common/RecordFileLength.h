// Record files (the data file, the user file) whose length is not a whole
// number of records: a copy or a crash cut them short, or something was
// appended to them. Their records are still counted as always (the length
// divided by the record length, rounded), but the person is told, and
// nothing is written past the last whole record until the person agrees;
// the bytes there are kept in a file of their own first.
#pragma once

#include "core/common/Desktop.h"

#include <QDateTime>
#include <QString>

class DataSet;

// One kind of record file, for the texts.
struct RecordFileKind {
    QString fileName;   // "Custorin.Data"
    QString fileWord;   // "data file"
    int recordLength;   // 5000
    QString recordWord; // "entry"
    QString listWord;   // "entries"
};
RecordFileKind DataFileKind();
RecordFileKind UserFileKind();
// The kind of the record file at path: the user file by its name, else the
// data file.
RecordFileKind RecordFileKindOf(const QString &path);

// Bytes after the last whole record (0 for a whole file).
qint64 PartialTailBytes(qint64 length, int recordLength);

// The notice of a damaged length: title and text, one "&Okay".
MsgBoxRequest DamagedLengthNotice(const RecordFileKind &kind, qint64 length);
// Tells the notice once per file and length in this run of the program,
// through the data set's question function; false when the length is
// whole or nobody can be told (no function installed).
bool ReportDamagedLength(DataSet &ds, const RecordFileKind &kind, const QString &path,
                         qint64 length);

// The name of the copy of the bytes past the last whole record:
// file name + "." + yyyymmddhhnnss + ".tail" ("-2.tail", "-3.tail", ...
// when a file of that name is in the data folder already).
QString TailCopyName(const DataSet &ds, const RecordFileKind &kind, const QDateTime &now);
// The question asked (through the data set's question function) before the
// first change to a file of a damaged length: button 1 keeps the copy and
// goes on, 2 (the default) cancels, as does having nobody to ask.
MsgBoxRequest KeepTailQuestion(const RecordFileKind &kind, qint64 length, const QString &copyName);

// Under the folder lock: copies the bytes of path after its last whole
// record to copyPath (flushed to the disk), then sets the length of path to
// the records it is counted as holding (cutting the partial tail, or
// completing the last record with zeros where the count was rounded up).
// False when the copy or the length change failed; path is then as it was.
bool KeepTailAndSetLength(const DataSet &ds, const QString &path, int recordLength,
                          const QString &copyPath);
