#include "core/entries/DataFile.h"

#include "core/common/SafeReplace.h"

#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/common/RecordFileLength.h"

#include <memory>

namespace
{

// One read of 250,000 bytes: small enough to stay in a core's cache while
// its records are looked at.
constexpr int kBlockRecords = 50;

DataFile *sharedFile(const DataSet &ds)
{
    return static_cast<DataFile *>(ds.dataFile.get());
}

} // namespace

int RecordCountForLength(qint64 bytes)
{
    return RecordsForLength(bytes, EntryRecordLength);
}

DataFile::DataFile(const DataSet &ds, const QString &path)
    : RecordFile(ds, path.isEmpty() ? DataPath(ds, DataFileName) : path, EntryRecordLength,
                 ds.options.DataFileOpenRetryMs)
{
}

QByteArray DataFile::readRaw(int n)
{
    QByteArray record;
    if (!readRecord(n, &record))
        return QByteArray();
    return record;
}

bool DataFile::forEachRaw(const std::function<bool(int, const char *)> &visit)
{
    return forEachRecord(kBlockRecords, visit);
}

bool DataFile::forEach(const std::function<bool(int, const EntryRecord &)> &visit)
{
    // One record object for the whole pass: a visitor that keeps a copy
    // shares the texts, and the next read then leaves the copy alone.
    EntryRecord entry;
    return forEachRaw([&](int n, const char *data) {
        EntryRecord::UnpackInto(entry, data);
        return visit(n, entry);
    });
}

QString DataFileUnavailableTitle()
{
    return QStringLiteral("Data file not available");
}

QString DataFileUnavailableText(const DataSet &ds)
{
    return RecordFileUnavailableText(ds, QStringLiteral("data file"), DataFileName);
}

bool OpenDataFile(DataSet &ds)
{
    ds.dataFile = std::make_shared<DataFile>(ds);
    DataFile *file = sharedFile(ds);
    if (!file->open(DataFile::ForReading)) {
        ds.RecordCount = 0;
        return false;
    }
    ds.RecordCount = file->recordCount();
    // A length that is not a whole number of records is told once.
    ReportDamagedLength(ds, DataFileKind(), file->path(), file->size());
    return true;
}

void CloseDataFile(DataSet &ds)
{
    if (ds.dataFile)
        ds.dataFile->close();
}

bool DataFileIsOpen(const DataSet &ds)
{
    return ds.dataFile && ds.dataFile->isOpen();
}

EntryRecord ReadEntry(DataSet &ds, int n)
{
    DataFile *file = sharedFile(ds);
    if (!file || !file->isOpen() || n < 1 || n > file->recordCount())
        return EntryRecord();
    return file->read(n);
}

bool ForEachEntry(DataSet &ds, const std::function<bool(int, const EntryRecord &)> &visit)
{
    const bool wasOpen = DataFileIsOpen(ds);
    if (!wasOpen && !OpenDataFile(ds))
        return false;
    DataFile *file = sharedFile(ds);
    ds.RecordCount = file->recordCount();
    const bool ok = file->forEach(visit);
    if (!wasOpen)
        CloseDataFile(ds);
    return ok;
}

QVector<EntryRecord> ReadAllEntries(DataSet &ds)
{
    QVector<EntryRecord> entries;
    ForEachEntry(ds, [&](int, const EntryRecord &e) {
        entries.append(e);
        return true;
    });
    return entries;
}

MsgBoxRequest DataFileUnavailableMessage(const DataSet &ds, bool offerRetry)
{
    const DatabaseFailure &db = ds.databaseFailure;
    return {db.isSet() ? DatabaseFailureTitle(db) : DataFileUnavailableTitle(),
            MsgIcon::Warning,
            db.isSet() ? DatabaseFailureText(db) : DataFileUnavailableText(ds),
            MsgButton::First,
            false,
            offerRetry ? QStringList{QStringLiteral("&Retry"), QStringLiteral("&Cancel")}
                       : QStringList{QStringLiteral("&Okay")}};
}
