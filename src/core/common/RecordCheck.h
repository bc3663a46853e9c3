// What a look at a whole record file (the data file, the user file) found:
// for the check before a restore and the --check command.
#pragma once

#include <QString>
#include <QVector>
#include <cmath>
#include <functional>

struct RecordFileCheck {
    bool exists = false;
    bool readable = true;
    qint64 bytes = 0;
    int records = 0;              // whole records in the file
    int recordLength = 0;         // 5000 or 500
    QVector<int> undecodable;     // record numbers whose values can not be read
    QVector<int> datesOutOfRange; // record numbers with an implausible date
    QVector<int> badValues;       // data file: record numbers with a value out of range
    int active = 0;               // data file: records not archived
    int archived = 0;
    int killed = 0; // records left marked for deletion

    bool whole() const { return recordLength > 0 && bytes % recordLength == 0; }
    // Present, readable, a whole number of records, each of which decodes.
    bool sound() const { return exists && readable && whole() && undecodable.isEmpty(); }
};

// Reads the file a block at a time and hands each whole record, numbered
// from 1, to `each`, which counts it; fills in everything about the file
// itself (present, readable, its size and its number of whole records).
RecordFileCheck CheckRecordFile(
    const QString &path, int recordLength,
    const std::function<void(const char *record, int number, RecordFileCheck &c)> &each);

// OLE dates the program can convert: 1 January 100 to 31 December 9999.
constexpr double OleDateMin = -657434.0;
constexpr double OleDateMax = 2958466.0;
// Dates a record can plausibly hold: 1 January 1900 up to 31 December 2099.
constexpr double PlausibleDateMin = 2.0;
constexpr double PlausibleDateMax = 73051.0; // 1 January 2100, the first date past it

inline bool OleDateDecodes(double ole)
{
    return std::isfinite(ole) && ole >= OleDateMin && ole < OleDateMax;
}

// 0 (no date) or a date in the plausible span.
inline bool OleDatePlausible(double ole)
{
    return ole == 0 || (ole >= PlausibleDateMin && ole < PlausibleDateMax);
}
