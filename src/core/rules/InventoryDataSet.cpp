#include "core/rules/InventoryDataSet.h"

#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"

#include <QFileInfo>

namespace dataset
{

QString folder(const DataSet &ds)
{
    return DataPath(ds, QStringLiteral("Inventories"));
}

QString person(const DataSet &ds)
{
    return ds.session().CurrentUserName;
}

QString workstation(const DataSet &ds)
{
    return WorkstationName(ds);
}

QDateTime now()
{
    return desktop().now();
}

bool lock(FolderLock &held)
{
    return held.acquire();
}

bool log(const FolderLock &held, const QString &line)
{
    return AppendLogLine(held, DataRecordsLogName, line);
}

std::optional<FileStamp> dataFileStamp(const DataSet &ds)
{
    return desktop().fileStamp(DataPath(ds, DataFileName));
}

bool forEachRecord(const DataSet &ds, const std::function<void(int, const char *)> &visit)
{
    DataFile file(ds);
    if (!QFileInfo::exists(file.path()))
        return true;
    return file.open(DataFile::ForReading) && file.forEachRaw([&](int n, const char *record) {
        visit(n, record);
        return true;
    });
}

std::optional<EntryRecord> readEntry(const DataSet &ds, int n)
{
    DataFile file(ds);
    if (!file.open(DataFile::ForReading) || n < 1 || n > file.recordCount())
        return std::nullopt;
    const QByteArray raw = file.readRaw(n);
    if (raw.isEmpty())
        return std::nullopt;
    return EntryRecord::Unpack(raw);
}

StoreResult saveEdited(DataSet &ds, int n, const EntryIdentity &asRead, const EntryRecord &edited)
{
    return SaveEditedEntry(ds, n, asRead, edited);
}

} // namespace dataset
