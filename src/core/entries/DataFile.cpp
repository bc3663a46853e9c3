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

std::unique_ptr<DataFile> &sharedFile()
{
    static std::unique_ptr<DataFile> file;
    return file;
}

} // namespace

int RecordCountForLength(qint64 bytes)
{
    return RecordsForLength(bytes, EntryRecordLength);
}

DataFile::DataFile(const QString &path)
    : RecordFile(path.isEmpty() ? DataPath(DataFileName) : path, EntryRecordLength,
                 DataFileOpenRetryMs)
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

QString DataFileUnavailableText()
{
    return RecordFileUnavailableText(QStringLiteral("data file"), DataFileName);
}

bool OpenDataFile()
{
    auto &file = sharedFile();
    // The data folder may have changed since the last open.
    file = std::make_unique<DataFile>();
    for (;;) {
        if (file->open(DataFile::ForReading)) {
            RecordCount = file->recordCount();
            // A length that is not a whole number of records is told once.
            ReportDamagedLength(DataFileKind(), file->path(), file->size());
            return true;
        }
        const int choice = ShowMsgBox(DataFileUnavailableTitle(), 4, DataFileUnavailableText(), 1,
                                      false, {QStringLiteral("&Retry"), QStringLiteral("&Cancel")})
                               .choice;
        if (choice != 1) {
            RecordCount = 0;
            return false;
        }
    }
}

void CloseDataFile()
{
    auto &file = sharedFile();
    if (file)
        file->close();
}

bool DataFileIsOpen()
{
    const auto &file = sharedFile();
    return file && file->isOpen();
}

EntryRecord ReadEntry(int n)
{
    auto &file = sharedFile();
    if (!file || !file->isOpen() || n < 1 || n > file->recordCount())
        return EntryRecord();
    return file->read(n);
}

bool ForEachEntry(const std::function<bool(int, const EntryRecord &)> &visit)
{
    const bool wasOpen = DataFileIsOpen();
    if (!wasOpen && !OpenDataFile())
        return false;
    auto &file = sharedFile();
    RecordCount = file->recordCount();
    const bool ok = file->forEach(visit);
    if (!wasOpen)
        CloseDataFile();
    return ok;
}

QVector<EntryRecord> ReadAllEntries()
{
    QVector<EntryRecord> entries;
    ForEachEntry([&](int, const EntryRecord &e) {
        entries.append(e);
        return true;
    });
    return entries;
}
